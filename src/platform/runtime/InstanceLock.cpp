#include "platform/runtime/InstanceLock.h"

#include "platform/runtime/AppFolder.h"

#include <QDir>
#include <QLockFile>

namespace platform {

InstanceLock::InstanceLock(QString folder)
    : folder_(folder.isEmpty() ? appFolder() : std::move(folder)),
      path_(joinPath(folder_, QStringLiteral("tovaro.lock")))
{
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    heldElsewhere_ = false;
    error_.clear();
    if (isLocked())
        return true;
    if (!QDir().mkpath(folder_)) {
        error_ = QStringLiteral("cannot create %1").arg(folder_);
        return false;
    }
    lock_ = std::make_unique<QLockFile>(path_);
    // A running instance holds the lock for as long as it runs, so age never makes it
    // stale; only a lock whose process is gone is, and tryLock takes such a lock over.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    heldElsewhere_ = lock_->error() == QLockFile::LockFailedError;
    error_ = heldElsewhere_ ? QStringLiteral("%1 is held by another instance").arg(path_)
                            : QStringLiteral("cannot create %1").arg(path_);
    lock_.reset();
    return false;
}

bool InstanceLock::isLocked() const
{
    return lock_ && lock_->isLocked();
}

void InstanceLock::unlock()
{
    if (lock_)
        lock_->unlock();
    lock_.reset();
}

} // namespace platform
