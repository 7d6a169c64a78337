#include "core/CalcHistory.h"

#include "core/FileLock.h"
#include "core/IniFile.h"
#include "core/TextFile.h"
#include "definitions/ExtStringList.h"
#include "results/NumberText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <unordered_set>
#include <utility>

namespace calc {

namespace {

constexpr std::size_t kValueWidth = 23;
constexpr std::int32_t kEmpty = -1;
constexpr std::int32_t kDeleted = -2;
constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);
constexpr int kValueDigits = 15;

/// Calls fn(field) for every field of a history line; without quoting, quotation marks are
/// plain characters.
template <class Fn> void ForEachHistoryField(std::string_view line, bool quoting, Fn&& fn)
{
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        }
        else if (c == '\t') {
            if (i > start)
                fn(line.substr(start, i - start));
            start = i + 1;
        }
        else if (quoting && (c == '\'' || c == '"')) {
            quote = c;
        }
    }
    if (line.size() > start)
        fn(line.substr(start));
}

using TLineFields = std::array<std::string_view, 3>;

/// Expression, format index and value of a history line, or false. A line whose quoted split
/// does not give three fields is split at TABs alone: the writer turns every TAB of an
/// expression into a blank, so a quotation mark without its pair (a comment, a typing slip)
/// must not cost the entry; a line starting with its TAB holds the empty expression.
bool ReadLineFields(std::string_view line, TLineFields& fields)
{
    std::size_t count = 0;
    const auto take = [&](std::string_view field) {
        if (count < fields.size())
            fields[count] = field;
        ++count;
    };
    ForEachHistoryField(line, true, take);
    if (count == fields.size())
        return true;
    count = 0;
    if (line.starts_with('\t'))
        take(line.substr(0, 0));
    ForEachHistoryField(line, false, take);
    return count == fields.size();
}

/// A TAB or line break inside an expression would break its line; the parser reads them as
/// blanks, so blanks keep its meaning.
std::string ExpressionField(std::string_view expression)
{
    std::string field(expression);
    for (char& c : field)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return field;
}

/// Decimal number syntax: sign, digits with an optional "." part (at least one digit in all),
/// optional exponent with sign and digits.
bool IsDecimalNumber(std::string_view s) noexcept
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == s.size();
}

locale_t ClassicLocale()
{
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

std::string HistoryValueText(Extended value)
{
    if (std::isnan(value) || std::isinf(value)) {
        const std::string_view word = std::isnan(value) ? "Nan" : (value > 0 ? "+Inf" : "-Inf");
        return std::string(kValueWidth - word.size(), ' ') + std::string(word);
    }
    const TDecimalDigits d = ToDecimalDigits(value, kValueDigits);
    std::string digits = d.Digits;
    digits.resize(kValueDigits, '0');
    const int exponent = d.Digits.empty() ? 0 : d.Exponent - 1;
    std::string text;
    text.reserve(kValueWidth);
    text += value < 0 ? '-' : ' ';
    text += digits[0];
    text += '.';
    text.append(digits, 1);
    text += Format("E%c%04d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    return text;
}

Extended HistoryTextToValue(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (AnsiSameText(text, "Nan"))
        return std::numeric_limits<Extended>::quiet_NaN();
    if (AnsiSameText(text, "+Inf") || AnsiSameText(text, "Inf"))
        return std::numeric_limits<Extended>::infinity();
    if (AnsiSameText(text, "-Inf"))
        return -std::numeric_limits<Extended>::infinity();
    if (!IsDecimalNumber(text))
        return 0;
    const std::string number(text);
    const Extended value = ::strtold_l(number.c_str(), nullptr, ClassicLocale());
    // A number beyond the range does not read as one; a tiny one reads as what comes out.
    return std::isinf(value) ? 0 : value;
}

std::vector<std::string_view> SplitHistoryFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    ForEachHistoryField(line, true, [&](std::string_view field) { fields.push_back(field); });
    return fields;
}

THistoryManager::THistoryManager(std::string fileName) : FFileName(std::move(fileName))
{
    FTree.push_back(0);
}

THistoryManager::~THistoryManager()
{
    if (!FLoadHistory)
        return;
    try {
        WriteFile(false); // the listeners are gone or going
    }
    catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
}

void THistoryManager::Changed()
{
    if (FOnChange) {
        // A copy, so that a handler may replace itself.
        const TChangeEvent handler = FOnChange;
        handler(*this);
    }
}

void THistoryManager::SetOnChange(TChangeEvent handler)
{
    // Handlers cannot be compared; only clearing an empty handler counts as no change.
    if (!handler && !FOnChange)
        return;
    FOnChange = std::move(handler);
    Changed();
}

std::size_t THistoryManager::SlotIndexAt(int index) const
{
    if (index < 0 || index >= FCount)
        throw EException(Format("List index out of bounds (%d)", index));
    // The live slot with this rank, counted from the oldest.
    std::int32_t rank = FCount - index;
    const std::size_t n = FSlots.size();
    std::size_t pos = 0;
    for (std::size_t step = std::bit_floor(n); step != 0; step >>= 1)
        if (pos + step <= n && FTree[pos + step] < rank) {
            pos += step;
            rank -= FTree[pos];
        }
    return pos;
}

const THistoryManager::TSlot& THistoryManager::SlotAt(int index) const
{
    return FSlots[SlotIndexAt(index)];
}

const std::string& THistoryManager::Expressions(int index) const
{
    return SlotAt(index).Expression;
}

Extended THistoryManager::Values(int index) const
{
    return SlotAt(index).Value;
}

int THistoryManager::ResultIndexes(int index) const
{
    return SlotAt(index).ResultIndex;
}

std::size_t THistoryManager::FindKey(std::string_view expression, std::size_t hash) const
{
    if (FTable.empty())
        return kNoKey;
    const std::size_t mask = FTable.size() - 1;
    for (std::size_t pos = hash & mask;; pos = (pos + 1) & mask) {
        const std::int32_t slot = FTable[pos];
        if (slot == kEmpty)
            return kNoKey;
        if (slot >= 0) {
            const TSlot& s = FSlots[static_cast<std::size_t>(slot)];
            if (s.Hash == hash && AnsiSameText(s.Expression, expression))
                return pos;
        }
    }
}

void THistoryManager::InsertKey(std::int32_t slot)
{
    if ((FTableUsed + 1) * 4 > FTable.size() * 3) {
        std::size_t keys = 0;
        for (const std::int32_t s : FTable)
            keys += s >= 0 ? 1 : 0;
        ResizeTable(keys + 1);
    }
    const std::size_t mask = FTable.size() - 1;
    std::size_t pos = FSlots[static_cast<std::size_t>(slot)].Hash & mask;
    while (FTable[pos] >= 0)
        pos = (pos + 1) & mask;
    if (FTable[pos] == kEmpty)
        ++FTableUsed;
    FTable[pos] = slot;
}

void THistoryManager::ResizeTable(std::size_t keys)
{
    // At most half full after a resize, so probes stay short until the next one.
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(16, keys * 2));
    std::vector<std::int32_t> old = std::exchange(FTable, std::vector<std::int32_t>(size, kEmpty));
    FTableUsed = 0;
    const std::size_t mask = size - 1;
    for (const std::int32_t slot : old) {
        if (slot < 0)
            continue;
        std::size_t pos = FSlots[static_cast<std::size_t>(slot)].Hash & mask;
        while (FTable[pos] != kEmpty)
            pos = (pos + 1) & mask;
        FTable[pos] = slot;
        ++FTableUsed;
    }
}

int THistoryManager::IndexOf(std::string_view expression) const
{
    const std::size_t pos = FindKey(expression, TCaseInsensitiveHash{}(expression));
    if (pos == kNoKey)
        return -1;
    // Live slots up to and including this one; the newest has index 0.
    std::int32_t rank = 0;
    for (std::size_t j = static_cast<std::size_t>(FTable[pos]) + 1; j > 0; j &= j - 1)
        rank += FTree[j];
    return FCount - rank;
}

void THistoryManager::AppendSlot(TSlot slot)
{
    FSlots.push_back(std::move(slot));
    const std::size_t i = FSlots.size();
    // The node covers the slots after i without its lowest bit, up to i.
    std::int32_t sum = 1;
    const std::size_t low = i & (i - 1);
    for (std::size_t j = i - 1; j > low; j &= j - 1)
        sum += FTree[j];
    FTree.push_back(sum);
    ++FCount;
}

void THistoryManager::Kill(std::size_t slot)
{
    FSlots[slot].Alive = false;
    std::string().swap(FSlots[slot].Expression);
    for (std::size_t j = slot + 1; j < FTree.size(); j += j & (0 - j))
        --FTree[j];
    --FCount;
}

void THistoryManager::Unlink(std::size_t slot)
{
    const TSlot& s = FSlots[slot];
    const std::size_t pos = FindKey(s.Expression, s.Hash);
    if (static_cast<std::size_t>(FTable[pos]) == slot) {
        FTable[pos] = s.Older >= 0 ? s.Older : kDeleted;
        return;
    }
    std::int32_t p = FTable[pos];
    while (static_cast<std::size_t>(FSlots[static_cast<std::size_t>(p)].Older) != slot)
        p = FSlots[static_cast<std::size_t>(p)].Older;
    FSlots[static_cast<std::size_t>(p)].Older = s.Older;
}

void THistoryManager::Add(std::string expression, int resultIndex, Extended value)
{
    const std::size_t hash = TCaseInsensitiveHash{}(expression);
    const std::size_t pos = FindKey(expression, hash);
    if (pos != kNoKey)
        for (std::int32_t s = FTable[pos]; s >= 0;) {
            const std::int32_t older = FSlots[static_cast<std::size_t>(s)].Older;
            Kill(static_cast<std::size_t>(s));
            s = older;
        }
    const auto added = static_cast<std::int32_t>(FSlots.size());
    AppendSlot({std::move(expression), value, hash, resultIndex, -1, true, true});
    if (pos != kNoKey)
        FTable[pos] = added;
    else
        InsertKey(added);
    CompactIfSparse();
    Changed();
}

void THistoryManager::Delete(int index)
{
    const std::size_t slot = SlotIndexAt(index);
    Unlink(slot);
    Kill(slot);
    CompactIfSparse();
}

void THistoryManager::Clear()
{
    FSlots.clear();
    FTree.assign(1, 0);
    FTable.clear();
    FTableUsed = 0;
    FCount = 0;
}

void THistoryManager::BuildTree()
{
    const std::size_t n = FSlots.size();
    FTree.assign(n + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {
        FTree[i] += 1;
        if (const std::size_t parent = i + (i & (0 - i)); parent <= n)
            FTree[parent] += FTree[i];
    }
}

void THistoryManager::Rebuild(std::vector<TSlot> slots)
{
    FSlots.clear();
    for (TSlot& slot : slots)
        FSlots.push_back(std::move(slot));
    FCount = static_cast<int>(FSlots.size());
    BuildTree();
    FTable.clear();
    ResizeTable(FSlots.size());
    for (std::size_t s = 0; s < FSlots.size(); ++s) {
        TSlot& slot = FSlots[s];
        slot.Alive = true;
        slot.Older = -1;
        if (const std::size_t pos = FindKey(slot.Expression, slot.Hash); pos != kNoKey) {
            slot.Older = FTable[pos];
            FTable[pos] = static_cast<std::int32_t>(s);
        }
        else {
            InsertKey(static_cast<std::int32_t>(s));
        }
    }
}

void THistoryManager::CompactIfSparse()
{
    const std::size_t dead = FSlots.size() - static_cast<std::size_t>(FCount);
    if (dead < 1024 || dead <= static_cast<std::size_t>(FCount))
        return;
    // In place: live slots move down, keeping their order.
    std::vector<std::int32_t> moved(FSlots.size(), -1);
    std::size_t kept = 0;
    for (std::size_t s = 0; s < FSlots.size(); ++s)
        if (FSlots[s].Alive) {
            moved[s] = static_cast<std::int32_t>(kept);
            if (kept != s)
                FSlots[kept] = std::move(FSlots[s]);
            ++kept;
        }
    FSlots.truncate(kept);
    for (std::size_t s = 0; s < kept; ++s)
        if (FSlots[s].Older >= 0)
            FSlots[s].Older = moved[static_cast<std::size_t>(FSlots[s].Older)];
    for (std::int32_t& slot : FTable)
        if (slot >= 0)
            slot = moved[static_cast<std::size_t>(slot)];
    BuildTree();
}

std::vector<THistoryManager::TSlot> THistoryManager::ReadEntries(std::string_view text)
{
    const std::vector<std::string_view> lines = SplitLines(text);
    std::vector<TSlot> slots;
    slots.reserve(lines.size());
    for (const std::string_view line : lines) {
        TLineFields fields;
        int resultIndex = 0;
        // A bad format index skips its line like a bad field count, so that the lines after it
        // survive the next save.
        if (!ReadLineFields(line, fields) || !TryStrToInt(fields[1], resultIndex))
            continue;
        slots.push_back({std::string(fields[0]), HistoryTextToValue(fields[2]),
                         TCaseInsensitiveHash{}(fields[0]), resultIndex});
    }
    return slots;
}

void THistoryManager::LoadFromText(std::string_view text)
{
    std::vector<TSlot> slots = ReadEntries(text);
    if (slots.empty())
        return;
    // The file's entries are older than those in memory, so they go before them, oldest first.
    std::reverse(slots.begin(), slots.end());
    slots.reserve(slots.size() + static_cast<std::size_t>(FCount));
    for (std::size_t s = 0; s < FSlots.size(); ++s)
        if (FSlots[s].Alive)
            slots.push_back(std::move(FSlots[s]));
    Rebuild(std::move(slots));
}

void THistoryManager::AppendLine(std::string& text, const TSlot& slot)
{
    text += ExpressionField(slot.Expression);
    text += '\t';
    text += std::to_string(slot.ResultIndex);
    text += '\t';
    text += HistoryValueText(slot.Value);
}

std::string THistoryManager::SaveToText() const
{
    std::string text;
    text.reserve(static_cast<std::size_t>(FCount) * 48);
    for (std::size_t s = FSlots.size(); s-- > 0;) {
        if (!FSlots[s].Alive)
            continue;
        AppendLine(text, FSlots[s]);
        text += "\r\n";
    }
    return text;
}

bool THistoryManager::MergeFileText(std::string_view disk)
{
    if (disk == FSyncedText)
        return false;
    // An entry is known by its line as this program writes it: the same expression with another
    // value or format, or in another letter case, was added anew.
    std::unordered_set<std::string> known;
    std::string line;
    for (const TSlot& slot : ReadEntries(FSyncedText)) {
        line.clear();
        AppendLine(line, slot);
        known.insert(std::move(line));
    }
    std::vector<TSlot> theirs = ReadEntries(disk);
    std::erase_if(theirs, [&](const TSlot& slot) {
        line.clear();
        AppendLine(line, slot);
        return known.contains(line);
    });

    // Newest first: what this instance added since it last read or wrote the file, what the
    // others added meanwhile, then the rest. An expression appears once among the first two,
    // the newest; the rest keeps its own duplicates, as the file had them.
    using TKeys = std::unordered_set<std::string_view, TCaseInsensitiveHash, TCaseInsensitiveEqual>;
    TKeys taken;
    for (std::size_t s = 0; s < FSlots.size(); ++s)
        if (FSlots[s].Alive && FSlots[s].Fresh)
            taken.insert(FSlots[s].Expression);
    std::vector<TSlot> added;
    for (const TSlot& slot : theirs)
        if (taken.insert(slot.Expression).second)
            added.push_back(slot);
    if (added.empty())
        return false;
    TKeys addedKeys;
    for (const TSlot& slot : added)
        addedKeys.insert(slot.Expression);

    std::vector<TSlot> slots; // oldest first
    slots.reserve(static_cast<std::size_t>(FCount) + added.size());
    for (std::size_t s = 0; s < FSlots.size(); ++s)
        if (FSlots[s].Alive && !FSlots[s].Fresh && !addedKeys.contains(FSlots[s].Expression))
            slots.push_back(std::move(FSlots[s]));
    for (auto it = added.rbegin(); it != added.rend(); ++it)
        slots.push_back(std::move(*it));
    for (std::size_t s = 0; s < FSlots.size(); ++s)
        if (FSlots[s].Alive && FSlots[s].Fresh)
            slots.push_back(std::move(FSlots[s]));
    Rebuild(std::move(slots));
    return true;
}

void THistoryManager::SaveHistory()
{
    WriteFile(true);
}

void THistoryManager::WriteFile(bool report)
{
    // A file that could not be read when saving was switched on is left alone this session.
    if (!FLoadHistory || FFileUnreadable || FFileName.empty())
        return;
    if (IsSpecialFile(FFileName))
        throw EException(Format("Cannot save file \"%s\". Not a regular file", FFileName.c_str()));
    // Other instances save the same file: read what is there under the lock, take in what they
    // added, and replace it before anyone else may.
    const TFileLock lock(FFileName, TFileLock::TKind::Exclusive);
    std::string disk;
    if (!ReadTextFile(FFileName, disk))
        disk.clear();
    // Reported before writing: the list has changed whether or not the write goes through.
    if (MergeFileText(disk) && report)
        Changed();
    std::string text = SaveToText();
    WriteTextFileAtomic(FFileName, text);
    FSyncedText = std::move(text);
    for (std::size_t s = 0; s < FSlots.size(); ++s)
        FSlots[s].Fresh = false;
}

void THistoryManager::SetLoadHistory(bool value)
{
    if (value == FLoadHistory)
        return;
    if (FLoadHistory) {
        WriteFile(true);
        FLoadHistory = false;
    }
    else {
        std::string text;
        bool exists = false;
        try {
            if (!FFileName.empty()) {
                const TFileLock lock(FFileName, TFileLock::TKind::Shared);
                exists = ReadTextFile(FFileName, text);
            }
        }
        catch (const EException&) {
            // The option stays what the user chose, but a file that cannot be read is never
            // overwritten: it is left alone until saving is switched on again.
            FLoadHistory = true;
            FFileUnreadable = true;
            Changed();
            throw;
        }
        FFileUnreadable = false;
        FLoadHistory = true;
        if (exists)
            LoadFromText(text);
        FSyncedText = std::move(text);
    }
    Changed();
}

} // namespace calc
