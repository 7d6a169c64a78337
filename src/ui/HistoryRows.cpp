#include "ui/HistoryRows.h"

#include "core/CalcCore.h"
#include "results/CalcResultRepresentations.h"
#include "results/NumberText.h"

#include <algorithm>

namespace calc {

namespace {

constexpr int kGeneralDigits = 15;

/// Whether text contains the upper-case needle, letter case ignored.
bool ContainsUpper(std::string_view text, std::string_view needle) noexcept
{
    if (needle.size() > text.size())
        return false;
    const std::size_t last = text.size() - needle.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (AnsiUpper(text[i]) != needle[0])
            continue;
        std::size_t j = 1;
        while (j < needle.size() && AnsiUpper(text[i + j]) == needle[j])
            ++j;
        if (j == needle.size())
            return true;
    }
    return false;
}

} // namespace

std::string HistoryResultText(TCalcManager& manager, int index)
{
    const THistoryManager& history = manager.History();
    const int format = history.ResultIndexes(index);
    const Extended value = history.Values(index);
    // History.txt may name a format that does not exist, below as well as above the list.
    if (format < 0 || format >= manager.Results().Count())
        return FloatToTextGeneral(value, kGeneralDigits, 0, RegionalSettings().DecimalSeparator);
    return manager.Results().GetResultText(format, true, value);
}

std::string HistoryResultExpression(TCalcManager& manager, int index)
{
    const Extended value = manager.History().Values(index);
    std::string shown = HistoryResultText(manager, index);
    std::erase(shown, kGroupMark);
    // Shown texts follow the desktop's separators and may be rounded; only one that reads
    // back as this very value under the calculator's own settings goes in as it is.
    TExpressionParser parser;
    parser.SetDecimalSeparators(manager.DecimalSeparators());
    parser.SetListSeparator(manager.ListSeparator());
    parser.SetAngleMode(manager.AngleMode());
    if (!shown.empty() && parser.TryEvaluate(shown) && parser.Value() == value)
        return shown;
    return manager.ValueToExpressionText(value);
}

int THistoryRows::Count() const
{
    if (!Searching())
        return FManager.History().Count();
    Compact();
    return static_cast<int>(FRows.size());
}

int THistoryRows::EntryOf(int row) const
{
    if (!Searching())
        return row;
    // Rows above the lowest one deleted are still where they were.
    if (!FDeleted.empty() && row >= FDeleted.back())
        Compact();
    return row >= 0 && row < static_cast<int>(FRows.size()) ? FRows[static_cast<std::size_t>(row)]
                                                            : -1;
}

void THistoryRows::SetSearchText(std::string_view text)
{
    std::string needle = AnsiUpperCase(text);
    if (needle == FNeedle)
        return;
    Compact();
    const bool narrowing = Searching() && needle.find(FNeedle) != std::string::npos;
    FNeedle = std::move(needle);
    if (Searching())
        Search(narrowing);
    else
        FRows.clear();
}

void THistoryRows::PrepareSearch()
{
    FPrepared = true;
    Compact();
    if (!FKeysRead)
        ReadResultKeys();
}

void THistoryRows::EndSearch()
{
    SetSearchText({});
    FPrepared = false;
    FGone.clear();
    std::vector<std::string>().swap(FResultKeys);
    FKeysRead = false;
}

void THistoryRows::HistoryChanged()
{
    FDeleted.clear();
    FGone.clear();
    FResultKeys.clear();
    FKeysRead = false;
    if (FPrepared)
        ReadResultKeys();
    if (Searching())
        Search(false);
}

void THistoryRows::TextsChanged()
{
    Compact();
    HistoryChanged();
}

void THistoryRows::Search(bool narrowing)
{
    if (!FKeysRead)
        ReadResultKeys();
    if (narrowing) {
        std::erase_if(FRows, [this](int index) { return !Matches(index); });
        return;
    }
    FRows.clear();
    const int count = FManager.History().Count();
    for (int index = 0; index < count; ++index)
        if (Matches(index))
            FRows.push_back(index);
}

bool THistoryRows::Matches(int index) const
{
    return ContainsUpper(FManager.History().Expressions(index), FNeedle) ||
           FResultKeys[static_cast<std::size_t>(index)].find(FNeedle) != std::string::npos;
}

void THistoryRows::ReadResultKeys() const
{
    const int count = FManager.History().Count();
    FResultKeys.clear();
    FResultKeys.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index)
        FResultKeys.push_back(AnsiUpperCase(HistoryResultText(FManager, index)));
    FKeysRead = true;
}

void THistoryRows::DeleteRow(int row)
{
    const int index = EntryOf(row);
    THistoryManager& history = FManager.History();
    if (index < 0 || index >= history.Count())
        return;
    // The bookkeeping holds deletions made from the last to the first; anything else is
    // settled before it goes on.
    if (!FGone.empty() && index >= FGone.back())
        Compact();
    history.Delete(index);
    if (Searching())
        FDeleted.push_back(row);
    if (Searching() || FKeysRead)
        FGone.push_back(index);
}

void THistoryRows::DeleteAll()
{
    if (!Searching()) {
        FManager.History().Clear();
        HistoryChanged();
        return;
    }
    Compact();
    for (int row = static_cast<int>(FRows.size()); row-- > 0;)
        DeleteRow(row);
    Compact();
}

void THistoryRows::Compact() const
{
    if (FGone.empty())
        return;
    // Both lists run from the last deletion, the lowest, backwards.
    if (!FDeleted.empty()) {
        std::vector<int> rows;
        rows.reserve(FRows.size() - FDeleted.size());
        auto deleted = FDeleted.rbegin();
        auto gone = FGone.rbegin();
        int shift = 0;
        for (std::size_t row = 0; row < FRows.size(); ++row) {
            if (deleted != FDeleted.rend() && *deleted == static_cast<int>(row)) {
                ++deleted;
                continue;
            }
            while (gone != FGone.rend() && *gone < FRows[row]) {
                ++gone;
                ++shift;
            }
            rows.push_back(FRows[row] - shift);
        }
        FRows = std::move(rows);
        FDeleted.clear();
    }
    if (FKeysRead) {
        auto gone = FGone.rbegin();
        std::size_t kept = 0;
        for (std::size_t index = 0; index < FResultKeys.size(); ++index) {
            if (gone != FGone.rend() && *gone == static_cast<int>(index)) {
                ++gone;
                continue;
            }
            if (kept != index)
                FResultKeys[kept] = std::move(FResultKeys[index]);
            ++kept;
        }
        FResultKeys.resize(kept);
    }
    FGone.clear();
}

} // namespace calc
