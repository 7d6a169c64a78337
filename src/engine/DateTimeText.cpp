#include "engine/DateTimeText.h"

#include <array>
#include <chrono>
#include <optional>

namespace calc {

namespace {

struct TScanner {
    std::string_view Text;
    std::size_t Pos = 0;

    [[nodiscard]] bool AtEnd() const noexcept { return Pos >= Text.size(); }
    [[nodiscard]] char Cur() const noexcept { return AtEnd() ? '\0' : Text[Pos]; }

    /// Up to maxDigits digits; the count read in digits.
    std::optional<int> Number(int maxDigits, int* digits = nullptr)
    {
        int value = 0;
        int count = 0;
        while (count < maxDigits && IsDigit(Cur())) {
            value = value * 10 + (Cur() - '0');
            ++Pos;
            ++count;
        }
        if (digits)
            *digits = count;
        if (count == 0)
            return std::nullopt;
        return value;
    }

    bool Skip(char c) noexcept
    {
        if (Cur() != c)
            return false;
        ++Pos;
        return true;
    }

    bool SkipText(std::string_view word) noexcept
    {
        if (word.empty() || !AnsiSameText(Text.substr(Pos, word.size()), word))
            return false;
        Pos += word.size();
        return true;
    }
};

bool IsLeap(int y) noexcept
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(int y, unsigned m) noexcept
{
    static constexpr std::array<unsigned, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

int CurrentYear()
{
    using namespace std::chrono;
    const year_month_day today{floor<days>(system_clock::now())};
    return static_cast<int>(today.year());
}

/// The order of day, month and year in a short date format: 'D', 'M', 'Y'.
std::array<char, 3> DateOrder(std::string_view format)
{
    std::array<char, 3> order{'M', 'D', 'Y'};
    int n = 0;
    std::array<char, 3> found{};
    for (const char c : format) {
        const char u = AnsiUpper(c);
        if ((u == 'D' || u == 'M' || u == 'Y') && n < 3) {
            bool seen = false;
            for (int i = 0; i < n; ++i)
                seen = seen || found[static_cast<std::size_t>(i)] == u;
            if (!seen)
                found[static_cast<std::size_t>(n++)] = u;
        }
    }
    return n == 3 ? found : order;
}

/// Two-digit years fall into the century window around the current year.
int ExpandYear(int year, int digits)
{
    if (digits > 2)
        return year;
    const int now = CurrentYear();
    int full = now / 100 * 100 + year;
    if (full > now + 49)
        full -= 100;
    else if (full < now - 50)
        full += 100;
    return full;
}

bool ScanDate(TScanner& s, const TRegionalSettings& rs, long& serial)
{
    const std::array<char, 3> order = DateOrder(rs.ShortDateFormat);
    std::array<int, 3> values{};
    std::array<int, 3> digits{};
    int count = 0;
    for (; count < 3; ++count) {
        if (count > 0 && !s.Skip(rs.DateSeparator))
            break;
        // The last part takes every digit that follows, as the conversion always has: a time
        // written right after a date (the blank between them is gone) does not convert.
        const auto n = s.Number(count == 2 ? 9 : 4, &digits[static_cast<std::size_t>(count)]);
        if (!n)
            return false;
        values[static_cast<std::size_t>(count)] = *n;
    }
    if (count < 2)
        return false;
    int year = 0;
    int month = 0;
    int day = 0;
    if (count == 3) {
        for (std::size_t i = 0; i < 3; ++i) {
            if (order[i] == 'Y')
                year = ExpandYear(values[i], digits[i]);
            else if (order[i] == 'M')
                month = values[i];
            else
                day = values[i];
        }
    }
    else {
        // Day and month alone, in the order of the format: the current year.
        year = CurrentYear();
        std::size_t k = 0;
        for (const char part : order) {
            if (part == 'Y')
                continue;
            (part == 'M' ? month : day) = values[k++];
        }
    }
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month)))
        return false;
    serial = DateToSerial(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return true;
}

bool ScanTime(TScanner& s, const TRegionalSettings& rs, Extended& time)
{
    const auto hour = s.Number(2);
    if (!hour)
        return false;
    int minute = 0;
    int second = 0;
    int msec = 0;
    bool separated = false;
    if (s.Skip(rs.TimeSeparator)) {
        separated = true;
        const auto m = s.Number(2);
        if (!m)
            return false;
        minute = *m;
        if (s.Skip(rs.TimeSeparator)) {
            const auto sec = s.Number(2);
            if (!sec)
                return false;
            second = *sec;
            if (s.Skip(rs.DecimalSeparator)) {
                int digits = 0;
                const auto ms = s.Number(3, &digits);
                if (!ms)
                    return false;
                msec = *ms * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
            }
        }
    }
    int h = *hour;
    const bool pm = s.SkipText(rs.TimePMString) || s.SkipText("PM") || s.SkipText("P");
    const bool am = !pm && (s.SkipText(rs.TimeAMString) || s.SkipText("AM") || s.SkipText("A"));
    if (!separated && !am && !pm)
        return false;
    if (am || pm) {
        if (h < 1 || h > 12)
            return false;
        h = h % 12 + (pm ? 12 : 0);
    }
    if (h > 23 || minute > 59 || second > 59)
        return false;
    time =
        (static_cast<Extended>(h) * 3600000 + minute * 60000 + second * 1000 + msec) / 86400000.0L;
    return true;
}

} // namespace

long DateToSerial(int year, unsigned month, unsigned day) noexcept
{
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} /
                        std::chrono::day{day}};
    const sys_days epoch{std::chrono::year{1899} / December / 30};
    return static_cast<long>((date - epoch).count());
}

bool TryStrToDateTime(std::string_view text, const TRegionalSettings& settings, Extended& value)
{
    {
        TScanner s{text};
        Extended time = 0;
        if (ScanTime(s, settings, time) && s.AtEnd()) {
            value = time;
            return true;
        }
    }
    TScanner s{text};
    long serial = 0;
    if (!ScanDate(s, settings, serial))
        return false;
    Extended time = 0;
    if (!s.AtEnd() && !(ScanTime(s, settings, time) && s.AtEnd()))
        return false;
    // Before the epoch the fraction counts away from zero, as the day number does.
    value = serial < 0 ? serial - time : serial + time;
    return true;
}

} // namespace calc
