#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "core/EngineeringFormat.h"
#include "platform/FpCheck.h"
#include "platform/Utf8.h"

namespace {

using core::EngField;
using core::FormatEng;
using core::TrimSpaces;
using platform::CharCount;

struct FieldCase {
    double value;
    const char* field;
    std::size_t length;
};

TEST(FormatEngTest, KnownValuesGiveTheirFields) {
    const FieldCase cases[] = {
        {1.5, " 1.500     ", 11},       {3.14159, " 3.142     ", 11},
        {123.4, " 123.4     ", 11},     {0.012, " 12.00e-3  ", 11},
        {0.5, " 500.0e-3  ", 11},       {4700, " 4.700e+3  ", 11},
        {47000, " 47.00e+3  ", 11},     {1234567, " 1.235e+6  ", 11},
        {2.2e-11, " 22.00e-12 ", 11},   {1e-15, " 1.000e-15 ", 11},
        {1e12, " 1.000e+12 ", 11},      {-1.5, "-1.500     ", 11},
        {0, " 0.000     ", 11},         {1e-20, " 0.000     ", 11},
        {-1e-20, "-0.000     ", 11},    {999.96, " 1.000e+3  ", 11},
        {9.9995, " 10.00     ", 11},    {9.9995e12, " 10.00e+12 ", 11},
        {999.95, " 1000     ", 10},     {1e13, "+*.***E\u00B1* ", 10},
        {-1e13, "-*.***E\u00B1* ", 10}, {-0.0, " 0.000     ", 11},
        {9.9995e-16, " 0.000     ", 11}, {-9.9995e-16, "-0.000     ", 11},
        {100, " 100.0     ", 11},       {10, " 10.00     ", 11},
        {1, " 1.000     ", 11},         {22000, " 22.00e+3  ", 11},
    };
    for (const FieldCase& c : cases) {
        const std::string field = EngField(c.value);
        EXPECT_EQ(field, c.field) << "value " << c.value;
        EXPECT_EQ(CharCount(field), c.length) << "value " << c.value;
    }
}

TEST(FormatEngTest, InfinityAndNaNGiveTheOverflowField) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(EngField(inf), "+*.***E\u00B1* ");
    EXPECT_EQ(EngField(-inf), "-*.***E\u00B1* ");
    EXPECT_EQ(EngField(std::numeric_limits<double>::quiet_NaN()), "+*.***E\u00B1* ");
    EXPECT_EQ(EngField(std::numeric_limits<double>::max()), "+*.***E\u00B1* ");
    EXPECT_EQ(EngField(std::numeric_limits<double>::denorm_min()), " 0.000     ");
}

TEST(FormatEngTest, RealModeFillsTextAndFieldAndKeepsTheRest) {
    for (double original : {-2.946e-3, -1e13, -1e-20, 4700.0, -0.0}) {
        double value = original;
        std::string text;
        std::string field = "old";
        std::string imagField = "untouched";
        FormatEng(value, text, field, imagField);
        EXPECT_EQ(std::signbit(value), std::signbit(original));
        EXPECT_EQ(value, original);
        EXPECT_EQ(text, field);
        EXPECT_EQ(field, EngField(original));
        EXPECT_EQ(imagField, "untouched");
    }
}

TEST(FormatEngTest, ComplexModeFormatsBothParts) {
    struct ComplexCase {
        const char* text;
        const char* real;
        const char* imaginary;
    };
    const ComplexCase cases[] = {
        {"3.3 + j4.7", " 3.300     ", " 4.700     "},
        {"3.3 - j4.7", " 3.300     ", " 4.700     "},  // the sign before j is not read
        {"3.3 + j-4.7", " 3.300     ", "-4.700     "},
        {"1e3 + J2.2e-9", " 1.000e+3  ", " 2.200e-9  "},
        {"xyj5", " 0.000     ", " 5.000     "},        // j at position 3: empty real part
        {"1 + j2 + j3", " 1.000     ", " 3.000     "},  // the last j splits
        {"\u00B1\u00B1j7", " 0.000     ", " 7.000     "},  // positions count characters
        {"5 + j", " 5.000     ", " 0.000     "},
    };
    for (const ComplexCase& c : cases) {
        double value = -7.25;
        std::string text = c.text;
        std::string field;
        std::string imagField;
        FormatEng(value, text, field, imagField);
        EXPECT_EQ(field, c.real) << c.text;
        EXPECT_EQ(imagField, c.imaginary) << c.text;
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(value, -7.25);
    }
}

// A failing complex-mode call changes none of its arguments.
template <typename Error>
void ExpectComplexFailure(const std::string& input) {
    double value = 1.5;
    std::string text = input;
    std::string field = "field";
    std::string imagField = "imag";
    EXPECT_THROW(FormatEng(value, text, field, imagField), Error) << input.substr(0, 40);
    EXPECT_EQ(value, 1.5);
    EXPECT_EQ(text, input);
    EXPECT_EQ(field, "field");
    EXPECT_EQ(imagField, "imag");
}

TEST(FormatEngTest, ComplexModeRejectsTextWithoutAUsableJ) {
    for (const char* text : {"3.3 + 4.7", "j4.7", "1j", " j", "x", "\u00B1j5"}) {
        ExpectComplexFailure<std::invalid_argument>(text);
    }
}

TEST(FormatEngTest, ComplexModeOverflowsOnLongTextOrHugeParts) {
    std::string longest(32766 - 5, ' ');
    longest += "1 + j";  // 32766 characters: the longest text accepted
    double value = 0;
    std::string text = longest;
    std::string field;
    std::string imagField;
    EXPECT_NO_THROW(FormatEng(value, text, field, imagField));
    EXPECT_EQ(field, " 1.000     ");

    ExpectComplexFailure<platform::ArithmeticError>(std::string(32767, 'j'));
    ExpectComplexFailure<platform::ArithmeticError>(std::string(32765, ' ') + "\u00B1\u00B1");
    ExpectComplexFailure<platform::ArithmeticError>("1e999 + j1");
    ExpectComplexFailure<platform::ArithmeticError>("1 + j1e999");
}

TEST(TrimSpacesTest, TrimsBlanksOnlyAndTheCallersVariable) {
    std::string text = " 12.00e-3  ";
    EXPECT_EQ(TrimSpaces(text), "12.00e-3");
    EXPECT_EQ(text, "12.00e-3");

    text = "-0.000     ";
    EXPECT_EQ(TrimSpaces(text), "-0.000");
    text = "     ";
    EXPECT_EQ(TrimSpaces(text), "");
    EXPECT_EQ(text, "");
    text = "";
    EXPECT_EQ(TrimSpaces(text), "");
    text = "\t 5 \t";
    EXPECT_EQ(TrimSpaces(text), "\t 5 \t");
    text = " a b ";
    EXPECT_EQ(TrimSpaces(text), "a b");
    text = "+*.***E\u00B1* ";
    EXPECT_EQ(TrimSpaces(text), "+*.***E\u00B1*");
}

}  // namespace
