#pragma once

#include "engine/ExprParserTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

/// The file name of the history in the settings folder.
inline constexpr const char* kHistoryFileName = "History.txt";

/// A value as the history file stores it: 23 characters, " 1.50000000000000E+0000" for 1.5,
/// with "." whatever the locale; non-finite values as "Nan", "+Inf", "-Inf" right-aligned.
[[nodiscard]] std::string HistoryValueText(Extended value);
/// Reads a value field: leading blanks, then a decimal number with "." (or one of the
/// non-finite texts); anything that does not read completely gives 0.
[[nodiscard]] Extended HistoryTextToValue(std::string_view text);
/// Fields of a history line: split at TABs, empty fields dropped; a ' or " opens a stretch up to
/// the next mark of the same kind in which TABs do not split. The views point into line.
[[nodiscard]] std::vector<std::string_view> SplitHistoryFields(std::string_view line);

namespace detail {

/// An array that grows a block at a time, so that growing never moves what is already there:
/// the history's Add stays quick however long the list is.
template <class T> class TChunkedArray {
public:
    [[nodiscard]] std::size_t size() const noexcept { return FSize; }
    [[nodiscard]] T& operator[](std::size_t i) noexcept { return FChunks[i >> kShift][i & kMask]; }
    [[nodiscard]] const T& operator[](std::size_t i) const noexcept
    {
        return FChunks[i >> kShift][i & kMask];
    }
    void push_back(T value)
    {
        if (FSize == FChunks.size() << kShift)
            FChunks.push_back(std::make_unique<T[]>(std::size_t{1} << kShift));
        (*this)[FSize++] = std::move(value);
    }
    /// Keeps the first n elements; n must not exceed size().
    void truncate(std::size_t n)
    {
        for (std::size_t i = n; i < FSize; ++i)
            (*this)[i] = T{};
        FSize = n;
        FChunks.resize((n + kMask) >> kShift);
    }
    /// n copies of value.
    void assign(std::size_t n, const T& value)
    {
        clear();
        for (std::size_t i = 0; i < n; ++i)
            push_back(value);
    }
    void clear() noexcept
    {
        FChunks.clear();
        FSize = 0;
    }

private:
    static constexpr std::size_t kShift = 10;
    static constexpr std::size_t kMask = (std::size_t{1} << kShift) - 1;
    std::vector<std::unique_ptr<T[]>> FChunks;
    std::size_t FSize = 0;
};

} // namespace detail

/// The committed expressions with their values and result formats, newest first.
class THistoryManager {
public:
    using TChangeEvent = std::function<void(THistoryManager& sender)>;

    /// fileName is where the history is kept while saving is on; empty keeps it in memory only.
    explicit THistoryManager(std::string fileName = {});
    /// Writes the file when saving is on; a failure there cannot propagate and is only logged,
    /// so owners that want to report it call SaveHistory first.
    ~THistoryManager();
    THistoryManager(const THistoryManager&) = delete;
    THistoryManager& operator=(const THistoryManager&) = delete;

    [[nodiscard]] const std::string& FileName() const noexcept { return FFileName; }
    void SetFileName(std::string fileName) { FFileName = std::move(fileName); }

    [[nodiscard]] int Count() const noexcept { return FCount; }
    /// Index 0 is the newest entry; an index outside 0..Count-1 raises EException.
    [[nodiscard]] const std::string& Expressions(int index) const;
    [[nodiscard]] Extended Values(int index) const;
    [[nodiscard]] int ResultIndexes(int index) const;
    /// The index of the newest entry with the expression (letter case ignored), or -1.
    [[nodiscard]] int IndexOf(std::string_view expression) const;

    /// Removes every entry with the same expression (letter case ignored), puts the new one at
    /// index 0 and reports a change.
    void Add(std::string expression, int resultIndex, Extended value);
    /// Neither reports a change; the caller refreshes its own display.
    void Delete(int index);
    void Clear();

    /// The "Save History" option.
    [[nodiscard]] bool LoadHistory() const noexcept { return FLoadHistory; }
    /// Switching off writes the file one last time; switching on appends the file's entries
    /// after those in memory. A change is reported. When the file cannot be read the option is
    /// on all the same, the error propagates, and the file is neither read nor written until
    /// saving is switched on again, so an unread file is never overwritten.
    void SetLoadHistory(bool value);

    [[nodiscard]] const TChangeEvent& OnChange() const noexcept { return FOnChange; }
    /// A non-empty handler is called at once, so a view fills itself when it subscribes.
    void SetOnChange(TChangeEvent handler);

    /// Writes the file now when saving is on, first taking in the entries other running
    /// instances saved there since this one last read or wrote it (reported as a change).
    /// Failures raise EException; a file that cannot be read is left as it is.
    void SaveHistory();

    /// Appends the entries of a history file text after those in memory, in the file's order,
    /// without removing duplicates. Lines that give three fields neither with quoting nor split
    /// at TABs alone, or with a format index that is not an integer, are skipped. Reports nothing.
    void LoadFromText(std::string_view text);
    /// The history file text, newest first, CR LF after every line.
    [[nodiscard]] std::string SaveToText() const;

private:
    struct TSlot {
        std::string Expression;
        Extended Value = 0;
        std::size_t Hash = 0; ///< of the expression, letter case ignored
        std::int32_t ResultIndex = 0;
        std::int32_t Older = -1; ///< the next older live slot with the same expression
        bool Alive = true;
        bool Fresh = false; ///< added since the file was last read or written
    };

    [[nodiscard]] static std::vector<TSlot> ReadEntries(std::string_view text);
    static void AppendLine(std::string& text, const TSlot& slot);
    bool MergeFileText(std::string_view disk);
    void WriteFile(bool report);

    void Changed();
    [[nodiscard]] const TSlot& SlotAt(int index) const;
    [[nodiscard]] std::size_t SlotIndexAt(int index) const;
    void AppendSlot(TSlot slot);
    void Kill(std::size_t slot);
    void Unlink(std::size_t slot);
    void Rebuild(std::vector<TSlot> slots);
    void BuildTree();
    void CompactIfSparse();

    [[nodiscard]] std::size_t FindKey(std::string_view expression, std::size_t hash) const;
    void InsertKey(std::int32_t slot);
    void ResizeTable(std::size_t keys);

    // Live entries are kept oldest first, so that Add appends; removed ones stay as dead slots
    // until they outnumber the live ones. A Fenwick tree over the live flags maps an index to
    // its slot in logarithmic time. The expression table is open-addressed over the slots
    // themselves: no key copies, nothing to rebuild on Add, nothing allocated per entry.
    detail::TChunkedArray<TSlot> FSlots;
    detail::TChunkedArray<std::int32_t> FTree; ///< 1-based; FTree[0] unused
    std::vector<std::int32_t> FTable;          ///< newest live slot per expression, or free
    std::size_t FTableUsed = 0;                ///< positions ever taken since the last resize
    int FCount = 0;

    std::string FFileName;
    std::string FSyncedText; ///< the file as this instance last read or wrote it
    bool FLoadHistory = false;
    bool FFileUnreadable = false; ///< saving is on, but the file could not be read
    TChangeEvent FOnChange;
};

} // namespace calc
