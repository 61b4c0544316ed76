#pragma once

#include <string>

namespace core {

// The engineering field of a number: a sign position, a four-digit mantissa
// (d.ddd, dd.dd or ddd.d) and a five-character exponent suffix from "e-15 " to
// "e+12 " in steps of three, 11 characters in all; " 0.000     " for
// magnitudes up to 9.9995e-16 and "+*.***E±* " (10 characters) above 9.9995e12.
//
// Real mode (`text` empty on entry): `text` and `field` receive the field of
// `value`; `imagField` is not touched.
// Complex mode (`text` not empty): `text` holds a complex number such as
// "3.3 + j4.7"; `field` receives the field of the real part and `imagField`
// that of the imaginary part; `text` comes back as it was.
// `value` always comes back unchanged.
//
// Complex mode throws platform::ArithmeticError (overflow) for text longer than
// 32766 characters or a part beyond the range of a double, and
// std::invalid_argument when the text has no "j" at its third character or
// later; no argument is changed then.
// A NaN gives the overflow field, as an infinity does.
void FormatEng(double& value, std::string& text, std::string& field, std::string& imagField);

// Removes the blanks (U+0020 only) at both ends of `text` and returns a copy.
std::string TrimSpaces(std::string& text);

// The real-mode field of `value`, for callers that want the field alone.
std::string EngField(double value);

// A number as the result lines show it: its field without the blanks.
std::string ShownNumber(double value);

}  // namespace core
