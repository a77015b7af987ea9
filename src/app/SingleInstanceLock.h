#pragma once

#include <QString>

namespace quillbox {

// An advisory lock (flock) on a file, held until the object goes or the
// process ends, however it ends: the kernel releases it after a kill -9, so
// a lock is never stale. It makes "one Quillbox per user" hold even where
// the control socket can't be made.
class SingleInstanceLock {
public:
    enum class Result { acquired, heldElsewhere, unavailable };

    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Creates the file (mode 0600) when missing; never waits.
    Result tryLock(const QString& path);
    bool isLocked() const { return m_fd >= 0; }
    QString errorString() const { return m_errorString; }

private:
    int m_fd = -1;
    QString m_errorString;
};

} // namespace quillbox
