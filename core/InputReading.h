#pragma once

#include <string>
#include <string_view>

namespace core {

// The unit that a box's text may end with and still be read whole.
// Volt, Ohm, Farad and Hertz take multipliers (22k, 500mV, 10uF, 1kHz); the
// others only their unit.
enum class InputUnit {
    Volt,         // Vcc, Vce
    Ohm,          // R1, R2, Rc, Re
    None,         // Beta, the divider's stiffness
    Milliampere,  // a current typed in mA
    Percent,      // a share typed in per cent
    Farad,        // capacitors of the amplifier
    Hertz,        // frequencies of the amplifier
};

// How the lenient conversion reads a box's text, and what the user most
// likely meant where it leaves text unread ("22k", "4k7", "1.5meg").
struct InputReading {
    double value = 0;       // what the lenient conversion reads (platform::ParseLenient)
    bool overflow = false;  // ParseLenient's overflow; `value` is then 0, or -0 for "-1e400"
    bool readWhole = true;
    std::string rest;  // unread text from its first character on, at most 12 characters
    bool hasFix = false;
    double meant = 0;   // the value meant, when hasFix
    std::string fixed;  // platform::PlainText(meant), when hasFix
};

// A text is read whole when nothing but blanks, or blanks and the box's own
// unit ("12 V", "470 ohms"), follows the number. Otherwise a multiplier
// (p n u µ m k K M G, "meg"), optionally followed by code digits that
// continue the mantissa ("4k7", and "2R2" for resistors) and the unit, gives
// the value meant, read once from its decimal text so that no digit drifts.
InputReading ReadInput(std::string_view text, InputUnit unit);

// Empty when read whole; otherwise
// `Read as <value>: the text from "<rest>" on is not read.`, followed where
// there is a fix by
// ` Press the sign, or choose "Write <fixed>" in the box's menu, to write <fixed>.`
std::string ReadAsSentence(const InputReading& reading);

// The menu entry that writes the fix: `Write <fixed>`.
std::string FixEntryText(const InputReading& reading);

}  // namespace core
