#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"

namespace {

constexpr std::string_view kZeroField = " 0.000     ";
constexpr std::string_view kOverflowMagnitude = "*.***E\u00B1* ";
constexpr std::array<std::string_view, 10> kSuffixes = {
    "e-15 ", "e-12 ", "e-9  ", "e-6  ", "e-3  ", "     ", "e+3  ", "e+6  ", "e+9  ", "e+12 ",
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// d.ddd, dd.dd or ddd.d with a non-zero first digit.
bool IsMantissa(std::string_view m) {
    if (m.size() != 5 || m[0] == '0' || !IsDigit(m[0])) return false;
    int points = 0;
    for (char c : m) {
        if (c == '.') {
            ++points;
        } else if (!IsDigit(c)) {
            return false;
        }
    }
    return points == 1 && m.front() != '.' && m.back() != '.';
}

// The field's shape: a sign position, then the zero field, the overflow
// field, or a mantissa followed by one of the ten suffixes.
::testing::AssertionResult HasFieldShape(const std::string& field, double value) {
    if (field.empty() || (field[0] != ' ' && field[0] != '-' && field[0] != '+')) {
        return ::testing::AssertionFailure() << "bad sign position in \"" << field << '"';
    }
    const bool negative = std::signbit(value) && value != 0;
    const char expectedSign = negative ? '-' : (std::abs(value) > 9.9995e12 ? '+' : ' ');
    if (field[0] != expectedSign) return ::testing::AssertionFailure() << "sign of " << field;
    const std::string_view rest = std::string_view(field).substr(1);
    if (rest == kZeroField.substr(1) || rest == kOverflowMagnitude) {
        return ::testing::AssertionSuccess();
    }
    // The mantissa 1000 has no point and no padding: a 10-character field.
    const std::string_view mantissa = rest.starts_with("1000") ? rest.substr(0, 4) : rest.substr(0, 5);
    if ((mantissa.size() == 5 && !IsMantissa(mantissa)) || rest.size() != mantissa.size() + 5) {
        return ::testing::AssertionFailure() << "bad mantissa in \"" << field << '"';
    }
    for (std::string_view suffix : kSuffixes) {
        if (rest.substr(mantissa.size()) == suffix) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "bad suffix in \"" << field << '"';
}
// The value rounded to four significant digits by the standard library.
double RoundedToFourDigits(double value) {
    std::array<char, 64> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value,
                                   std::chars_format::scientific, 3);
    double rounded = 0;
    std::from_chars(text.data(), end.ptr, rounded);
    return rounded;
}

TEST(FormatEngPropertyTest, EveryFiniteValueGivesAFieldThatReadsBackRounded) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> decade(-20.0, 15.0);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        double value = 0;
        if (i % 4 == 3) {
            // Any bit pattern: mostly far outside the table.
            const std::uint64_t pattern = bits(random);
            std::memcpy(&value, &pattern, sizeof value);
            if (!std::isfinite(value)) continue;
        } else {
            value = unit(random) * std::pow(10.0, std::floor(decade(random)));
            if (i % 2 == 1) value = -value;
        }
        const std::string field = core::EngField(value);
        ASSERT_TRUE(HasFieldShape(field, value)) << std::hexfloat << value;

        const double magnitude = std::abs(value);
        const double back = platform::ParseLenient(field).value;
        if (magnitude <= 9.9995e-16) {
            ASSERT_EQ(back, 0.0) << field;
        } else if (magnitude > 9.9995e12) {
            ASSERT_EQ(back, 0.0) << field;  // the overflow field reads as no number
        } else {
            ASSERT_EQ(back, RoundedToFourDigits(value)) << std::hexfloat << value << " " << field;
        }
    }
}

}  // namespace
