// The operator's files as the start-up finds them and the shut-down leaves them: a file far
// larger than any the program writes, or one that cannot be read, is left as it is and
// never replaced in this run; the log's backup never takes the place of a better one; a
// message file not edited is not rewritten; and every trouble met is told to the operator
// in one message box, naming the file and the reason.

#include "shell/Shell.h"

#include "engine/EngineControl.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/StepValues.h"
#include "platform/runtime/TextFile.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace shell {

using platform::steps::fail;

namespace {

// The message box names at most this many troubles, then how many more there were.
constexpr int kMostTroublesNamed = 12;

QString sizeText(qint64 bytes)
{
    return bytes >= 10 * 1024 * 1024 ? QStringLiteral("%1 MB").arg(bytes / (1024 * 1024))
                                     : QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

void Shell::addTrouble(const QString& text)
{
    if (!troubles_.contains(text))
        troubles_.append(text);
}

void Shell::writeFailed(const QString& path, const QString& why)
{
    // A writer's own words may name the file already ("Cannot write <path>: <reason>").
    const QString prefix = QStringLiteral("Cannot write %1: ").arg(path);
    const QString reason = why.startsWith(prefix) ? why.mid(prefix.size()) : why;
    QStringList& names = writeFailures_[reason];
    const QString name = QDir(platform::appFolder()).relativeFilePath(path);
    if (!names.contains(name))
        names.append(name);
}

// One box: the troubles met, then the files that could not be written, by reason, each
// named (below the application folder); files that failed alike are many at once on a
// full disk.
void Shell::tellTroubles()
{
    QStringList lines = troubles_.mid(0, kMostTroublesNamed);
    if (troubles_.size() > kMostTroublesNamed)
        lines.append(QStringLiteral("... and %1 more.").arg(troubles_.size() - kMostTroublesNamed));
    for (auto it = writeFailures_.cbegin(); it != writeFailures_.cend(); ++it)
        lines.append(QStringLiteral("Cannot write in %1 (%2): %3. Each keeps what it held before.")
                         .arg(QDir::toNativeSeparators(platform::appFolder()), it.key(), it.value().join(QStringLiteral(", "))));
    troubles_.clear();
    writeFailures_.clear();
    if (!lines.isEmpty())
        form_.ui().tell(lines.join(QStringLiteral("\r\n")));
}

bool Shell::mayReplace(const QString& path)
{
    if (appFolderReadOnly_)
        return false;
    if (!keptAsFound_.contains(path))
        return true;
    writeFailed(path, QStringLiteral("it was left as it was found at the start"));
    return false;
}

std::optional<QByteArray> Shell::readStored(const QString& path, qint64 largest)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    const QString name = QDir::toNativeSeparators(path);
    if (info.size() > largest) {
        keptAsFound_.insert(path);
        addTrouble(QStringLiteral("%1 is %2, far larger than any such file the program writes: it was not read, "
                                  "and it is left as it is.")
                       .arg(name, sizeText(info.size())));
        return std::nullopt;
    }
    QString why;
    auto bytes = platform::readFileBytes(path, &why);
    if (!bytes) {
        keptAsFound_.insert(path);
        notRead(path, why);
    }
    return bytes;
}

void Shell::notRead(const QString& path, const QString& why)
{
    addTrouble(QStringLiteral("%1 cannot be read (%2): it is left as it is.").arg(QDir::toNativeSeparators(path), why));
}

void Shell::checkAppFolder()
{
    QString why;
    const bool made = platform::ensureAppFolder(&why);
    if (made && platform::folderWritable(platform::appFolder(), &why))
        return;
    appFolderReadOnly_ = true;
    form_.engine().markAppFolderReadOnly();
    addTrouble(QStringLiteral("The application folder %1 cannot be %2 (%3): settings and pictures will not be saved.")
                   .arg(QDir::toNativeSeparators(platform::appFolder()),
                        made ? QStringLiteral("written") : QStringLiteral("made"), why));
}

// A write stopped by a kill or a crash leaves the writer's hidden temporary file beside the
// file it was replacing, which stays whole. Only this instance writes the program's files,
// and it has written none yet, so such a file is a left-over and goes; nothing else in the
// folders is touched. A second instance never gets here, and a lock that could not be taken
// (no proof that no other instance writes) or a folder that cannot be written leaves all.
void Shell::removeLeftOverTemporaries()
{
    if (appFolderReadOnly_ || !lock_.isLocked())
        return;
    // "vareror.ini" is the engine's settings, which it writes through the same writer.
    platform::removeLeftOverTemporaries(platform::appFolder(),
                                        {QStringLiteral("logdata"), QStringLiteral("logdata.bak"),
                                         QStringLiteral("messages"), kSettingsFile, kLastTxImage,
                                         QStringLiteral("vareror.ini")});
    QStringList favourites;
    for (int n = 1; n <= 53; ++n)
        if (stored(n))
            favourites << QFileInfo(favoriteFile(n)).fileName();
    platform::removeLeftOverTemporaries(QFileInfo(favoriteFile(1)).path(), favourites);
}

// The log as read, between double quotes, then CR LF. Without a log there is nothing to
// back up, and an existing backup, perhaps the only copy left, stays as it is; so it does
// when the log is empty or less than half of the one the backup holds, or is no text of
// the log's form (a log emptied, cut or garbled by a failure must not take the place of
// the last good copy).
void Shell::backUpLog(platform::StepRunner& steps)
{
    auto& log = form_.qso().contactLog();
    const QString logPath = platform::appPath(QStringLiteral("logdata"));
    const QString backupPath = platform::appPath(QStringLiteral("logdata.bak"));
    const auto bytes = readStored(logPath, kLargestLog);
    if (!bytes) {
        if (keptAsFound_.contains(logPath))
            log.refuseWrites(QStringLiteral("logdata was not read at start-up, so it is left as it is"));
        return;
    }
    log.readBytes(*bytes);
    if (appFolderReadOnly_)
        return;
    // The backup holds the log and four bytes more: the quotes and the line end.
    const qint64 backedUp = std::max<qint64>(0, QFileInfo(backupPath).size() - 4);
    const QString kept = QStringLiteral("logdata.bak (a log of %1) is kept as it is. ").arg(sizeText(backedUp));
    if (bytes->isEmpty() && backedUp > 0) {
        addTrouble(QStringLiteral("The log logdata is empty: ") + kept +
                   QStringLiteral("To take the log back, copy logdata.bak, without its first and last two "
                                  "characters, to logdata."));
        return;
    }
    if (bytes->size() < backedUp / 2) {
        addTrouble(QStringLiteral("The log logdata (%1) is less than half of the last backup: ").arg(sizeText(bytes->size())) +
                   kept + QStringLiteral("If the log was shortened on purpose, delete logdata.bak."));
        return;
    }
    // A log of random bytes, a binary file or one of another encoding is full of control
    // codes; an operator's log has next to none.
    const QString text = platform::decodeText(*bytes);
    if (const qsizetype codes = std::count_if(text.begin(), text.end(), platform::isControlCode);
        backedUp > 0 && codes > text.size() / 20) {
        addTrouble(QStringLiteral("The log logdata does not read as text (%1 of its %2 characters are control codes): ")
                       .arg(codes)
                       .arg(text.size()) +
                   kept + QStringLiteral("To take the log back, copy logdata.bak, without its first and last two "
                                         "characters, to logdata."));
        return;
    }
    steps.step(QStringLiteral("log backup"), [&] {
        QByteArray backup;
        backup.reserve(bytes->size() + 4);
        backup += '"';
        backup += *bytes;
        backup += "\"\r\n";
        QString why;
        if (!platform::writeFileBytes(backupPath, backup, &why)) {
            writeFailed(backupPath, why);
            fail(75, why);
        }
    });
}

// The message pane: the file less the line end its writer adds (CR LF); a file that ends
// otherwise (written by another editor) shows whole.
void Shell::readMessages()
{
    const QString path = platform::appPath(QStringLiteral("messages"));
    const auto bytes = readStored(path, kLargestMessages);
    if (!bytes)
        return;
    messagesText_ = messagesBytes_.decode(*bytes);
    if (messagesText_.endsWith(QLatin1String("\r\n")))
        messagesText_.chop(2);
    form_.Text2->setText(messagesText_);
    messagesShown_ = form_.Text2->text();
}

// Written only when the pane was changed, or when there was no file: a file read and not
// edited keeps every byte, whatever line ends another editor gave it.
void Shell::writeMessages(platform::StepRunner& steps)
{
    const QString path = platform::appPath(QStringLiteral("messages"));
    messagesText_ = form_.Text2->text();
    // (a file kept as found and a pane left empty lose nothing)
    if ((messagesShown_ && *messagesShown_ == messagesText_) || (messagesText_.isEmpty() && keptAsFound_.contains(path)) ||
        !mayReplace(path))
        return;
    steps.step(QStringLiteral("messages"), [&] {
        QString why;
        if (!platform::writeTextFile(path, messagesText_ + QStringLiteral("\r\n"), &why, &messagesBytes_)) {
            writeFailed(path, why);
            fail(75, why);
        }
    });
}

void Shell::tellEngineFileFaults()
{
    QString faults;
    try {
        faults = QString::fromLatin1(form_.engine().binding().vrrGetOption("filefault"));
    } catch (const std::exception&) {
        return;
    }
    // A folder that cannot be written has been told already, and so have its files.
    for (const QString& fault : faults.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!form_.engine().told(fault) && !(appFolderReadOnly_ && fault.startsWith(QLatin1String("cannot write")))) {
            addTrouble(QStringLiteral("The engine: %1.").arg(fault));
            form_.engine().noteTold(fault);
        }
}

} // namespace shell
