// What the pictures draw of an amplifier: its response over a span of
// frequencies and its AC load line.
#include <gtest/gtest.h>

#include <cmath>

#include "core/AmplifierCurve.h"
#include "core/StageCalc.h"

namespace {

core::SmallSignal Worked(const core::AmplifierInputs& inputs = {}) {
    const core::Calculation calculation =
        core::RunStage({"12", "100", "22000", "4700", "2200", "470", core::Material::Silicon})
            .calculation;
    const core::AmplifierAnalysis analysis = core::Analyse(calculation, inputs);
    EXPECT_TRUE(analysis.ok());
    return analysis.figures;
}

TEST(AmplifierCurve, SpansWholeDecadesBeyondTheCornersAndIsThreeDecibelsDownAtThem) {
    const core::SmallSignal s = Worked();
    // fL 119.5 Hz and fH 539.4 kHz.
    const core::FrequencySpan span = core::ResponseSpan(s);
    EXPECT_DOUBLE_EQ(span.low, 10);
    EXPECT_DOUBLE_EQ(span.high, 1e7);
    const std::vector<core::ResponsePoint> curve = core::ResponseCurve(s, span, 241);
    ASSERT_EQ(curve.size(), 241u);
    EXPECT_EQ(curve.back().f, 1e7);
    EXPECT_NEAR(curve[80].f, 1e3, 1e-9);  // 40 points a decade
    EXPECT_NEAR(curve[80].dB, 20 * std::log10(s.Avs), 0.1);
    for (const core::ResponsePoint& p : core::ResponseCurve(s, {*s.fL, *s.fH}, 2))
        EXPECT_NEAR(p.dB, 20 * std::log10(s.Avs) - 10 * std::log10(2.0), 1e-9);
}

TEST(AmplifierCurve, OverlappingCornersStillGiveASpanAroundThePoles) {
    core::AmplifierInputs inputs;
    inputs.Cin = 1e-12;  // Cin's pole far above f_H
    const core::SmallSignal s = Worked(inputs);
    ASSERT_FALSE(s.fL);
    const core::FrequencySpan span = core::ResponseSpan(s);
    EXPECT_LE(span.low, s.f_H / 10);
    EXPECT_GE(span.high, s.f_in * 10);
    EXPECT_TRUE(std::isfinite(span.high));
    for (const core::ResponsePoint& p : core::ResponseCurve(s, span, 50))
        EXPECT_TRUE(std::isfinite(p.dB)) << p.f;

    // No high pole at all (an ideal source, no Cmu): a finite span past fL.
    inputs = {};
    inputs.Rs = 0;
    inputs.Cmu = 0;
    const core::SmallSignal flat = Worked(inputs);
    ASSERT_TRUE(flat.fL);
    const core::FrequencySpan open = core::ResponseSpan(flat);
    EXPECT_TRUE(std::isfinite(open.high));
    EXPECT_GE(open.high, *flat.fL * 100);
}

TEST(AmplifierCurve, AcLoadLinePassesThroughTheQPointToTheSwingLimits) {
    for (const double Re1 : {0.0, 220.0}) {
        core::AmplifierInputs inputs;
        inputs.Re1 = Re1;
        const core::SmallSignal s = Worked(inputs);
        const core::AcLoadLine line = core::MakeAcLoadLine(s);
        // Every point on it: Ic = IC - (Vce - VCE) / (RL' + Re1).
        const auto on = [&](double Vce, double Ic) {
            EXPECT_NEAR(Ic, s.IC - (Vce - s.VCE) / (s.RLac + Re1), 1e-12) << Vce;
        };
        on(line.VceAtZeroIc, 0);
        on(0, line.IcAtZeroVce);
        on(line.VceUp, line.IcUp);
        on(line.VceDown, line.IcDown);
        // Toward cut-off the current reaches 0; toward saturation Vce reaches the strip.
        EXPECT_NEAR(line.IcUp, 0, 1e-15);
        EXPECT_NEAR(line.VceDown, 0.2, 1e-12);
        // The output's excursion there is the swing across RL'.
        EXPECT_NEAR((line.IcDown - s.IC) * s.RLac, s.SwingDown, 1e-12);
    }
}

}  // namespace
