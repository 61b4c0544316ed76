// Spread points outside the active region, against a separate solve of the
// stage's nodes with the transistor held in the state the point is in.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>

#include "core/Spread.h"

namespace {

const core::Stage kWorked{12, 100, 22000, 4700, 2200, 470, core::Material::Silicon};

core::SpreadSettings Settings(double hfeFrom, double hfeTo, double resistors, double vcc,
                              double tFrom, double tTo) {
    return {hfeFrom, hfeTo, resistors, vcc, tFrom, tTo, false};
}

struct Part {
    double Vcc, hfe, R1, R2, Rc, Re, Vbe;
};

// The nodes Vb, Ve, Vc and the currents Ib, Ic of the stage, from Kirchhoff's
// laws at the base, collector and emitter and two device equations: Vb - Ve =
// Vbe, and Ic = hfe Ib (active) or Vc - Ve = strip (saturated). Solved by
// Gaussian elimination with partial pivoting.
struct Nodes {
    double Vb, Ve, Vc, Ib, Ic;
};
Nodes SolveNodes(const Part& p, bool saturated, double strip) {
    std::array<std::array<double, 6>, 5> m = {{
        {1 / p.R1 + 1 / p.R2, 0, 0, 1, 0, p.Vcc / p.R1},  // base node
        {1, -1, 0, 0, 0, p.Vbe},                          // base-emitter drop
        saturated ? std::array<double, 6>{0, -1, 1, 0, 0, strip}
                  : std::array<double, 6>{0, 0, 0, p.hfe, -1, 0},
        {0, 0, 1 / p.Rc, 0, 1, p.Vcc / p.Rc},  // collector node
        {0, 1 / p.Re, 0, -1, -1, 0},           // emitter node
    }};
    for (std::size_t col = 0; col < 5; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < 5; ++r) {
            if (std::abs(m[r][col]) > std::abs(m[pivot][col])) pivot = r;
        }
        std::swap(m[col], m[pivot]);
        for (std::size_t r = 0; r < 5; ++r) {
            if (r == col) continue;
            const double f = m[r][col] / m[col][col];
            for (std::size_t c = col; c < 6; ++c) m[r][c] -= f * m[col][c];
        }
    }
    std::array<double, 5> x;
    for (std::size_t i = 0; i < 5; ++i) x[i] = m[i][5] / m[i][i];
    return {x[0], x[1], x[2], x[3], x[4]};
}

// The parts of corner `index`, by the bits over the varied quantities.
Part CornerPart(const core::Stage& s, const core::SpreadSettings& t, const core::Spread& spread,
                int index) {
    std::array<std::pair<double, double>, 7> ends = {{
        {t.hfeFrom, t.hfeTo},
        {s.R1 * (1 - t.resistorTolerance / 100), s.R1 * (1 + t.resistorTolerance / 100)},
        {s.R2 * (1 - t.resistorTolerance / 100), s.R2 * (1 + t.resistorTolerance / 100)},
        {s.Rc * (1 - t.resistorTolerance / 100), s.Rc * (1 + t.resistorTolerance / 100)},
        {s.Re * (1 - t.resistorTolerance / 100), s.Re * (1 + t.resistorTolerance / 100)},
        {s.Vcc * (1 - t.vccTolerance / 100), s.Vcc * (1 + t.vccTolerance / 100)},
        {s.Vbe() - 0.002 * (t.temperatureFrom - 25), s.Vbe() - 0.002 * (t.temperatureTo - 25)},
    }};
    std::array<double, 7> v;
    for (std::size_t q = 0; q < 7; ++q) v[q] = ends[q].first;
    for (std::size_t bit = 0; bit < spread.varied.size(); ++bit) {
        const auto q = static_cast<std::size_t>(spread.varied[bit]);
        if ((index >> bit) & 1) v[q] = ends[q].second;
    }
    return {v[5], v[0], v[1], v[2], v[3], v[4], v[6]};
}

// Every corner sits where the separate solve puts a transistor in its region.
void CheckCorners(const core::Stage& stage, const core::SpreadSettings& settings) {
    const core::Spread spread = core::ComputeSpread(stage, settings);
    ASSERT_TRUE(spread.ok) << spread.reason;
    const double strip = core::SaturationStrip(stage.Vbe());
    for (int i = 0; i < spread.corners; ++i) {
        SCOPED_TRACE(i);
        const core::SpreadPoint& point = spread.cornerPoints[static_cast<std::size_t>(i)];
        const Part part = CornerPart(stage, settings, spread, i);
        const Nodes active = SolveNodes(part, false, strip);
        switch (point.region) {
            case core::Region::Active:
                EXPECT_NEAR(point.Ic, active.Ic, 1e-9 * std::abs(active.Ic));
                EXPECT_NEAR(point.Vce, active.Vc - active.Ve, 1e-9 * part.Vcc);
                break;
            case core::Region::CutOff:
                EXPECT_LE(active.Ic, 0);  // the base is not lifted above Vbe
                EXPECT_EQ(point.Ic, 0);
                EXPECT_EQ(point.Vce, part.Vcc);
                break;
            case core::Region::Saturation: {
                EXPECT_LT(active.Vc - active.Ve, strip);
                const Nodes held = SolveNodes(part, true, strip);
                // Truly saturated: more base current than the collector needs.
                EXPECT_GT(held.Ib * part.hfe, held.Ic);
                EXPECT_NEAR(point.Ic, held.Ic, 1e-9 * std::abs(held.Ic));
                EXPECT_NEAR(point.Vce, strip, 1e-12);
                break;
            }
        }
        EXPECT_GE(point.Ic, 0);
        EXPECT_GE(point.Vce, std::min(strip, part.Vcc));
    }
    const auto& ic = spread.table[static_cast<std::size_t>(core::SpreadQuantity::Ic)];
    const auto& vce = spread.table[static_cast<std::size_t>(core::SpreadQuantity::Vce)];
    const auto& pc = spread.table[static_cast<std::size_t>(core::SpreadQuantity::Pc)];
    EXPECT_GE(ic.low, 0);
    EXPECT_GE(pc.low, 0);
    EXPECT_GE(vce.low, strip);
    EXPECT_GE(spread.icLow, 0);
    EXPECT_GE(spread.vceLow, strip);
}

TEST(SpreadCornersTest, ACutOffCornerCarriesNoCurrent) {
    // The worked example with the supply at ±80 %: the formula's lowest Ic
    // was -1.745 mA.
    const core::SpreadSettings settings = Settings(50, 200, 5, 80, 25, 25);
    const core::Spread spread = core::ComputeSpread(kWorked, settings);
    ASSERT_TRUE(spread.ok);
    EXPECT_GT(spread.cutOffCorners, 0);
    EXPECT_EQ(spread.icLow, 0);
    EXPECT_EQ(core::SpreadTable(spread, {})[1][1], "0.000");
    CheckCorners(kWorked, settings);
    // Germanium's drop cut off by a cold supply, and heat lowering Vbe.
    core::Stage germanium = kWorked;
    germanium.material = core::Material::Germanium;
    germanium.R2 = 100;
    CheckCorners(germanium, Settings(20, 400, 20, 60, -55, 70));
}

TEST(SpreadCornersTest, ASaturatedCornerHoldsAtTheStrip) {
    // hFE 50 to 300, ±10 %: the formula's lowest Vce was -14.68 V.
    core::Stage saturating = kWorked;
    saturating.Rc = 4700;
    const core::SpreadSettings wide = Settings(50, 300, 10, 10, 0, 50);
    const core::Spread spread = core::ComputeSpread(saturating, wide);
    ASSERT_TRUE(spread.ok);
    EXPECT_EQ(spread.vceLow, 0.2);
    EXPECT_EQ(spread.saturatedCorners, 108);  // the region rule is the same
    CheckCorners(saturating, wide);
    CheckCorners(kWorked, Settings(50, 300, 10, 10, 0, 50));
    // Germanium's narrower strip, a stiff divider, and a large Re.
    core::Stage germanium = saturating;
    germanium.material = core::Material::Germanium;
    germanium.R1 = 2200;
    germanium.Re = 1500;
    CheckCorners(germanium, Settings(10, 1000, 30, 40, -55, 70));
}

// Germanium's 0.1 V drop is gone above 75 °C: a hotter end gives no spread
// rather than corners with a negative Vbe. Silicon's holds to 150 °C.
TEST(SpreadCornersTest, NoCornerHasANegativeVbe) {
    core::Stage germanium = kWorked;
    germanium.material = core::Material::Germanium;
    const core::SpreadSettings hot = Settings(50, 200, 5, 0, 25, 80);
    const core::Spread spread = core::ComputeSpread(germanium, hot);
    EXPECT_FALSE(spread.ok);
    EXPECT_EQ(core::SpreadSentence(spread, hot),
              "No spread: at 80 \u00b0C Vbe falls below zero (2 mV less a degree from 0.1 V at "
              "25 \u00b0C).");
    EXPECT_TRUE(core::ComputeSpread(germanium, Settings(50, 200, 5, 0, -55, 70)).ok);
    EXPECT_TRUE(core::ComputeSpread(kWorked, Settings(50, 200, 5, 0, -55, 150)).ok);
}

}  // namespace

namespace {

TEST(SpreadBoxesTest, EachBoxTakesItsUnitAndRange) {
    using core::InputFault;
    const auto faults = [](core::SpreadTexts texts, bool follows = false) {
        core::SpreadSettings settings;
        const core::SpreadReading reading = core::ReadSpreadBoxes(texts, follows, settings);
        std::array<InputFault, core::kSpreadBoxCount> out;
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = reading.boxes[i].fault;
        return std::pair{out, settings};
    };
    const InputFault ok = InputFault::None;
    auto [good, settings] = faults({"50", "200", "5 %", "0%", "-55 \u00b0C", "150C"});
    EXPECT_EQ(good, (std::array{ok, ok, ok, ok, ok, ok}));
    EXPECT_EQ(settings.temperatureFrom, -55);
    // "2k" per cent is no 2 %, -300 °C no temperature, 80 to 20 no range.
    auto [bad, unused] = faults({"80", "20", "2k", "100", "-300", "25"});
    EXPECT_EQ(bad,
              (std::array{InputFault::Misordered, InputFault::Misordered, InputFault::NotReadWhole,
                          InputFault::AboveRange, InputFault::BelowRange, ok}));
    auto [empty, unused2] = faults({"0", "", "5", "5", "30", "20"});
    EXPECT_EQ(empty, (std::array{InputFault::BelowRange, InputFault::Empty, ok, ok,
                                 InputFault::Misordered, InputFault::Misordered}));
    // Before the first Calculate the hFE ends of a Beta of 100 stand for empty boxes.
    auto [unset, defaults] = faults({"", " ", "5", "0", "25", "25"}, true);
    EXPECT_EQ(unset, (std::array{ok, ok, ok, ok, ok, ok}));
    EXPECT_EQ(defaults.hfeFrom, 50);
    EXPECT_EQ(defaults.hfeTo, 200);
}

}  // namespace
