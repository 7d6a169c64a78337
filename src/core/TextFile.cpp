#include "core/TextFile.h"

#include "engine/ExprParserTypes.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calc {

namespace {

std::string ErrorMessage(const char* what, const std::string& fileName, int error)
{
    return Format("%s \"%s\". %s", what, fileName.c_str(), std::strerror(error));
}

/// Closes the descriptor and removes the temporary file unless the save went through.
class TTempFile {
public:
    TTempFile(int fd, std::string name) : FFd(fd), FName(std::move(name)) {}
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    ~TTempFile()
    {
        if (FFd >= 0)
            ::close(FFd);
        if (!FKept)
            ::unlink(FName.c_str());
    }
    [[nodiscard]] int Fd() const noexcept { return FFd; }
    [[nodiscard]] const std::string& Name() const noexcept { return FName; }
    /// Closes the descriptor; false with errno set when the close reported a failure.
    bool Close() noexcept
    {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0;
    }
    void Keep() noexcept { FKept = true; }

private:
    int FFd;
    std::string FName;
    bool FKept = false;
};

/// The file a save really replaces: a symbolic link is followed so that it stays a link.
std::string ResolveTarget(const std::string& fileName)
{
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return fileName;
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved) == nullptr)
        return fileName;
    return resolved;
}

std::string ParentFolder(const std::string& fileName)
{
    const auto slash = fileName.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return fileName.substr(0, slash);
}

TTempFile CreateTempBeside(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + Format(".~%ld-%u", static_cast<long>(::getpid()), counter++);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return TTempFile(fd, std::move(name));
        if (errno != EEXIST)
            throw EException(ErrorMessage("Cannot create file", target, errno));
    }
    throw EException(ErrorMessage("Cannot create file", target, EEXIST));
}

void WriteAll(int fd, std::string_view text, const std::string& target)
{
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EException(ErrorMessage("Cannot write file", target, errno));
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace

bool ReadTextFile(const std::string& fileName, std::string& text)
{
    text.clear();
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // A path below a plain file cannot exist either.
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        throw EException(ErrorMessage("Cannot open file", fileName, errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            text.clear();
            throw EException(ErrorMessage("Cannot read file", fileName, error));
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

void WriteTextFileAtomic(const std::string& fileName, std::string_view text)
{
    if (fileName.empty())
        throw EException("Cannot create file \"\". The file name is empty");
    const std::string target = ResolveTarget(fileName);
    TTempFile temp = CreateTempBeside(target);
    // A replaced file keeps its permissions; a new one gets the usual ones under the umask.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(temp.Fd(), st.st_mode & 07777);
    WriteAll(temp.Fd(), text, fileName);
    if (::fsync(temp.Fd()) != 0)
        throw EException(ErrorMessage("Cannot write file", fileName, errno));
    if (!temp.Close())
        throw EException(ErrorMessage("Cannot write file", fileName, errno));
    if (::rename(temp.Name().c_str(), target.c_str()) != 0)
        throw EException(ErrorMessage("Cannot create file", fileName, errno));
    temp.Keep();
    // Makes the rename itself durable; the data is already safe, so a failure here is ignored.
    const int dir = ::open(ParentFolder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

} // namespace calc
