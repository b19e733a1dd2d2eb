// The operator's files through a full disk, a read-only folder and files that the program
// did not write itself: nothing of the operator's is lost or changed, and every failure is
// told in the window, once, naming the file.
#include <QtTest>

#include "KilledWrite.h"
#include "ScriptedStart.h"
#include "StartupFiles.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "strips/Strips.h"
#include "whole_file.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using testsupport::ScriptedStart;
using namespace startupfiles;

namespace {

// Every file under the folder, by its path below it, with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String("/tovaro.lock")))
            continue; // held by the running instance
        files.insert(QDir(folder).relativeFilePath(path), fileBytes(path));
    }
    return files;
}

// The files whose bytes differ between two snapshots (or that only one has).
QStringList changed(const QMap<QString, QByteArray>& before, const QMap<QString, QByteArray>& after)
{
    QStringList names;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (before.value(it.key(), "<none>") != it.value())
            names << it.key();
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key()))
            names << it.key();
    return names;
}

QStringList boxTexts(const testsupport::FormFixture& f)
{
    QStringList texts;
    for (const auto& call : f.ui().calls())
        texts << call.text;
    return texts;
}

// The disk takes no more than `bytes` until the end of the scope.
struct DiskSpace {
    explicit DiskSpace(qint64 bytes) { vareror::files::setSpaceLeftForTests(bytes); }
    ~DiskSpace() { vareror::files::setSpaceLeftForTests(-1); }
};

// Saves a log entry as the operator does, answering Yes; `failing`: the save's failure is
// told in a box, answered too.
void saveLogEntry(shell::FormMain& form, testsupport::FormFixture& f, const QString& call, const QString& entry,
                  bool failing = false)
{
    form.Text3->setText(call);
    form.Text4->setText(entry);
    f.ui().answerMsgBox(platform::vbYes);
    if (failing)
        f.ui().answerMsgBox(platform::vbOK);
    form.qso().Command2_Click();
}

bool isFifo(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

} // namespace

class TestStoredFiles : public QObject {
    Q_OBJECT
private slots:
    // A full disk at Exit, at the start-up's backup and at a log save: every file the run
    // would write keeps its old bytes, nothing half-written is left, and one box names them.
    void fullDiskLosesNothing_data()
    {
        QTest::addColumn<qint64>("space");
        QTest::newRow("full") << qint64(0);
        QTest::newRow("a few kilobytes") << qint64(5000);
        QTest::newRow("a picture's worth") << qint64(1400000);
    }

    void fullDiskLosesNothing()
    {
        QFETCH(qint64, space);
        ScriptedStart s;
        auto* form = &s.form();
        QImage tx(640, 512, QImage::Format_RGB32);
        tx.fill(qRgb(200, 30, 30));
        form->Picture1->setPicture(tx);
        form->Text2->setText(QStringLiteral("CQ de DL1ABC"));
        form->strips().storePicture(5, tx.scaled(80, 64));
        saveLogEntry(*form, s.f, QStringLiteral("Q1AB"), QStringLiteral("John, Leeds"));
        s.restart();
        form = &s.form();
        const auto before = snapshot(s.f.appFolder());
        QVERIFY(before.contains("logdata.bak") && before.contains("Favorites/Favorite5.bmp"));

        // The run changes everything it keeps; the disk is full when it saves.
        form->Text2->setText(QStringLiteral("CQ CQ changed"));
        form->Picture1->setPicture(tx.scaled(320, 256));
        form->strips().storePicture(5, tx.scaled(40, 32));
        const qsizetype shown = s.f.ui().calls().size();
        {
            DiskSpace full(space);
            saveLogEntry(*form, s.f, QStringLiteral("Q2XYZ"), QStringLiteral("new"), space < 1000);
            s.f.ui().answerMsgBox(platform::vbOK); // Exit's box
            form->close();
        }
        // Each file the run changed is either written whole (what fitted) or keeps its
        // old bytes and is named, with the reason, in a box.
        const QStringList written = changed(before, snapshot(s.f.appFolder()));
        const QString told = boxTexts(s.f).mid(shown).join(QLatin1Char('\n'));
        QVERIFY2(told.contains(QStringLiteral("Cannot write in %1 (No space left on device): ").arg(s.f.appFolder())),
                 qPrintable(told));
        for (const char* name : {"logdata", "LastTXImage.bmp", "messages", "restoreTovaroM", "Favorites/Favorite5.bmp"}) {
            const bool named = told.contains(QRegularExpression(QStringLiteral("[ /]%1[:,.]").arg(QLatin1String(name))));
            QVERIFY2(written.contains(QLatin1String(name)) != named, qPrintable(name + QStringLiteral(" | ") + told));
        }
        for (const QString& name : written)
            QVERIFY2(QStringList({"logdata", "LastTXImage.bmp", "messages", "restoreTovaroM"}).contains(name), qPrintable(name));
        if (space == 0)
            QCOMPARE(written, QStringList());

        // The start-up's backup on a full disk keeps the old one, and says so.
        writeFile(s.f.appPath("logdata"), "\r\nQ1AB John, Leeds\r\nG4ABC more\r\n");
        s.f.destroy();
        s.f.build();
        s.f.ui().answerMsgBox(platform::vbOK);
        {
            DiskSpace full(0);
            s.start();
        }
        QCOMPARE(fileBytes(s.f.appPath("logdata.bak")), before["logdata.bak"]);
        QVERIFY(!boxTexts(s.f).isEmpty());
        QVERIFY2(boxTexts(s.f).last().contains("(No space left on device): logdata.bak."), qPrintable(boxTexts(s.f).last()));
    }

    // The backup never takes the place of a better one: an empty log, or one less than half
    // of the backup, leaves it as it is and the operator is told why.
    void logBackupKeepsTheBetterCopy_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("cut to a third") << QByteArray("\r\nQ1AB John\r\n") << false;
        QTest::newRow("a record deleted") << QByteArray("\r\nQ1AB John, Leeds\r\nG4ABC Mary\r\n") << true;
    }

    void logBackupKeepsTheBetterCopy()
    {
        QFETCH(QByteArray, log);
        QFETCH(bool, replaced);
        testsupport::FormFixture f(false);
        const QByteArray good = "\"\r\nQ1AB John, Leeds\r\nG4ABC Mary\r\nF5XYZ Pierre\r\n\"\r\n";
        writeFile(f.appPath("logdata"), log);
        writeFile(f.appPath("logdata.bak"), good);
        f.build();
        if (!replaced)
            f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        QCOMPARE(fileBytes(f.appPath("logdata.bak")), replaced ? "\"" + log + "\"\r\n" : good);
        QCOMPARE(boxTexts(f).size(), replaced ? 0 : 1);
        if (!replaced)
            QVERIFY2(boxTexts(f).first().contains("logdata.bak (a log of 46 bytes) is kept"), qPrintable(boxTexts(f).first()));
    }

    // Files from another editor or an earlier version come back byte for byte when the
    // operator did not edit them; what was edited alone changes.
    void textFilesKeepTheirBytes()
    {
        ScriptedStart s;
        const QByteArray messages = "first line\nsecond line\n";
        const QByteArray log = "\r\nDL1ABC Gr\xc3\xbc\xc3\x9f" "e aus Z\xc3\xbcrich\r\nF5XYZ caf\xe9 au lait\r\n";
        s.form().close();
        writeFile(s.f.appPath("messages"), messages);
        writeFile(s.f.appPath("logdata"), log);
        s.f.destroy();
        s.f.build();
        s.start();
        auto& form = s.form();
        QCOMPARE(form.Text2->text(), QStringLiteral("first line\r\nsecond line\r\n"));
        QCOMPARE(form.qso().contactLog().logText(), QString::fromUtf8("\r\nDL1ABC Grüße aus Zürich\r\nF5XYZ café au lait\r\n"));
        saveLogEntry(form, s.f, QStringLiteral("Q1AB"), QStringLiteral("Zoë"));
        QCOMPARE(fileBytes(s.f.appPath("logdata")), "\r\nQ1AB Zo\xc3\xab" + log + "\r\n");
        s.restart();
        QCOMPARE(fileBytes(s.f.appPath("messages")), messages);
        // An edited pane is written with the writer's line ends.
        s.form().Text2->setText(QStringLiteral("73 caf\u00e9"));
        s.restart();
        QCOMPARE(fileBytes(s.f.appPath("messages")), QByteArray("73 caf\xc3\xa9\r\n"));
        QCOMPARE(s.form().Text2->text(), QStringLiteral("73 caf\u00e9"));
    }

    // Stored files far beyond any size the program writes are not read, are told, and stay
    // on disk untouched through the run and its Exit; the log refuses to be saved over.
    void oversizeFilesAreLeftAlone()
    {
        testsupport::FormFixture f(false);
        for (const char* name : {"messages", "logdata", "restoreTovaroM"}) {
            writeFile(f.appPath(name), "head");
            QVERIFY(QFile::resize(f.appPath(name), 200LL * 1024 * 1024)); // sparse: no disk taken
        }
        const QDateTime stamp = QFileInfo(f.appPath("messages")).lastModified();
        f.build();
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        QCOMPARE(boxTexts(f).size(), 1);
        for (const char* name : {"messages is 200 MB", "logdata is 200 MB", "restoreTovaroM is 200 MB"})
            QVERIFY2(boxTexts(f).first().contains(QLatin1String(name)), qPrintable(boxTexts(f).first()));
        QCOMPARE(f.form().Text2->text(), QString());
        f.form().Text2->setText(QStringLiteral("typed"));
        saveLogEntry(f.form(), f, QStringLiteral("Q1AB"), QStringLiteral("John"), true);
        QVERIFY(boxTexts(f).last().contains("logdata was not read at start-up"));
        f.ui().answerMsgBox(platform::vbOK);
        f.form().close();
        QVERIFY2(boxTexts(f).last().contains("(it was left as it was found at the start): messages, restoreTovaroM."),
                 qPrintable(boxTexts(f).last()));
        for (const char* name : {"messages", "logdata", "restoreTovaroM"}) {
            QCOMPARE(QFileInfo(f.appPath(name)).size(), 200LL * 1024 * 1024);
            QVERIFY(fileBytes(f.appPath(name)).startsWith("head"));
        }
        QCOMPARE(QFileInfo(f.appPath("messages")).lastModified(), stamp);
    }

    // Temporaries that killed writes left beside the program's own files, in the application
    // folder and in "Favorites", go at start-up, before anything is written. The operator's
    // files of such names stay, and so do killed writes' temporaries of files that other
    // programs may be writing, or in other folders.
    void leftOverTemporariesGoAtStartUp()
    {
        testsupport::FormFixture f(false);
        writeFile(f.appPath("logdata"), "\r\nQ1AB John\r\n");
        writeFile(f.appPath("messages"), "kept\r\n");
        QDir().mkpath(f.appPath("Favorites"));
        const auto without = snapshot(f.appFolder());
        for (const char* name : {"logdata", "logdata.bak", "messages", "restoreTovaroM", "LastTXImage.bmp",
                                    "vareror.ini", "Favorites/Favorite22.bmp", "Favorites/Favorite1.bmp"})
            QVERIFY2(testsupport::killedWrite(f.appPath(name)), qPrintable(name));
        QStringList leftOvers = changed(without, snapshot(f.appFolder()));
        QCOMPARE(leftOvers.size(), 8);

        for (const char* name : {".logdata.backup", ".messages.before"})
            writeFile(f.appPath(name), "the operator's");
        for (const char* name : {"notes", "Favorites/Favorite31.bmp", "AutoSave/logdata", "Favorites/logdata"}) {
            QDir().mkpath(QFileInfo(f.appPath(name)).path());
            QVERIFY2(testsupport::killedWrite(f.appPath(name)), qPrintable(name));
        }
        const auto before = snapshot(f.appFolder());
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        const auto after = snapshot(f.appFolder());
        for (auto it = before.begin(); it != before.end(); ++it) {
            if (it.key() == "logdata.bak")
                continue; // the start-up's backup of the log
            QVERIFY2(leftOvers.contains(it.key()) ? !after.contains(it.key()) : after.value(it.key()) == it.value(),
                     qPrintable(it.key()));
        }
    }

    // FIFOs in place of the stored files hold nothing up: the start reads none of them, says
    // so once, and leaves them, and a folder in the lock's place too; a favourite that is a link to nothing outside the folder
    // creates nothing there at Exit, which says so; a log that is a device is not saved
    // over, nor one that is read-only (also for the superuser).
    void notFilesAtTheStoredFilesPlaces()
    {
        testsupport::FormFixture f(false);
        QTemporaryDir outside;
        const QStringList fifos{"messages", "restoreTovaroM", "LastTXImage.bmp", "Favorites/Favorite1.bmp"};
        QDir().mkpath(f.appPath("Favorites"));
        for (const QString& name : fifos)
            QCOMPARE(::mkfifo(QFile::encodeName(f.appPath(name)).constData(), 0644), 0);
        QVERIFY(QDir().mkpath(f.appPath("tovaro.lock")));
        QVERIFY(QFile::link(outside.filePath("x.bmp"), f.appPath("Favorites/Favorite5.bmp")));
        const bool device = ::mknod(QFile::encodeName(f.appPath("logdata")).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
        f.build();
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        QCOMPARE(boxTexts(f).size(), 1);
        for (const QString& name : fifos)
            QVERIFY2(boxTexts(f).first().contains(QDir::toNativeSeparators(f.appPath(name)) +
                                                  " cannot be read (not a regular file but a FIFO): it is left as it is."),
                     qPrintable(boxTexts(f).first()));
        QVERIFY2(boxTexts(f).first().contains(QDir::toNativeSeparators(f.appPath("tovaro.lock")) +
                                              " cannot be read (not a regular file but a folder): it is left as it is."),
                 qPrintable(boxTexts(f).first()));
        if (device) {
            saveLogEntry(f.form(), f, QStringLiteral("Q1AB"), QStringLiteral("John"), true);
            QVERIFY(!boxTexts(f).isEmpty());
            QVERIFY2(boxTexts(f).last().contains("logdata was not read at start-up"), qPrintable(boxTexts(f).last()));
        }
        f.form().strips().storePicture(5, QImage(80, 64, QImage::Format_RGB32));
        f.form().Text2->setText(QStringLiteral("typed"));
        f.ui().answerMsgBox(platform::vbOK);
        f.form().close();
        QVERIFY(!boxTexts(f).isEmpty());
        QVERIFY2(boxTexts(f).last().contains(QStringLiteral("(a link to %1, which does not exist; the link is left as it "
                                                            "is): Favorites/Favorite5.bmp.")
                                                 .arg(outside.filePath("x.bmp"))),
                 qPrintable(boxTexts(f).last()));
        // (what the Exit would have written into them is named)
        QVERIFY2(boxTexts(f).last().contains(QStringLiteral("(it was left as it was found at the start): LastTXImage.bmp, "
                                                            "messages, restoreTovaroM.")),
                 qPrintable(boxTexts(f).last()));
        for (const QString& name : fifos)
            QVERIFY2(isFifo(f.appPath(name)), qPrintable(name));
        QVERIFY(QFileInfo(f.appPath("tovaro.lock")).isDir());
        QVERIFY(QFileInfo(f.appPath("Favorites/Favorite5.bmp")).isSymLink());
        QCOMPARE(QDir(outside.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        if (device)
            QVERIFY(QFileInfo(f.appPath("logdata")).exists() && !QFileInfo(f.appPath("logdata")).isFile());

        // A log the operator made read-only.
        ScriptedStart s;
        saveLogEntry(s.form(), s.f, QStringLiteral("Q1AB"), QStringLiteral("John"));
        const QByteArray kept = fileBytes(s.f.appPath("logdata"));
        QVERIFY(QFile::setPermissions(s.f.appPath("logdata"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        saveLogEntry(s.form(), s.f, QStringLiteral("Q2XY"), QStringLiteral("Ann"), true);
        QVERIFY(!boxTexts(s.f).isEmpty());
        QCOMPARE(boxTexts(s.f).last(), QStringLiteral("Cannot write %1: the file is read-only. The file keeps what it held before.")
                                           .arg(s.f.appPath("logdata")));
        QCOMPARE(fileBytes(s.f.appPath("logdata")), kept);
    }

    // Damage met at the start is told there, and what could be read is kept: a settings file
    // cut short and with a line of binary bytes, a log garbled to the size of its backup
    // (the backup, the last good copy, stays), another host's lock (taken over).
    void damageToldAtTheStart()
    {
        ScriptedStart s;
        s.form().Text2->setText(QStringLiteral("kept"));
        s.form().qso().setStationCall(QStringLiteral("DL1ABC"));
        saveLogEntry(s.form(), s.f, QStringLiteral("Q1AB"), QStringLiteral("John, Leeds"));
        s.restart();
        s.form().close();
        QList<QByteArray> lines = fileBytes(s.f.appPath("restoreTovaroM")).split('\n');
        lines[2] = "\x01\x02\xff\xfe\r";
        writeFile(s.f.appPath("restoreTovaroM"), lines.mid(0, 80).join('\n') + '\n');
        const QByteArray backup = fileBytes(s.f.appPath("logdata.bak"));
        QByteArray garbled;
        for (int i = 0; garbled.size() < backup.size() - 4; ++i)
            garbled += char((i * 7919 + 13) % 251);
        writeFile(s.f.appPath("logdata"), garbled);
        writeFile(s.f.appPath("tovaro.lock"), "1\ntovaro\notherhost\n");
        s.f.destroy();
        s.f.build();
        s.f.ui().answerMsgBox(platform::vbOK);
        s.start();
        QVERIFY(!boxTexts(s.f).isEmpty());
        const QString told = boxTexts(s.f).last();
        QVERIFY2(told.contains(QStringLiteral("The settings file %1 is damaged: line 3 holds no value of its kind, and it "
                                              "ends after line 80 of 143.")
                                   .arg(s.f.appPath("restoreTovaroM"))),
                 qPrintable(told));
        QVERIFY2(told.contains("The log logdata does not read as text"), qPrintable(told));
        QVERIFY2(told.contains("was left by Tovaro on the host \"otherhost\""), qPrintable(told));
        QCOMPARE(fileBytes(s.f.appPath("logdata.bak")), backup);
        QCOMPARE(s.form().qso().stationCall(), QStringLiteral("DL1ABC"));
        QCOMPARE(s.form().Text2->text(), QStringLiteral("kept"));
    }

    // Exit on a slow disk: the window shows it is busy while the engine is deleted (it writes
    // its settings then) and from before the program's first file is written until the last is.
    void busyWhileExitWrites()
    {
        ScriptedStart s;
        s.form().Text2->setText(QStringLiteral("first"));
        s.restart();
        s.form().Text2->setText(QStringLiteral("second"));
        QStringList seen; // the pointer, whether the engine is deleted, what "messages" holds
        QObject::connect(&s.form(), &shell::FormMain::MousePointerChanged, [&](int pointer) {
            seen << QStringLiteral("%1 %2 %3")
                        .arg(pointer)
                        .arg(scripted::callNames().contains(QStringLiteral("mmsDelete")) ? "deleted" : "engine")
                        .arg(QString::fromLatin1(fileBytes(s.f.appPath("messages")).trimmed()));
        });
        s.form().close();
        QCOMPARE(seen, QStringList({"11 engine first", "0 deleted first", "11 deleted first", "0 deleted second"}));
    }

    // A home folder that cannot be written (a read-only file system; for a user who may not
    // mount one, a folder closed to writing): the application folder cannot be made, and the
    // operator is told why in the system's words, naming the folder that refused.
    void readOnlyHomeNamed()
    {
        testsupport::FormFixture f(false);
        const QByteArray home = QFile::encodeName(f.dataHome());
        const bool mounted = ::mount("tmpfs", home.constData(), "tmpfs", MS_RDONLY, "size=64k") == 0;
        if (!mounted && (::geteuid() == 0 || ::chmod(home.constData(), 0555) != 0))
            QSKIP("a file system cannot be mounted here, and the superuser writes any folder");
        struct Reopen {
            QByteArray path;
            bool mounted;
            ~Reopen() { mounted ? ::umount(path.constData()) : ::chmod(path.constData(), 0700); }
        } reopen{home, mounted};
        f.build();
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        QVERIFY(!boxTexts(f).isEmpty());
        QVERIFY2(boxTexts(f).first().contains(QStringLiteral("cannot be made (Tovaro cannot be made in %1: %2)")
                                                  .arg(f.dataHome(), mounted ? "Read-only file system" : "Permission denied")),
                 qPrintable(boxTexts(f).first()));
    }

    // A read-only application folder: said once at start-up, the program runs, and its
    // Exit changes nothing and tells nothing more.
    void readOnlyFolder()
    {
        testsupport::FormFixture f(false);
        const QString folder = f.appFolder();
        QVERIFY(QDir().mkpath(folder));
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("a file system cannot be mounted here (needs the superuser)");
        struct Unmount {
            QString path;
            ~Unmount() { ::umount(QFile::encodeName(path).constData()); }
        } unmount{folder};
        writeFile(f.appPath("messages"), "kept\r\n");
        writeFile(f.appPath("logdata"), "\r\nQ1AB John\r\n");
        QCOMPARE(::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
        const auto before = snapshot(folder);
        f.build();
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), shell::Shell::LoadResult::Running);
        QVERIFY(f.form().isVisible());
        QCOMPARE(boxTexts(f).size(), 1);
        QVERIFY2(boxTexts(f).first().contains("Read-only file system): settings and pictures will not be saved."),
                 qPrintable(boxTexts(f).first()));
        QCOMPARE(f.form().Text2->text(), QStringLiteral("kept"));
        f.form().Text2->setText(QStringLiteral("changed"));
        f.form().close();
        QCOMPARE(boxTexts(f).size(), 1);
        QCOMPARE(changed(before, snapshot(folder)), QStringList());
    }
};

QTEST_MAIN(TestStoredFiles)
#include "tst_storedfiles.moc"
