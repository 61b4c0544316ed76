// The reader over bytes: how it splits fields and what a malformed file gives.
#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "storage/LastRunFile.h"

namespace {

using storage::DecodeLastRun;
using storage::Loaded;

Loaded Boxes(std::array<std::string, storage::kBoxCount> boxes, bool si, bool ge) {
    Loaded loaded;
    loaded.boxes = std::move(boxes);
    loaded.selectSi = si;
    loaded.selectGe = ge;
    return loaded;
}

// Nine lines as the writer makes them, with Vcc to Re = 1 to 6.
std::string File(const std::string& siLine = "True", const std::string& geLine = "False",
                 const std::string& lineEnd = "\r\n") {
    std::string bytes = "False" + lineEnd;
    for (const char* field : {" 1.000     ", " 2.000     ", " 3.000     ", " 4.000     ",
                              " 5.000     ", " 6.000     "}) {
        bytes += field + lineEnd;
    }
    return bytes + siLine + lineEnd + geLine + lineEnd;
}

const Loaded kFileAsSaved =
    Boxes({"1.000", "2.000", "3.000", "4.000", "5.000", "6.000"}, true, false);

TEST(LastRunReaderTest, MissingOrEmptyFileEmptiesTheBoxesAndSelectsNothing) {
    storage_test::TempDir dir;
    EXPECT_EQ(storage::LoadLastRunFile(dir.File("Tindrel.dat")), Loaded{});
    storage_test::WriteAll(dir.File("Tindrel.dat"), "");
    EXPECT_EQ(storage::LoadLastRunFile(dir.File("Tindrel.dat")), Loaded{});
    // A directory where the file should be is as good as no file.
    EXPECT_EQ(storage::LoadLastRunFile(dir.path().string()), Loaded{});
}

TEST(LastRunReaderTest, AShortFileRepeatsItsLastField) {
    // The first line alone: every box gets "False", no option is selected.
    EXPECT_EQ(DecodeLastRun("False\r\n"),
              Boxes({"False", "False", "False", "False", "False", "False"}, false, false));

    const std::string full = File();
    const std::size_t threeLines = full.find("\r\n 3.000") + 2;
    EXPECT_EQ(DecodeLastRun(full.substr(0, threeLines)),
              Boxes({"1.000", "2.000", "2.000", "2.000", "2.000", "2.000"}, false, false));

    // Eight lines ending in "True": the ninth read fails with "True" still in
    // the buffer, so both options are selected and germanium, applied last, wins.
    const std::string eightLines = full.substr(0, full.size() - 7);
    ASSERT_EQ(eightLines.substr(eightLines.size() - 6), "True\r\n");
    EXPECT_EQ(DecodeLastRun(eightLines), Boxes(kFileAsSaved.boxes, true, true));
    // The last line without its line end is still read.
    EXPECT_EQ(DecodeLastRun(full.substr(0, full.size() - 2)), kFileAsSaved);
}

TEST(LastRunReaderTest, LinesBeyondTheNinthAreIgnored) {
    EXPECT_EQ(DecodeLastRun(File() + "True\r\nmore, and more\r\n"), kFileAsSaved);
}

TEST(LastRunReaderTest, OnlyTheExactWordTrueSelectsAnOption) {
    for (const char* word : {"true", "TRUE", "1", "Truex", "Tru", "False", "", "\"True\""}) {
        EXPECT_EQ(DecodeLastRun(File(word, word)), Boxes(kFileAsSaved.boxes, false, false)) << word;
    }
    EXPECT_EQ(DecodeLastRun(File("True", "True")), Boxes(kFileAsSaved.boxes, true, true));
    EXPECT_EQ(DecodeLastRun(File("False", "True")), Boxes(kFileAsSaved.boxes, false, true));
    // Blanks around the word are not part of the field.
    EXPECT_EQ(DecodeLastRun(File("  True\t ", "False")), kFileAsSaved);
}

TEST(LastRunReaderTest, AValueThatIsNotANumberGoesIntoTheBoxAsItIs) {
    std::string bytes = File();
    bytes.replace(bytes.find(" 3.000"), 11, "  twelve k\xB1\xE9");
    EXPECT_EQ(DecodeLastRun(bytes).boxes[storage::kR1], "twelve k\u00B1\u00E9");
}

TEST(LastRunReaderTest, ACommaSplitsALineAndShiftsEveryLaterField) {
    std::string bytes = File("False", "True");
    bytes.replace(bytes.find(" 2.000"), 11, " 2, 5 ");
    // Beta gets "2", R1 the rest of that line, and every later box and option
    // the field of the line before its own: OptSi gets Re's field, OptGe the
    // "False" of silicon's line.
    EXPECT_EQ(DecodeLastRun(bytes),
              Boxes({"1.000", "2", "5", "3.000", "4.000", "5.000"}, false, false));
    // A comma at the end of a line leaves an empty field before the line end.
    EXPECT_EQ(DecodeLastRun("False\r\n7,\r\n8\r\n").boxes,
              (std::array<std::string, 6>{"7", "", "8", "8", "8", "8"}));
}

TEST(LastRunReaderTest, AcceptsEveryCommonLineEnd) {
    EXPECT_EQ(DecodeLastRun(File("True", "False", "\n")), kFileAsSaved);
    EXPECT_EQ(DecodeLastRun(File("True", "False", "\r")), kFileAsSaved);
    // A line end of CR CR LF is a lone CR followed by an empty line.
    EXPECT_EQ(DecodeLastRun("False\r\r\n5\r\n").boxes[storage::kVcc], "");
    EXPECT_EQ(DecodeLastRun("False\r\r\n5\r\n").boxes[storage::kBeta], "5");
}

TEST(LastRunReaderTest, BlanksQuotesAndEmptyLines) {
    const char bytes[] =
        "False\r\n"
        "\t 4.700e+3 \t \r\n"  // blanks and tabs around the field are dropped
        "   \r\n"              // a line of blanks is an empty field
        "\r\n"                 // so is an empty line
        "\"1,2\"\r\n"          // a double quote is an ordinary character
        "a b\tc\0d\r\n"        // blanks inside a field stay, as does any other byte
        "True\r\n"
        "False\r\n";
    const Loaded loaded = DecodeLastRun(std::string_view(bytes, sizeof bytes - 1));
    const std::array<std::string, 6> boxes = {"4.700e+3", "",    "",
                                              "\"1",      "2\"", std::string("a b\tc\0d", 7)};
    EXPECT_EQ(loaded, Boxes(boxes, true, false));
}

TEST(LastRunReaderTest, ResultDoesNotDependOnHowTheBytesArriveInPieces) {
    std::string bytes = File("False", "True") + "x\r\n";
    bytes.replace(bytes.find(" 4.000"), 6, " 4,0\r");
    bytes.insert(bytes.find(" 3.000"), std::string(storage::kMaxFieldBytes + 50, 'z') + "\n");
    const Loaded whole = DecodeLastRun(bytes);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        storage::LastRunDecoder decoder;
        decoder.Feed(std::string_view(bytes).substr(0, cut));
        decoder.Feed(std::string_view(bytes).substr(cut));
        ASSERT_EQ(decoder.Finish(), whole) << "cut at " << cut;
    }
    // An over-long field is cut; a comma and a lone CR each end a field.
    EXPECT_EQ(whole.boxes[storage::kR1], std::string(storage::kMaxFieldBytes, 'z'));
    EXPECT_EQ(whole.boxes[storage::kRc], "4");
    EXPECT_EQ(whole.boxes[storage::kRe], "0");
}

}  // namespace
