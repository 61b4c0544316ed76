#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/LoadLine.h"
#include "core/Spread.h"
#include "ui/loadline/LoadLineText.h"

namespace {

using core::kVbeGermanium;
using core::kVbeSilicon;

struct Case {
    const char* name;
    double Vcc, Beta, R1, R2, Rc, Re, Vbe;
    std::string description;
    int beyondX = 0, beyondY = 0;  // where the Q point lies beyond the drawn range
};

core::LoadLine Make(const Case& c) {
    const core::BiasOutcome outcome =
        core::ComputeBiasPoint(c.Vcc, c.Beta, c.R1, c.R2, c.Rc, c.Re, c.Vbe);
    return core::MakeLoadLine({c.Vcc, c.Beta, c.Rc, c.Re, c.Vbe}, outcome);
}

TEST(LoadLineTest, DescribesTheLineAndPlacesTheQPoint) {
    const Case cases[] = {
        {"silicon", 12, 100, 22000, 4700, 2200, 470, kVbeSilicon,
         "Load line: Vce = 12.00 V at Ic = 0, Ic = 4.486e-3 A at Vce = 0. Q point: Vce = 4.121 V, "
         "Ic = 2.946e-3 A, active region."},
        {"germanium", 12, 100, 22000, 4700, 2200, 470, kVbeGermanium,
         "Load line: Vce = 12.00 V at Ic = 0, Ic = 4.486e-3 A at Vce = 0. Q point: Vce = 1.517 V, "
         "Ic = 3.919e-3 A, active region."},
        // Past the line's end: Vce below zero and Ic above the end, drawn in
        // the top left corner.
        {"Rc 10k saturates", 12, 100, 22000, 4700, 10000, 470, kVbeSilicon,
         "Load line: Vce = 12.00 V at Ic = 0, Ic = 1.146e-3 A at Vce = 0. Q point: Vce = -18.85 V, "
         "Ic = 2.946e-3 A, saturation.",
         -1, 1},
        {"all ones cut off", 1, 1, 1, 1, 1, 1, kVbeSilicon,
         "Load line: Vce = 1.000 V at Ic = 0, Ic = 333.3e-3 A at Vce = 0. Q point: Vce = 1.120 V, "
         "Ic = -40.00e-3 A, cut-off.",
         0, -1},
        // The calculation faults at the power in Rc, after line 1.
        {"Rc 0", 12, 100, 22000, 4700, 0, 470, kVbeSilicon,
         "Load line: Vce = 12.00 V at Ic = 0, Ic = 25.28e-3 A at Vce = 0. Q point: Vce = 10.60 V, "
         "Ic = 2.946e-3 A, active region."},
        // Vce between the two strips: germanium's 0.1 V, and silicon's 0.2 V
        // for a run without a material.
        {"germanium strip", 12, 100, 22000, 4700, 2550, 470, kVbeGermanium,
         "Load line: Vce = 12.00 V at Ic = 0, Ic = 3.967e-3 A at Vce = 0. Q point: Vce = 144.8e-3 "
         "V, "
         "Ic = 3.919e-3 A, active region."},
        {"no material", 12, 100, 22000, 4700, 2405, 470, 0,
         "Load line: Vce = 12.00 V at Ic = 0, Ic = 4.167e-3 A at Vce = 0. Q point: Vce = 152.2e-3 "
         "V, "
         "Ic = 4.114e-3 A, saturation."},
        {"Vcc 0", 0, 100, 22000, 4700, 2200, 470, kVbeSilicon, "No load line: Vcc is not above 0."},
        {"Beta negative", 12, -1, 22000, 4700, 2200, 470, kVbeSilicon,
         "No load line: Beta is not above 0."},
        {"load negative", 12, 100, 22000, 4700, -3000, 470, kVbeSilicon,
         "No load line: Rc + Re \u00d7 (Beta + 1) / Beta is not above 0."},
        {"load overflows", 12, 100, 22000, 4700, 1.79e308, 1e306, kVbeSilicon,
         "No load line: Rc + Re \u00d7 (Beta + 1) / Beta is beyond the range of numbers."},
        {"end underflows", 1e-300, 100, 22000, 4700, 1e300, 470, kVbeSilicon,
         "No load line: the current at Vce = 0 is beyond the range of numbers."},
        // Beta 0 faults before line 1.
        {"no line 1", 12, 0, 22000, 4700, 2200, 470, kVbeSilicon,
         "No load line: the calculation stopped before the collector current."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const core::LoadLine line = Make(c);
        EXPECT_EQ(ui::Describe(line), c.description);
        const core::PlotPlace place = core::PlaceQPoint(line);
        EXPECT_EQ(place.beyondX, c.beyondX);
        EXPECT_EQ(place.beyondY, c.beyondY);
        for (double f : {place.x, place.y, core::StripFraction(line)}) {
            EXPECT_TRUE(f >= 0 && f <= 1) << f;
        }
        if (!line.drawn) continue;
        // The Q point lies on the model's load line.
        const double load = c.Rc + c.Re * (c.Beta + 1) / c.Beta;
        EXPECT_NEAR(line.Vce, c.Vcc - line.Ic * load, 1e-9 * c.Vcc);
    }
}

TEST(LoadLineTest, SentenceTellsWhatTheRegionMeans) {
    Case c{"", 12, 100, 22000, 4700, 10000, 470, kVbeSilicon, ""};
    EXPECT_EQ(ui::RegionSentence(Make(c)),
              "Saturation: Vce is below 200.0e-3 V, so the real current is lower than the "
              "model's, about the load line's end of 1.146e-3 A.");
    c = {"", 1, 1, 1, 1, 1, 1, kVbeSilicon, ""};
    EXPECT_EQ(ui::RegionSentence(Make(c)),
              "Cut-off: the divider's voltage (500.0e-3 V) is below Vbe (600.0e-3 V), so the real "
              "current is about zero.");
    EXPECT_EQ(ui::RegionSentence(core::LoadLine{}),
              "No load line: press Calculate in the main window.");
}

TEST(LoadLineTest, APointBeyondTheRangeOfNumbersGivesNoLine) {
    core::BiasOutcome outcome;
    outcome.point.Vc = 1.7e308;
    outcome.point.Ve = -1.7e308;
    const core::LoadLine line = core::MakeLoadLine({12, 100, 2200, 470, kVbeSilicon}, outcome);
    EXPECT_EQ(ui::Describe(line), "No load line: Vc \u2212 Ve is beyond the range of numbers.");
}

// The worked example, silicon.
const core::Stage kStage{12, 100, 22000, 4700, 2200, 470, core::Material::Silicon};

core::SpreadSettings Settings(double hfeFrom, double hfeTo, double resistors, double vcc,
                              double tFrom, double tTo) {
    return {hfeFrom, hfeTo, resistors, vcc, tFrom, tTo, false};
}

TEST(SpreadTest, CornersOfTheStageOverItsParts) {
    core::Stage saturating = kStage;
    saturating.Rc = 4700;
    core::Stage divider = kStage;  // R1 + R2 is 0 at one corner only
    divider.R1 = 1000;
    divider.R2 = -3000;
    const double inf = HUGE_VAL;
    const struct {
        const char* name;
        core::Stage stage;
        core::SpreadSettings settings;
        std::string description;
    } cases[] = {
        {"worked example", kStage, core::DefaultSpreadSettings(100),
         " Spread over 32 corners: Ic from 2.324e-3 A to 3.611e-3 A, Vce from 2.039 V to 5.973 V; "
         "32 active, 0 in saturation, 0 in cut-off. Monte Carlo: 10000 samples, 100.0 % active."},
        // Rc 4700 puts most corners in saturation, which hold at the strip.
        {"partly saturated", saturating, Settings(50, 300, 10, 10, 0, 50),
         " Spread over 128 corners: Ic from 1.597e-3 A to 2.791e-3 A, Vce from 200.0e-3 V to "
         "3.205 V; 20 active, 108 in saturation, 0 in cut-off. Monte Carlo: 10000 samples, "
         "1.280 % active."},
        {"every range zero", kStage, Settings(100, 100, 0, 0, 25, 25),
         " Spread over 1 corner: Ic from 2.946e-3 A to 2.946e-3 A, Vce from 4.121 V to 4.121 V; "
         "1 active, 0 in saturation, 0 in cut-off. Monte Carlo: 10000 samples, 100.0 % active."},
        {"corner faults", divider, Settings(50, 200, 50, 0, 25, 25),
         " No spread: at a corner, division by zero while computing the Thevenin voltage of the "
         "divider (R1 + R2 is 0)."},
        {"tolerance 100", kStage, Settings(50, 200, 100, 0, 25, 25),
         " No spread: the resistor tolerance is not from 0 to below 100 %."},
        {"negative tolerance", kStage, Settings(50, 200, 5, -1, 25, 25),
         " No spread: the Vcc tolerance is not from 0 to below 100 %."},
        {"hFE 0", kStage, Settings(0, 200, 5, 0, 25, 25), " No spread: hFE from is not above 0."},
        {"infinite box", kStage, Settings(50, 200, 5, 0, 25, inf),
         " No spread: temperature to is not a finite number."},
        {"end overflows", core::Stage{1.7e308, 100, 22000, 4700, 2200, 470},
         Settings(50, 200, 5, 10, 25, 25),
         " No spread: Vcc \u00b1 its tolerance is beyond the range of numbers."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const core::Spread spread = core::ComputeSpread(c.stage, c.settings);
        EXPECT_EQ(ui::DescribeSpread(spread), c.description);
        if (!spread.ok) continue;
        EXPECT_EQ(spread.cornerPoints.size(), std::size_t(spread.corners));
        EXPECT_EQ(spread.samples.size(), std::size_t(core::kSpreadSamples));
        // A nominal stage in the active region lies within the table's range.
        const core::BiasOutcome nominal =
            core::ComputeBiasPoint(c.stage.Vcc, c.stage.Beta, c.stage.R1, c.stage.R2, c.stage.Rc,
                                   c.stage.Re, c.stage.Vbe());
        if (nominal.point.Vc - nominal.point.Ve < core::SaturationStrip(c.stage.Vbe())) continue;
        const auto& ic = spread.table[int(core::SpreadQuantity::Ic)];
        EXPECT_LE(ic.low, nominal.point.IcAmperes);
        EXPECT_GE(ic.high, nominal.point.IcAmperes);
    }
}

TEST(SpreadTest, TableAndSentenceTellTheCorners) {
    const core::Spread spread = core::ComputeSpread(kStage, Settings(100, 100, 0, 0, 25, 25));
    const core::BiasOutcome nominal =
        core::ComputeBiasPoint(12, 100, 22000, 4700, 2200, 470, core::kVbeSilicon);
    ASSERT_EQ(spread.corners, 1);
    EXPECT_EQ(spread.cornerPoints[0].Ic, nominal.point.Ic / 1000);
    EXPECT_EQ(ui::TabSeparated(ui::SpreadTable(spread, nominal.point)),
              "\tLowest\tNominal\tHighest\n"
              "Ic, mA\t2.946\t2.946\t2.946\n"
              "Ve, V\t1.398\t1.398\t1.398\n"
              "Vc, V\t5.520\t5.520\t5.520\n"
              "Vce, V\t4.121\t4.121\t4.121\n"
              "Pc, W\t12.14e-3\t12.14e-3\t12.14e-3\n");
    EXPECT_EQ(ui::SpreadSentence(spread, Settings(100, 100, 0, 0, 25, 25)),
              "Over hFE 100, exact resistors: the one corner stays in the active region; Ic from "
              "2.946 to 2.946 mA.");

    core::Stage saturating = kStage;
    saturating.Rc = 4700;
    const core::SpreadSettings wide = Settings(50, 300, 10, 10, 0, 50);
    EXPECT_EQ(
        ui::SpreadSentence(core::ComputeSpread(saturating, wide), wide),
        "Over hFE 50 to 300, \u00b110 % resistors, \u00b110 % Vcc, 0 to 50 \u00b0C: 20 of 128 "
        "corners stay in the active region: 108 saturate; Ic from 1.597 to 2.791 mA. Of "
        "10000 random stages, 1.280 % are active.");
    // One corner or none left in the active region takes the singular.
    const core::SpreadSettings defaults = core::DefaultSpreadSettings(100);
    EXPECT_EQ(ui::SpreadSentence(core::ComputeSpread(saturating, defaults), defaults),
              "Over hFE 50 to 200, \u00b15 % resistors: 1 of 32 corners stays in the active "
              "region: 31 saturate; Ic from 2.161 to 2.397 mA. Of 10000 random stages, 0.000 % "
              "are active.");
    // A lone corner that leaves is named by its ends.
    const core::SpreadSettings lone = Settings(40, 300, 10, 0, 25, 25);
    EXPECT_EQ(ui::SpreadSentence(core::ComputeSpread(kStage, lone), lone),
              "Over hFE 40 to 300, \u00b110 % resistors: 31 of 32 corners stay in the active "
              "region: 1 saturates, with hFE 300, R1 at \u221210 %, R2 at +10 %, Rc at +10 % and "
              "Re at \u221210 %; Ic from 1.912 to 4.302 mA.");
}

TEST(SpreadTest, MonteCarloStaysInsideTheCornersAndRepeats) {
    core::Stage saturating = kStage;
    saturating.Rc = 4700;
    core::Stage rcZero = kStage;  // its calculation stops at the power in Rc
    rcZero.Rc = 0;
    const std::pair<core::Stage, core::SpreadSettings> cases[] = {
        {kStage, core::DefaultSpreadSettings(100)},
        {saturating, Settings(50, 300, 10, 10, 0, 50)},
        {rcZero, Settings(300, 50, 1, 5, 60, -20)},  // ends in either order
    };
    core::Spread reused;
    for (const auto& [stage, settings] : cases) {
        const core::Spread spread = core::ComputeSpread(stage, settings);
        ASSERT_TRUE(spread.ok) << spread.reason;
        const double icSlack = 1e-12 * std::abs(spread.icHigh);
        const double vceSlack = 1e-12 * std::max(std::abs(spread.vceLow), std::abs(spread.vceHigh));
        int active = 0;
        double pcHigh = -HUGE_VAL;
        for (const core::SpreadPoint& p : spread.samples) {
            EXPECT_GE(p.Ic, spread.icLow - icSlack);
            EXPECT_LE(p.Ic, spread.icHigh + icSlack);
            EXPECT_GE(p.Vce, spread.vceLow - vceSlack);
            EXPECT_LE(p.Vce, spread.vceHigh + vceSlack);
            active += p.region == core::Region::Active;
            pcHigh = std::max(pcHigh, p.Vce * p.Ic);
        }
        EXPECT_EQ(active, spread.activeSamples);
        if (spread.activeCorners == spread.corners) {
            EXPECT_EQ(active, core::kSpreadSamples);
        }
        EXPECT_GE(spread.table[int(core::SpreadQuantity::Pc)].high, pcHigh * (1 - 1e-12));

        // The same inputs draw the same cloud, also into a spread that held another.
        core::ComputeSpread(stage, settings, reused);
        ASSERT_EQ(reused.samples.size(), spread.samples.size());
        for (std::size_t i = 0; i < spread.samples.size(); ++i) {
            ASSERT_EQ(reused.samples[i].Ic, spread.samples[i].Ic) << i;
            ASSERT_EQ(reused.samples[i].Vce, spread.samples[i].Vce) << i;
        }
        EXPECT_EQ(ui::DescribeSpread(reused), ui::DescribeSpread(spread));
    }
}

}  // namespace
