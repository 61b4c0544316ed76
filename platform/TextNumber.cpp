#include "platform/TextNumber.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace platform {
namespace {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where the number at the start of the text lies, found by a scan of our own:
// std::from_chars alone would also take "inf", "nan" and hexadecimal forms,
// and would reject a leading "+".
struct NumberSpan {
    std::size_t begin = 0;      // first character handed to from_chars
    std::size_t end = 0;        // one past the last character of the number
    bool hasDigits = false;     // at least one mantissa digit
    bool negative = false;
    // Decimal magnitude of the first non-zero mantissa digit, plus the
    // exponent, saturated: positive means the value is at least 1.
    std::int64_t decimalExponent = 0;
    bool nonZero = false;
};

constexpr std::int64_t kSaturation = std::int64_t{1} << 40;

std::int64_t Saturate(std::int64_t v) {
    if (v > kSaturation) return kSaturation;
    if (v < -kSaturation) return -kSaturation;
    return v;
}

NumberSpan Scan(std::string_view text) {
    NumberSpan span;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;

    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        span.negative = text[i] == '-';
        ++i;
    }
    // from_chars takes "-" but not "+".
    span.begin = span.negative ? i - 1 : i;

    std::int64_t integerDigitsAfterFirst = 0;  // integer digits from the first non-zero on
    std::int64_t leadingFractionZeros = 0;
    while (i < text.size() && IsDigit(text[i])) {
        span.hasDigits = true;
        if (text[i] != '0') span.nonZero = true;
        if (span.nonZero) integerDigitsAfterFirst = Saturate(integerDigitsAfterFirst + 1);
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            span.hasDigits = true;
            if (!span.nonZero) {
                if (text[i] != '0') {
                    span.nonZero = true;
                } else {
                    leadingFractionZeros = Saturate(leadingFractionZeros + 1);
                }
            }
            ++i;
        }
    }
    span.end = i;
    if (!span.hasDigits) return span;

    span.decimalExponent =
        integerDigitsAfterFirst > 0 ? integerDigitsAfterFirst : -leadingFractionZeros;

    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            std::int64_t exponent = 0;
            while (j < text.size() && IsDigit(text[j])) {
                exponent = Saturate(exponent * 10 + (text[j] - '0'));
                ++j;
            }
            span.decimalExponent =
                Saturate(span.decimalExponent + (negativeExponent ? -exponent : exponent));
            span.end = j;
        }
    }
    return span;
}

}  // namespace

LenientNumber ParseLenient(std::string_view text) {
    const NumberSpan span = Scan(text);
    if (!span.hasDigits) return {};

    const char* first = text.data() + span.begin;
    const char* last = text.data() + span.end;
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc{}) return {value, false};

    // Out of range: a number this far from 1 is either beyond the largest
    // double or below the smallest denormal; the exponent tells which.
    if (span.decimalExponent > 0) return {0.0, true};
    return {span.negative ? -0.0 : 0.0, false};
}

std::size_t LenientNumberEnd(std::string_view text) {
    const NumberSpan span = Scan(text);
    if (span.hasDigits) return span.end;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    return i;
}

std::string NumberToText(double value) {
    // Room for any double in fixed notation, the longest being a denormal.
    std::array<char, 400> digits{};
    const auto result =
        std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    std::string text(1, ' ');
    text.append(digits.data(), result.ptr);
    return text;
}

std::string PlainText(double value) {
    // Fixed notation with no precision given is the shortest that reads back;
    // to_chars writes the sign of a negative number itself.
    std::string text = NumberToText(value == 0 ? 0.0 : value);
    text.erase(0, 1);
    return text;
}

std::string ScaledIntegerToText(long whole, int decimals) {
    std::array<char, 32> digits{};
    // Leading zeros make room for the point when the number is below 1.
    char* const begin = digits.data() + decimals + 1;
    char* end = std::to_chars(begin, digits.data() + digits.size(), whole).ptr;
    char* first = begin;
    while (end - first <= decimals) *--first = '0';

    std::string text(1, ' ');
    char* const point = end - decimals;
    text.append(first, point);
    // The fraction without its trailing zeros; no point when nothing is left.
    while (end > point && end[-1] == '0') --end;
    if (end > point) {
        text += '.';
        text.append(point, end);
    }
    return text;
}

}  // namespace platform
