#include "definitions/FileEnum.h"

#include "definitions/CalcDefsFile.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserTypes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace calc {

namespace {

constexpr const char* sNotInDefinitionsDir = "Selected file is not in \"%s\" dir";
constexpr std::string_view kDefinitionsFolderName = "Definitions";
/// The per-user data folder's name; the settings folder has the same one.
constexpr std::string_view kUserDataFolderName = "Zembrical Calculator";
/// The shipped definitions below the installation prefix.
constexpr std::string_view kShippedDefinitionsPath = "share/zembrical/Definitions";

std::string& DefinitionsDirOverride()
{
    static std::string path;
    return path;
}

std::string ProgramFolder()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    const std::string exe(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = exe.rfind(kPathDelim);
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

/// $XDG_DATA_HOME, or ~/.local/share when that is unset or relative (invalid by the XDG
/// rules); empty when no home folder is known.
std::string UserDataFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return data;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/share";
    if (const passwd* pw = ::getpwuid(::getuid());
        pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/')
        return std::string(pw->pw_dir) + "/.local/share";
    return {};
}

/// Lets the owner change every copied file, also when the shipped ones are read-only.
bool MakeOwnerWritable(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_symlink(error))
            continue;
        fs::permissions(it->path(), fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add, error);
        if (error)
            return false;
    }
    return !error;
}

/// The path with "." and ".." resolved and every symbolic link of its existing part followed.
std::filesystem::path ResolvedPath(std::string_view path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error)
        absolute = std::filesystem::path(path);
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    if (error)
        resolved = absolute.lexically_normal();
    return resolved;
}

constexpr char AsciiUpper(char c) noexcept
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// Names of one folder matching mask, "." and ".." left out, sorted by bytes.
std::vector<std::string> ListFolder(const std::string& directory, std::string_view mask)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (MatchesMask(name, mask))
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

/// Reads an entry's attributes; false when it vanished since the listing.
bool ReadEntry(const std::string& directory, const std::string& name, TFileEntry& entry)
{
    const std::string path = directory + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    entry = TFileEntry{.Name = name};
    if (S_ISLNK(info.st_mode)) {
        entry.Attributes |= faSymLink;
        if (::stat(path.c_str(), &info) != 0) {
            entry.Attributes |= faSpecial;
            return true;
        }
    }
    if (S_ISDIR(info.st_mode))
        entry.Attributes |= faDirectory;
    else if (!S_ISREG(info.st_mode))
        entry.Attributes |= faSpecial;
    if (name.front() == '.')
        entry.Attributes |= faHidden;
    if (::access(path.c_str(), W_OK) != 0)
        entry.Attributes |= faReadOnly;
    entry.Size = static_cast<std::int64_t>(info.st_size);
    entry.ModifiedTime = static_cast<std::int64_t>(info.st_mtime);
    entry.Device = static_cast<std::uint64_t>(info.st_dev);
    entry.Inode = static_cast<std::uint64_t>(info.st_ino);
    return true;
}

} // namespace

std::string DefinitionsDir()
{
    const std::string& path = DefinitionsDirOverride();
    if (!path.empty())
        return path;
    return DefinitionsDirFor(ProgramFolder());
}

std::string DefinitionsDirFor(const std::string& programFolder)
{
    const std::string beside = programFolder + kPathDelim + std::string(kDefinitionsFolderName);
    std::error_code error;
    if (std::filesystem::is_directory(beside, error))
        return beside;
    const std::string data = UserDataFolder();
    if (data.empty())
        return beside;
    return data + kPathDelim + std::string(kUserDataFolderName) + kPathDelim +
           std::string(kDefinitionsFolderName);
}

std::string ShippedDefinitionsDirFor(const std::string& programFolder)
{
    const std::filesystem::path prefix = std::filesystem::path(programFolder).parent_path();
    return (prefix / kShippedDefinitionsPath).lexically_normal().string();
}

bool SeedDefinitionsDir(const std::string& folder, const std::string& shipped)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::symlink_status(folder, error).type() != fs::file_type::not_found ||
        !fs::is_directory(shipped, error))
        return false;
    const fs::path target = fs::path(folder).lexically_normal();
    fs::create_directories(target.parent_path(), error);
    if (error)
        return false;
    // Filled beside the target and renamed into place: another instance starting at the same
    // time never sees half a folder, and a folder the user made meanwhile is never replaced.
    std::string staging = target.string() + ".new-XXXXXX";
    if (::mkdtemp(staging.data()) == nullptr)
        return false;
    fs::copy(shipped, staging, fs::copy_options::recursive, error);
    bool done = !error && MakeOwnerWritable(staging);
    if (done && fs::exists(fs::symlink_status(target, error)))
        done = false;
    if (done) {
        fs::rename(staging, target, error);
        done = !error;
    }
    if (!done)
        fs::remove_all(staging, error);
    return done;
}

void SetDefinitionsDir(std::string path)
{
    while (path.size() > 1 && path.back() == kPathDelim)
        path.pop_back();
    DefinitionsDirOverride() = std::move(path);
}

bool IsInDefinitionsDir(std::string_view fileName)
{
    const std::string folder = ResolvedPath(DefinitionsDir()).string();
    const std::string file = ResolvedPath(fileName).string();
    const std::string prefix = folder.ends_with(kPathDelim) ? folder : folder + kPathDelim;
    return file.size() > prefix.size() && file.starts_with(prefix);
}

void CheckInDefinitionsDir(std::string_view fileName)
{
    if (IsInDefinitionsDir(fileName))
        return;
    const std::string folder = DefinitionsDir();
    const std::size_t slash = folder.rfind(kPathDelim);
    const std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
    throw EException(Format(sNotInDefinitionsDir, name.c_str()));
}

bool MatchesMask(std::string_view name, std::string_view mask) noexcept
{
    if (mask.empty() || mask == "*.*")
        return true;
    // Greedy match that backtracks only to the last "*": linear in practice, never exponential.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        }
        else if (m < mask.size() &&
                 (mask[m] == '?' || AsciiUpper(mask[m]) == AsciiUpper(name[n]))) {
            ++m;
            ++n;
        }
        else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        }
        else
            return false;
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::string TFileInfo::FullName() const
{
    return FProvider->Directory() + FEntry.Name;
}

std::string TFileInfo::BaseName() const
{
    const std::size_t dot = FEntry.Name.rfind('.');
    return dot == std::string::npos ? FEntry.Name : FEntry.Name.substr(0, dot);
}

std::string TFileInfo::RelativeDir() const
{
    const std::string& directory = FProvider->Directory();
    const std::string& root = FProvider->Root().Directory();
    return directory.starts_with(root) ? directory.substr(root.size()) : directory;
}

TFSIterator::TFSIterator(std::shared_ptr<TCustomFSEnumerator> enumerator)
    : FEnum(std::move(enumerator)), FDone(!FEnum->MoveNext())
{
}

const TFileInfo& TFSIterator::operator*() const
{
    return FEnum->Current();
}

TFSIterator& TFSIterator::operator++()
{
    FDone = !FEnum->MoveNext();
    return *this;
}

TFSEnumProvider::TFSEnumProvider(std::string directory, std::string mask,
                                 TFileAttributes attributes, bool recursive,
                                 std::shared_ptr<const TFSEnumProvider> parent)
    : FParent(std::move(parent)), FAttributes(attributes),
      FMask(mask.empty() ? "*.*" : std::move(mask)), FDirectory(std::move(directory)),
      FRecursive(recursive)
{
    if (FDirectory.empty())
        FDirectory = ".";
    if (FDirectory.back() != kPathDelim)
        FDirectory += kPathDelim;
}

std::shared_ptr<TFSEnumProvider>
TFSEnumProvider::Create(std::string directory, std::string mask, TFileAttributes attributes,
                        bool recursive, std::shared_ptr<const TFSEnumProvider> parent)
{
    return std::shared_ptr<TFSEnumProvider>(new TFSEnumProvider(
        std::move(directory), std::move(mask), attributes, recursive, std::move(parent)));
}

const TFSEnumProvider& TFSEnumProvider::Root() const noexcept
{
    const TFSEnumProvider* provider = this;
    while (provider->FParent)
        provider = provider->FParent.get();
    return *provider;
}

bool TFSEnumProvider::Accepts(const TFileEntry& entry) const noexcept
{
    return (entry.Attributes & ~FAttributes) == 0 && MatchesMask(entry.Name, FMask);
}

std::unique_ptr<TCustomFSEnumerator> TFSEnumProvider::GetEnumerator() const
{
    if (FRecursive)
        return std::make_unique<TDirectoryEnumerator>(shared_from_this());
    return std::make_unique<TFileEnumerator>(shared_from_this());
}

TFSIterator TFSEnumProvider::begin() const
{
    return TFSIterator(GetEnumerator());
}

TFileEnumerator::TFileEnumerator(std::shared_ptr<const TFSEnumProvider> provider)
    : TCustomFSEnumerator(std::move(provider)),
      FNames(ListFolder(FProvider->Directory(), FProvider->Mask()))
{
}

bool TFileEnumerator::MoveNext()
{
    TFileEntry entry;
    while (FIndex < FNames.size()) {
        if (ReadEntry(FProvider->Directory(), FNames[FIndex++], entry)) {
            FCurrent.emplace(FProvider, std::move(entry));
            return true;
        }
    }
    FCurrent.reset();
    return false;
}

TDirectoryEnumerator::TDirectoryEnumerator(std::shared_ptr<const TFSEnumProvider> provider)
    : TCustomFSEnumerator(std::move(provider))
{
    struct stat info {};
    if (::stat(FProvider->Directory().c_str(), &info) == 0)
        FVisited.emplace(info.st_dev, info.st_ino);
    Enter(FProvider);
}

void TDirectoryEnumerator::Enter(std::shared_ptr<const TFSEnumProvider> provider)
{
    std::vector<std::string> names = ListFolder(provider->Directory(), "*");
    FStack.push_back(TFrame{std::move(provider), std::move(names)});
}

bool TDirectoryEnumerator::MoveNext()
{
    for (;;) {
        // The folder yielded last (or passed over) is walked before its next sibling.
        if (FPendingFolder) {
            const TFileInfo folder = *std::exchange(FPendingFolder, std::nullopt);
            const TFSEnumProvider& parent = folder.Provider();
            Enter(TFSEnumProvider::Create(parent.Directory() + folder.FileName(), parent.Mask(),
                                          parent.Attributes(), parent.Recursive(),
                                          parent.shared_from_this()));
        }
        if (FStack.empty()) {
            FCurrent.reset();
            return false;
        }
        TFrame& frame = FStack.back();
        if (frame.Index >= frame.Names.size()) {
            FStack.pop_back();
            continue;
        }
        TFileEntry entry;
        if (!ReadEntry(frame.Provider->Directory(), frame.Names[frame.Index++], entry))
            continue;
        TFileInfo info(frame.Provider, std::move(entry));
        if (info.IsDirectory() && FProvider->Recursive() &&
            FVisited.emplace(info.Entry().Device, info.Entry().Inode).second)
            FPendingFolder = info;
        if (frame.Provider->Accepts(info.Entry())) {
            FCurrent = std::move(info);
            return true;
        }
    }
}

std::shared_ptr<TFSEnumProvider> EnumerateFiles(std::string folder, std::string mask,
                                                TFileAttributes attributes)
{
    return TFSEnumProvider::Create(std::move(folder), std::move(mask), attributes, true);
}

std::string DefinitionGroupName(const TFileInfo& file)
{
    const std::string path = file.RelativeDir() + file.BaseName();
    std::string name;
    for (const char c : path) {
        if (c == kPathDelim)
            name += " > ";
        else
            name += c;
    }
    return name;
}

namespace {

/// The definition texts of a file, read without write access and without a lock: another
/// instance editing the file, or a folder the user may not write to, must not hide the user's
/// definitions. Saves replace files whole, so a read never sees half a file.
bool ReadDefinitionTexts(const std::string& path, std::vector<std::string>& texts)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return false;
    std::string_view text = content;
    if (text.substr(0, kDefinitionsBanner.size()) == kDefinitionsBanner)
        text.remove_prefix(kDefinitionsBanner.size());
    for (const std::string& line : SplitDefinitionLines(text)) {
        if (!IsDefinitionLine(line))
            continue;
        const std::string_view view = line;
        texts.emplace_back(Trim(view.substr(0, view.find(';'))));
    }
    return true;
}

} // namespace

void LoadDefinitionGroups(TParserDefinitions& definitions)
{
    definitions.ClearGroups();
    if (DefinitionsDirOverride().empty()) {
        const std::string program = ProgramFolder();
        SeedDefinitionsDir(DefinitionsDirFor(program), ShippedDefinitionsDirFor(program));
    }
    const auto provider = EnumerateFiles(DefinitionsDir(), "*.udf", kDefinitionFileAttributes);
    for (const TFileInfo& info : *provider) {
        std::vector<std::string> texts;
        if (!ReadDefinitionTexts(info.FullName(), texts))
            continue; // unreadable or gone since the listing: the other files still load
        TDefinitionsGroup& group = definitions.AddGroup(DefinitionGroupName(info));
        group.SetFileName(info.FullName());
        for (const std::string& text : texts) {
            try {
                group.AddDefinitionText(text);
            }
            catch (const std::exception&) {
                // A line that does not load is left out at start-up; the view reports it.
            }
        }
    }
}

} // namespace calc
