#include "ui/HistoryRows.h"

#include "core/CalcCore.h"
#include "results/CalcResultRepresentations.h"
#include "results/NumberText.h"

#include <algorithm>

namespace calc {

namespace {

constexpr int kGeneralDigits = 15;

/// Appends the text in upper case and a NUL.
void AppendKey(std::string& keys, std::string_view text)
{
    for (const char c : text)
        keys += AnsiUpper(c);
    keys += '\0';
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
    std::erase(needle, '\0');
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
        ReadKeys();
}

void THistoryRows::EndSearch()
{
    SetSearchText({});
    FPrepared = false;
    FGone.clear();
    std::string().swap(FKeys);
    std::vector<std::size_t>().swap(FKeyStarts);
    FKeysRead = false;
}

void THistoryRows::HistoryChanged()
{
    FDeleted.clear();
    FGone.clear();
    FKeysRead = false;
    if (FPrepared)
        ReadKeys();
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
        ReadKeys();
    if (narrowing) {
        std::erase_if(FRows, [this](int index) { return !Matches(index); });
        return;
    }
    // One pass over all texts; a hit skips the rest of its entry.
    FRows.clear();
    const std::string_view keys(FKeys);
    for (std::size_t pos = keys.find(FNeedle); pos != std::string_view::npos;) {
        const auto next = std::upper_bound(FKeyStarts.begin(), FKeyStarts.end(), pos);
        FRows.push_back(static_cast<int>(next - FKeyStarts.begin()) - 1);
        pos = next == FKeyStarts.end() ? std::string_view::npos : keys.find(FNeedle, *next);
    }
}

bool THistoryRows::Matches(int index) const
{
    const auto i = static_cast<std::size_t>(index);
    return std::string_view(FKeys)
               .substr(FKeyStarts[i], FKeyStarts[i + 1] - FKeyStarts[i])
               .find(FNeedle) != std::string_view::npos;
}

void THistoryRows::ReadKeys() const
{
    const THistoryManager& history = FManager.History();
    const int count = history.Count();
    FKeys.clear();
    FKeyStarts.clear();
    FKeyStarts.reserve(static_cast<std::size_t>(count) + 1);
    for (int index = 0; index < count; ++index) {
        FKeyStarts.push_back(FKeys.size());
        AppendKey(FKeys, history.Expressions(index));
        AppendKey(FKeys, HistoryResultText(FManager, index));
    }
    FKeyStarts.push_back(FKeys.size());
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
        std::string keys;
        keys.reserve(FKeys.size());
        std::vector<std::size_t> starts;
        starts.reserve(FKeyStarts.size());
        auto gone = FGone.rbegin();
        for (std::size_t index = 0; index + 1 < FKeyStarts.size(); ++index) {
            if (gone != FGone.rend() && *gone == static_cast<int>(index)) {
                ++gone;
                continue;
            }
            starts.push_back(keys.size());
            keys.append(FKeys, FKeyStarts[index], FKeyStarts[index + 1] - FKeyStarts[index]);
        }
        starts.push_back(keys.size());
        FKeys = std::move(keys);
        FKeyStarts = std::move(starts);
    }
    FGone.clear();
}

} // namespace calc
