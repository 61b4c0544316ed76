#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/LoadLine.h"

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
        EXPECT_EQ(core::Describe(line), c.description);
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
    EXPECT_EQ(core::RegionSentence(Make(c)),
              "Saturation: Vce is below 200.0e-3 V, so the real current is lower than the "
              "model's, about the load line's end of 1.146e-3 A.");
    c = {"", 1, 1, 1, 1, 1, 1, kVbeSilicon, ""};
    EXPECT_EQ(core::RegionSentence(Make(c)),
              "Cut-off: the divider's voltage (500.0e-3 V) is below Vbe (600.0e-3 V), so the real "
              "current is about zero.");
    EXPECT_EQ(core::RegionSentence(core::LoadLine{}),
              "No load line: press Calculate in the main window.");
}

TEST(LoadLineTest, APointBeyondTheRangeOfNumbersGivesNoLine) {
    core::BiasOutcome outcome;
    outcome.point.Vc = 1.7e308;
    outcome.point.Ve = -1.7e308;
    const core::LoadLine line = core::MakeLoadLine({12, 100, 2200, 470, kVbeSilicon}, outcome);
    EXPECT_EQ(core::Describe(line), "No load line: Vc \u2212 Ve is beyond the range of numbers.");
}

}  // namespace
