#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/Design.h"
#include "ui/design/DesignText.h"

namespace {

using core::Material;
using core::Series;

struct Case {
    const char* name;
    core::DesignTarget target;
    std::string description;
    // The rounded values as the table shows them, R1 to Re, and the line
    // under it; empty where there is no design.
    std::array<std::string, 4> standard = {};
    std::string outcome = {};
};

TEST(DesignTest, DesignsRoundsAndChecksTheStage) {
    const Case cases[] = {
        {"worked example",
         {12, 0.002, 5.4, 10, 100, 0.1, Material::Silicon, Series::E24},
         "Design: R1 = 37.15e+3 ohms, R2 = 7.071e+3 ohms, Rc = 2.700e+3 ohms, Re = 594.1 ohms. "
         "E24: R1 = 39.00e+3 ohms, R2 = 7.500e+3 ohms, Rc = 2.700e+3 ohms, Re = 620.0 ohms, "
         "giving Ic = 1.938 mA, Vce = 5.554 V.",
         {"39 k\u03a9", "7.5 k\u03a9", "2.7 k\u03a9", "620 \u03a9"},
         "With E24 values: Ic = 1.938 mA (-3.10 %), Vce = 5.554 V (+2.85 %)"},
        {"coarser series",
         {12, 0.002, 5.4, 10, 100, 0.1, Material::Silicon, Series::E12},
         "Design: R1 = 37.15e+3 ohms, R2 = 7.071e+3 ohms, Rc = 2.700e+3 ohms, Re = 594.1 ohms. "
         "E12: R1 = 39.00e+3 ohms, R2 = 8.200e+3 ohms, Rc = 2.700e+3 ohms, Re = 680.0 ohms, "
         "giving Ic = 1.968 mA, Vce = 5.336 V.",
         {"39 k\u03a9", "8.2 k\u03a9", "2.7 k\u03a9", "680 \u03a9"},
         "With E12 values: Ic = 1.968 mA (-1.61 %), Vce = 5.336 V (-1.19 %)"},
        {"three-digit series, germanium",
         {9, 0.001, 4, 10, 150, 0.1, Material::Germanium, Series::E96},
         "Design: R1 = 110.8e+3 ohms, R2 = 15.26e+3 ohms, Rc = 4.100e+3 ohms, Re = 894.0 ohms. "
         "E96: R1 = 110.0e+3 ohms, R2 = 15.00e+3 ohms, Rc = 4.120e+3 ohms, Re = 887.0 ohms, "
         "giving Ic = 999.1e-3 mA, Vce = 3.992 V.",
         {"110 k\u03a9", "15 k\u03a9", "4.12 k\u03a9", "887 \u03a9"},
         "With E96 values: Ic = 999.1e-3 mA (-0.09 %), Vce = 3.992 V (-0.21 %)"},
        // Rc comes out as exactly 2200: its one candidate is itself.
        {"ideal value already standard",
         {5, 0.001, 2.3, 10, 100, 0.1, Material::Silicon, Series::E24},
         "Design: R1 = 21.53e+3 ohms, R2 = 6.428e+3 ohms, Rc = 2.200e+3 ohms, Re = 495.0 ohms. "
         "E24: R1 = 22.00e+3 ohms, R2 = 6.800e+3 ohms, Rc = 2.200e+3 ohms, Re = 510.0 ohms, "
         "giving Ic = 1.024 mA, Vce = 2.220 V.",
         {"22 k\u03a9", "6.8 k\u03a9", "2.2 k\u03a9", "510 \u03a9"},
         "With E24 values: Ic = 1.024 mA (+2.38 %), Vce = 2.220 V (-3.47 %)"},
        {"Beta 0", {12, 0.002, 5.4, 10, 0, 0.1}, "No design: Beta is not above 0."},
        {"Ve is all of Vcc",
         {12, 0.002, 5.4, 100, 100, 0.1},
         "No design: Ve is not between 0 and 100 % of Vcc."},
        {"Vce too high", {12, 0.002, 10.8, 10, 100, 0.1}, "No design: Vce + Ve is not below Vcc."},
        {"divider too soft",
         {12, 0.002, 5.4, 10, 100, 100},
         "No design: the divider's voltage Vth is not below Vcc."},
        {"current too small",
         {12, 1e-8, 5.4, 10, 100, 0.1},
         "No design: R1 would be 7.430e+9 ohms, outside 1 ohm to 10 Mohms."},
        {"supply beyond doubles",
         {1e308, 0.002, 5.4, 10, 100, 0.1},
         "No design: Ve is beyond the range of numbers."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const core::Design design = core::MakeDesign(c.target);
        EXPECT_EQ(ui::Describe(design), c.description);
        if (!design.ok) continue;
        const core::Resistors& r = design.standard;
        EXPECT_EQ(ui::StandardResistorText(r.R1), c.standard[0]);
        EXPECT_EQ(ui::StandardResistorText(r.R2), c.standard[1]);
        EXPECT_EQ(ui::StandardResistorText(r.Rc), c.standard[2]);
        EXPECT_EQ(ui::StandardResistorText(r.Re), c.standard[3]);
        EXPECT_EQ(ui::OutcomeLine(design), c.outcome);
        // The rounded stage is the one the main window would calculate.
        const core::BiasOutcome again = core::ComputeBiasPoint(
            design.stage.Vcc, design.stage.Beta, r.R1, r.R2, r.Rc, r.Re, design.stage.Vbe());
        EXPECT_EQ(again.point.IcAmperes, design.Ic);
    }
}

TEST(DesignTest, WritesValuesAsPeopleDo) {
    const core::Design design = core::MakeDesign({});
    const core::StageTexts texts = core::DesignTexts(design);
    EXPECT_EQ(texts.Vcc, "12");
    EXPECT_EQ(texts.Beta, "100");
    EXPECT_EQ(texts.R1, "39000");
    EXPECT_EQ(texts.R2, "7500");
    EXPECT_EQ(texts.Rc, "2700");
    EXPECT_EQ(texts.Re, "620");
    EXPECT_EQ(ui::ExactResistorText(design.exact.R1), "37.15 k\u03a9");
    EXPECT_EQ(ui::ExactResistorText(design.exact.Rc), "2.700 k\u03a9");
    EXPECT_EQ(ui::ExactResistorText(design.exact.Re), "594.1 \u03a9");
    EXPECT_EQ(ui::StandardResistorText(1), "1 \u03a9");
    EXPECT_EQ(ui::StandardResistorText(1e7), "10 M\u03a9");
    EXPECT_EQ(ui::StandardResistorText(1.02e6), "1.02 M\u03a9");

    // The hFE ends follow the design's Beta, not the one they were made for.
    const std::string spread =
        ui::DesignSpreadLine(core::DesignSpread(design, core::DefaultSpreadSettings(1)));
    EXPECT_EQ(spread, "Spread over 32 corners: Ic from 1.500 to 2.408 mA; 32 of 32 stay active.");

    // The main window's run gives Vcc and Beta; Vce is the half, as typed.
    const core::Stage last{3.3, 250, 0, 0, 0, 0, Material::Germanium};
    const core::DesignTarget first = core::FirstTarget(&last);
    EXPECT_EQ(first.Vcc, 3.3);
    EXPECT_EQ(first.Beta, 250);
    EXPECT_EQ(first.Vce, 1.485);
    EXPECT_EQ(first.material, Material::Germanium);
    // The half in full, where it has five digits.
    const core::Stage five{24.5, 100, 0, 0, 0, 0, Material::Silicon};
    EXPECT_EQ(core::FirstTarget(&five).Vce, 11.025);
    const core::Stage unusable{0, -1, 0, 0, 0, 0, Material::None};
    const core::DesignTarget fallback = core::FirstTarget(&unusable);
    EXPECT_EQ(fallback.Vcc, 12);
    EXPECT_EQ(fallback.Beta, 100);
    EXPECT_EQ(fallback.Vce, 5.4);
    EXPECT_EQ(fallback.material, Material::Silicon);
}

}  // namespace
