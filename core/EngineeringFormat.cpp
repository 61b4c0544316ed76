#include "core/EngineeringFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/FpCheck.h"
#include "platform/TextNumber.h"
#include "platform/Utf8.h"

namespace core {
namespace {

constexpr std::string_view kZeroField = " 0.000     ";

std::string OverflowField() {
    std::string field = "+*.***E";
    field += platform::kPlusMinus;
    field += "* ";
    return field;
}

// Band n (1 to 28) covers the closed interval [kBounds[n - 1], kBounds[n]];
// on a shared bound the lower band wins.
constexpr std::array<double, 29> kBounds = {
    9.9995e-16, 9.9995e-15, 9.9995e-14, 9.9995e-13, 9.9995e-12, 9.9995e-11,
    9.9995e-10, 9.9995e-9,  9.9995e-8,  9.9995e-7,  9.9995e-6,  9.9995e-5,
    9.9995e-4,  9.9995e-3,  9.9995e-2,  9.9995e-1,  9.9995,     9.9995e1,
    9.9995e2,   9.9995e3,   9.9995e4,   9.9995e5,   9.9995e6,   9.9995e7,
    9.9995e8,   9.9995e9,   9.9995e10,  9.9995e11,  9.9995e12,
};

struct Group {
    double power;  // P, the double nearest to the power of ten
    std::string_view suffix;
};

// Three bands to a group, the last group ("e+12 ") with its first band only.
constexpr std::array<Group, 10> kGroups = {{
    {1e15, "e-15 "},
    {1e12, "e-12 "},
    {1e9, "e-9  "},
    {1e6, "e-6  "},
    {1e3, "e-3  "},
    {1.0, "     "},
    {1e-3, "e+3  "},
    {1e-6, "e+6  "},
    {1e-9, "e+9  "},
    {1e-12, "e+12 "},
}};

struct Band {
    double divisor;  // F: the mantissa keeps 3, 2 or 1 decimals
    int decimals;    // those decimals, the number of zeros of F
    double scale;    // G = F * P, rounded to double: some bands rely on that rounding
    std::string_view suffix;
};

constexpr std::array<Band, 28> MakeBands() {
    constexpr std::array<double, 3> divisors = {1000.0, 100.0, 10.0};
    constexpr std::array<int, 3> decimals = {3, 2, 1};
    std::array<Band, 28> bands{};
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const Group& group = kGroups[i / 3];
        const double divisor = divisors[i % 3];
        bands[i] = {divisor, decimals[i % 3], divisor * group.power, group.suffix};
    }
    return bands;
}

constexpr std::array<Band, 28> kBands = MakeBands();

// Brings the mantissa text to four significant digits; `m` is the value the
// text reads back as. The text holds the shortest digits that read back
// exactly, so the caller passes the mantissa itself instead of re-reading.
void PadMantissa(std::string& text, double m) {
    if (m >= 1 && m <= 9.9995) {
        if (text.size() == 2) text += ".000";
        if (text.size() == 4) text += "00";
        if (text.size() == 5) text += "0";
    } else if (m >= 9.9995 && m <= 99.995) {
        if (text.size() == 3) text += ".00";
        if (text.size() == 5) text += "0";
    } else if (m <= 1000 && m >= 99.995) {
        if (text.size() == 4) text += ".0";
    }
}

// The field of one band's magnitude: mantissa digits, padding and suffix.
std::string BandField(double x, const Band& band) {
    const double k = std::floor(x * band.scale + 0.5);  // 1000 to 10000
    const double q = k / band.divisor;
    // The text of q, written from k's digits: converting q itself would cost
    // most of the formatter's time for the same characters.
    std::string text = platform::ScaledIntegerToText(static_cast<long>(k), band.decimals);
    PadMantissa(text, q);
    text += band.suffix;
    return text;
}

std::string MagnitudeField(double x) {
    if (x <= kBounds.front()) return std::string(kZeroField);
    // Also catches NaN, which compares false with every bound.
    if (!(x <= kBounds.back())) return OverflowField();
    const auto upper = std::lower_bound(kBounds.begin() + 1, kBounds.end(), x);
    return BandField(x, kBands[static_cast<std::size_t>(upper - kBounds.begin() - 1)]);
}

std::string FormatField(double value) {
    if (value == 0) return std::string(kZeroField);  // also -0: no sign step
    const bool negative = value < 0;
    std::string text = MagnitudeField(negative ? -value : value);
    if (negative) text[0] = '-';  // the first character is always ASCII
    return text;
}

// Complex-mode split. Positions count characters, not bytes.
struct ComplexParts {
    double real = 0;
    double imaginary = 0;
};

constexpr std::size_t kMaxComplexChars = 32766;

double ReadPart(std::string_view part, std::string_view which) {
    const platform::LenientNumber number = platform::ParseLenient(part);
    if (number.overflow) {
        throw platform::ArithmeticError(platform::FpFault::Overflow,
                                        "The " + std::string(which) +
                                            " part of the complex number is too large.");
    }
    return number.value;
}

ComplexParts SplitComplex(const std::string& text) {
    if (platform::CharCount(text) > kMaxComplexChars) {
        throw platform::ArithmeticError(
            platform::FpFault::Overflow,
            "The complex number text is longer than 32766 characters.");
    }
    std::vector<std::size_t> starts;  // byte offset of each character
    starts.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!platform::IsContinuationByte(text[i])) starts.push_back(i);
    }
    // The last j (or J) of the text, as a 0-based character index.
    std::size_t j = starts.size();
    while (j > 0) {
        const char c = text[starts[j - 1]];
        if (c == 'j' || c == 'J') break;
        --j;
    }
    // j is now the 1-based position of the last j, or 0 when there is none.
    if (j < 3) {
        throw std::invalid_argument(
            "The complex number needs a \"j\" at its third character or later, as in "
            "\"3.3 + j4.7\".");
    }
    const std::string_view view = text;
    const std::size_t realEnd = starts[j - 3];
    const std::size_t imaginaryBegin = starts[j - 1] + 1;
    return {ReadPart(view.substr(0, realEnd), "real"),
            ReadPart(view.substr(imaginaryBegin), "imaginary")};
}

}  // namespace

void FormatEng(double& value, std::string& text, std::string& field, std::string& imagField) {
    if (text.empty()) {
        text = FormatField(value);
        field = text;
        return;
    }
    // Both parts are read before anything is written, so a failure leaves
    // every argument as it was.
    const ComplexParts parts = SplitComplex(text);
    std::string realField = FormatField(parts.real);
    imagField = FormatField(parts.imaginary);
    field = std::move(realField);
}

std::string TrimSpaces(std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        text.clear();
    } else {
        text.erase(text.find_last_not_of(' ') + 1);
        text.erase(0, first);
    }
    return text;
}

std::string EngField(double value) {
    std::string text;
    std::string field;
    std::string unusedImaginary;
    FormatEng(value, text, field, unusedImaginary);
    return field;
}

std::string ShownNumber(double value) {
    std::string field = EngField(value);
    return TrimSpaces(field);
}

}  // namespace core
