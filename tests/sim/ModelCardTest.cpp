#include <gtest/gtest.h>

#include <string>

#include "sim/ModelCard.h"

namespace sim {
namespace {

const char* kQ2N3906 =
    ".model Q2N3906 PNP(Is=1.41f Xti=3 Eg=1.11 Vaf=18.7 Bf=180.7 Ne=1.5 Ise=0 Ikf=80m Xtb=1.5 "
    "Br=4.977 Nc=2 Isc=0 Ikr=0 Rc=2.5 Cjc=9.728p Mjc=.5776 Vjc=.75 Fc=.5 Cje=8.063p Mje=.3677 "
    "Vje=.75 Tr=33.42n Tf=179.3p Itf=.4 Vtf=4 Xtf=6 Rb=10)";

double Value(const FoundCard& card, std::string_view name) {
    for (const Parameter& parameter : card.model.parameters) {
        if (parameter.name == name) return parameter.value;
    }
    return -1;
}

TEST(ModelCardTest, SpiceNumbers) {
    EXPECT_DOUBLE_EQ(ReadSpiceValue("6.734f").value, 6.734e-15);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("66.78m").value, 66.78e-3);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("1meg").value, 1e6);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("1MEGohm").value, 1e6);
    EXPECT_DOUBLE_EQ(ReadSpiceValue(".75").value, 0.75);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("10pF").value, 10e-12);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("1E-06").value, 1e-6);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("-360").value, -360);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("+2.5k").value, 2500);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("40V").value, 40);
    EXPECT_DOUBLE_EQ(ReadSpiceValue("1M").value, 1e-3);  // SPICE's milli, whatever the case
    for (const char* text : {"", "NaN", "inf", "e5", ".", "-", "1.2.3", "0x10", "1e5.0", "1k5",
                             "2*100", "{bf}", "1,5"}) {
        EXPECT_EQ(ReadSpiceValue(text).fault, NumberFault::NotANumber) << text;
    }
    EXPECT_EQ(ReadSpiceValue("1e999").fault, NumberFault::TooLarge);
    EXPECT_EQ(ReadSpiceValue("1e308meg").fault, NumberFault::TooLarge);
}

// The makers' cards as published, and an LTspice library entry with its own
// keys, continuation lines, comments, CR LF and a byte-order mark.
TEST(ModelCardTest, MakersText) {
    const std::string text = "\xEF\xBB\xBF* Library of the maker\r\n" + std::string(kQ2N3906) +
                             "\r\n.MODEL 2N3904 npn (IS=1E-14 VAF=100 ; the Early voltage\r\n"
                             "* fitted at 25 C\r\n"
                             "+ Bf=300 IKF=0.4 XTB=1.5, BR=4\r\n"
                             "  + CJC=4pF Vceo=40 Icrating=200m mfg=\"NXP Semi\" type=npn)\r\n";
    const CardScan scan = ScanModelCards(text);
    ASSERT_EQ(scan.cards.size(), 2u);

    const FoundCard& pnp = scan.cards[0];
    ASSERT_TRUE(pnp.Taken());
    EXPECT_EQ(pnp.line, 2u);
    EXPECT_EQ(pnp.name, "Q2N3906");
    EXPECT_EQ(pnp.model.type, Polarity::Pnp);
    EXPECT_EQ(pnp.model.parameters.size(), 27u);
    EXPECT_DOUBLE_EQ(Value(pnp, "IS"), 1.41e-15);
    EXPECT_DOUBLE_EQ(Value(pnp, "MJC"), 0.5776);
    EXPECT_TRUE(pnp.leftOut.empty());
    EXPECT_FALSE(pnp.ratings.Any());

    const FoundCard& npn = scan.cards[1];
    ASSERT_TRUE(npn.Taken());
    EXPECT_EQ(npn.line, 3u);
    EXPECT_EQ(npn.name, "2N3904");
    EXPECT_EQ(npn.model.type, Polarity::Npn);
    EXPECT_EQ(npn.model.parameters.size(), 7u);
    EXPECT_DOUBLE_EQ(Value(npn, "BR"), 4);
    EXPECT_DOUBLE_EQ(Value(npn, "CJC"), 4e-12);
    EXPECT_EQ(npn.ratings, (core::PartRatings{40, 0.2, std::nullopt}));
    const std::vector<LeftOut> leftOut = {{"MFG"}, {"TYPE"}};
    EXPECT_EQ(npn.leftOut, leftOut);

    // What the canonical line writes reads back the same.
    const CardScan again = ScanModelCards(CardLine(npn.name, npn.model));
    ASSERT_EQ(again.cards.size(), 1u);
    EXPECT_EQ(again.cards[0].model, npn.model);
}

TEST(ModelCardTest, BadValuesAreLeftOutWithTheirReason) {
    const CardScan scan =
        ScanModelCards(".model QX NPN(BF=NaN IS=1e999 VAF=-5 NF=1 Ic=1meg pd=0.5 gamma=1e-11)");
    ASSERT_EQ(scan.cards.size(), 1u);
    const FoundCard& card = scan.cards[0];
    ASSERT_TRUE(card.Taken());
    EXPECT_EQ(card.model.parameters, (std::vector<Parameter>{{"NF", 1}}));
    ASSERT_EQ(card.leftOut.size(), 5u);
    EXPECT_EQ(card.leftOut[0].why, LeftOutReason::NotANumber);
    EXPECT_EQ(card.leftOut[1].why, LeftOutReason::TooLarge);
    EXPECT_EQ(card.leftOut[2].why, LeftOutReason::OutOfRange);
    EXPECT_EQ(card.leftOut[2].range->low, 0);
    EXPECT_EQ(card.leftOut[3].key, "IC");  // 1 MA: beyond any transistor's rating
    EXPECT_EQ(card.leftOut[4], (LeftOut{"GAMMA"}));
    EXPECT_EQ(card.ratings, (core::PartRatings{std::nullopt, std::nullopt, 0.5}));
}

TEST(ModelCardTest, RefusalsAndLinesThatAreNoCard) {
    const std::string text =
        ".control\nshell touch /tmp/tindrel-pwned\n.endc\n.include /etc/passwd\n"
        ".param bf=100\n"
        ".model QA NPN(BF={bf})\n"
        ".model QB NPN(BF=100 bf=200)\n"
        ".model QC NPN(Ic=1 icrating=2)\n"
        ".model Q/D NPN(BF=100)\n"
        ".model " +
        std::string(33, 'Q') +
        " NPN(BF=100)\n"
        ".model D1N4148 D(IS=2.52n)\n"
        ".model QE NPN(BF=2*100)\n"
        ".model QE2 NPN(IS=1e-15 BF=100+5)\n"
        ".model QF NPN(BF=100 IS)\n"
        ".model QG\n"
        ".subckt DARL c b e\n.model QIN NPN(BF=100)\nQ1 c b e QIN\n.ends\n"
        ".model QH NPN(BF=(100))\n"
        ".model QI PNP BF=50\n";
    const CardScan scan = ScanModelCards(text);
    const std::pair<std::string, std::optional<Refusal>> expected[] = {
        {"QA", Refusal::Expression},
        {"QB", Refusal::Repeated},
        {"QC", Refusal::Repeated},
        {"Q/D", Refusal::BadName},
        {std::string(32, 'Q'), Refusal::BadName},
        {"D1N4148", Refusal::NoType},
        {"QE", Refusal::Expression},
        {"QE2", Refusal::Expression},
        {"QF", Refusal::Malformed},
        {"QG", Refusal::NoType},
        {"DARL", Refusal::Subcircuit},
        {"QH", Refusal::Expression},
        {"QI", std::nullopt},
    };
    ASSERT_EQ(scan.cards.size(), std::size(expected));
    for (std::size_t i = 0; i < scan.cards.size(); ++i) {
        EXPECT_EQ(scan.cards[i].name, expected[i].first) << i;
        EXPECT_EQ(scan.cards[i].refusal, expected[i].second) << i;
        if (scan.cards[i].refusal) {
            EXPECT_TRUE(scan.cards[i].model.parameters.empty());
        }
    }
    EXPECT_EQ(scan.cards[1].detail, "BF");
    EXPECT_EQ(scan.cards[2].detail, "ICRATING");
    EXPECT_EQ(scan.cards[5].detail, "D");
    EXPECT_EQ(scan.cards[7].detail, "BF");
}

TEST(ModelCardTest, HostileText) {
    EXPECT_TRUE(ScanModelCards(std::string(2 << 20, 'x')).tooLarge);
    // A card in a 10,000-character line, and binary junk around it.
    std::string text;
    for (int i = 0; i < 4096; ++i) text += static_cast<char>((i * 7919) % 256);
    text += "\n" + std::string(10000, 'A');
    text += "\n.model QL NPN(" + std::string(10000, ' ') + "BF=100)\n";
    text += ".model Q\x01\xFF NPN(BF=1)\n";
    const CardScan scan = ScanModelCards(text);
    ASSERT_EQ(scan.cards.size(), 2u);
    EXPECT_TRUE(scan.cards[0].Taken());
    EXPECT_EQ(scan.cards.back().name, "Q??");
    EXPECT_EQ(scan.cards.back().refusal, Refusal::BadName);
}

}  // namespace
}  // namespace sim
