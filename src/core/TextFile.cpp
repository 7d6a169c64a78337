#include "core/TextFile.h"

#include "definitions/FileStore.h"
#include "engine/ExprParserTypes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calc {

namespace {

std::string ErrorMessage(const char* what, const std::string& fileName, const char* reason)
{
    return Format("%s \"%s\". %s", what, fileName.c_str(), reason);
}

std::string ErrorMessage(const char* what, const std::string& fileName, int error)
{
    return ErrorMessage(what, fileName, std::strerror(error));
}

std::string SizeText(std::size_t bytes)
{
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    return bytes % kMiB == 0 ? Format("%zu MB", bytes / kMiB) : Format("%zu bytes", bytes);
}

/// Closes a descriptor on scope exit.
class TFdCloser {
public:
    explicit TFdCloser(int fd) noexcept : FFd(fd) {}
    ~TFdCloser() { ::close(FFd); }
    TFdCloser(const TFdCloser&) = delete;
    TFdCloser& operator=(const TFdCloser&) = delete;

private:
    int FFd;
};

} // namespace

bool ReadTextFile(const std::string& fileName, std::string& text, std::size_t maxSize)
{
    text.clear();
    // O_NONBLOCK keeps a pipe without a writer from blocking the open; reads block again below.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A path below a plain file cannot exist either.
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        throw EException(ErrorMessage("Cannot open file", fileName, errno));
    }
    const TFdCloser closer(fd);
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0)
        (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw EException(ErrorMessage("Cannot read file", fileName, errno));
    if (S_ISDIR(st.st_mode))
        throw EException(ErrorMessage("Cannot read file", fileName, EISDIR));
    const std::string tooLarge = "The file is larger than " + SizeText(maxSize);
    if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > maxSize)
        throw EException(ErrorMessage("Cannot read file", fileName, tooLarge.c_str()));
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        // One byte beyond the limit is enough to know the file is too large.
        const std::size_t wanted = std::min(sizeof buffer, maxSize - text.size() + 1);
        const ssize_t n = ::read(fd, buffer, wanted);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            text.clear();
            throw EException(ErrorMessage("Cannot read file", fileName, error));
        }
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > maxSize) {
            text.clear();
            throw EException(ErrorMessage("Cannot read file", fileName, tooLarge.c_str()));
        }
    }
    return true;
}

void WriteTextFileAtomic(const std::string& fileName, std::string_view text)
{
    if (fileName.empty())
        throw EException("Cannot create file \"\". The file name is empty");
    const TSaveResult saved = SaveFileContent(fileName, text);
    if (saved.Error != 0)
        throw EException(ErrorMessage("Cannot write file", fileName, saved.Error));
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
