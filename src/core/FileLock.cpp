#include "core/FileLock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace calc {

namespace {

// A save holds the lock for milliseconds; waiting longer means a holder that is stuck.
constexpr auto kLockWait = std::chrono::seconds(5);
constexpr auto kRetryPause = std::chrono::milliseconds(10);

/// Opens the file for locking; -1 when there is no regular file to lock. O_NONBLOCK keeps a
/// FIFO in its place from blocking the open.
int OpenForLock(const std::string& fileName, TFileLock::TKind kind)
{
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(fileName.c_str(), flags);
    if (fd < 0 && errno == ENOENT && kind == TFileLock::TKind::Exclusive)
        fd = ::open(fileName.c_str(), flags | O_CREAT, 0666);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

/// True when the name still leads to the file the descriptor holds.
bool StillNamed(const std::string& fileName, int fd)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(fileName.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

bool IsSpecialFile(const std::string& fileName)
{
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

TFileLock::TFileLock(const std::string& fileName, TKind kind)
{
    const int operation = (kind == TKind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    for (;;) {
        const int fd = OpenForLock(fileName, kind);
        if (fd < 0)
            return;
        if (::flock(fd, operation) == 0) {
            // The holder before us may have replaced the file by a new one; a lock on the
            // old one would guard nothing.
            if (StillNamed(fileName, fd)) {
                FFd = fd;
                return;
            }
        }
        else if (errno != EWOULDBLOCK) {
            ::close(fd); // no lock support here (some network mounts)
            return;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kRetryPause);
    }
}

TFileLock::~TFileLock()
{
    if (FFd >= 0)
        ::close(FFd); // closing the last descriptor releases the lock
}

} // namespace calc
