#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "core/BatchCalc.h"
#include "core/BiasPoint.h"

namespace {

struct Outcome {
    std::vector<std::string> rows;  // each with its line end
    std::vector<std::string> messages;
    int status = 0;
};

// Feeds the input in small pieces, so that quotes and CR LF fall across
// the pieces' edges.
Outcome RunCsv(std::string_view input, core::BatchOptions options) {
    Outcome outcome;
    std::string out;
    const auto source = [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, input.size(), std::size_t{7}});
        std::memcpy(buffer, input.data(), n);
        input.remove_prefix(n);
        return n;
    };
    const auto sink = [&](std::string_view bytes) {
        out += bytes;
        return true;
    };
    const auto message = [&](std::string_view text) { outcome.messages.emplace_back(text); };
    outcome.status = core::RunBatch(source, sink, message, options);
    for (std::size_t start = 0; start < out.size();) {
        // A record ends at CR LF; the LF inside the quoted note does not end one.
        const std::size_t end = out.find("\r\n", start);
        if (end == std::string::npos) {
            outcome.rows.push_back(out.substr(start));
            break;
        }
        outcome.rows.push_back(out.substr(start, end + 2 - start));
        start = end + 2;
    }
    return outcome;
}

// A spreadsheet's byte order mark, columns in another order, a quoted field
// with a comma, another with a line break and doubled quotes; CR LF line ends.
constexpr std::string_view kInput =
    "\xEF\xBB\xBFRe,Rc,\"R2\",R1,Beta,Vcc,Material,Note\r\n"
    "470,2200,4700,22000,100,12,Si,\"worked, example\"\r\n"
    "470,0,4700,22000,100,12,si,\"Rc = 0\non two lines\"\r\n"
    "470,2200,4700,22000,100,Ge\r\n"
    "470,2200,4700,22k,100,12,Ge,\"say \"\"22k\"\"\"\r\n";

const std::string kHeader =
    "\xEF\xBB\xBFRe,Rc,R2,R1,Beta,Vcc,Material,Note,Ic_mA,Ve,Vc,PR1,PR2,PRe,PRc,Pc,Pc0,S,Fault\r\n";
const std::string kWorked =
    "470,2200,4700,22000,100,12,Si,\"worked, example\","
    "2.946,1.398,5.520,4.547e-3,849.6e-6,4.160e-3,19.09e-3,12.14e-3,31.23e-3,8.240,\r\n";
const std::string kRcZero =
    "470,0,4700,22000,100,12,si,\"Rc = 0\non two lines\","
    "2.946,1.398,12.00,4.547e-3,849.6e-6,4.160e-3,,,,,step 10: Invalid operation\r\n";
const std::string kShort =
    "470,2200,4700,22000,100,Ge,,,,,,,,,,,,,The row has 6 fields where the header has 8.\r\n";
// Line numbers count physical lines: the note of the row before takes two.
const std::string kShortMessage = "line 5: The row has 6 fields where the header has 8.";
const std::string kNotWhole =
    "R1: Read as 22.00: the text from \"k\" on is not read. Write 22000 to use the value meant.";

TEST(BatchCalcTest, EveryRowComesBackWithItsResultsOrItsFault) {
    const Outcome loose = RunCsv(kInput, {.shown = true, .strict = false});
    EXPECT_EQ(loose.status, 0);
    ASSERT_EQ(loose.rows.size(), 5u);
    EXPECT_EQ(loose.rows[0], kHeader);
    EXPECT_EQ(loose.rows[1], kWorked);
    EXPECT_EQ(loose.rows[2], kRcZero);
    EXPECT_EQ(loose.rows[3], kShort);
    EXPECT_EQ(loose.rows[4],
              "470,2200,4700,22k,100,12,Ge,\"say \"\"22k\"\"\",,,,,,,,,,,\"R1: Read as 22.00: the "
              "text from \"\"k\"\" on is not read. Write 22000 to use the value meant.\"\r\n");
    EXPECT_EQ(loose.messages, (std::vector<std::string>{kShortMessage, "line 6: " + kNotWhole}));

    // --strict stops at the row with a missing field; the fault row before
    // it is an outcome, not a bad row, and is written.
    const Outcome strict = RunCsv(kInput, {.shown = true, .strict = true});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.rows, (std::vector<std::string>{kHeader, kWorked, kRcZero}));
    EXPECT_EQ(strict.messages, std::vector<std::string>{kShortMessage});
}

TEST(BatchCalcTest, NumbersReadBackAsTheSameDoubles) {
    const Outcome outcome = RunCsv(kInput, {});
    ASSERT_GE(outcome.rows.size(), 2u);
    const core::BiasPoint p =
        core::ComputeBiasPoint(12, 100, 22000, 4700, 2200, 470, core::kVbeSilicon).point;
    const std::string& row = outcome.rows[1];
    std::size_t at = row.find("example\",") + 9;
    for (double expected : {p.Ic, p.Ve, p.Vc, p.PR1, p.PR2, p.PRe, p.PRc, p.Pc, p.Pc0, p.S}) {
        double value = 0;
        const auto result = std::from_chars(row.data() + at, row.data() + row.size(), value);
        ASSERT_EQ(*result.ptr, ',');
        EXPECT_EQ(value, expected);
        at = static_cast<std::size_t>(result.ptr - row.data()) + 1;
    }
}

TEST(BatchCalcTest, HeaderWithoutAColumnFaultsEveryRowOrStops) {
    constexpr std::string_view input = "Vcc,Beta,R1,R2,Re\n12,100,22000,4700,470\n";
    const Outcome loose = RunCsv(input, {});
    EXPECT_EQ(loose.status, 0);
    EXPECT_EQ(loose.messages, std::vector<std::string>{"line 1: The header has no Rc column."});
    const Outcome strict = RunCsv(input, {.shown = false, .strict = true});
    EXPECT_EQ(strict.status, 1);
    EXPECT_TRUE(strict.rows.empty());
}

}  // namespace
