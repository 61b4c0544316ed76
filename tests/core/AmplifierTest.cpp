#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>

#include "core/Amplifier.h"
#include "core/ESeries.h"
#include "core/EngineeringFormat.h"
#include "core/StageCalc.h"

namespace {

using core::AmplifierBox;
using core::AmplifierInputs;
using core::AmplifierStop;
using core::BoxFault;

core::Calculation Calculate(const char* Vcc, const char* Beta, const char* R1, const char* R2,
                            const char* Rc, const char* Re) {
    return core::RunStage({Vcc, Beta, R1, R2, Rc, Re, core::Material::Silicon}).calculation;
}

core::Calculation Worked() { return Calculate("12", "100", "22000", "4700", "2200", "470"); }

std::string Shown(double value) { return core::ShownNumber(value); }

TEST(AmplifierTest, WorkedExampleWithTheDefaults) {
    const core::AmplifierAnalysis a = core::Analyse(Worked(), AmplifierInputs{});
    ASSERT_TRUE(a.ok());
    const core::SmallSignal& s = a.figures;
    EXPECT_EQ(Shown(s.Av), "205.4");
    EXPECT_EQ(Shown(s.Avs), "111.7");
    EXPECT_EQ(Shown(s.Zin), "715.8");
    EXPECT_EQ(Shown(s.Zout), "2.200e+3");
    ASSERT_TRUE(s.fL && s.fH);
    EXPECT_EQ(Shown(*s.fL), "119.5");
    EXPECT_EQ(Shown(*s.fH), "539.4e+3");
    EXPECT_EQ(Shown(s.Swing), "3.921");
    EXPECT_EQ(Shown(s.HD2), "3.328");
    EXPECT_FALSE(s.ro);
    // The corners are where the response is 3 dB down, to 1e-12 of themselves.
    for (double f : {*s.fL, *s.fH}) {
        EXPECT_NEAR(core::Response(s, f) / s.Avs, 1 / std::sqrt(2.0), 1e-11);
    }
    EXPECT_FALSE(s.Clips);  // 10 mV x 111.7 is below 3.921 V
}

TEST(AmplifierTest, PicksCapacitorsForALowCorner) {
    const core::AmplifierDc dc = *core::AmplifierDcOf(Worked());
    const core::AmplifierAnalysis a = core::PickCapacitors(dc, AmplifierInputs{}, 20);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.inputs.Cin, 68e-6);
    EXPECT_EQ(a.inputs.Ce, 1e-3);
    EXPECT_EQ(a.inputs.Cout, 6.8e-6);

    // Random stages and targets, with and without Ce and a load: the corner
    // is met.
    std::mt19937 random(29);
    std::uniform_real_distribution<double> share(0, 1);
    for (int i = 0; i < 200; ++i) {
        AmplifierInputs in;
        in.Re1 = i % 3 == 0 ? dc.Re : dc.Re * share(random);
        if (i % 2 == 0) in.RL.reset();
        in.Rs = 10000 * share(random);
        const double target = std::pow(10, 4 * share(random));  // 1 Hz to 10 kHz
        const core::AmplifierAnalysis picked = core::PickCapacitors(dc, in, target);
        ASSERT_TRUE(picked.ok() && picked.figures.fL) << i;
        EXPECT_LE(*picked.figures.fL, target) << i;
    }
}

TEST(AmplifierTest, RoundsUpToTheE6Series) {
    using core::RoundUpToSeries;
    const auto e6 = [](double v) { return RoundUpToSeries(v, core::Series::E6); };
    EXPECT_EQ(e6(6.8e-6), 6.8e-6);
    EXPECT_EQ(e6(6.8e-6 * (1 + 1e-10)), 6.8e-6);  // within 1e-9: the series value
    EXPECT_EQ(e6(6.8e-6 * (1 + 1e-8)), 10e-6);
    EXPECT_EQ(e6(1e-5), 1e-5);
    EXPECT_EQ(e6(1.0000001e-5), 15e-6);
    EXPECT_EQ(e6(0.99e-3), 1e-3);
    EXPECT_EQ(e6(2.3e-12), 3.3e-12);
}

TEST(AmplifierTest, ReducesToTheTextbookForms) {
    const core::AmplifierDc dc = *core::AmplifierDcOf(Worked());
    for (double Re1 : {0.0, 100.0, dc.Re}) {
        AmplifierInputs in;
        in.Re1 = Re1;
        const core::AmplifierAnalysis a = core::Analyse(dc, in);
        ASSERT_TRUE(a.ok());
        const core::SmallSignal& s = a.figures;
        const double RL = s.RLac;
        EXPECT_NEAR(s.Av, 100 * RL / (s.rpi + 101 * Re1), 1e-12 * s.Av);
        EXPECT_NEAR(s.Zb, s.rpi + 101 * Re1, 1e-12 * s.Zb);
        EXPECT_EQ(s.Zout, dc.Rc);
        EXPECT_EQ(s.f_E.has_value(), Re1 != dc.Re);
        EXPECT_EQ(s.f_z.has_value(), Re1 != dc.Re);
    }
    // With VA and Re1 = 0 the gain is gm (ro || RL') and Zout is Rc || ro.
    AmplifierInputs in;
    in.VA = 50;
    const core::SmallSignal s = core::Analyse(dc, in).figures;
    const double ro = (50 + dc.VCE) / dc.IC;
    EXPECT_NEAR(s.Av, s.gm * ro * s.RLac / (ro + s.RLac), 1e-12 * s.Av);
    EXPECT_NEAR(s.Zout, dc.Rc * ro / (dc.Rc + ro), 1e-12 * s.Zout);
    // Without a load there is no Cout.
    in.RL.reset();
    EXPECT_FALSE(core::Analyse(dc, in).figures.f_out);

    // An ideal source into a bypassed emitter, with no Cmu: nothing charges
    // Cpi, so there is no high corner, but the low one is there.
    AmplifierInputs ideal;
    ideal.Rs = 0;
    ideal.Cmu = 0;
    const core::AmplifierAnalysis flat = core::Analyse(dc, ideal);
    ASSERT_TRUE(flat.ok());
    EXPECT_FALSE(flat.figures.fH);
    ASSERT_TRUE(flat.figures.fL);
    EXPECT_NEAR(core::Response(flat.figures, *flat.figures.fL) / flat.figures.Avs,
                1 / std::sqrt(2.0), 1e-11);
}

// Solves a x = b for a small dense system by Gaussian elimination with
// partial pivoting.
template <std::size_t N>
std::array<double, N> Solve(std::array<std::array<double, N>, N> a, std::array<double, N> b) {
    for (std::size_t k = 0; k < N; ++k) {
        std::size_t pivot = k;
        for (std::size_t i = k + 1; i < N; ++i)
            if (std::abs(a[i][k]) > std::abs(a[pivot][k])) pivot = i;
        std::swap(a[k], a[pivot]);
        std::swap(b[k], b[pivot]);
        for (std::size_t i = k + 1; i < N; ++i) {
            const double m = a[i][k] / a[k][k];
            for (std::size_t j = k; j < N; ++j) a[i][j] -= m * a[k][j];
            b[i] -= m * b[k];
        }
    }
    std::array<double, N> x{};
    for (std::size_t k = N; k-- > 0;) {
        double sum = b[k];
        for (std::size_t j = k + 1; j < N; ++j) sum -= a[k][j] * x[j];
        x[k] = sum / a[k][k];
    }
    return x;
}

// The mid-band hybrid-pi circuit as nodes base, emitter, collector: a source
// of 1 V behind Rs, Rth to ground, rpi base-emitter, gm vbe and ro collector to
// emitter, Re1 emitter to ground (Re2 bypassed), `Rload` collector to ground,
// and `inject` amperes into base, emitter and collector. Returns vb, ve, vc.
std::array<double, 3> Nodes(double Rs, double Rth, double rpi, double gm, double ro, double Re1,
                            double Rload, double source, std::array<double, 3> inject) {
    const double gs = 1 / Rs, gth = 1 / Rth, gpi = 1 / rpi, go = 1 / ro, ge = 1 / Re1,
                 gl = 1 / Rload;
    // KCL, currents leaving each node; gm (vb - ve) leaves the collector
    // and enters the emitter.
    const std::array<std::array<double, 3>, 3> a = {{
        {gs + gth + gpi, -gpi, 0},
        {-gpi - gm, gpi + gm + go + ge, -go},
        {gm, -gm - go, go + gl},
    }};
    return Solve<3>(a, {source * gs + inject[0], inject[1], inject[2]});
}

TEST(AmplifierTest, ClosedFormsAgreeWithANodalSolve) {
    std::mt19937 random(2029);
    std::uniform_real_distribution<double> unit(0, 1);
    const auto decades = [&](double low, double high) {
        return low * std::pow(high / low, unit(random));
    };
    int checked = 0;
    while (checked < 100) {
        const core::Calculation c = Calculate(
            "12", std::to_string(decades(20, 500)).c_str(),
            std::to_string(decades(5e3, 200e3)).c_str(), std::to_string(decades(1e3, 50e3)).c_str(),
            std::to_string(decades(100, 10e3)).c_str(), std::to_string(decades(50, 5e3)).c_str());
        const std::optional<core::AmplifierDc> dc = core::AmplifierDcOf(c);
        ASSERT_TRUE(dc);
        AmplifierInputs in;
        in.Rs = decades(1, 1e4);
        in.RL = decades(100, 1e6);
        in.Re1 = dc->Re * unit(random);
        in.hfe = decades(20, 500);
        in.VA = decades(10, 300);
        const core::AmplifierAnalysis a = core::Analyse(*dc, in);
        if (a.stop == AmplifierStop::kCutOff || a.stop == AmplifierStop::kSaturated) continue;
        ASSERT_TRUE(a.ok());
        ++checked;
        const core::SmallSignal& s = a.figures;
        const double ro = *s.ro;
        const auto v = Nodes(in.Rs, dc->Rth, s.rpi, s.gm, ro, in.Re1, s.RLac, 1, {});
        EXPECT_NEAR(s.Av, -v[2] / v[0], 1e-9 * s.Av);
        EXPECT_NEAR(s.Avs, -v[2], 1e-9 * s.Avs);
        EXPECT_NEAR(s.Zin, v[0] / ((1 - v[0]) / in.Rs), 1e-9 * s.Zin);
        // Zout: no load, the source at zero, 1 A into the collector.
        const auto out = Nodes(in.Rs, dc->Rth, s.rpi, s.gm, ro, in.Re1, dc->Rc, 0, {0, 0, 1});
        EXPECT_NEAR(s.Zout, out[2], 1e-9 * s.Zout);

        // The resistances the capacitors see, ro left out: Cpi's between base
        // and emitter, Cmu's between base and collector, and Ce's as Re2 in
        // parallel with Re1 and what looks into the emitter.
        const double inf = std::numeric_limits<double>::infinity();
        const auto across = [&](std::size_t from, std::size_t to) {
            std::array<double, 3> inject{};
            inject[to] = 1;
            inject[from] = -1;
            const auto n = Nodes(in.Rs, dc->Rth, s.rpi, s.gm, inf, in.Re1, s.RLac, 0, inject);
            return n[to] - n[from];
        };
        const double Rpi = across(1, 0);
        const double Rmu = across(2, 0);
        const double fH = 1 / (2 * std::numbers::pi * (s.Cpi * Rpi + in.Cmu * Rmu));
        EXPECT_NEAR(s.f_H, fH, 1e-9 * fH);
        const double emitter =
            Nodes(in.Rs, dc->Rth, s.rpi, s.gm, inf, inf, s.RLac, 0, {0, 1, 0})[1];
        const double Re2 = dc->Re - in.Re1;
        const double RE = 1 / (1 / Re2 + 1 / (in.Re1 + emitter));
        EXPECT_NEAR(*s.RePole, RE, 1e-9 * RE);
    }
}

TEST(AmplifierTest, ReadsBoxesWithMultipliersAndUnits) {
    const auto value = [](AmplifierBox box, const char* text) {
        return core::ReadAmplifierBox(box, text).value.value_or(-1);
    };
    EXPECT_EQ(value(AmplifierBox::kRL, "4.7k"), 4700);
    EXPECT_EQ(value(AmplifierBox::kRL, "2.2 k\u03a9"), 2200);
    EXPECT_EQ(value(AmplifierBox::kRL, "1meg"), 1e6);
    EXPECT_EQ(value(AmplifierBox::kCin, "10u"), 10e-6);
    EXPECT_EQ(value(AmplifierBox::kCin, "10\u00b5F"), 10e-6);
    EXPECT_EQ(value(AmplifierBox::kCin, "100 nF"), 100e-9);
    EXPECT_EQ(value(AmplifierBox::kFT, "300MHz"), 300e6);
    EXPECT_EQ(value(AmplifierBox::kAmplitude, "10 mV"), 10e-3);
    // The defaults as text are the defaults as numbers.
    const core::AmplifierReading defaults =
        core::ReadAmplifierInputs(core::DefaultAmplifierTexts());
    ASSERT_FALSE(defaults.faultBox);
    const AmplifierInputs in;
    EXPECT_EQ(defaults.inputs.Cmu, in.Cmu);
    EXPECT_EQ(defaults.inputs.fT, in.fT);
    EXPECT_EQ(defaults.inputs.RL, in.RL);
    EXPECT_FALSE(defaults.inputs.VA);
    EXPECT_FALSE(defaults.inputs.hfe);
}

TEST(AmplifierTest, BadBoxesAndStagesGiveAReasonAndNoNumbers) {
    struct Case {
        AmplifierBox box;
        const char* text;
        BoxFault fault;
    };
    const Case cases[] = {
        {AmplifierBox::kCin, "10x", BoxFault::kNotNumber},
        {AmplifierBox::kCin, "uF", BoxFault::kNotNumber},
        {AmplifierBox::kRs, "-5", BoxFault::kBelowRange},
        {AmplifierBox::kRL, "0", BoxFault::kBelowRange},
        {AmplifierBox::kFT, "1e999", BoxFault::kTooLarge},
        {AmplifierBox::kCin, "1e400 uF", BoxFault::kTooLarge},
        {AmplifierBox::kRL, "1e308k", BoxFault::kTooLarge},  // only the multiplier overflows
        {AmplifierBox::kRL, "-0.9e305 kΩ", BoxFault::kBelowRange},
        {AmplifierBox::kCe, "", BoxFault::kEmpty},
        {AmplifierBox::kRe1, "471", BoxFault::kAboveRe},
    };
    for (const Case& c : cases) {
        core::AmplifierTexts texts = core::DefaultAmplifierTexts();
        texts[core::IndexOf(c.box)] = c.text;
        const core::AmplifierAnalysis a = core::Analyse(Worked(), core::ReadAmplifierInputs(texts));
        EXPECT_EQ(a.stop, AmplifierStop::kBadBox) << c.text;
        EXPECT_EQ(a.box, c.box) << c.text;
        EXPECT_EQ(a.boxFault, c.fault) << c.text;
        EXPECT_EQ(a.figures.Avs, 0) << c.text;
    }
    // An empty hfe follows Beta again; empty RL and VA mean none.
    core::AmplifierTexts texts = core::DefaultAmplifierTexts();
    texts[core::IndexOf(AmplifierBox::kHfe)] = "250";
    EXPECT_EQ(core::Analyse(Worked(), core::ReadAmplifierInputs(texts)).figures.hfe, 250);
    texts[core::IndexOf(AmplifierBox::kHfe)] = " ";
    texts[core::IndexOf(AmplifierBox::kRL)] = "";
    const core::AmplifierAnalysis a = core::Analyse(Worked(), core::ReadAmplifierInputs(texts));
    EXPECT_EQ(a.figures.hfe, 100);
    EXPECT_FALSE(a.figures.f_out);

    // Cut off (Vth below Vbe), saturated (Rc too large), no whole Calculate.
    EXPECT_EQ(
        core::Analyse(Calculate("1", "100", "22000", "4700", "2200", "470"), AmplifierInputs{})
            .stop,
        AmplifierStop::kCutOff);
    EXPECT_EQ(
        core::Analyse(Calculate("12", "100", "22000", "4700", "22000", "470"), AmplifierInputs{})
            .stop,
        AmplifierStop::kSaturated);
    EXPECT_EQ(
        core::Analyse(Calculate("12", "100", "22000", "4700", "0", "470"), AmplifierInputs{}).stop,
        AmplifierStop::kNoCalculation);
    // Inputs so extreme that a pole is beyond a double give a reason; the
    // corners of a response that never reaches 3 dB below mid-band are none.
    AmplifierInputs extreme;
    extreme.Cin = 1e-320;
    EXPECT_EQ(core::Analyse(Worked(), extreme).stop, AmplifierStop::kNotFinite);
    extreme.Cin = 1e-300;
    extreme.Cmu = 1e300;
    const core::AmplifierAnalysis overlap = core::Analyse(Worked(), extreme);
    ASSERT_TRUE(overlap.ok());
    EXPECT_FALSE(overlap.figures.fL || overlap.figures.fH);
}

}  // namespace
