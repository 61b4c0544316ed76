#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "storage/PartCatalogue.h"
#include "storage/PartsFile.h"
#include "tests/storage/TempDir.h"

namespace storage {
namespace {

using storage_test::TempDir;

// XDG_DATA_HOME points into a fresh folder for the test's length.
class PartsFileTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    TempDir dir_;
};

const OwnPart kPnp{
    "Q2N3906-own", {sim::Polarity::Pnp, {{"IS", 1.41e-15}, {"BF", 180.7}}}, {40, 0.2, 0.625}};
const OwnPart kNpn{"BC.549+C", {sim::Polarity::Npn, {{"BF", 1.0 / 3}}}, {45, std::nullopt, {}}};

TEST_F(PartsFileTest, SavedPartsSurviveARestart) {
    const std::optional<std::string> path = PartsFilePath();
    ASSERT_EQ(path, (dir_.path() / "data/tindrel/transistors.lib").string());
    SaveParts(*path, {kPnp, kNpn});
    struct stat info {};
    ASSERT_EQ(::stat((dir_.path() / "data/tindrel").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const PartsLoad load = LoadParts(*path);
    EXPECT_EQ(load.parts, (std::vector<OwnPart>{kPnp, kNpn}));
    EXPECT_EQ(load.badLines, 0u);
    EXPECT_EQ(load.error, 0);
    // Any SPICE reads it: the cards alone, as taken.
    const sim::CardScan scan = sim::ScanModelCards(storage_test::ReadAll(*path));
    ASSERT_EQ(scan.cards.size(), 2u);
    EXPECT_EQ(scan.cards[1].model, kNpn.model);

    SaveParts(*path, {kNpn});
    EXPECT_EQ(LoadParts(*path).parts, std::vector<OwnPart>{kNpn});
    EXPECT_EQ(LoadParts((dir_.path() / "none.lib").string()).parts.size(), 0u);
    EXPECT_NE(LoadParts(dir_.path().string()).error, 0);
}

TEST_F(PartsFileTest, AHostileFileLosesOnlyItsBadLines) {
    std::string text = EncodeParts({kPnp});
    text += ".control\nshell touch " + (dir_.path() / "ran").string() + "\n.endc\n";  // 3 bad
    text += ".include /etc/passwd\n";                                                 // 1
    text += "* ratings QX vceo=NaN\n.model QX NPN(BF={bf})\n";                        // 2
    text += ".model QY NPN(BF=100 mfg=x)\n";                                          // 1
    text += "* ratings Q2N3906-own pd=1\n" + sim::CardLine("q2n3906-OWN", kNpn.model) + "\n";  // 2
    text += "+ BF=1\n" + std::string(10000, 'x') + "\n";                                       // 2
    text += std::string("\x00\xff\x01\n", 4);                                                  // 1
    text += "* ratings BC.549+C vceo=45\r\n" + sim::CardLine(kNpn.name, kNpn.model);
    text += "\r\n* ratings orphan pd=1\n";  // 1
    const PartsLoad load = DecodeParts(text);
    EXPECT_EQ(load.parts, (std::vector<OwnPart>{kPnp, kNpn}));
    EXPECT_EQ(load.badLines, 13u);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "ran"));
}

// A part added in the place of another takes it in any case of its name.
TEST(PartCatalogueTest, ALaterPartTakesTheNameInAnyCase) {
    PartCatalogue catalogue;
    catalogue.AddOwn({{"2n3904", {sim::Polarity::Npn, {{"BF", 50}}}, {}}});
    ASSERT_NE(catalogue.Find("2N3904"), nullptr);
    EXPECT_EQ(catalogue.Find("2N3904")->origin, PartOrigin::Own);
    const std::vector<CatalogueEntry> entries = catalogue.Entries();
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [](const CatalogueEntry& entry) { return entry.name == "2N3904"; }),
              0);
    EXPECT_EQ(entries.size(), 5u);
}

}  // namespace
}  // namespace storage
