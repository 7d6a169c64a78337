#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace calc {

class TParserDefinitions;

inline constexpr char kPathDelim = '/';

/// The definitions folder, without a trailing separator: DefinitionsDirFor the program's own
/// folder unless SetDefinitionsDir put it elsewhere.
[[nodiscard]] std::string DefinitionsDir();
/// Puts the definitions folder elsewhere (tests, the console calculator's --definitions);
/// an empty path goes back to the usual folder.
void SetDefinitionsDir(std::string path);

/// The definitions folder of a program in programFolder: its "Definitions" folder when that
/// exists (a portable copy, and the build tree), else the per-user folder
/// $XDG_DATA_HOME/Zembrical Calculator/Definitions (~/.local/share/... when that is unset or
/// not absolute). Without a known home folder, the folder beside the program.
[[nodiscard]] std::string DefinitionsDirFor(const std::string& programFolder);
/// Where an installed program in <prefix>/bin finds the definition files it ships:
/// <prefix>/share/zembrical/Definitions.
[[nodiscard]] std::string ShippedDefinitionsDirFor(const std::string& programFolder);
/// Creates folder as a copy of the shipped folder when folder does not exist yet, so a new
/// user starts with the shipped definitions; an existing folder is never touched. The copies
/// are writable by their owner. False when nothing was created (folder already there, nothing
/// shipped, or the copy failed; a failed copy leaves nothing behind).
bool SeedDefinitionsDir(const std::string& folder, const std::string& shipped);

/// True when the file lies inside the definitions folder or one of its sub-folders. The paths
/// are compared after resolving "..", "." and symbolic links, with a separator required after
/// the folder, so a sibling "Definitions2" is outside.
[[nodiscard]] bool IsInDefinitionsDir(std::string_view fileName);
/// Fails with "Selected file is not in "Definitions" dir" for a file outside the folder.
void CheckInDefinitionsDir(std::string_view fileName);

/// Attribute bits of a directory entry, keeping the numbers the attribute sets were written
/// with. On Linux: faReadOnly = this process may not write it; faHidden = the name starts with
/// "."; faDirectory = a folder, also one reached through a link; faSymLink (the reparse-point
/// bit) = a symbolic link; faSpecial (bit 32768) = a FIFO, socket, device or dangling link,
/// outside every default set so it is never yielded. The other bits are never set.
using TFileAttributes = std::uint32_t;
inline constexpr TFileAttributes faReadOnly = 1;
inline constexpr TFileAttributes faHidden = 2;
inline constexpr TFileAttributes faSysFile = 4;
inline constexpr TFileAttributes faVolumeId = 8;
inline constexpr TFileAttributes faDirectory = 16;
inline constexpr TFileAttributes faArchive = 32;
inline constexpr TFileAttributes faSymLink = 1024;
inline constexpr TFileAttributes faSpecial = 32768;

/// Every bit from 1 to 65536 except the volume label and faSpecial.
inline constexpr TFileAttributes kDefaultFileAttributes = 98295;
/// The start-up walk: the default set without folders, so folders are walked, never yielded.
inline constexpr TFileAttributes kDefinitionFileAttributes = kDefaultFileAttributes & ~faDirectory;

/// "*" any run of characters, "?" one character; letters A to Z match either case. An empty
/// mask and "*.*" match every name, with or without a dot.
[[nodiscard]] bool MatchesMask(std::string_view name, std::string_view mask) noexcept;

/// What the directory listing tells about one entry.
struct TFileEntry {
    std::string Name;
    TFileAttributes Attributes = 0;
    std::int64_t Size = 0;
    std::int64_t ModifiedTime = 0; ///< seconds since 1970
    std::uint64_t Device = 0;      ///< with Inode, the identity of the entry (link target)
    std::uint64_t Inode = 0;
};

class TFSEnumProvider;
class TCustomFSEnumerator;

/// One entry found by a walk, with the provider of the folder it was found in.
class TFileInfo {
public:
    TFileInfo(std::shared_ptr<const TFSEnumProvider> provider, TFileEntry entry)
        : FProvider(std::move(provider)), FEntry(std::move(entry))
    {
    }

    [[nodiscard]] const TFSEnumProvider& Provider() const noexcept { return *FProvider; }
    [[nodiscard]] const TFileEntry& Entry() const noexcept { return FEntry; }
    [[nodiscard]] const std::string& FileName() const noexcept { return FEntry.Name; }
    [[nodiscard]] std::string FullName() const;
    /// The name without its last extension: a.b.udf gives a.b.
    [[nodiscard]] std::string BaseName() const;
    /// The folder relative to where the walk started: "" there, "Units/" in a sub-folder.
    [[nodiscard]] std::string RelativeDir() const;
    [[nodiscard]] TFileAttributes Attributes() const noexcept { return FEntry.Attributes; }
    [[nodiscard]] bool IsDirectory() const noexcept
    {
        return (FEntry.Attributes & faDirectory) != 0;
    }

private:
    std::shared_ptr<const TFSEnumProvider> FProvider;
    TFileEntry FEntry;
};

/// Input iterator over an enumerator, so that `for (const TFileInfo& f : *provider)` works.
class TFSIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = TFileInfo;
    using difference_type = std::ptrdiff_t;

    TFSIterator() = default;
    explicit TFSIterator(std::shared_ptr<TCustomFSEnumerator> enumerator);
    [[nodiscard]] const TFileInfo& operator*() const;
    TFSIterator& operator++();
    void operator++(int) { ++*this; }
    [[nodiscard]] bool operator==(std::default_sentinel_t) const noexcept { return FDone; }

private:
    std::shared_ptr<TCustomFSEnumerator> FEnum;
    bool FDone = true;
};

/// One folder of a walk and what to take from it; shared by its enumerators and the entries.
class TFSEnumProvider : public std::enable_shared_from_this<TFSEnumProvider> {
public:
    /// The directory gets a trailing separator when it has none.
    static std::shared_ptr<TFSEnumProvider>
    Create(std::string directory, std::string mask = "*.*",
           TFileAttributes attributes = kDefaultFileAttributes, bool recursive = false,
           std::shared_ptr<const TFSEnumProvider> parent = nullptr);

    [[nodiscard]] const std::shared_ptr<const TFSEnumProvider>& Parent() const noexcept
    {
        return FParent;
    }
    [[nodiscard]] TFileAttributes Attributes() const noexcept { return FAttributes; }
    [[nodiscard]] const std::string& Mask() const noexcept { return FMask; }
    [[nodiscard]] const std::string& Directory() const noexcept { return FDirectory; }
    [[nodiscard]] bool Recursive() const noexcept { return FRecursive; }
    [[nodiscard]] const TFSEnumProvider& Root() const noexcept;

    /// Every attribute bit of the entry is in Attributes and its name matches Mask.
    [[nodiscard]] bool Accepts(const TFileEntry& entry) const noexcept;

    /// A recursive walk when Recursive, else the listing of this one folder.
    [[nodiscard]] std::unique_ptr<TCustomFSEnumerator> GetEnumerator() const;
    /// Range-for needs the provider held in a variable: `for (auto& f : *EnumerateFiles(...))`
    /// would outlive the temporary pointer that owns it.
    [[nodiscard]] TFSIterator begin() const;
    [[nodiscard]] std::default_sentinel_t end() const noexcept { return {}; }

private:
    TFSEnumProvider(std::string directory, std::string mask, TFileAttributes attributes,
                    bool recursive, std::shared_ptr<const TFSEnumProvider> parent);

    std::shared_ptr<const TFSEnumProvider> FParent;
    TFileAttributes FAttributes;
    std::string FMask;
    std::string FDirectory;
    bool FRecursive;
};

class TCustomFSEnumerator {
public:
    explicit TCustomFSEnumerator(std::shared_ptr<const TFSEnumProvider> provider)
        : FProvider(std::move(provider))
    {
    }
    virtual ~TCustomFSEnumerator() = default;
    TCustomFSEnumerator(const TCustomFSEnumerator&) = delete;
    TCustomFSEnumerator& operator=(const TCustomFSEnumerator&) = delete;

    virtual bool MoveNext() = 0;
    /// The entry reached by the last successful MoveNext.
    [[nodiscard]] const TFileInfo& Current() const { return FCurrent.value(); }
    [[nodiscard]] const TFSEnumProvider& Provider() const noexcept { return *FProvider; }

protected:
    std::shared_ptr<const TFSEnumProvider> FProvider;
    std::optional<TFileInfo> FCurrent;
};

/// The entries of one folder whose names match the mask, without an attribute test. Entries
/// come sorted by name (byte order), so a walk gives the same order on every run.
class TFileEnumerator final : public TCustomFSEnumerator {
public:
    explicit TFileEnumerator(std::shared_ptr<const TFSEnumProvider> provider);
    bool MoveNext() override;

private:
    std::vector<std::string> FNames;
    std::size_t FIndex = 0;
};

/// Depth-first walk: a folder's contents come right after the folder's own entry. A folder
/// already met (by device and inode) is not entered again, so link loops end.
class TDirectoryEnumerator final : public TCustomFSEnumerator {
public:
    explicit TDirectoryEnumerator(std::shared_ptr<const TFSEnumProvider> provider);
    bool MoveNext() override;

private:
    struct TFrame {
        std::shared_ptr<const TFSEnumProvider> Provider;
        std::vector<std::string> Names;
        std::size_t Index = 0;
    };
    void Enter(std::shared_ptr<const TFSEnumProvider> provider);

    std::vector<TFrame> FStack;
    std::optional<TFileInfo> FPendingFolder;
    std::set<std::pair<std::uint64_t, std::uint64_t>> FVisited;
};

/// A recursive walk of folder with the given mask and attribute set.
[[nodiscard]] std::shared_ptr<TFSEnumProvider> EnumerateFiles(std::string folder, std::string mask,
                                                              TFileAttributes attributes);

/// The group name of a definitions file: its path below the walk's folder without the
/// extension, each folder followed by " > " (Units/Old/Imperial.udf gives Units > Old >
/// Imperial).
[[nodiscard]] std::string DefinitionGroupName(const TFileInfo& file);

/// Rebuilds the groups of the registry from every "*.udf" file under DefinitionsDir(), in walk
/// order. A file that cannot be opened and a line that does not load are skipped silently.
/// The usual folder is first seeded with the shipped definitions when it does not exist yet.
void LoadDefinitionGroups(TParserDefinitions& definitions);

} // namespace calc
