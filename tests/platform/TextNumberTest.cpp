#include "platform/TextNumber.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace {

using platform::NumberToText;
using platform::ParseLenient;

struct Case {
    const char* text;
    double value;
};

TEST(ParseLenientTest, ReadsTheNumberAtTheStart) {
    const Case cases[] = {
        {"12", 12},           {"  12", 12},         {"\t12", 12},        {"12  ", 12},
        {"+3.5", 3.5},        {"-3.5", -3.5},       {".5", 0.5},         {"5.", 5},
        {"-.25", -0.25},      {"1e3", 1000},        {"1E3", 1000},       {"1e+3", 1000},
        {"2.5e-3", 2.5e-3},   {"22000", 22000},     {"4.700e+3  ", 4700}, {" 849.6e-6 ", 849.6e-6},
        {"12abc", 12},        {"1.2.3", 1.2},       {"1e", 1},           {"1e+", 1},
        {"1e-x", 1},          {"3,5", 3},           {"7 8", 7},          {"1.5e3.7", 1500},
        {"0x1A", 0},          {"12k", 12},          {"00012", 12},       {"1d3", 1},
    };
    for (const Case& c : cases) {
        const auto result = ParseLenient(c.text);
        EXPECT_EQ(result.value, c.value) << '"' << c.text << '"';
        EXPECT_FALSE(result.overflow) << '"' << c.text << '"';
    }
}

TEST(ParseLenientTest, TextWithoutANumberGivesZero) {
    for (const char* text : {"", "   ", "abc", "-", "+", ".", "-.", "e5", "inf", "nan", "-inf",
                             "infinity", "NaN", "True", "+*.***E\u00B1* ", "\u00B1 5"}) {
        const auto result = ParseLenient(text);
        EXPECT_EQ(result.value, 0.0) << '"' << text << '"';
        EXPECT_FALSE(result.overflow) << '"' << text << '"';
    }
}

TEST(ParseLenientTest, RoundsCorrectly) {
    EXPECT_EQ(ParseLenient("0.1").value, 0.1);
    EXPECT_EQ(ParseLenient("9.9995").value, 9.9995);
    EXPECT_EQ(ParseLenient("9007199254740993").value, 9007199254740992.0);  // tie to even
    EXPECT_EQ(ParseLenient("9007199254740993.0000000000000000001").value, 9007199254740994.0);
    EXPECT_EQ(ParseLenient("1.7976931348623157e308").value, 1.7976931348623157e308);
    EXPECT_EQ(ParseLenient("4.9406564584124654e-324").value, 4.9406564584124654e-324);
}

TEST(ParseLenientTest, NumbersBeyondADoubleOverflow) {
    for (const char* text : {"1e999", "-1e999", "1.8e308", "  99999e99999999999999999999",
                             "1000000000000000000000000000000000000000e300"}) {
        const auto result = ParseLenient(text);
        EXPECT_TRUE(result.overflow) << text;
        EXPECT_EQ(result.value, 0.0) << text;
    }
}

TEST(ParseLenientTest, NumbersBelowADoubleUnderflowToSignedZero) {
    for (const char* text : {"1e-999", "0.0000001e-320", "1e-99999999999999999999"}) {
        const auto result = ParseLenient(text);
        EXPECT_FALSE(result.overflow) << text;
        EXPECT_EQ(result.value, 0.0) << text;
        EXPECT_FALSE(std::signbit(result.value)) << text;
    }
    const auto negative = ParseLenient("-1e-999");
    EXPECT_FALSE(negative.overflow);
    EXPECT_TRUE(std::signbit(negative.value));
    // Zero mantissas never overflow, whatever the exponent.
    EXPECT_EQ(ParseLenient("0e99999").value, 0.0);
    EXPECT_FALSE(ParseLenient("0.000e99999").overflow);
}

TEST(ParseLenientTest, IgnoresTheProcessLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not generated on this machine (make test does it)";
    }
    const double half = ParseLenient("0.5").value;
    const double comma = ParseLenient("0,5").value;
    const std::string text = NumberToText(123.4);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(half, 0.5);
    EXPECT_EQ(comma, 0.0);
    EXPECT_EQ(text, " 123.4");
}

TEST(PlainTextTest, WritesTheShortestDigitsWithoutExponentOrBlank) {
    EXPECT_EQ(platform::PlainText(22000), "22000");
    EXPECT_EQ(platform::PlainText(4.7e-3), "0.0047");
    EXPECT_EQ(platform::PlainText(1.5e6), "1500000");
    EXPECT_EQ(platform::PlainText(-1.5), "-1.5");
    EXPECT_EQ(platform::PlainText(-0.0), "0");
}

TEST(NumberToTextTest, WritesABlankThenTheShortestFixedDigits) {
    EXPECT_EQ(NumberToText(1.5), " 1.5");
    EXPECT_EQ(NumberToText(10), " 10");
    EXPECT_EQ(NumberToText(123.4), " 123.4");
    EXPECT_EQ(NumberToText(1000), " 1000");
    EXPECT_EQ(NumberToText(9.999), " 9.999");
    EXPECT_EQ(NumberToText(4547.0 / 1000), " 4.547");
    EXPECT_EQ(NumberToText(1e300).size(), 302u);  // fixed form, never an exponent
}

}  // namespace

namespace {

// The formatter writes mantissas from their whole-number digits; for every
// mantissa it can meet that must equal the text of the rounded quotient.
TEST(ScaledIntegerToTextTest, MatchesTheQuotientsTextForEveryMantissa) {
    for (int decimals = 1; decimals <= 3; ++decimals) {
        const double divisor = decimals == 1 ? 10.0 : decimals == 2 ? 100.0 : 1000.0;
        for (long k = 1000; k <= 10000; ++k) {
            ASSERT_EQ(platform::ScaledIntegerToText(k, decimals),
                      NumberToText(static_cast<double>(k) / divisor))
                << k << " / " << divisor;
        }
    }
}

TEST(ScaledIntegerToTextTest, PadsNumbersBelowOne) {
    EXPECT_EQ(platform::ScaledIntegerToText(5, 3), " 0.005");
    EXPECT_EQ(platform::ScaledIntegerToText(0, 2), " 0");
    EXPECT_EQ(platform::ScaledIntegerToText(120, 0), " 120");
    EXPECT_EQ(platform::ScaledIntegerToText(1234567, 9), " 0.001234567");
}

}  // namespace
