#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/InputReading.h"

namespace {

using core::InputUnit;

constexpr double kNoFix = -1;  // `meant` of a row without a fix

struct Row {
    const char* text;
    InputUnit unit;
    bool readWhole;
    double value;      // what the lenient conversion reads
    const char* rest;  // as quoted
    double meant;      // kNoFix: no fix
    const char* fixed;
};

// Bytes that are not UTF-8 (a CSV cell) are quoted as briefly as characters:
// a run of continuation bytes is not one endless character.
TEST(InputReadingTest, TheRestOfTextThatIsNotUtf8StaysShort) {
    const std::string text = "1x" + std::string(100000, '\xA9');
    const core::InputReading r = core::ReadInput(text, InputUnit::Ohm);
    EXPECT_FALSE(r.readWhole);
    EXPECT_EQ(r.rest.substr(0, 2), "x\xA9");
    EXPECT_LE(r.rest.size(), 12u * 4u);
}

TEST(InputReadingTest, ReadsTheRestAndTheValueMeant) {
    const InputUnit ohm = InputUnit::Ohm;
    const InputUnit volt = InputUnit::Volt;
    const InputUnit none = InputUnit::None;
    const Row rows[] = {
        {"22k", ohm, false, 22, "k", 22000, "22000"},
        {"4.7k", ohm, false, 4.7, "k", 4700, "4700"},
        {"4.7 k", ohm, false, 4.7, " k", 4700, "4700"},
        {"4k7", ohm, false, 4, "k7", 4700, "4700"},
        {"1M5", ohm, false, 1, "M5", 1.5e6, "1500000"},
        {"2R2", ohm, false, 2, "R2", 2.2, "2.2"},
        {"1.5meg", ohm, false, 1.5, "meg", 1.5e6, "1500000"},
        {"1.5MEG ohms ", ohm, false, 1.5, "MEG ohms ", 1.5e6, "1500000"},
        {"22 k\u2126", ohm, false, 22, " k\u2126", 22000, "22000"},
        {"-2.2k", ohm, false, -2.2, "k", -2200, "-2200"},
        {"500mV", volt, false, 500, "mV", 0.5, "0.5"},
        {"4.7m", ohm, false, 4.7, "m", 0.0047, "0.0047"},
        {"0.1\u00B5", ohm, false, 0.1, "\u00B5", 1e-7, "0.0000001"},
        // Read once from its decimal text; multiplying would give 2009.9999999999998.
        {"2.01k", ohm, false, 2.01, "k", 2010, "2010"},
        {"1.1n", ohm, false, 1.1, "n", 1.1e-9, "0.0000000011"},
        {"1e3k", ohm, false, 1000, "k", 1e6, "1000000"},
        // Read whole: blanks and the box's own unit only.
        {"12V", volt, true, 12, "", kNoFix, ""},
        {"12 v ", volt, true, 12, "", kNoFix, ""},
        {"470 ohms", ohm, true, 470, "", kNoFix, ""},
        {"470Ohm", ohm, true, 470, "", kNoFix, ""},
        {"470\u03A9", ohm, true, 470, "", kNoFix, ""},
        {" V ", volt, true, 0, "", kNoFix, ""},  // the unit alone reads as 0, as empty text does
        {"22R", ohm, true, 22, "", kNoFix, ""},
        {"2 mA", InputUnit::Milliampere, true, 2, "", kNoFix, ""},
        {"10%", InputUnit::Percent, true, 10, "", kNoFix, ""},
        {"2m", InputUnit::Milliampere, false, 2, "m", kNoFix, ""},  // mA boxes take no multiplier
        {"", ohm, true, 0, "", kNoFix, ""},
        {" \t ", none, true, 0, "", kNoFix, ""},
        {"1.", none, true, 1, "", kNoFix, ""},
        // Not read whole, and nothing certain to write instead.
        {"100x", none, false, 100, "x", kNoFix, ""},
        {"100k", none, false, 100, "k", kNoFix, ""},  // a gain takes no multiplier
        {"12 V", ohm, false, 12, " V", kNoFix, ""},   // another box's unit
        {"abc", ohm, false, 0, "abc", kNoFix, ""},
        {"  k", ohm, false, 0, "k", kNoFix, ""},
        {"22kk", ohm, false, 22, "kk", kNoFix, ""},
        {"4.7k3", ohm, false, 4.7, "k3", kNoFix, ""},
        {"1e3k7", ohm, false, 1000, "k7", kNoFix, ""},
        {"4k 7", ohm, false, 4, "k 7", kNoFix, ""},
        {"1e300G", ohm, false, 1e300, "G", kNoFix, ""},  // beyond a double
        {"1e5e3", ohm, false, 1e5, "e3", kNoFix, ""},
        // The rest is cut after 12 characters, never inside one.
        {"1x\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC", ohm, false,
         1, "x\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC", kNoFix, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const core::InputReading r = core::ReadInput(row.text, row.unit);
        EXPECT_EQ(r.readWhole, row.readWhole);
        EXPECT_EQ(r.value, row.value);
        EXPECT_FALSE(r.overflow);
        EXPECT_EQ(r.rest, row.rest);
        EXPECT_EQ(r.hasFix, row.meant != kNoFix);
        if (r.hasFix) {
            EXPECT_EQ(r.meant, row.meant);
        }
        EXPECT_EQ(r.fixed, row.fixed);
    }
}

TEST(InputReadingTest, ANumberTooLargeIsShownAsInfiniteNotAsZero) {
    const core::InputReading huge = core::ReadInput("1e400k", InputUnit::Ohm);
    EXPECT_TRUE(huge.overflow);
    EXPECT_FALSE(huge.hasFix);
    EXPECT_EQ(core::ShownReadValue(huge), std::numeric_limits<double>::infinity());
    EXPECT_EQ(core::ShownReadValue(core::ReadInput(" -1e400k", InputUnit::Ohm)),
              -std::numeric_limits<double>::infinity());
}

TEST(InputReadingTest, ABoxRuleRefusesWhatItCannotTake) {
    using core::InputFault;
    const core::InputRule lenient = core::LenientRule(InputUnit::Ohm);
    // Degrees from -55 to 150, read whole, never empty.
    const core::InputRule temperature{.unit = InputUnit::Celsius,
                                      .min = -55,
                                      .max = 150,
                                      .emptyAllowed = false,
                                      .lenient = false};
    // From 0 to below 100 %.
    const core::InputRule tolerance{.unit = InputUnit::Percent,
                                    .min = 0,
                                    .max = 100,
                                    .maxIncluded = false,
                                    .emptyAllowed = false,
                                    .lenient = false};
    const struct {
        const char* text;
        const core::InputRule& rule;
        InputFault fault;
        double value;
    } rows[] = {
        {"22k", lenient, InputFault::None, 22},  // a warning only
        {"", lenient, InputFault::None, 0},
        {"1e999", lenient, InputFault::TooLarge, 0},
        {"-1e999k", lenient, InputFault::TooLarge, -0.0},
        {"25 \u00B0C", temperature, InputFault::None, 25},
        {"-55C", temperature, InputFault::None, -55},
        {"150\u2103", temperature, InputFault::None, 150},
        {"-300", temperature, InputFault::BelowRange, -300},
        {"150.001 \u00B0c", temperature, InputFault::AboveRange, 150.001},
        {" ", temperature, InputFault::Empty, 0},
        {"1e999 \u00B0C", temperature, InputFault::TooLarge, 0},
        {"25 K", temperature, InputFault::NotReadWhole, 25},
        {"2k", tolerance, InputFault::NotReadWhole, 2},
        {"5 %", tolerance, InputFault::None, 5},
        {"0", tolerance, InputFault::None, 0},
        {"100", tolerance, InputFault::AboveRange, 100},
        {"-0.5%", tolerance, InputFault::BelowRange, -0.5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const core::InputResult result = core::ReadBox(row.text, row.rule);
        EXPECT_EQ(result.fault, row.fault);
        EXPECT_EQ(result.value(), row.value);
    }
}

}  // namespace
