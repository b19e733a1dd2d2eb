#include "platform/runtime/InstanceLock.h"

#include "platform/runtime/AppFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

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

// Whether the process that wrote a lock file still runs. A lock whose process is gone is
// taken over where the folder allows; in a read-only folder it cannot be removed, and then
// only the lock outside counts.
bool ownerRuns(const QString& path)
{
    QLockFile probe(path);
    qint64 pid = 0;
    QString host, app;
    if (!probe.getLockInfo(&pid, &host, &app) || pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
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
    if (!heldElsewhere_ && QDir().mkpath(folder_)) {
        lock_ = takeLock(path_, heldElsewhere_);
        if (heldElsewhere_ && outside_ && !ownerRuns(path_))
            heldElsewhere_ = false; // left by a process that is gone, in a folder that keeps it
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
