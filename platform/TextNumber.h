#pragma once

#include <cstddef>
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

// Where ParseLenient stops reading: one past the last character of the number,
// or past the leading blanks and tabs when the text has no number at its start.
std::size_t LenientNumberEnd(std::string_view text);

// The number-to-text conversion for mantissas: a blank, then the shortest
// decimal digits that read back as `value`, "." as the point, no exponent and
// no trailing zeros of the fraction (1.5 -> " 1.5", 10 -> " 10").
// `value` must be finite and not negative.
std::string NumberToText(double value);

// A number as a person writes it into a box: the shortest decimal digits
// that read back as `value`, a "-" for a negative one, "." as the point only
// where a fraction remains, and no exponent (22000, 0.0047, -1.5). `value`
// must be finite.
std::string PlainText(double value);

// The same text for the quotient whole / 10^decimals, written from the whole
// number's digits: the digits of `whole` with the point moved left by
// `decimals`, trailing zeros and a trailing point dropped (15, 1 -> " 1.5";
// 1000, 2 -> " 10"). Equal to NumberToText of the rounded quotient, at a
// fraction of its cost. `whole` must not be negative; `decimals` 0 to 9.
std::string ScaledIntegerToText(long whole, int decimals);

}  // namespace platform
