#pragma once
// One running instance per application folder: a lock file in the folder, and one of the
// folder's own name in the user's runtime folder, which holds also where the application
// folder is read-only or full. A lock left behind by a process that is gone, or by another
// host (a folder copied from another machine, a host renamed), is taken over; something
// other than a file in the lock's place is left alone.

#include <QString>

#include <memory>

class QLockFile;

namespace platform {

class InstanceLock {
public:
    // folder: where the lock file lives (the application folder by default).
    explicit InstanceLock(QString folder = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Creates the folder when missing and takes the lock. Returns true when this is the
    // only instance, false when another living process holds it (or it can't be made).
    bool tryLock();
    // After a failed tryLock: true when another living process holds the lock, false
    // when the lock could not be made at all (no folder, no permission).
    bool heldElsewhere() const { return heldElsewhere_; }
    // Why the last tryLock failed, for the log.
    QString error() const { return error_; }
    // After a tryLock: the host named by a lock in the folder that was taken over, else "".
    QString takenOverFrom() const { return takenOverFrom_; }
    // After a tryLock: why the lock in the folder was neither read nor taken ("not a regular
    // file but a FIFO"), else "".
    QString notAFile() const { return notAFile_; }
    bool isLocked() const;
    void unlock();
    QString lockFilePath() const { return path_; }

private:
    QString folder_;
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLockFile> outside_;
    bool heldElsewhere_ = false;
    QString error_;
    QString takenOverFrom_;
    QString notAFile_;
};

} // namespace platform
