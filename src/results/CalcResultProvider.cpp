#include "results/CalcResultProvider.h"

#include <algorithm>
#include <charconv>

namespace calc {

namespace {

/// A whole token as a decimal integer with an optional sign.
bool ParseInteger(std::string_view token, int& value)
{
    if (token.size() > 1 && token.front() == '+' && token[1] != '-')
        token.remove_prefix(1);
    const char* last = token.data() + token.size();
    const auto [end, error] = std::from_chars(token.data(), last, value);
    return error == std::errc() && end == last && !token.empty();
}

int IntegerOrZero(std::string_view token)
{
    int value = 0;
    return ParseInteger(token, value) ? value : 0;
}

/// A number is true when not zero; otherwise only "True" in any letter case is true.
bool BooleanOrFalse(std::string_view token)
{
    std::string_view number = token;
    if (number.size() > 1 && number.front() == '+' && number[1] != '-')
        number.remove_prefix(1);
    const std::string_view magnitude = number.substr(number.starts_with('-') ? 1 : 0);
    if (!magnitude.empty() && (IsDigit(magnitude.front()) || magnitude.front() == '.')) {
        double value = 0;
        const char* last = number.data() + number.size();
        const auto [end, error] = std::from_chars(number.data(), last, value);
        // A number too large or too small to hold is still not zero.
        if (end == last && error == std::errc::result_out_of_range)
            return true;
        if (end == last && error == std::errc())
            return value != 0;
    }
    return AnsiSameText(token, "True");
}

} // namespace

std::string TResultProvider::GetOptionCaption(TResultOptionKind) const
{
    return {};
}

void TResultProvider::Changed(TResultChange kind)
{
    if (FOwner)
        FOwner->Changed(kind);
}

void TResultProvider::SetDigits(int value)
{
    if (value == FDigits)
        return;
    FDigits = value;
    Changed(TResultChange::rcFormat);
}

void TResultProvider::SetChecked(bool value)
{
    if (value == FChecked)
        return;
    FChecked = value;
    Changed(TResultChange::rcFormat);
}

void TResultProvider::SetOrder(int value)
{
    if (value == FOrder)
        return;
    FOrder = value;
    Changed(TResultChange::rcList);
}

void TResultProvider::SetVisible(bool value)
{
    if (value == FVisible)
        return;
    FVisible = value;
    Changed(TResultChange::rcList);
}

bool TResultProvider::IsDefault() const noexcept
{
    return FOwner && FOwner->FDefault == this;
}

void TResultProvider::SetIsDefault(bool value)
{
    if (!FOwner)
        return;
    if (value)
        FOwner->FDefault = this;
    else if (FOwner->FDefault == this)
        FOwner->FDefault = nullptr;
    Changed(TResultChange::rcDefault);
}

std::string TResultProvider::Text() const
{
    return FormatValue(FOwner ? FOwner->Value() : 0);
}

std::string TResultProvider::SettingsText() const
{
    return Format("%d,%d,%d,%d", FDigits, FChecked ? 1 : 0, FVisible ? 1 : 0, FOrder);
}

void TResultProvider::SetSettingsText(std::string_view text)
{
    int index = 0;
    while (!text.empty()) {
        const std::size_t delimiter = text.find_first_of(",;");
        const std::string_view token = Trim(text.substr(0, delimiter));
        text.remove_prefix(delimiter == std::string_view::npos ? text.size() : delimiter + 1);
        switch (++index) {
        case 1:
            FDigits = IntegerOrZero(token);
            break;
        case 2:
            FChecked = BooleanOrFalse(token);
            break;
        case 3:
            FVisible = BooleanOrFalse(token);
            break;
        case 4:
            FOrder = IntegerOrZero(token);
            return;
        }
    }
}

TResultsEnumerator::TResultsEnumerator(const TResultsManager& manager, bool visibleOnly)
    : FVisibleOnly(visibleOnly)
{
    FItems.reserve(manager.FItems.size());
    for (const auto& item : manager.FItems)
        FItems.push_back(item.get());
    // Ties keep list order, so the display is the same from one walk to the next.
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const auto* a, const auto* b) { return a->Order() < b->Order(); });
}

TResultProvider& TResultsEnumerator::Current() const
{
    if (FPosition < 0 || FPosition >= static_cast<std::ptrdiff_t>(FItems.size()))
        throw EException("Results enumerator has no current format");
    return *FItems[static_cast<std::size_t>(FPosition)];
}

bool TResultsEnumerator::MoveNext()
{
    const auto count = static_cast<std::ptrdiff_t>(FItems.size());
    while (FPosition < count) {
        ++FPosition;
        if (FPosition >= count)
            return false;
        if (!FVisibleOnly || FItems[static_cast<std::size_t>(FPosition)]->Visible())
            return true;
    }
    return false;
}

TResultProvider& TResultsManager::Add(std::unique_ptr<TResultProvider> format, bool visible)
{
    if (!format)
        throw EException("No result format to add");
    format->FOwner = this;
    format->FOrder = Count();
    format->FVisible = visible;
    FItems.push_back(std::move(format));
    return *FItems.back();
}

TResultProvider& TResultsManager::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EException(Format("List index out of bounds (%d)", index));
    return *FItems[static_cast<std::size_t>(index)];
}

int TResultsManager::DefaultIndex() const noexcept
{
    const auto it = std::find_if(FItems.begin(), FItems.end(),
                                 [this](const auto& item) { return item.get() == FDefault; });
    return it == FItems.end() ? 0 : static_cast<int>(it - FItems.begin());
}

void TResultsManager::SetDefaultIndex(int index) noexcept
{
    FDefault =
        (index < 0 || index >= Count()) ? nullptr : FItems[static_cast<std::size_t>(index)].get();
}

void TResultsManager::SetValue(Extended value)
{
    FValue = value;
    Changed(TResultChange::rcValue);
}

void TResultsManager::SetRightAlign(bool value)
{
    if (value == FRightAlign)
        return;
    FRightAlign = value;
    Changed(TResultChange::rcRightAlign);
}

void TResultsManager::EndUpdate()
{
    // An unmatched call must not leave the count below zero, where it would swallow the
    // reports of the next batch.
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0)
        Changed(TResultChange::rcList);
}

std::string TResultsManager::GetResultText(int index, bool withPrefix, Extended value) const
{
    const TResultProvider& format = Items(index);
    std::string text = format.FormatValue(value);
    // A prefix would make the failure message look like a number of the format.
    if (!withPrefix || text == sCantDisplayResult)
        return text;
    const std::string prefix = format.GetPrefix();
    // A sign goes before the prefix, where it reads back as the negation of the literal.
    if (!prefix.empty() && text.starts_with('-'))
        return "-" + prefix + text.substr(1);
    return prefix + text;
}

void TResultsManager::Changed(TResultChange kind)
{
    if (FUpdateCount < 1 && OnChange)
        OnChange(*this, kind);
}

} // namespace calc
