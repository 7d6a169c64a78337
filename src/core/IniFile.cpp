#include "core/IniFile.h"

#include "core/TextFile.h"
#include "definitions/FileStore.h"

#include <cstdint>
#include <istream>
#include <ostream>

namespace calc {

namespace {

bool ReadHex(std::string_view digits, bool negative, int& value) noexcept
{
    if (digits.empty())
        return false;
    std::uint32_t n = 0;
    for (const char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0 || (n >> 28) != 0)
            return false;
        n = (n << 4) | static_cast<std::uint32_t>(d);
    }
    if (negative)
        n = 0u - n;
    value = static_cast<int>(n);
    return true;
}

bool ReadDecimal(std::string_view digits, bool negative, int& value) noexcept
{
    if (digits.empty())
        return false;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t n = 0;
    for (const char c : digits) {
        if (!IsDigit(c))
            return false;
        n = n * 10 + (c - '0');
        if (n > limit)
            return false;
    }
    value = static_cast<int>(negative ? -n : n);
    return true;
}

/// Line breaks in names or values would split the line when read back.
std::string OneLine(std::string_view text)
{
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line;
}

} // namespace

bool TryStrToInt(std::string_view text, int& value) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    if (rest.starts_with('$'))
        return ReadHex(rest.substr(1), negative, value);
    if (rest.starts_with("0x") || rest.starts_with("0X"))
        return ReadHex(rest.substr(2), negative, value);
    return ReadDecimal(rest, negative, value);
}

int StrToInt(std::string_view text)
{
    int value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(Format("'%.*s' is not a valid integer value",
                                   static_cast<int>(text.size()), text.data()));
    return value;
}

int StrToIntDef(std::string_view text, int defaultValue) noexcept
{
    int value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

std::string CharSetToText(const TCharSet& set)
{
    std::string text;
    for (int code = 0; code < 256; ++code)
        if (set.Contains(static_cast<char>(code)))
            text.push_back(static_cast<char>(code));
    return text;
}

void TIniFile::Clear() noexcept
{
    FSections.clear();
    FSectionIndex.clear();
}

void TIniFile::LoadFromText(std::string_view text)
{
    Clear();
    std::ptrdiff_t current = -1;
    // An editor's byte-order mark would hide the first section's name.
    for (const std::string_view line : SplitLines(SkipByteOrderMark(text)))
        ParseLine(line, current);
}

void TIniFile::ParseLine(std::string_view line, std::ptrdiff_t& current)
{
    line = Trim(line);
    if (line.empty() || line.front() == ';')
        return;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        const TSection& section = AddSection(Trim(line.substr(1, line.size() - 2)));
        current = &section - FSections.data();
        return;
    }
    if (current < 0)
        return;
    TSection& section = FSections[static_cast<std::size_t>(current)];
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        AddKey(section, line, {});
    else
        AddKey(section, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
}

void TIniFile::LoadFromStream(std::istream& stream)
{
    // Read in pieces up to the limit: a stream over a device may never end.
    std::string text;
    char buffer[65536];
    while (stream.read(buffer, sizeof buffer) || stream.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(stream.gcount()));
        if (text.size() > kMaxIniFileSize)
            throw EException(Format("Cannot read the settings: they hold more than %zu MB",
                                    kMaxIniFileSize >> 20));
    }
    if (stream.bad())
        throw EException("Cannot read the settings: the stream failed");
    LoadFromText(text);
}

bool TIniFile::LoadFromFile(const std::string& fileName)
{
    std::string text;
    if (!ReadTextFile(fileName, text, kMaxIniFileSize)) {
        Clear();
        return false;
    }
    LoadFromText(text);
    return true;
}

std::string TIniFile::SaveToText() const
{
    std::string text;
    for (const TSection& section : FSections) {
        text += '[';
        text += section.Name;
        text += "]\r\n";
        for (const auto& [key, value] : section.Keys) {
            text += key;
            text += '=';
            text += value;
            text += "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

void TIniFile::SaveToStream(std::ostream& stream) const
{
    const std::string text = SaveToText();
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.flush();
    if (!stream)
        throw EException("Cannot write the settings: the stream failed");
}

void TIniFile::SaveToFile(const std::string& fileName) const
{
    WriteTextFileAtomic(fileName, SaveToText());
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view section) const
{
    const auto it = FSectionIndex.find(section);
    return it == FSectionIndex.end() ? nullptr : &FSections[it->second];
}

const std::string* TIniFile::FindValue(std::string_view section, std::string_view key) const
{
    const TSection* s = FindSection(section);
    if (s == nullptr)
        return nullptr;
    const auto it = s->Index.find(key);
    return it == s->Index.end() ? nullptr : &s->Keys[it->second].second;
}

TIniFile::TSection& TIniFile::AddSection(std::string_view section)
{
    // A section opened twice continues the first one.
    if (const auto it = FSectionIndex.find(section); it != FSectionIndex.end())
        return FSections[it->second];
    TSection& added = FSections.emplace_back();
    added.Name = OneLine(section);
    FSectionIndex.emplace(added.Name, FSections.size() - 1);
    return added;
}

void TIniFile::AddKey(TSection& section, std::string_view key, std::string_view value)
{
    if (section.Index.contains(key))
        return;
    section.Keys.emplace_back(OneLine(key), OneLine(value));
    section.Index.emplace(section.Keys.back().first, section.Keys.size() - 1);
}

bool TIniFile::SectionExists(std::string_view section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindValue(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    names.reserve(FSections.size());
    for (const TSection& section : FSections)
        names.push_back(section.Name);
    return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const TSection* s = FindSection(section)) {
        keys.reserve(s->Keys.size());
        for (const auto& entry : s->Keys)
            keys.push_back(entry.first);
    }
    return keys;
}

void TIniFile::EraseSection(std::string_view section)
{
    const auto it = FSectionIndex.find(section);
    if (it == FSectionIndex.end())
        return;
    FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(it->second));
    FSectionIndex.clear();
    for (std::size_t i = 0; i < FSections.size(); ++i)
        FSectionIndex.emplace(FSections[i].Name, i);
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    const auto sectionIt = FSectionIndex.find(section);
    if (sectionIt == FSectionIndex.end())
        return;
    TSection& s = FSections[sectionIt->second];
    const auto keyIt = s.Index.find(key);
    if (keyIt == s.Index.end())
        return;
    s.Keys.erase(s.Keys.begin() + static_cast<std::ptrdiff_t>(keyIt->second));
    s.Index.clear();
    for (std::size_t i = 0; i < s.Keys.size(); ++i)
        s.Index.emplace(s.Keys[i].first, i);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const
{
    const std::string* value = FindValue(section, key);
    return value != nullptr ? *value : std::string(defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::string* value = FindValue(section, key);
    return value != nullptr ? StrToIntDef(*value, defaultValue) : defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TCharSet TIniFile::ReadCharSet(std::string_view section, std::string_view key,
                               const TCharSet& defaultValue) const
{
    const std::string* value = FindValue(section, key);
    return value != nullptr ? TCharSet(*value) : defaultValue;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    TSection& s = AddSection(section);
    if (const auto it = s.Index.find(key); it != s.Index.end())
        s.Keys[it->second].second = OneLine(value);
    else
        AddKey(s, key, value);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteCharSet(std::string_view section, std::string_view key, const TCharSet& value)
{
    WriteString(section, key, CharSetToText(value));
}

} // namespace calc
