#include "core/InputReading.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"
#include "platform/Utf8.h"

namespace core {
namespace {

constexpr std::size_t kRestChars = 12;

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 'a' - 'A') : c; }

void SkipBlanks(std::string_view& s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
}

// Takes `word` off the front of `s`; ASCII letters match in either case.
bool TakeAnyCase(std::string_view& s, std::string_view word) {
    if (s.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (Lower(s[i]) != Lower(word[i])) return false;
    }
    s.remove_prefix(word.size());
    return true;
}

bool TakeAnyOf(std::string_view& s, std::initializer_list<std::string_view> words) {
    for (std::string_view word : words) {
        if (TakeAnyCase(s, word)) return true;
    }
    return false;
}

// The ohm sign, the Greek capital omega that stands for it, and their small letter.
constexpr std::string_view kOhmSign = "\u2126";
constexpr std::string_view kOmega = "\u03A9";
constexpr std::string_view kSmallOmega = "\u03C9";

bool TakeUnit(std::string_view& s, InputUnit unit) {
    switch (unit) {
        case InputUnit::Volt:
            return TakeAnyCase(s, "v");
        case InputUnit::Ohm:
            // "ohms" before "ohm", which is its start.
            return TakeAnyOf(s, {"ohms", "ohm", kOhmSign, kOmega, kSmallOmega, "r"});
        case InputUnit::Milliampere:
            return TakeAnyCase(s, "ma");
        case InputUnit::Percent:
            return TakeAnyCase(s, "%");
        case InputUnit::Celsius:
            // The degree sign with C, the one-character degree Celsius, or C alone.
            return TakeAnyOf(s, {"\u00B0C", "\u2103", "c"});
        case InputUnit::Farad:
            return TakeAnyCase(s, "f");
        case InputUnit::Hertz:
            return TakeAnyCase(s, "hz");
        case InputUnit::Watt:
            return TakeAnyCase(s, "w");
        case InputUnit::None:
            break;
    }
    return false;
}

// Blanks, optionally the box's unit, and blanks: all of `s`.
bool IsOnlyUnit(std::string_view s, InputUnit unit) {
    SkipBlanks(s);
    TakeUnit(s, unit);
    SkipBlanks(s);
    return s.empty();
}

// The power of ten of a multiplier taken off the front of `s`. Letters keep
// the case SI gives them (m milli, M mega), but "meg" is read in any case, as
// circuit simulators do; it is tried before "m", its first letter.
std::optional<int> TakeMultiplier(std::string_view& s, InputUnit unit) {
    if (unit != InputUnit::Volt && unit != InputUnit::Ohm && unit != InputUnit::Farad &&
        unit != InputUnit::Hertz && unit != InputUnit::Watt)
        return std::nullopt;
    if (TakeAnyCase(s, "meg")) return 6;
    struct Multiplier {
        std::string_view text;
        int exponent;
    };
    static constexpr Multiplier kMultipliers[] = {
        {"p", -12}, {"n", -9}, {"u", -6}, {"\u00B5", -6}, {"\u03BC", -6},
        {"m", -3},  {"k", 3},  {"K", 3},  {"M", 6},       {"G", 9},
    };
    for (const Multiplier& m : kMultipliers) {
        if (s.substr(0, m.text.size()) == m.text) {
            s.remove_prefix(m.text.size());
            return m.exponent;
        }
    }
    // Resistor codes write R as the point: 2R2 is 2.2 ohms.
    if (unit == InputUnit::Ohm && (s.substr(0, 1) == "R" || s.substr(0, 1) == "r")) {
        s.remove_prefix(1);
        return 0;
    }
    return std::nullopt;
}

// The typed exponent, bounded far beyond any double so that the sum with a
// multiplier cannot wrap; from_chars then reports the range.
std::int64_t ExponentOf(std::string_view digits) {
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    constexpr std::int64_t kBound = std::int64_t{1} << 40;
    std::int64_t exponent = 0;
    for (char c : digits) {
        if (exponent < kBound) exponent = exponent * 10 + (c - '0');
    }
    return negative ? -exponent : exponent;
}

// The power of ten of the first digit that is not 0 in a mantissa such as
// "-0.047" (-2) or "470" (2); 0 when there is none.
std::int64_t Magnitude(std::string_view mantissa) {
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    for (std::size_t i = 0; i < mantissa.size(); ++i) {
        if (!IsDigit(mantissa[i]) || mantissa[i] == '0') continue;
        const auto at = static_cast<std::int64_t>(i);
        const auto dot = static_cast<std::int64_t>(point);
        return i < point ? dot - at - 1 : dot - at;
    }
    return 0;
}

// The value meant by `number` (the text the conversion read, blanks skipped)
// followed by `rest`, where the rest is a multiplier with optional code digits
// and unit. Built as decimal text and read once, as if "4.7e-3" had been
// typed for "4.7m": multiplying by a power of ten would round twice.
std::optional<double> MeantValue(std::string_view number, std::string_view rest, InputUnit unit) {
    SkipBlanks(rest);
    const std::optional<int> multiplier = TakeMultiplier(rest, unit);
    if (!multiplier) return std::nullopt;
    std::size_t codeDigits = 0;
    while (codeDigits < rest.size() && IsDigit(rest[codeDigits])) ++codeDigits;
    const std::string_view code = rest.substr(0, codeDigits);
    rest.remove_prefix(codeDigits);
    if (!IsOnlyUnit(rest, unit)) return std::nullopt;

    const std::size_t e = number.find_first_of("eE");
    std::string_view mantissa = number.substr(0, e);
    const std::int64_t exponent =
        e == std::string_view::npos ? 0 : ExponentOf(number.substr(e + 1));
    // Code digits continue a whole number only: "4.7k3" and "1e3k7" mean nothing certain.
    if (!code.empty() && (e != std::string_view::npos || mantissa.find('.') != mantissa.npos))
        return std::nullopt;
    if (!mantissa.empty() && mantissa.front() == '+')
        mantissa.remove_prefix(1);  // from_chars takes no "+"

    std::string decimal(mantissa);
    if (!code.empty()) {
        decimal += '.';
        decimal += code;
    }
    decimal += 'e';
    decimal += std::to_string(exponent + *multiplier);

    double value = 0;
    const char* const last = decimal.data() + decimal.size();
    const auto [ptr, ec] = std::from_chars(decimal.data(), last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range && ptr == last &&
        Magnitude(mantissa) + exponent + *multiplier > 0) {
        // Beyond a double, not below the smallest one.
        return !mantissa.empty() && mantissa.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    if (ec != std::errc{} || ptr != last) return std::nullopt;
    return value;
}

// At most `maxChars` characters of `text`, never cutting one in half. A
// character has at most three continuation bytes; any more (text that is not
// UTF-8, from a CSV file, say) count as characters of their own, so that the
// quote stays short.
std::string_view FirstChars(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    std::size_t continuing = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (platform::IsContinuationByte(text[i]) && continuing < 3 && i > 0) {
            ++continuing;
            continue;
        }
        continuing = 0;
        if (chars == maxChars) return text.substr(0, i);
        ++chars;
    }
    return text;
}

}  // namespace

InputReading ReadInput(std::string_view text, InputUnit unit) {
    InputReading reading;
    const platform::LenientNumber number = platform::ParseLenient(text);
    reading.value = number.value;
    reading.overflow = number.overflow;

    const std::size_t end = platform::LenientNumberEnd(text);
    std::size_t begin = 0;
    while (begin < end && IsBlank(text[begin])) ++begin;
    const bool hasNumber = begin < end;
    // The conversion gives 0 for a number too large; its sign is kept for the
    // sentence, which shows such a number as the result lines would.
    if (number.overflow && text[begin] == '-') reading.value = -0.0;
    const std::string_view rest = text.substr(end);
    // Only the box's unit left, even with no number before it ("V" reads as 0,
    // as an empty box does).
    if (IsOnlyUnit(rest, unit)) return reading;

    reading.readWhole = false;
    reading.rest = FirstChars(rest, kRestChars);
    if (!hasNumber) return reading;  // nothing to scale
    if (const std::optional<double> meant =
            MeantValue(text.substr(begin, end - begin), rest, unit)) {
        // A multiplier that takes the number beyond a double offers no fix.
        reading.meantTooLarge = std::isinf(*meant);
        if (reading.meantTooLarge) return reading;
        reading.hasFix = true;
        reading.meant = *meant;
        reading.fixed = platform::PlainText(*meant);
    }
    return reading;
}

double ShownReadValue(const InputReading& reading) {
    return reading.overflow ? std::copysign(std::numeric_limits<double>::infinity(), reading.value)
                            : reading.value;
}

InputResult ReadBox(std::string_view text, const InputRule& rule) {
    InputResult result;
    result.reading = ReadInput(text, rule.unit);
    InputReading& r = result.reading;
    if (rule.multipliers && !r.readWhole && r.hasFix) {
        r.value = r.meant;
        r.readWhole = true;
        r.rest.clear();
        r.hasFix = false;
        r.fixed.clear();
    }
    const bool blank = text.find_first_not_of(" \t") == std::string_view::npos;
    const double v = r.value;
    if (blank && rule.emptyIsNone) return result;
    if (blank && !rule.emptyAllowed) {
        result.fault = InputFault::Empty;
    } else if (r.overflow || (rule.multipliers && r.meantTooLarge)) {
        result.fault = InputFault::TooLarge;
    } else if (!r.readWhole && !rule.lenient) {
        result.fault = InputFault::NotReadWhole;
    } else if (v < rule.min || (v == rule.min && !rule.minIncluded)) {
        result.fault = InputFault::BelowRange;
    } else if (v > rule.max || (v == rule.max && !rule.maxIncluded)) {
        result.fault = InputFault::AboveRange;
    }
    return result;
}

}  // namespace core
