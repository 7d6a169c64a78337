#pragma once

#include "engine/ExprParserTypes.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

class TResultsManager;

/// The text of a format that cannot show the value.
inline constexpr std::string_view sCantDisplayResult = "Can't display result in this format";

/// The settings a format offers: its yes/no option and its digit count.
enum class TResultOptionKind { okCheck = 0, okNumber = 1 };

/// A set of option kinds in one byte: okCheck is bit 0, okNumber bit 1.
class TResultOptions {
public:
    constexpr TResultOptions() noexcept = default;
    constexpr TResultOptions(std::initializer_list<TResultOptionKind> kinds) noexcept
    {
        for (TResultOptionKind kind : kinds)
            FBits |= Bit(kind);
    }

    [[nodiscard]] constexpr bool Contains(TResultOptionKind kind) const noexcept
    {
        return (FBits & Bit(kind)) != 0;
    }
    [[nodiscard]] constexpr bool IsEmpty() const noexcept { return FBits == 0; }
    [[nodiscard]] constexpr std::uint8_t Bits() const noexcept { return FBits; }
    constexpr bool operator==(const TResultOptions&) const noexcept = default;

private:
    static constexpr std::uint8_t Bit(TResultOptionKind kind) noexcept
    {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(kind));
    }
    std::uint8_t FBits = 0;
};

/// What changed in the results manager or one of its formats.
enum class TResultChange { rcList, rcFormat, rcDefault, rcValue, rcRightAlign };

/// One result format: turns a value into one line of text and carries its own settings, its
/// display position, its visibility and whether it is the default format.
class TResultProvider {
public:
    TResultProvider() = default;
    TResultProvider(const TResultProvider&) = delete;
    TResultProvider& operator=(const TResultProvider&) = delete;
    virtual ~TResultProvider() = default;

    [[nodiscard]] virtual std::string GetName() const = 0;
    /// Literal prefix put before a result copied with its prefix ("$", "&B ").
    [[nodiscard]] virtual std::string GetPrefix() const { return {}; }
    [[nodiscard]] virtual TResultOptions GetOptions() const { return {}; }
    [[nodiscard]] virtual std::string GetOptionCaption(TResultOptionKind kind) const;
    /// Never fails: a value the format cannot show gives the failure text.
    [[nodiscard]] virtual std::string FormatValue(Extended value) const = 0;

    /// The manager holding the format; none until it is added.
    [[nodiscard]] TResultsManager* Owner() const noexcept { return FOwner; }

    [[nodiscard]] int Digits() const noexcept { return FDigits; }
    void SetDigits(int value);
    [[nodiscard]] int DigitsMin() const noexcept { return FDigitsMin; }
    [[nodiscard]] int DigitsMax() const noexcept { return FDigitsMax; }
    [[nodiscard]] bool Checked() const noexcept { return FChecked; }
    void SetChecked(bool value);
    [[nodiscard]] int Order() const noexcept { return FOrder; }
    void SetOrder(int value);
    [[nodiscard]] bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool value);

    [[nodiscard]] bool IsDefault() const noexcept;
    /// True makes this the default format; false clears the default only if it is this one.
    /// Reports rcDefault either way, also when nothing changed.
    void SetIsDefault(bool value);

    /// The text of the owner's current value.
    [[nodiscard]] std::string Text() const;

    /// "Digits,Checked,Visible,Order" as stored in the options file, booleans as 0 or 1.
    [[nodiscard]] std::string SettingsText() const;
    /// Reads the fields back without reporting; a field whose token is missing stays unchanged.
    void SetSettingsText(std::string_view text);

protected:
    void SetDigitsRange(int digitsMin, int digitsMax) noexcept
    {
        FDigitsMin = digitsMin;
        FDigitsMax = digitsMax;
    }

private:
    friend class TResultsManager;
    void Changed(TResultChange kind);

    TResultsManager* FOwner = nullptr;
    int FDigits = 0;
    int FDigitsMin = 0;
    int FDigitsMax = 0;
    bool FChecked = false;
    int FOrder = 0;
    bool FVisible = false;
};

/// Walks a snapshot of the formats sorted by display order, all or only the visible ones.
class TResultsEnumerator {
public:
    TResultsEnumerator(const TResultsManager& manager, bool visibleOnly);

    /// The format at the current position; valid after MoveNext answered true.
    [[nodiscard]] TResultProvider& Current() const;
    bool MoveNext();

private:
    std::vector<TResultProvider*> FItems;
    bool FVisibleOnly;
    std::ptrdiff_t FPosition = -1;
};

/// Input iterator over an enumerator's own snapshot, so that range-for works.
class TResultsIterator {
public:
    using value_type = TResultProvider;
    using reference = TResultProvider&;
    using difference_type = std::ptrdiff_t;

    explicit TResultsIterator(TResultsEnumerator enumerator)
        : FEnumerator(std::move(enumerator)), FValid(FEnumerator.MoveNext())
    {
    }
    reference operator*() const { return FEnumerator.Current(); }
    TResultsIterator& operator++()
    {
        FValid = FEnumerator.MoveNext();
        return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const TResultsIterator& it, std::default_sentinel_t) noexcept
    {
        return !it.FValid;
    }

private:
    TResultsEnumerator FEnumerator;
    bool FValid;
};

/// What a range-for loop over the formats in display order asks for.
class TResultsEnumProvider {
public:
    TResultsEnumProvider(const TResultsManager& manager, bool visibleOnly) noexcept
        : FManager(manager), FVisibleOnly(visibleOnly)
    {
    }
    [[nodiscard]] TResultsEnumerator GetEnumerator() const
    {
        return TResultsEnumerator(FManager, FVisibleOnly);
    }
    [[nodiscard]] TResultsIterator begin() const { return TResultsIterator(GetEnumerator()); }
    [[nodiscard]] std::default_sentinel_t end() const noexcept { return {}; }

private:
    const TResultsManager& FManager;
    bool FVisibleOnly;
};

/// Holds every result format in a fixed list, the current value, the default format, and
/// reports each change through one event.
class TResultsManager {
public:
    using TChangeEvent = std::function<void(TResultsManager& sender, TResultChange kind)>;
    TChangeEvent OnChange; ///< one listener, sender first; empty = none

    TResultsManager() = default;
    TResultsManager(const TResultsManager&) = delete;
    TResultsManager& operator=(const TResultsManager&) = delete;

    /// Appends the format, its Order being its list index; reports nothing.
    TResultProvider& Add(std::unique_ptr<TResultProvider> format, bool visible);
    [[nodiscard]] int Count() const noexcept { return static_cast<int>(FItems.size()); }
    /// By list index, the identity of a format in the options and history files.
    [[nodiscard]] TResultProvider& Items(int index) const;

    [[nodiscard]] TResultProvider* Default() const noexcept { return FDefault; }
    /// The default format's list index; 0 without one, so the first format stands in.
    [[nodiscard]] int DefaultIndex() const noexcept;
    /// An index outside the list clears the default; reports nothing (used while loading).
    void SetDefaultIndex(int index) noexcept;

    [[nodiscard]] Extended Value() const noexcept { return FValue; }
    void SetValue(Extended value); ///< reports rcValue every time, equal or not

    [[nodiscard]] bool RightAlign() const noexcept { return FRightAlign; }
    void SetRightAlign(bool value);

    void BeginUpdate() noexcept { ++FUpdateCount; }
    void EndUpdate(); ///< the outermost call reports rcList once

    /// The text of format index for value, with the format's prefix in front when asked.
    [[nodiscard]] std::string GetResultText(int index, bool withPrefix, Extended value) const;

    /// All formats in display order.
    [[nodiscard]] TResultsEnumerator GetEnumerator() const { return {*this, false}; }
    [[nodiscard]] TResultsEnumProvider AllResults() const noexcept { return {*this, false}; }
    [[nodiscard]] TResultsEnumProvider VisibleResults() const noexcept { return {*this, true}; }
    [[nodiscard]] TResultsIterator begin() const { return AllResults().begin(); }
    [[nodiscard]] std::default_sentinel_t end() const noexcept { return {}; }

private:
    friend class TResultProvider;
    friend class TResultsEnumerator;
    void Changed(TResultChange kind);

    std::vector<std::unique_ptr<TResultProvider>> FItems;
    TResultProvider* FDefault = nullptr;
    Extended FValue = 0;
    int FUpdateCount = 0;
    bool FRightAlign = false;
};

} // namespace calc
