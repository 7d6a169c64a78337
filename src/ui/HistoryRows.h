#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace calc {

class TCalcManager;

/// The result text of a history entry as the history view shows it: the text of the format that
/// was the default when the entry was made, with its prefix; a format index that names no
/// format shows the general text with 15 digits.
[[nodiscard]] std::string HistoryResultText(TCalcManager& manager, int index);

/// The result of a history entry as text for the expression line: the shown text without digit
/// grouping when it reads back as the entry's very value, otherwise the value in decimal with
/// the calculator's decimal separator; empty for a value no literal stands for.
[[nodiscard]] std::string HistoryResultExpression(TCalcManager& manager, int index);

/// The history entries a view shows, in the history's order: all of them, or while a search
/// text is set those whose expression or result text contains it, letter case ignored. Entries
/// deleted through it are taken out of the history and of the rows shown in one go, so that
/// deleting many stays linear in the length of the history.
class THistoryRows {
public:
    explicit THistoryRows(TCalcManager& manager) : FManager(manager) {}

    [[nodiscard]] bool Searching() const noexcept { return !FNeedle.empty(); }
    /// The rows shown.
    [[nodiscard]] int Count() const;
    /// The history index of a shown row.
    [[nodiscard]] int EntryOf(int row) const;

    /// Shows the entries that contain text; an empty text shows all. A text that extends the
    /// previous one searches only among the entries already found.
    void SetSearchText(std::string_view text);
    /// Reads every result text ahead, so that the next search answers without formatting them.
    void PrepareSearch();
    /// Forgets the texts read ahead.
    void EndSearch();

    /// The history changed as a whole: the search runs again.
    void HistoryChanged();
    /// Result texts may read differently (another font, formats or regional settings).
    void TextsChanged();

    /// Deletes the entry shown in a row from the history. Rows are deleted from the last to
    /// the first, as the list does, so the rows above stay valid meanwhile.
    void DeleteRow(int row);
    /// Deletes every entry shown: the whole history unless a search is set.
    void DeleteAll();

private:
    void Search(bool narrowing);
    [[nodiscard]] bool Matches(int index) const;
    /// Reads the upper-case expression and result text of every entry into FKeys.
    void ReadKeys() const;
    /// Takes the deleted entries out of the rows and of the texts read ahead.
    void Compact() const;

    TCalcManager& FManager;
    std::string FNeedle; ///< upper case
    bool FPrepared = false;
    mutable bool FKeysRead = false;
    mutable std::vector<int> FRows;    ///< history indexes of the rows found
    mutable std::vector<int> FDeleted; ///< rows deleted since the last compaction, descending
    mutable std::vector<int> FGone;    ///< their history indexes, descending
    /// Expression and result text of every entry in upper case, each followed by a NUL, which
    /// no search text holds, so one search runs through all of them at once.
    mutable std::string FKeys;
    mutable std::vector<std::size_t> FKeyStarts; ///< where each entry's texts start; one more
};

} // namespace calc
