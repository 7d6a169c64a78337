#include "definitions/FileStore.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calc {

namespace {

/// Symbolic links are followed at most this far, as the system does.
constexpr int kMaxLinkDepth = 40;

std::string ParentFolder(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

/// The path a save writes: the end of a chain of symbolic links, which need not exist yet.
std::string FollowLinks(const std::string& fileName)
{
    std::string path = fileName;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 256, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size())
            return path;
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : ParentFolder(path) + "/" + link;
    }
    return path;
}

bool AllDigits(std::string_view s) noexcept
{
    return !s.empty() && s.size() <= 10 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

/// The process id in the name of one of our temporary files: "X.~pid-n" (hidden or not), or
/// ".X.tmppid_n" as definition files were saved before.
std::optional<long> TemporaryFilePid(std::string_view name)
{
    const auto tilde = name.rfind(".~");
    if (tilde != std::string_view::npos && tilde > 0) {
        const std::string_view rest = name.substr(tilde + 2);
        const auto dash = rest.find('-');
        if (dash != std::string_view::npos && AllDigits(rest.substr(0, dash)) &&
            AllDigits(rest.substr(dash + 1)))
            return std::stol(std::string(rest.substr(0, dash)));
    }
    const auto tmp = name.rfind(".tmp");
    if (name.starts_with('.') && tmp != std::string_view::npos && tmp > 1) {
        const std::string_view rest = name.substr(tmp + 4);
        const auto underscore = rest.find('_');
        if (underscore != std::string_view::npos && AllDigits(rest.substr(0, underscore)) &&
            AllDigits(rest.substr(underscore + 1)))
            return std::stol(std::string(rest.substr(0, underscore)));
    }
    return std::nullopt;
}

bool ProcessIsGone(long pid) noexcept
{
    if (pid <= 0 || pid == static_cast<long>(::getpid()))
        return false;
    // A process we may not signal still exists; only "no such process" says it is gone.
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

/// 0, or the errno of the failure.
int WriteAt(int fd, std::string_view text) noexcept
{
    for (off_t offset = 0; !text.empty();) {
        const ssize_t n = ::pwrite(fd, text.data(), text.size(), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return 0;
}

bool ReadWhole(int fd, std::string& text)
{
    text.clear();
    char buffer[65536];
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
}

/// 0, or the errno of the failure; a failure puts the old content back as far as it can.
int OverwriteInPlace(int fd, std::string_view text)
{
    std::string old;
    const bool haveOld = ReadWhole(fd, old);
    int error = WriteAt(fd, text);
    if (error == 0 && ::ftruncate(fd, static_cast<off_t>(text.size())) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (error != 0 && haveOld && WriteAt(fd, old) == 0) {
        [[maybe_unused]] const int truncated = ::ftruncate(fd, static_cast<off_t>(old.size()));
        (void)::fsync(fd);
    }
    return error;
}

TSaveResult SaveInPlace(const std::string& target, std::string_view text,
                        const TSaveRequest& request)
{
    int fd = request.HeldFd;
    if (fd < 0) {
        fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == EACCES)
            fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC); // nothing to put back then
        if (fd < 0)
            return {.Error = errno};
    }
    const int error = OverwriteInPlace(fd, text);
    const bool owned = fd != request.HeldFd;
    if (error != 0 || !request.KeepOpen) {
        if (owned && ::close(fd) != 0 && error == 0)
            return {.Error = errno};
        return {.Error = error, .InPlace = true};
    }
    return {.Fd = fd, .InPlace = true};
}

/// Failures that say the folder takes no new file, while the file itself may still be written.
bool FolderRefusesNewFile(int error) noexcept
{
    return error == EACCES || error == EPERM || error == ENOSPC || error == EDQUOT;
}

int CreateTemporaryFile(const std::string& target, std::string& name)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryFileName(target, static_cast<long>(::getpid()), counter++);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

void SyncFolder(const std::string& folder) noexcept
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

/// Writes the new file beside target and renames it over target.
TSaveResult SaveByRename(const std::string& target, std::string_view text,
                         const TSaveRequest& request, const struct stat* old, int tempFd,
                         const std::string& tempName)
{
    const auto fail = [&](int error) {
        ::close(tempFd);
        ::unlink(tempName.c_str());
        return TSaveResult{.Error = error};
    };
    if (old != nullptr) {
        // A file we may not give back to its owner simply becomes ours.
        [[maybe_unused]] const int chowned = ::fchown(tempFd, old->st_uid, old->st_gid);
        (void)::fchmod(tempFd, old->st_mode & 07777);
    }
    if (request.Lock && ::flock(tempFd, LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK &&
        errno != EOPNOTSUPP)
        return fail(errno);
    if (const int error = WriteAt(tempFd, text); error != 0)
        return fail(error);
    if (::fsync(tempFd) != 0)
        return fail(errno);
    if (!request.KeepOpen) {
        const int closed = ::close(tempFd);
        tempFd = -1;
        if (closed != 0) {
            const int error = errno;
            ::unlink(tempName.c_str());
            return {.Error = error};
        }
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        const int error = errno;
        if (tempFd >= 0)
            ::close(tempFd);
        ::unlink(tempName.c_str());
        return {.Error = error};
    }
    SyncFolder(ParentFolder(target));
    return {.Fd = tempFd};
}

} // namespace

std::string_view SkipByteOrderMark(std::string_view text) noexcept
{
    // All of them: a file saved again after losing one would otherwise start with the next and
    // lose that at the next reading, so reading and writing would never settle.
    while (text.starts_with(kUtf8ByteOrderMark))
        text.remove_prefix(kUtf8ByteOrderMark.size());
    return text;
}

std::string TemporaryFileName(const std::string& target, long pid, unsigned count)
{
    const auto slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    base.resize(std::min<std::size_t>(base.size(), 200)); // room for the rest within NAME_MAX
    return folder + "." + base + ".~" + std::to_string(pid) + "-" + std::to_string(count);
}

int RemoveStaleTemporaryFiles(const std::string& folder, std::time_t minAge)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<long> pid = TemporaryFilePid(entry->d_name);
        if (!pid)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || now - st.st_mtime < minAge || !ProcessIsGone(*pid))
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

TSaveResult SaveFileContent(const std::string& fileName, std::string_view text,
                            const TSaveRequest& request)
{
    if (fileName.empty())
        return {.Error = ENOENT};
    const std::string target = FollowLinks(fileName);
    (void)RemoveStaleTemporaryFiles(ParentFolder(target), kStaleTemporaryAge);
    struct stat old {};
    const bool exists = request.HeldFd >= 0 ? ::fstat(request.HeldFd, &old) == 0
                                            : ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return {.Error = EISDIR};
    const bool regular = exists && S_ISREG(old.st_mode);
    // A rename would leave the other links with the old text.
    if (regular && old.st_nlink > 1)
        return SaveInPlace(target, text, request);
    std::string tempName;
    const int tempFd = CreateTemporaryFile(target, tempName);
    if (tempFd < 0) {
        const int error = errno;
        if (regular && FolderRefusesNewFile(error))
            return SaveInPlace(target, text, request);
        return {.Error = error};
    }
    return SaveByRename(target, text, request, regular ? &old : nullptr, tempFd, tempName);
}

} // namespace calc
