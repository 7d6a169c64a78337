#pragma once

#include "definitions/ExprParserDefinitions.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

/// Files written by the program start with these four comment lines, 244 bytes in all.
inline constexpr std::string_view kDefinitionsBanner =
    "; ---------------------------------------------------------\r\n"
    "; This is Zembrical Calculator automatically generated file\r\n"
    "; Do not edit it outside Zembrical Calculator!             \r\n"
    "; ---------------------------------------------------------\r\n";
static_assert(kDefinitionsBanner.size() == 244);

/// Stores a comment that may span several lines on one line: CR becomes \$D, LF becomes \$A.
[[nodiscard]] std::string EscapeComment(std::string_view text);
/// Undoes EscapeComment; a comment that itself held \$D or \$A does not come back unchanged.
[[nodiscard]] std::string UnescapeComment(std::string_view text);

/// Refuses a name, argument list or body that its definition line could not give back as it is:
/// a ";" would start the comment, a line end would split the line, and other control
/// characters are trimmed or taken for blanks.
void CheckStorableText(std::string_view text);

/// Splits file text into lines ending at CR, LF or CR LF; a NUL ends the text.
[[nodiscard]] std::vector<std::string> SplitDefinitionLines(std::string_view text);

/// True for a line that holds a definition: neither empty nor a comment after trimming.
[[nodiscard]] bool IsDefinitionLine(std::string_view line) noexcept;

/// One definition line of a file, split at its first ";".
struct TDefinitionRec {
    std::string Definition;
    std::string Comment; ///< empty unless the file wants comments
};

class TDefinitionsFile;
class TDefinitionsIterator;

/// Walks the definition lines of a file; the position is -1 before the first step.
class TDefinitionsEnumerator {
public:
    explicit TDefinitionsEnumerator(const TDefinitionsFile& file) noexcept : FFile(&file) {}

    bool MoveNext() noexcept;
    [[nodiscard]] TDefinitionRec Current() const;
    /// The line position of the current definition.
    [[nodiscard]] int Position() const noexcept { return FPosition; }

    [[nodiscard]] TDefinitionsIterator begin() const;
    [[nodiscard]] std::default_sentinel_t end() const noexcept { return {}; }

private:
    const TDefinitionsFile* FFile;
    int FPosition = -1;
};

/// Input iterator over the definitions, so that `for (const TDefinitionRec& rec : file)` works.
class TDefinitionsIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = TDefinitionRec;
    using difference_type = std::ptrdiff_t;

    TDefinitionsIterator() = default;
    explicit TDefinitionsIterator(TDefinitionsEnumerator enumerator);
    [[nodiscard]] TDefinitionRec operator*() const { return FEnum->Current(); }
    TDefinitionsIterator& operator++();
    void operator++(int) { ++*this; }
    [[nodiscard]] bool operator==(std::default_sentinel_t) const noexcept { return FDone; }

private:
    std::optional<TDefinitionsEnumerator> FEnum;
    bool FDone = true;
};

/// The raw text of a hand-written file, for the raw-text editor. The caller reads the current
/// text, writes the whole new text and commits; the file is replaced at once on Commit, so an
/// editor that fails half-way leaves the old file. Valid until the file's next Load, CreateNew
/// or destruction.
class TDefinitionsRawStream {
public:
    /// The file's bytes from its first byte, as they are on disk now.
    [[nodiscard]] std::string ReadAll() const;
    /// Appends to the new text; the file is untouched until Commit.
    void Write(std::string_view data) { FPending.append(data); }
    /// Drops what was written so far.
    void Clear() noexcept { FPending.clear(); }
    [[nodiscard]] const std::string& Pending() const noexcept { return FPending; }
    /// Replaces the file by the written text and reads it again into the file's lines.
    void Commit();

private:
    friend class TDefinitionsFile;
    TDefinitionsRawStream(TDefinitionsFile& file, unsigned generation) noexcept
        : FFile(&file), FGeneration(generation)
    {
    }
    TDefinitionsFile* FFile;
    unsigned FGeneration;
    std::string FPending;
};

/// A definition file: its lines after the banner, kept in step with the disk after every change.
/// The file stays open and locked against other writers while the object holds it.
class TDefinitionsFile {
public:
    TDefinitionsFile() = default;
    ~TDefinitionsFile();
    TDefinitionsFile(const TDefinitionsFile&) = delete;
    TDefinitionsFile& operator=(const TDefinitionsFile&) = delete;

    void Load(std::string fileName);
    /// Starts a program-written file holding only the banner; an existing file is emptied.
    void CreateNew(std::string fileName);
    /// Writes banner and lines through a temporary file renamed over the old one.
    void Save();

    /// Returns the new line's position, or -1 without any change for an unknown kind.
    int AddDefinition(std::string_view name, std::string_view argumentsText, TDefinitionKind kind,
                      std::string_view comment, std::string_view text);
    void ModifyDefinition(int index, std::string_view head, std::string_view text,
                          std::string_view comment);
    void DeleteDefinition(int index);
    void ExchangeDefinitions(int index1, int index2);

    /// Nothing for a program-written file: those are edited definition by definition only.
    [[nodiscard]] std::optional<TDefinitionsRawStream> GetRawStream();

    [[nodiscard]] TDefinitionsEnumerator GetEnumerator() const noexcept
    {
        return TDefinitionsEnumerator(*this);
    }
    [[nodiscard]] TDefinitionsIterator begin() const { return GetEnumerator().begin(); }
    [[nodiscard]] std::default_sentinel_t end() const noexcept { return {}; }

    [[nodiscard]] const std::vector<std::string>& Lines() const noexcept { return FLines; }
    [[nodiscard]] bool WantComments() const noexcept { return FWantComments; }
    void SetWantComments(bool value) noexcept { FWantComments = value; }
    [[nodiscard]] bool HasBanner() const noexcept { return FHasBanner; }
    void SetHasBanner(bool value) noexcept { FHasBanner = value; }
    [[nodiscard]] const std::string& FileName() const noexcept { return FFileName; }
    [[nodiscard]] bool IsOpen() const noexcept { return FStream >= 0; }

private:
    friend class TDefinitionsRawStream;

    void Close() noexcept;
    void ReadLines();
    [[nodiscard]] std::string ReadContent() const;
    void ReplaceContent(std::string_view content, const char* failFormat);
    void CheckIndex(int index) const;
    /// Runs a change of FLines and saves; a failed save puts the lines back.
    template <class Change> void ChangeAndSave(Change change);

    int FStream = -1;
    std::vector<std::string> FLines;
    bool FWantComments = false;
    bool FHasBanner = false;
    std::string FFileName;
    unsigned FGeneration = 0; ///< bumped whenever another file or descriptor is taken
};

} // namespace calc
