#include "platform/InstanceLock.h"

#include "platform/AppFolder.h"

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
    if (isLocked())
        return true;
    if (!QDir().mkpath(folder_))
        return false;
    lock_ = std::make_unique<QLockFile>(path_);
    // A running instance holds the lock for as long as it runs, so age never makes it
    // stale; only a lock whose process is gone is, and tryLock takes such a lock over.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
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
