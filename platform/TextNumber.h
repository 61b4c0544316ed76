#pragma once

#include <string>
#include <string_view>

namespace platform {

struct LenientNumber {
    double value = 0.0;
    // The text starts with a number too large for a double; `value` is then 0.
    bool overflow = false;
};

// The lenient text-to-number conversion used for every typed or stored value.
// Leading blanks and tabs are skipped; an optional sign, decimal digits with at
// most one ".", and an optional exponent ("e" or "E", optional sign, digits)
// form the number; reading stops at the first character that cannot continue
// it. Text with no number at its start gives 0. The decimal point is "."
// whatever the process locale. A magnitude too small for a double gives a
// signed zero (underflow passes, as it does in the arithmetic).
LenientNumber ParseLenient(std::string_view text);

// The number-to-text conversion for mantissas: a blank, then the shortest
// decimal digits that read back as `value`, "." as the point, no exponent and
// no trailing zeros of the fraction (1.5 -> " 1.5", 10 -> " 10").
// `value` must be finite and not negative.
std::string NumberToText(double value);

}  // namespace platform
