#pragma once

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace calc::test {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zembrical-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TTempFolder()
    {
        std::error_code error;
        // Folders made read-only by a test must become writable again to be emptied.
        for (auto it = std::filesystem::recursive_directory_iterator(FPath, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
            if (it->is_directory(error) && !it->is_symlink(error))
                ::chmod(it->path().c_str(), 0700);
        ::chmod(FPath.c_str(), 0700);
        std::filesystem::remove_all(FPath, error);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    [[nodiscard]] const std::string& Path() const noexcept { return FPath; }
    [[nodiscard]] std::string operator/(std::string_view relative) const
    {
        return FPath + "/" + std::string(relative);
    }
    [[nodiscard]] std::string File(std::string_view relative) const { return *this / relative; }

    /// Writes the bytes exactly, creating missing folders.
    std::string Write(std::string_view relative, std::string_view bytes) const
    {
        const std::string path = *this / relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw std::runtime_error("cannot write " + path);
        return path;
    }

    std::string MakeDir(std::string_view relative) const
    {
        const std::string path = *this / relative;
        std::filesystem::create_directories(path);
        return path;
    }

    /// Every entry of the folder itself (not recursive), for spotting stray files.
    [[nodiscard]] int EntryCount(std::string_view relative = {}) const
    {
        const std::string path = relative.empty() ? FPath : *this / relative;
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(path),
                                              std::filesystem::directory_iterator()));
    }

private:
    std::string FPath;
};

/// The bytes of a file; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// The text of a file; empty when it cannot be read.
inline std::string ReadAll(const std::string& path)
{
    return ReadBytes(path);
}

inline void WriteAll(const std::string& path, std::string_view text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

/// True when permission bits do not stop this process. Tried, not read from the user id: root
/// without its capabilities is bound by them like any other owner.
///
/// A test that needs permission bits starts with
///     if (test::PermissionsIgnored())
///         GTEST_SKIP() << "running as root: ...";
/// and lives in a GoogleTest program. As root, ./test runs every test CTest reports as skipped
/// once more with all capabilities dropped, so such a test runs there without being listed.
inline bool PermissionsIgnored()
{
    static const bool ignored = [] {
        const TTempFolder folder;
        const std::string file = folder.Write("unreadable", "x");
        const std::string locked = folder.MakeDir("locked");
        if (::chmod(file.c_str(), 0) != 0 || ::chmod(locked.c_str(), 0500) != 0)
            throw std::runtime_error("chmod failed in " + folder.Path());
        for (const auto& [path, flags] :
             {std::pair{file, O_RDONLY}, std::pair{locked + "/new", O_WRONLY | O_CREAT}}) {
            const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
            if (fd >= 0) {
                ::close(fd);
                return true;
            }
        }
        return false;
    }();
    return ignored;
}

inline bool PermissionsApply()
{
    return !PermissionsIgnored();
}

/// Limits the size of files this process may write, as a full disk would, while it lives.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &FSaved);
        FSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FSaved;
        limit.rlim_cur = bytes;
        FActive = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FSavedHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    [[nodiscard]] bool Active() const noexcept { return FActive; }

private:
    rlimit FSaved{};
    void (*FSavedHandler)(int) = nullptr;
    bool FActive = false;
};

} // namespace calc::test
