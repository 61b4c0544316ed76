#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "core/BatchCalc.h"
#include "core/BiasPoint.h"
#include "core/Csv.h"

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
    // The front end's words for a field not read whole.
    const auto phrase = [](const core::InputReading& reading) {
        return "read as " + std::to_string(reading.value) + " up to \"" + reading.rest + "\"";
    };
    options.readAs = phrase;
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
const std::string kNotWhole = "R1: read as 22.000000 up to \"k\"";

TEST(BatchCalcTest, EveryRowComesBackWithItsResultsOrItsFault) {
    const Outcome loose = RunCsv(kInput, {.shown = true, .strict = false});
    EXPECT_EQ(loose.status, 0);
    ASSERT_EQ(loose.rows.size(), 5u);
    EXPECT_EQ(loose.rows[0], kHeader);
    EXPECT_EQ(loose.rows[1], kWorked);
    EXPECT_EQ(loose.rows[2], kRcZero);
    EXPECT_EQ(loose.rows[3], kShort);
    EXPECT_EQ(loose.rows[4],
              "470,2200,4700,22k,100,12,Ge,\"say \"\"22k\"\"\",,,,,,,,,,,\"R1: read as 22.000000 "
              "up to \"\"k\"\"\"\r\n");
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

struct ReadCase {
    std::string_view input;
    std::vector<std::vector<std::string>> records;
    std::vector<std::size_t> lines;
    bool lastUnclosed = false;
};

TEST(CsvReaderTest, ReadsRecordsWhereverThePiecesEnd) {
    const std::vector<ReadCase> cases = {
        // Empty lines are no records but count as lines; no line end at the end.
        {"a,b\n\n\r\nc,\"\"", {{"a", "b"}, {"c", ""}}, {1, 4}},
        // A lone CR and a quote inside a field are ordinary characters.
        {"a\rb,c\"d\r\ne", {{"a\rb", "c\"d"}, {"e"}}, {1, 2}},
        // Text after a closing quote is kept; CR LF inside quotes is content.
        {"\"x\"y,\"1\r\n2\"\n3", {{"xy", "1\r\n2"}, {"3"}}, {1, 3}},
        // A quote left open runs to the end of the input, and says so.
        {"a\n\"b,\nc", {{"a"}, {"b,\nc"}}, {1, 2}, true},
        {"", {}, {}},
    };
    for (const ReadCase& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{64}}) {
            std::string_view rest = c.input;
            core::CsvReader reader([&](char* buffer, std::size_t size) {
                const std::size_t n = std::min({size, rest.size(), piece});
                std::memcpy(buffer, rest.data(), n);
                rest.remove_prefix(n);
                return n;
            });
            core::CsvRecord record;
            std::vector<std::vector<std::string>> records;
            std::vector<std::size_t> lines;
            bool unclosed = false;
            while (reader.Next(record)) {
                records.emplace_back(record.fields.begin(), record.fields.begin() + record.count);
                lines.push_back(record.line);
                unclosed = record.unclosedQuote;
            }
            SCOPED_TRACE(testing::Message() << "input " << c.input << ", pieces of " << piece);
            EXPECT_EQ(records, c.records);
            EXPECT_EQ(lines, c.lines);
            EXPECT_EQ(unclosed, c.lastUnclosed);
        }
    }
}

struct BadCase {
    std::string_view input;
    std::string lastRow;  // without its line end
    std::vector<std::string> messages;
    int status = 0;
};

TEST(BatchCalcTest, RowsThatCannotBeReadOrComputedSayWhy) {
    const std::string empty = ",,,,,,,,,,,";  // ten quantities, then the Fault cell
    const std::vector<BadCase> cases = {
        {"Vcc,Beta,R1,R2,Rc,Re,Material\n12,100,22000,4700,2200,470,Xx\n",
         "12,100,22000,4700,2200,470,Xx" + empty +
             "\"Material: \"\"Xx\"\" is not Si, Ge or empty.\"",
         {"line 2: Material: \"Xx\" is not Si, Ge or empty."}},
        // Too large a number is a fault of the row, as in the window.
        {"Vcc,Beta,R1,R2,Rc,Re\n1e999,100,22000,4700,2200,470\n",
         "1e999,100,22000,4700,2200,470" + empty + "Vcc: Overflow: too large to calculate with",
         {}},
        // No material: computed with no drop, and told.
        {"Vcc,Beta,R1,R2,Rc,Re,Material\n12,100,22000,4700,2200,470, \n",
         "12,100,22000,4700,2200,470, ,4.114,1.953,2.949,4.057e-3,1.387e-3,8.116e-3,37.24e-3,"
         "4.096e-3,41.34e-3,8.240,",
         {"line 2: Select Silicon or Germanium."}},
        // A fault before line 1 leaves every quantity empty.
        {"Vcc,Beta,R1,R2,Rc,Re\n12,0,22000,4700,2200,470\n",
         "12,0,22000,4700,2200,470" + empty + "step 4: Invalid operation",
         {}},
        {"Vcc,Beta,R1,R2,Rc,Re,R1\n", "", {"line 1: The header has two R1 columns."}},
        {"\n\n",
         "",
         {"The input is empty: a header naming the columns Vcc, Beta, R1, R2, Rc "
          "and Re is needed."},
         1},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.input);
        std::string out;
        std::vector<std::string> messages;
        std::string_view rest = c.input;
        const int status = core::RunBatch(
            [&](char* buffer, std::size_t size) {
                const std::size_t n = std::min(size, rest.size());
                std::memcpy(buffer, rest.data(), n);
                rest.remove_prefix(n);
                return n;
            },
            [&](std::string_view bytes) {
                out += bytes;
                return true;
            },
            [&](std::string_view text) { messages.emplace_back(text); }, {.shown = true});
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(messages, c.messages);
        if (!c.lastRow.empty()) {
            ASSERT_GE(out.size(), c.lastRow.size() + 1);
            EXPECT_EQ(out.substr(out.size() - c.lastRow.size() - 1), c.lastRow + "\n");
        }
    }
}

}  // namespace

namespace {

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = row.find(',', start);
        if (comma == std::string::npos) {
            fields.push_back(row.substr(start, row.size() - 2 - start));  // without CR LF
            return fields;
        }
        fields.push_back(row.substr(start, comma - start));
        start = comma + 1;
    }
}

}  // namespace

TEST(BatchCalcTest, AmplifierColumnsStandBeforeFaultAndABadCellKeepsTheStage) {
    const std::string input =
        "Vcc,Beta,R1,R2,Rc,Re,Cin,RL\r\n"
        "12,100,22000,4700,2200,470,,\r\n"  // the default Cin, and no load
        "12,100,22000,4700,2200,470,10x,1k\r\n"
        "1,100,22000,4700,2200,470,1u,1k\r\n";  // cut off
    core::BatchOptions options{.shown = true};
    options.acFault = [](const core::AmplifierAnalysis& analysis) {
        return analysis.stop == core::AmplifierStop::kBadBox
                   ? "bad " + std::string(core::RuleOf(analysis.box).key)
                   : "stop " + std::to_string(static_cast<int>(analysis.stop));
    };
    const Outcome loose = RunCsv(input, options);
    EXPECT_EQ(loose.status, 0);
    ASSERT_EQ(loose.rows.size(), 4u);
    const std::vector<std::string> header = Fields(loose.rows[0]);
    ASSERT_EQ(header.size(), 8u + 10u + 23u + 1u);
    EXPECT_EQ(header[18], "re");
    EXPECT_EQ(header[40], "AC_Fault");
    EXPECT_EQ(header[41], "Fault");

    const std::vector<std::string> unloaded = Fields(loose.rows[1]);
    ASSERT_EQ(unloaded.size(), header.size());
    EXPECT_EQ(unloaded[22], "250.5");  // |Av| = gm Rc without a load
    EXPECT_EQ(unloaded[28], "");       // no f_out
    EXPECT_EQ(unloaded[36], "no");     // Clips
    EXPECT_EQ(unloaded[37], "10.00e-6");
    EXPECT_EQ(unloaded[39], "");  // no Cout used
    EXPECT_EQ(unloaded[40], "");

    const std::vector<std::string> bad = Fields(loose.rows[2]);
    EXPECT_EQ(bad[8], "2.946");  // the stage's results stay
    EXPECT_EQ(bad[18], "");
    EXPECT_EQ(bad[40], "bad Cin");
    EXPECT_EQ(bad[41], "");
    EXPECT_EQ(Fields(loose.rows[3])[40], "stop 2");
    EXPECT_EQ(loose.messages, std::vector<std::string>{"line 3: bad Cin"});

    options.strict = true;
    const Outcome strict = RunCsv(input, options);
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.rows.size(), 2u);

    // --ac alone adds the columns, and picked capacitors are used in every row.
    core::BatchOptions picked{.shown = true, .ac = true};
    picked.pickCaps = 20;
    const Outcome pick = RunCsv("Vcc,Beta,R1,R2,Rc,Re\r\n12,100,22000,4700,2200,470\r\n", picked);
    const std::vector<std::string> worked = Fields(pick.rows[1]);
    EXPECT_EQ(worked[35], "68.00e-6");
    EXPECT_EQ(worked[36], "1.000e-3");
    EXPECT_EQ(worked[37], "6.800e-6");
}
