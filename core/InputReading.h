#pragma once

#include <functional>
#include <limits>
#include <string>
#include <string_view>

namespace core {

// The unit that a box's text may end with and still be read whole.
// Volt, Ohm, Farad, Hertz and Watt take multipliers (22k, 500mV, 10uF, 1kHz); the
// others only their unit.
enum class InputUnit {
    Volt,         // Vcc, Vce
    Ohm,          // R1, R2, Rc, Re
    None,         // Beta, the divider's stiffness
    Milliampere,  // a current typed in mA
    Percent,      // a share typed in per cent
    Celsius,      // a temperature in degrees Celsius: "°C", "C"
    Farad,        // capacitors of the amplifier
    Hertz,        // frequencies of the amplifier
    Watt,         // a transistor's dissipation rating (625m, 625 mW, 0.625 W)
};

// How the lenient conversion reads a box's text, and what the user most
// likely meant where it leaves text unread ("22k", "4k7", "1.5meg").
struct InputReading {
    double value = 0;       // what the lenient conversion reads (platform::ParseLenient)
    bool overflow = false;  // ParseLenient's overflow; `value` is then 0, or -0 for "-1e400"
    bool readWhole = true;
    std::string rest;  // unread text from its first character on, at most 12 characters
    bool hasFix = false;
    double meant = 0;            // the value meant, when hasFix
    std::string fixed;           // platform::PlainText(meant), when hasFix
    bool meantTooLarge = false;  // a multiplier takes the number beyond a double ("1e308k")
};

// A text is read whole when nothing but blanks, or blanks and the box's own
// unit ("12 V", "470 ohms"), follows the number. Otherwise a multiplier
// (p n u µ m k K M G, "meg"), optionally followed by code digits that
// continue the mantissa ("4k7", and "2R2" for resistors) and the unit, gives
// the value meant, read once from its decimal text so that no digit drifts.
InputReading ReadInput(std::string_view text, InputUnit unit);

// The number the reading stands for in a sentence: its value, or an infinity
// of its sign for a number too large, which no calculation takes as the 0
// that the conversion gives.
double ShownReadValue(const InputReading& reading);

// How a front end puts a reading that is not read whole into words.
using ReadingPhraser = std::function<std::string(const InputReading&)>;

// What a box takes: its unit and the range of its value. The main window's
// six boxes take any number, read as far as it goes (lenient); the other
// boxes are read whole or refused.
struct InputRule {
    InputUnit unit = InputUnit::None;
    double min = -std::numeric_limits<double>::infinity();
    double max = std::numeric_limits<double>::infinity();
    bool minIncluded = true;
    bool maxIncluded = true;
    bool emptyAllowed = true;  // an empty box reads as 0
    bool lenient = true;       // text after the number is a warning, not a refusal
    // A multiplier after the number, with a code's digits and the unit, gives
    // the value ("10u", "4k7", "300MHz") rather than being text not read.
    bool multipliers = false;
    // An empty box is no value at all (an optional one), not a 0 held
    // against the range.
    bool emptyIsNone = false;
};

// Why a box's value is refused; None when it is taken.
enum class InputFault {
    None,
    Empty,         // nothing typed where the box needs a number
    TooLarge,      // beyond the range of a double
    NotReadWhole,  // text after the number, in a box that is not lenient
    BelowRange,    // below the rule's min (or at it, where it is excluded)
    AboveRange,    // above the rule's max (or at it, where it is excluded)
    Misordered,    // a "from" above its "to"
};

struct InputResult {
    InputReading reading;
    InputFault fault = InputFault::None;

    bool ok() const { return fault == InputFault::None; }
    double value() const { return reading.value; }
};

// Reads `text` by `rule`: the one way every numeric box is read. The first
// fault found, in the order of InputFault, is the one reported.
InputResult ReadBox(std::string_view text, const InputRule& rule);

// The rule of a box that takes its unit and any number, read leniently.
inline InputRule LenientRule(InputUnit unit) { return InputRule{.unit = unit}; }

}  // namespace core
