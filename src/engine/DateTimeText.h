#pragma once

#include "engine/ExprParserTypes.h"

#include <string_view>

namespace calc {

/// Converts a date, a time, or a date followed by a time, written in the short date format and
/// time format of the regional settings, to days since 30 December 1899 plus the fraction of
/// the day. False when the text does not convert.
[[nodiscard]] bool TryStrToDateTime(std::string_view text, const TRegionalSettings& settings,
                                    Extended& value);

/// Days since 30 December 1899 of a date of the proleptic Gregorian calendar.
[[nodiscard]] long DateToSerial(int year, unsigned month, unsigned day) noexcept;

} // namespace calc
