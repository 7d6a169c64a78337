#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace calc::test {

/// A fresh folder removed with everything in it at the end of the test.
class TTempFolder {
public:
    TTempFolder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zembrical-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder()
    {
        namespace fs = std::filesystem;
        std::error_code error;
        // Tests make folders read-only; give the permissions back so removal works.
        for (auto it = fs::recursive_directory_iterator(FPath, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error))
            if (it->is_directory(error))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(FPath, error);
    }

    [[nodiscard]] const std::filesystem::path& Path() const noexcept { return FPath; }
    [[nodiscard]] std::string File(const std::string& name) const
    {
        return (FPath / name).string();
    }

private:
    std::filesystem::path FPath;
};

inline std::string ReadAll(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& fileName, const std::string& text)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out << text;
}

/// Whether permission bits stop this process (they do not for the superuser).
inline bool PermissionsApply()
{
    return ::geteuid() != 0;
}

} // namespace calc::test
