// Saving through the real writer and reading back through the real reader.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "TempDir.h"
#include "storage/LastRunFile.h"

namespace {

using storage::Inputs;
using storage::Loaded;
using storage_test::ReadAll;
using storage_test::TempDir;
using storage_test::WriteAll;

Inputs MakeInputs(std::array<std::string, storage::kBoxCount> boxes, bool si, bool ge) {
    Inputs inputs;
    inputs.boxes = std::move(boxes);
    inputs.si = si;
    inputs.ge = ge;
    return inputs;
}

const Inputs kWorkedExample =
    MakeInputs({"12", "100", "22000", "4700", "2200", "470"}, true, false);

const char kWorkedExampleBytes[] =
    "False\r\n"
    " 12.00     \r\n"
    " 100.0     \r\n"
    " 22.00e+3  \r\n"
    " 4.700e+3  \r\n"
    " 2.200e+3  \r\n"
    " 470.0     \r\n"
    "True\r\n"
    "False\r\n";

TEST(LastRunFileTest, SavesTheWorkedExampleByteForByte) {
    TempDir dir;
    const std::string path = storage::LastRunPath(dir.path().string());
    EXPECT_EQ(path, dir.path().string() + "/Tindrel.dat");

    storage::SaveLastRun(path, kWorkedExample);
    EXPECT_EQ(ReadAll(path), kWorkedExampleBytes);

    const Loaded loaded = storage::LoadLastRunFile(path);
    const std::array<std::string, 6> fields = {"12.00",    "100.0",    "22.00e+3",
                                               "4.700e+3", "2.200e+3", "470.0"};
    EXPECT_EQ(loaded.boxes, fields);
    EXPECT_TRUE(loaded.selectSi);
    EXPECT_FALSE(loaded.selectGe);
}

TEST(LastRunFileTest, RoundTripGivesEachBoxTheFieldOfItsValue) {
    TempDir dir;
    const std::string path = dir.File("Tindrel.dat");
    // Typed digits beyond four are rounded away; signs, exponents, blanks and
    // trailing words are read as the calculation reads them.
    storage::SaveLastRun(
        path, MakeInputs({" 3.14159 ", "-1.5", "2.2e-11", "999.95", "47k", "-1e-20"}, false, true));
    const Loaded loaded = storage::LoadLastRunFile(path);
    const std::array<std::string, 6> fields = {"3.142", "-1.500", "22.00e-12",
                                               "1000",  "47.00",  "-0.000"};
    EXPECT_EQ(loaded.boxes, fields) << ReadAll(path);
    EXPECT_FALSE(loaded.selectSi);
    EXPECT_TRUE(loaded.selectGe);
    EXPECT_EQ(ReadAll(path).substr(46, 12), " 1000     \r\n");  // the 10-character field, untrimmed

    // Neither option selected is saved as such and selects nothing.
    storage::SaveLastRun(path, MakeInputs({"1", "1", "1", "1", "1", "1"}, false, false));
    EXPECT_FALSE(storage::LoadLastRunFile(path).selectSi);
    EXPECT_FALSE(storage::LoadLastRunFile(path).selectGe);
}

TEST(LastRunFileTest, EmptyAndNonNumericBoxesAreSavedAsTheZeroField) {
    const std::string bytes = storage::EncodeLastRun(
        MakeInputs({"", "   ", "abc", "True", "-", "\u00B1 5"}, true, false));
    std::string expected = "False\r\n";
    for (int i = 0; i < 6; ++i) expected += " 0.000     \r\n";
    expected += "True\r\nFalse\r\n";
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(storage::DecodeLastRun(bytes).boxes[storage::kRe], "0.000");
}

TEST(LastRunFileTest, TooLargeForTheFormatterIsSavedAsTheOverflowField) {
    TempDir dir;
    const std::string path = dir.File("Tindrel.dat");
    storage::SaveLastRun(path, MakeInputs({"1e13", "-1e13", "1", "1", "1", "1"}, true, false));
    const std::string bytes = ReadAll(path);
    EXPECT_EQ(bytes.substr(7, 24), "+*.***E\xB1* \r\n-*.***E\xB1* \r\n");
    EXPECT_EQ(bytes.size(), 7u + 2 * 12 + 4 * 13 + 6 + 7);  // one byte for the sign

    const Loaded loaded = storage::LoadLastRunFile(path);
    EXPECT_EQ(loaded.boxes[storage::kVcc], "+*.***E\u00B1*");
    EXPECT_EQ(loaded.boxes[storage::kBeta], "-*.***E\u00B1*");
}

TEST(LastRunFileTest, ANumberBeyondADoubleStopsTheSaveAndNamesTheBox) {
    TempDir dir;
    const std::string path = dir.File("Tindrel.dat");
    storage::SaveLastRun(path, kWorkedExample);

    Inputs inputs = kWorkedExample;
    inputs.boxes[storage::kVcc] = " 1e999 ";
    try {
        storage::SaveLastRun(path, inputs);
        ADD_FAILURE() << "saved a number beyond a double";
    } catch (const storage::SaveError& error) {
        EXPECT_STREQ(error.what(),
                     "The supply voltage box (Vcc) holds a number too large to save: 1e999. "
                     "Nothing was saved; your inputs are still in the window.");
        EXPECT_EQ(error.box(), storage::kVcc);
    }

    // A later box is checked before any line is made, and a long text is cut.
    inputs = kWorkedExample;
    inputs.boxes[storage::kRe] = "-" + std::string(100, '9') + "e999";
    try {
        storage::SaveLastRun(path, inputs);
        ADD_FAILURE() << "saved a number beyond a double";
    } catch (const storage::SaveError& error) {
        EXPECT_EQ(error.box(), storage::kRe);
        EXPECT_NE(std::string(error.what())
                      .find("The Re box holds a number too large to save: -" +
                            std::string(39, '9') + "..."),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ReadAll(path), kWorkedExampleBytes);
}

// The file system fills up after the first few bytes of the new file.
class FullDiskOps : public platform::FileOps {
public:
    ssize_t Write(int fd, const char* data, std::size_t size) override {
        if (written_ > 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t count = FileOps::Write(fd, data, std::min<std::size_t>(size, 20));
        if (count > 0) written_ += static_cast<std::size_t>(count);
        return count;
    }

private:
    std::size_t written_ = 0;
};

TEST(LastRunFileTest, ASaveThatFailsPartWayKeepsTheOldFileAndTellsTheUser) {
    TempDir dir;
    const std::string path = dir.File("Tindrel.dat");
    storage::SaveLastRun(path, kWorkedExample);

    FullDiskOps fullDisk;
    try {
        storage::SaveLastRun(path, MakeInputs({"5", "50", "10k", "1k", "1k", "100"}, false, true),
                             fullDisk);
        ADD_FAILURE() << "a failed write was reported as saved";
    } catch (const storage::SaveError& error) {
        EXPECT_EQ(std::string(error.what()), "Could not save the last run to " + path +
                                                 ": No space left on device. Your inputs are "
                                                 "still in the window.");
        EXPECT_FALSE(error.box().has_value());
    }
    EXPECT_EQ(ReadAll(path), kWorkedExampleBytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
