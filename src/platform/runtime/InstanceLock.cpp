#include "platform/runtime/InstanceLock.h"

#include "platform/runtime/AppFolder.h"
#include "whole_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#include <cerrno>
#include <csignal>

namespace platform {

InstanceLock::InstanceLock(QString folder)
    : folder_(folder.isEmpty() ? appFolder() : std::move(folder)),
      path_(joinPath(folder_, QStringLiteral("tovaro.lock")))
{
}

InstanceLock::~InstanceLock() = default;

namespace {

// Where a lock of the application folder can be made whatever the folder allows: the
// user's runtime folder (or the temporary folder), under a name of that application
// folder's own, so instances over other folders (tests side by side) never meet.
QString outsideLockPath(const QString& folder)
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QDir::tempPath();
    const QByteArray key = QFileInfo(folder).absoluteFilePath().toUtf8();
    return joinPath(base, QStringLiteral("tovaro-%1.lock")
                              .arg(QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16))));
}

// A running instance holds its lock for as long as it runs, so age never makes it stale;
// only a lock whose process is gone is, and tryLock takes such a lock over.
std::unique_ptr<QLockFile> takeLock(const QString& path, bool& heldElsewhere)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    heldElsewhere = heldElsewhere || lock->error() == QLockFile::LockFailedError;
    return nullptr;
}

// Who wrote a lock file: its process, program and host.
struct LockOwner {
    qint64 pid = 0;
    QString app, host;
};

LockOwner ownerOf(const QString& path)
{
    LockOwner owner;
    QLockFile(path).getLockInfo(&owner.pid, &owner.host, &owner.app);
    return owner;
}

// A lock of another machine's (a folder copied from there, or this host renamed): its
// process cannot be seen from here.
bool fromAnotherHost(const LockOwner& owner)
{
    return !owner.host.isEmpty() && owner.host != QSysInfo::machineHostName();
}

// Whether the process that wrote a lock file still runs here as the program that wrote it
// (a process number is used again by any program once its process is gone). A lock whose
// process is gone is taken over where the folder allows; in a read-only folder it cannot be
// removed, and then only the lock outside counts.
bool ownerRuns(const LockOwner& owner)
{
    if (owner.pid <= 0 || (::kill(pid_t(owner.pid), 0) != 0 && errno != EPERM))
        return false;
    const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(owner.pid)).symLinkTarget();
    return program.isEmpty() || owner.app.isEmpty() || QFileInfo(program).fileName() == QFileInfo(owner.app).fileName();
}

} // namespace

bool InstanceLock::tryLock()
{
    heldElsewhere_ = false;
    error_.clear();
    if (isLocked())
        return true;
    // Two locks: one outside, which works also where the folder is read-only or full, and
    // the one in the folder, which instances of earlier versions look for. Either held by
    // another living process refuses this one.
    outside_ = takeLock(outsideLockPath(folder_), heldElsewhere_);
    takenOverFrom_.clear();
    // What is no file in the lock's place (a FIFO, a device, a folder) is left as it stands:
    // read as a lock, a FIFO would hold the start for ever. The lock outside holds alone, as
    // where the folder is read-only.
    notAFile_ = QString::fromLocal8Bit(vareror::files::notARegularFile(QFile::encodeName(path_).toStdString()));
    if (!heldElsewhere_ && notAFile_.isEmpty() && QDir().mkpath(folder_)) {
        lock_ = takeLock(path_, heldElsewhere_);
        // Held in the folder, but no instance runs over it on this host (the lock outside is
        // this one's): another host's lock is taken over, and so is one whose process is gone.
        const LockOwner owner = heldElsewhere_ && outside_ ? ownerOf(path_) : LockOwner();
        if (heldElsewhere_ && outside_ && fromAnotherHost(owner)) {
            takenOverFrom_ = owner.host;
            heldElsewhere_ = false;
            if (QLockFile(path_).removeStaleLockFile())
                lock_ = takeLock(path_, heldElsewhere_);
        } else if (heldElsewhere_ && outside_ && !ownerRuns(owner)) {
            heldElsewhere_ = false; // left by a process that is gone, in a folder that keeps it
        }
    }
    if (heldElsewhere_) {
        unlock();
        error_ = QStringLiteral("%1 is held by another instance").arg(path_);
        return false;
    }
    if (!lock_ && !outside_) {
        error_ = QStringLiteral("cannot create %1").arg(path_);
        return false;
    }
    return true;
}

bool InstanceLock::isLocked() const
{
    return (lock_ && lock_->isLocked()) || (outside_ && outside_->isLocked());
}

void InstanceLock::unlock()
{
    for (auto* lock : {&lock_, &outside_}) {
        if (*lock)
            (*lock)->unlock();
        lock->reset();
    }
}

} // namespace platform
