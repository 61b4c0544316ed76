#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "sim/AmpProtocol.h"
#include "sim/Amplifier.h"
#include "sim/Checks.h"
#include "sim/Models.h"
#include "sim/Netlist.h"
#include "sim/Protocol.h"
#include "sim/Report.h"

namespace sim {
namespace {

const Request kWorkedExample{"2N3904", 12, 22000, 4700, 2200, 470};
// What ngspice's command-line program prints for the worked example.
const Point kSimulated{2.852793e-03, 1.828428e-05, 4.375934, 0.6924189};

TEST(NetlistTest, WorkedExampleWithTheCardAsPublished) {
    const std::vector<std::string> expected = {
        "Tindrel bias stage",
        "Vcc vcc 0 DC 12",
        "R1 vcc base 22000",
        "R2 base 0 4700",
        "Rc vcc coll 2200",
        "Re emit 0 470",
        "Q1 coll base emit Q2N3904",
        ".model Q2N3904 NPN(Is=6.734f Xti=3 Eg=1.11 Vaf=74.03 Bf=416.4 Ne=1.259 Ise=6.734f "
        "Ikf=66.78m Xtb=1.5 Br=.7371 Nc=2 Isc=0 Ikr=0 Rc=1 Cjc=3.638p Mjc=.3085 Vjc=.75 Fc=.5 "
        "Cje=4.493p Mje=.2593 Vje=.75 Tr=239.5n Tf=301.2p Itf=.4 Vtf=4 Xtf=2 Rb=10)",
        ".end",
    };
    EXPECT_EQ(BuildNetlist(kWorkedExample), expected);
}

TEST(NetlistTest, EveryPartHasItsCard) {
    for (std::string_view part : kParts) {
        Request request = kWorkedExample;
        request.part = std::string(part);
        const std::vector<std::string> lines = BuildNetlist(request);
        EXPECT_EQ(lines[6], "Q1 coll base emit Q" + request.part);
        const std::string type(PolarityName(PartPolarity(part)));
        EXPECT_TRUE(lines[7].starts_with(".model Q" + request.part + " " + type + "(")) << lines[7];
        EXPECT_EQ(lines[1], type == "PNP" ? "Vcc vcc 0 DC -12" : "Vcc vcc 0 DC 12");
        EXPECT_TRUE(PartRatingsOf(part).Vceo && PartRatingsOf(part).Ic && PartRatingsOf(part).Pd);
    }
    EXPECT_EQ(PartPolarity("BC557B"), Polarity::Pnp);
    EXPECT_EQ(PartPolarity("BC547B"), Polarity::Npn);
    EXPECT_FALSE(ModelCard("2N3055"));
    EXPECT_FALSE(ModelCard("Q2N3904"));
}

// 17 digits carry every double exactly, with "." under a decimal-comma locale.
TEST(NetlistTest, NumbersCarryEveryDigitInAnyLocale) {
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    const std::pair<double, const char*> cases[] = {
        {12, "12"},
        {0.1, "0.10000000000000001"},
        {1.5e3, "1500"},
        {1e9, "1000000000"},
        {1.5e9, "1500000000"},
        {4.7e-5, "4.6999999999999997e-05"},
        {-1e-300, "-1e-300"},
        {1.0 / 3, "0.33333333333333331"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(SpiceNumber(value), text);
        const std::string written = SpiceNumber(value);
        double back = 0;
        std::from_chars(written.data(), written.data() + written.size(), back);
        EXPECT_EQ(back, value) << text;
    }
    if (german != nullptr) std::setlocale(LC_ALL, "C");
}

TEST(ProtocolTest, LinesReadBackAsWritten) {
    const std::string line = FormatRequest(kWorkedExample);
    EXPECT_EQ(line, "TSP/2 op 2N3904 12 22000 4700 2200 470");
    const std::optional<Request> request = ParseRequest(line);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->part, "2N3904");
    EXPECT_EQ(request->Re, 470);

    const std::optional<Answer> answer = ParseAnswer(FormatAnswer(Answer::Of(kSimulated)));
    ASSERT_TRUE(answer && answer->point);
    EXPECT_EQ(answer->point->Ib, kSimulated.Ib);
    EXPECT_EQ(answer->point->Vbe, kSimulated.Vbe);
    for (Failure failure : {Failure::Request, Failure::Input, Failure::Convergence,
                            Failure::Simulator, Failure::Exit}) {
        const std::optional<Answer> failed = ParseAnswer(FormatAnswer(Answer::Of(failure)));
        ASSERT_TRUE(failed);
        EXPECT_FALSE(failed->point);
        EXPECT_EQ(failed->failure, failure);
    }
}

TEST(ProtocolTest, AnythingElseIsRefused) {
    const char* requests[] = {
        "",
        "TSP/2 op 2N3904 12 22000 4700 2200",
        "TSP/2 op 2N3904 12 22000 4700 2200 470 1",
        "TSP/1 op 2N3904 12 22000 4700 2200 470",
        "TSP/2 run 2N3904 12 22000 4700 2200 470",
        "TSP/2 op 2N3055 12 22000 4700 2200 470",
        "TSP/2 op Q2N3904 12 22000 4700 2200 470",
        "TSP/2 op 2N3904 12  22000 4700 2200 470",
        "TSP/2 op 2N3904 12 22000 4700 2200 470 ",
        "TSP/2 op 2N3904 12 22000 4700 2200 470\r",
        "TSP/2 op 2N3904 nan 22000 4700 2200 470",
        "TSP/2 op 2N3904 12 inf 4700 2200 470",
        "TSP/2 op 2N3904 1e999 22000 4700 2200 470",
        "TSP/2 op 2N3904 1,5 22000 4700 2200 470",
        "TSP/2 op 2N3904 +12 22000 4700 2200 470",
        "TSP/2 op 2N3904 12k 22000 4700 2200 470",
        "TSP/2 op 2N3904 {12} 22000 4700 2200 470",
    };
    for (const char* line : requests) EXPECT_FALSE(ParseRequest(line)) << line;
    EXPECT_FALSE(ParseRequest("TSP/2 op 2N3904 12 22000 4700 2200 " + std::string(3000, '4')));
    for (const char* line : {"TSP/2 error", "TSP/2 error crash", "TSP/2 ok 1 2 3",
                             "TSP/2 ok 1 2 3 nan", "TSP/2 error exit 1", "TSP/0 error exit"}) {
        EXPECT_FALSE(ParseAnswer(line)) << line;
    }
}

// A part of the user's own crosses as its type and numbered parameters only,
// and the helper writes its card under a name of its own.
TEST(ProtocolTest, OwnPartsTravelAsNamesAndNumbers) {
    Request own = kWorkedExample;
    own.part = "My <part>";
    own.model = Model{Polarity::Pnp, {{"IS", 1.41e-15}, {"BF", 180.7}}};
    const std::string line = FormatRequest(own);
    EXPECT_EQ(line,
              "TSP/2 op PNP 12 22000 4700 2200 470 IS 1.41e-15 BF "
              "180.69999999999999");
    const std::optional<Request> parsed = ParseRequest(line);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->model, own.model);
    EXPECT_EQ(parsed->part, "PNP");
    EXPECT_FALSE(CheckValues(*parsed));

    const std::vector<std::string> netlist = BuildNetlist(own);
    EXPECT_EQ(netlist[1], "Vcc vcc 0 DC -12");
    EXPECT_EQ(netlist[6], "Q1 coll base emit qown");
    EXPECT_EQ(netlist[7], ".model qown PNP(IS=1.41e-15 BF=180.69999999999999)");

    const std::string stage = "TSP/2 op NPN 12 22000 4700 2200 470";
    EXPECT_TRUE(ParseRequest(stage));
    for (const char* tail : {" BF", " BF 100 BF 200", " GAMMA 1", " bf 100", " BF nan", " BF 1k",
                             " .control 1", " BF 100 "}) {
        EXPECT_FALSE(ParseRequest(stage + tail)) << tail;
    }
    EXPECT_FALSE(ParseRequest("TSP/2 op 2N3904 12 22000 4700 2200 470 BF 100"));
    std::string everything = stage;
    for (const ParameterRange& range : kParameters) {
        everything += " " + std::string(range.name) + " -1.2345678901234567e-300";
    }
    EXPECT_TRUE(ParseRequest(everything));
    EXPECT_EQ(CheckValues(*ParseRequest(stage + " BF 1e9")),
              "the model's BF lies outside its range");

    // The amplifier's request carries the model the same way.
    AmpRequest amp;
    amp.stage = own;
    const std::optional<AmpRequest> back = ParseAmpRequest(FormatAmpRequest(amp));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->stage.model, own.model);
    EXPECT_EQ(BuildAmpNetlist(amp).back(), ".end");
    EXPECT_EQ(BuildAmpNetlist(amp)[BuildAmpNetlist(amp).size() - 2], netlist[7]);
}

TEST(ChecksTest, NamesTheFirstValueAtFault) {
    core::Stage stage{12, 100, 22000, 4700, 2200, 470, core::Material::Silicon};
    EXPECT_FALSE(CheckStage(stage));
    stage.material = core::Material::None;
    EXPECT_FALSE(CheckStage(stage));
    stage.Beta = 0;  // the simulation does not use it
    EXPECT_FALSE(CheckStage(stage));

    struct Case {
        double core::Stage::*field;
        double value;
        const char* reason;
    };
    const Case cases[] = {
        {&core::Stage::Vcc, 0.099, "Vcc lies outside 0.1 V to 1000 V"},
        {&core::Stage::Vcc, 1000.5, "Vcc lies outside 0.1 V to 1000 V"},
        {&core::Stage::Vcc, -12, "Vcc lies outside 0.1 V to 1000 V"},
        {&core::Stage::Vcc, NAN, "Vcc is not a finite number"},
        {&core::Stage::R1, 0, "R1 lies outside 1 Ω to 1 GΩ"},
        {&core::Stage::R2, -4700, "R2 lies outside 1 Ω to 1 GΩ"},
        {&core::Stage::Rc, 1e-300, "Rc lies outside 1 Ω to 1 GΩ"},
        {&core::Stage::Re, 1.5e9, "Re lies outside 1 Ω to 1 GΩ"},
        {&core::Stage::Re, INFINITY, "Re is not a finite number"},
    };
    for (const Case& c : cases) {
        core::Stage bad = stage;
        bad.*c.field = c.value;
        EXPECT_EQ(CheckStage(bad).value_or("none"), c.reason);
        EXPECT_EQ(CheckValues(MakeRequest(bad, "2N3904")).value_or("none"), c.reason);
    }
    stage.Vcc = 1e9;
    stage.material = core::Material::Germanium;
    EXPECT_EQ(CheckStage(stage).value_or("none"),
              "there is no published SPICE model of a germanium transistor");
    // The bounds themselves are simulated.
    EXPECT_FALSE(CheckValues({"BC547B", 0.1, 1, 1e9, 1, 1e9}));
    EXPECT_FALSE(CheckValues({"BC547B", 1000, 1e9, 1, 1e9, 1}));
}

TEST(ChecksTest, AmplifierLimits) {
    const core::Stage stage{12, 100, 22000, 4700, 2200, 470, core::Material::Silicon};
    const core::AmplifierInputs defaults;
    EXPECT_FALSE(CheckAmp(stage, defaults));
    struct Case {
        double core::AmplifierInputs::*field;
        double value;
        const char* reason;
    };
    const Case cases[] = {
        {&core::AmplifierInputs::Rs, 0, nullptr},
        {&core::AmplifierInputs::Rs, 0.5, "Rs lies outside 1 Ω to 1 GΩ"},
        {&core::AmplifierInputs::Re1, 470, nullptr},
        {&core::AmplifierInputs::Re1, 470.5, "Re1 lies outside 0 Ω to Re"},
        {&core::AmplifierInputs::Re1, 469.5, "Re1 leaves a part of Re below 1 Ω"},
        {&core::AmplifierInputs::Re1, -1, "Re1 lies outside 0 Ω to Re"},
        {&core::AmplifierInputs::Cin, 1e-12, nullptr},
        {&core::AmplifierInputs::Cin, 0.9e-12, "Cin lies outside 1 pF to 1 F"},
        {&core::AmplifierInputs::Ce, 1.5, "Ce lies outside 1 pF to 1 F"},
        {&core::AmplifierInputs::Cout, NAN, "Cout is not a finite number"},
        {&core::AmplifierInputs::Amplitude, 100, nullptr},
        {&core::AmplifierInputs::Amplitude, 0.5e-6, "Amplitude lies outside 1 µV to 100 V"},
        {&core::AmplifierInputs::Frequency, 10e6, nullptr},
        {&core::AmplifierInputs::Frequency, 0.99, "Frequency lies outside 1 Hz to 10 MHz"},
    };
    for (const Case& c : cases) {
        core::AmplifierInputs inputs = defaults;
        inputs.*c.field = c.value;
        EXPECT_EQ(CheckAmp(stage, inputs).value_or("none"), c.reason ? c.reason : "none")
            << c.value;
    }
    core::AmplifierInputs load = defaults;
    load.RL = 2e9;
    EXPECT_EQ(CheckAmp(stage, load).value_or("none"), "RL lies outside 1 Ω to 1 GΩ");
    load.RL.reset();
    EXPECT_FALSE(CheckAmp(stage, load));
    // A capacitor left out of the circuit does not stop the simulation.
    load.Cout = 0;
    EXPECT_FALSE(CheckAmp(stage, load));
    load.Re1 = 470;
    load.Ce = 0.1e-12;
    EXPECT_FALSE(CheckAmp(stage, load));
    load.Ce = NAN;
    EXPECT_EQ(CheckAmp(stage, load).value_or("none"), "Ce is not a finite number");
    core::Stage germanium = stage;
    germanium.material = core::Material::Germanium;
    EXPECT_EQ(CheckAmp(germanium, defaults).value_or("none"),
              "there is no published SPICE model of a germanium transistor");
}

TEST(ProtocolTest, AmplifierLines) {
    const AmpRequest request =
        MakeAmpRequest({12, 100, 22000, 4700, 2200, 470, core::Material::Silicon}, {}, "2N3904");
    const std::string line = FormatAmpRequest(request);
    EXPECT_EQ(line,
              "TSP/2 amp 2N3904 12 22000 4700 2200 470 600 10000 0 1.0000000000000001e-05 "
              "0.0001 1.0000000000000001e-05 0.01 1000");
    EXPECT_EQ(ParseAmpRequest(line), request);
    EXPECT_FALSE(ParseRequest(line));
    EXPECT_FALSE(ParseAmpRequest(line + " 1"));
    EXPECT_FALSE(
        ParseAmpRequest("TSP/2 amp 2N3904 12 22000 4700 2200 470 600 none 0 1e-05 "
                        "0.0001 1e-05 0.01 1000"));

    AmpAc ac;
    ac.op.point = kSimulated;
    ac.op.VAF = 74.03;
    ac.Av = Measure::Of(178.3);
    ac.fL = Measure::Because(Missing::Crossing);
    ac.frequency = {0.01, 1e10};
    ac.gainDb = {-83.5, 3.25};
    const std::string acLine = FormatAmpAnswer(ac);
    const std::optional<AmpAnswer> back = ParseAmpAnswer(acLine);
    ASSERT_TRUE(back && std::holds_alternative<AmpAc>(*back));
    const AmpAc& read = std::get<AmpAc>(*back);
    EXPECT_EQ(read.op.point.Vbe, kSimulated.Vbe);
    EXPECT_EQ(read.Av, ac.Av);
    EXPECT_EQ(read.fL, ac.fL);
    EXPECT_EQ(read.Zin, Measure::Because(Missing::Simulator));
    EXPECT_EQ(read.gainDb, ac.gainDb);
    AmpTran tran{Measure::Because(Missing::Convergence), {}, {}};
    EXPECT_EQ(FormatAmpAnswer(tran), "TSP/2 tran !convergence 0");
    EXPECT_TRUE(ParseAmpAnswer("TSP/2 tran 3.5 1 0 -0.25"));
    const std::optional<AmpAnswer> exit = ParseAmpAnswer("TSP/2 error exit");
    ASSERT_TRUE(exit && std::holds_alternative<Failure>(*exit));
    EXPECT_EQ(std::get<Failure>(*exit), Failure::Exit);

    // Arrays must fill the line exactly and stay bounded; a reason is one of
    // the known words.
    const std::string refused[] = {
        "TSP/2 tran 3.5 2 0 -0.25",
        "TSP/2 tran 3.5 1 0 -0.25 1",
        "TSP/2 tran 3.5 -1",
        "TSP/2 tran 3.5 1.5 0 1",
        "TSP/2 tran !why 0",
        "TSP/2 tran nan 0",
        "TSP/2 tran 3.5 1 0 inf",
        "TSP/2 tran 3.5 1002" + std::string(" 0 0"),
        "TSP/2 ok 1 2 3 4",
        "TSP/1 tran 3.5 0",
        "TSP/2 error crash",
        acLine + " 1",
        acLine.substr(0, acLine.size() - 5),
    };
    for (const std::string& line : refused) EXPECT_FALSE(ParseAmpAnswer(line)) << line;
    std::string huge = "TSP/2 tran 3.5 1001";
    for (int i = 0; i < 1001; ++i) huge += " 0.12345678901234567 0.12345678901234567";
    EXPECT_TRUE(ParseAmpAnswer(huge));
    huge += std::string(kMaxAnswerLine, ' ');
    EXPECT_FALSE(ParseAmpAnswer(huge));
}

TEST(ReportTest, SentenceAndDescription) {
    EXPECT_EQ(Sentence("2N3904", Status::Of(kSimulated), 2.946e-3),
              "2N3904 in SPICE: Ic = 2.853 mA, Vce = 4.376 V, Vbe = 0.692 V, Ic/Ib = 156; the "
              "calculated Ic is 3.3 % higher.");
    EXPECT_EQ(
        Description("2N3904", Status::Of(kSimulated)),
        " SPICE with 2N3904: Vce = 4.376 V, Ic = 2.853e-3 A, Vbe = 692.4e-3 V, Ic/Ib = 156.0.");
    EXPECT_TRUE(Sentence("2N3904", Status::Of(kSimulated), 2.5e-3)
                    .ends_with("; the calculated Ic is 12.4 % lower."));
    EXPECT_TRUE(Sentence("2N3904", Status::Of(kSimulated), 2.853e-3)
                    .ends_with("; the calculated Ic agrees within 0.05 %."));
    // A simulated point in cut-off gives no gain and no scale to compare
    // with: none at all, or leakage that flows out of the base (ngspice's
    // 2N3904 with R1 = 1 Mohm, R2 = 1 kohm).
    EXPECT_EQ(Sentence("BC547B", Status::Of({0, 0, 12, 0.2}), 1e-3),
              "BC547B in SPICE: Ic = 0.000 mA, Vce = 12.00 V, Vbe = 0.200 V, Ic/Ib = \u2013.");
    const Point leakage{1.2009585541314549e-11, -1.1982153256082788e-11, 11.999999947165444,
                        0.011988023945301806};
    EXPECT_EQ(Sentence("2N3904", Status::Of(leakage), 0),
              "2N3904 in SPICE: Ic = 12.01e-9 mA, Vce = 12.00 V, Vbe = 0.012 V, Ic/Ib = \u2013.");
    EXPECT_EQ(Description("2N3904", Status::Of(leakage)),
              " SPICE with 2N3904: Vce = 12.00 V, Ic = 12.01e-12 A, Vbe = 11.99e-3 V, Ic/Ib = "
              "\u2013.");

    const Status refused = Status::Because(Refused("Vcc lies outside 0.1 V to 1000 V"));
    EXPECT_EQ(Sentence("2N2222A", refused, 1e-3),
              "No simulation: Vcc lies outside 0.1 V to 1000 V.");
    EXPECT_EQ(Description("2N2222A", refused),
              " SPICE with 2N2222A: no simulation: Vcc lies outside 0.1 V to 1000 V.");
    const Status waiting = Status::Because(std::string(kSimulating));
    EXPECT_EQ(Sentence("2N2222A", waiting, 1e-3), "2N2222A in SPICE: simulating.");
    EXPECT_EQ(Description("2N2222A", waiting), " SPICE with 2N2222A: simulating.");
}

}  // namespace
}  // namespace sim
