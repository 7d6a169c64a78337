#pragma once

#include "definitions/ExtStringList.h"
#include "engine/ExprParser.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace calc {

/// Reads an integer as the settings files write it: optional leading blanks and sign, then
/// decimal digits (32-bit range), or hexadecimal digits after "$", "0x" or "0X" (up to 32 bits,
/// taken as signed, so "$FFFFFFFF" is -1). Nothing may follow.
[[nodiscard]] bool TryStrToInt(std::string_view text, int& value) noexcept;
/// As TryStrToInt; anything else raises EConvertError "'%s' is not a valid integer value".
[[nodiscard]] int StrToInt(std::string_view text);
[[nodiscard]] int StrToIntDef(std::string_view text, int defaultValue) noexcept;

/// A character set as text: every member once, in ascending character code order.
[[nodiscard]] std::string CharSetToText(const TCharSet& set);

/// An ini-style settings file held in memory: sections in the order first written, keys in the
/// order written, names compared without regard to letter case.
class TIniFile {
public:
    TIniFile() = default;

    /// Replaces the contents by the parsed text; a leading UTF-8 byte-order mark is skipped.
    void LoadFromText(std::string_view text);
    /// Replaces the contents by the rest of the stream; a stream failure, or more than
    /// kMaxIniFileSize bytes, raises EException.
    void LoadFromStream(std::istream& stream);
    /// Replaces the contents by the file's; a missing file gives empty contents and false. A file
    /// that cannot be read or holds more than kMaxIniFileSize bytes raises EException.
    bool LoadFromFile(const std::string& fileName);

    /// The file text: "[name]" lines, "key=value" lines, an empty line after each section, CR LF.
    [[nodiscard]] std::string SaveToText() const;
    /// Writes the text at the stream's position; a stream failure raises EException.
    void SaveToStream(std::ostream& stream) const;
    /// Replaces the file atomically; a failure raises EException and leaves the old file.
    void SaveToFile(const std::string& fileName) const;

    void Clear() noexcept;

    [[nodiscard]] bool SectionExists(std::string_view section) const;
    [[nodiscard]] bool ValueExists(std::string_view section, std::string_view key) const;
    [[nodiscard]] std::vector<std::string> ReadSections() const;
    /// The key names of a section in their order.
    [[nodiscard]] std::vector<std::string> ReadSection(std::string_view section) const;
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view key);

    /// A missing key gives the default; a key without "=" has an empty value.
    [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) const;
    /// A missing key or a value that is not an integer gives the default.
    [[nodiscard]] int ReadInteger(std::string_view section, std::string_view key,
                                  int defaultValue) const;
    /// Read as an integer, non-zero is true.
    [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key,
                                bool defaultValue) const;
    /// Every character of the value becomes a member; a missing key gives the default.
    [[nodiscard]] TCharSet ReadCharSet(std::string_view section, std::string_view key,
                                       const TCharSet& defaultValue) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteCharSet(std::string_view section, std::string_view key, const TCharSet& value);

private:
    using TNameIndex =
        std::unordered_map<std::string, std::size_t, TCaseInsensitiveHash, TCaseInsensitiveEqual>;
    struct TSection {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Keys;
        TNameIndex Index;
    };

    [[nodiscard]] const TSection* FindSection(std::string_view section) const;
    [[nodiscard]] const std::string* FindValue(std::string_view section,
                                               std::string_view key) const;
    TSection& AddSection(std::string_view section);
    /// Adds a key, or keeps the first one when it is already there (as reading does).
    static void AddKey(TSection& section, std::string_view key, std::string_view value);
    /// current is the index of the last section opened, or -1 before the first.
    void ParseLine(std::string_view line, std::ptrdiff_t& current);

    std::vector<TSection> FSections;
    TNameIndex FSectionIndex;
};

} // namespace calc
