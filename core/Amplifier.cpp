#include "core/Amplifier.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/ESeries.h"
#include "platform/TextNumber.h"

namespace core {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// a || b = ab / (a + b)
double Parallel(double a, double b) { return (a * b) / (a + b); }

constexpr std::array<AmplifierBoxRule, kAmplifierBoxCount> kRules = {{
    {"Rs", "Rs", "rs", "Ω", InputUnit::Ohm, 0, true, EmptyBox::kRefused, "600"},
    {"RL", "RL", "rl", "Ω", InputUnit::Ohm, 0, false, EmptyBox::kNone, "10k"},
    {"Re1", "Re1", "re1", "Ω", InputUnit::Ohm, 0, true, EmptyBox::kRefused, "0"},
    {"Cin", "Cin", "cin", "F", InputUnit::Farad, 0, false, EmptyBox::kRefused, "10u"},
    {"Ce", "Ce", "ce", "F", InputUnit::Farad, 0, false, EmptyBox::kRefused, "100u"},
    {"Cout", "Cout", "cout", "F", InputUnit::Farad, 0, false, EmptyBox::kRefused, "10u"},
    {"hfe", "hfe", "hfe", "", InputUnit::None, 0, false, EmptyBox::kBeta, ""},
    {"VA", "VA", "va", "V", InputUnit::Volt, 0, false, EmptyBox::kNone, ""},
    {"fT", "fT", "ft", "Hz", InputUnit::Hertz, 0, false, EmptyBox::kRefused, "300M"},
    {"Cμ", "Cmu", "cmu", "F", InputUnit::Farad, 0, true, EmptyBox::kRefused, "4p"},
    {"Amplitude", "Amplitude", "amplitude", "V", InputUnit::Volt, 0, false, EmptyBox::kRefused,
     "10m"},
    {"Frequency", "Frequency", "frequency", "Hz", InputUnit::Hertz, 0, false, EmptyBox::kRefused,
     "1k"},
}};

bool OnlyBlanks(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// Whether the text holds a digit before where the number ends: "F" or "k"
// alone read as 0 in the main window's boxes, but hold no number here.
bool HasNumber(std::string_view text) {
    const std::string_view number = text.substr(0, platform::LenientNumberEnd(text));
    return number.find_first_of("0123456789") != std::string_view::npos;
}

// A text read by the box reader against its rule; an empty box that may be
// empty holds no value.
BoxReading ReadValue(std::string_view text, const InputRule& rule) {
    BoxReading reading;
    if (OnlyBlanks(text) && rule.emptyAllowed) return reading;
    if (!OnlyBlanks(text) && !HasNumber(text)) {
        reading.fault = BoxFault::kNotNumber;
        reading.rest = std::string(text.substr(text.find_first_not_of(" \t")));
        return reading;
    }
    const InputResult result = ReadBox(text, rule);
    switch (result.fault) {
        case InputFault::None:
            reading.value = result.value();
            break;
        case InputFault::Empty:
            reading.fault = BoxFault::kEmpty;
            break;
        case InputFault::TooLarge:
            reading.fault = BoxFault::kTooLarge;
            break;
        case InputFault::NotReadWhole:
            reading.fault = BoxFault::kNotNumber;
            reading.rest = result.reading.rest;
            break;
        case InputFault::BelowRange:
        case InputFault::AboveRange:
        case InputFault::Misordered:
            reading.fault = BoxFault::kBelowRange;  // the rules here have no upper end
            break;
    }
    return reading;
}

// The frequency between the low and the high corners where the response
// crosses `target`, searched from `from` in steps of a decade by `step` (0.1
// or 10) until it falls below, then halved in log f to 1e-12 of itself.
// None when no crossing is found within the range of a double.
std::optional<double> Corner(const SmallSignal& s, double from, double step, double target) {
    double inside = from;
    double outside = from;
    for (;;) {
        outside = inside * step;
        if (!(outside > 0) || !std::isfinite(outside)) return std::nullopt;
        if (Response(s, outside) < target) break;
        inside = outside;
    }
    constexpr double kPrecision = 1e-12;
    while (std::abs(outside - inside) > kPrecision * std::min(inside, outside)) {
        const double middle = std::sqrt(inside * outside);  // the middle in log f
        if (middle == inside || middle == outside) break;
        (Response(s, middle) < target ? outside : inside) = middle;
    }
    return std::sqrt(inside * outside);
}

bool AllFinite(const SmallSignal& s) {
    const double values[] = {s.re,
                             s.gm,
                             s.rpi,
                             s.Av,
                             s.Avs,
                             s.Zin,
                             s.Zout,
                             s.f_in,
                             s.Swing,
                             s.MaxInput,
                             s.HD2,
                             s.Cpi,
                             s.RinPole,
                             s.ro.value_or(0),
                             s.f_out.value_or(0),
                             s.f_E.value_or(0),
                             s.f_z.value_or(0)};
    // f_H alone may be infinite: with neither Cpi nor Cmu charged through a
    // resistance there is no high-frequency pole.
    return std::all_of(std::begin(values), std::end(values),
                       [](double v) { return std::isfinite(v); }) &&
           s.f_H > 0 && s.Avs > 0;
}

AmplifierAnalysis Stopped(AmplifierStop stop) {
    AmplifierAnalysis analysis;
    analysis.stop = stop;
    return analysis;
}

AmplifierAnalysis BadBox(AmplifierBox box, BoxFault fault) {
    AmplifierAnalysis analysis = Stopped(AmplifierStop::kBadBox);
    analysis.box = box;
    analysis.boxFault = fault;
    return analysis;
}

// Mid-band: the capacitors short, the transistor's capacitances open.
void MidBand(const AmplifierDc& dc, const AmplifierInputs& in, SmallSignal& s) {
    const double gpi = 1 / s.rpi;
    const double go = s.ro ? 1 / *s.ro : 0;
    const double GL = 1 / s.RLac;
    const double gm = s.gm;
    // The emitter and collector voltages with the base driven by 1 V.
    const double ve = in.Re1 == 0 ? 0
                                  : (gpi * (go + GL) + gm * GL) /
                                        ((gpi + 1 / in.Re1) * (go + GL) + GL * (gm + go));
    const double vc = ((gm + go) * ve - gm) / (go + GL);
    s.Av = -vc;
    s.Zb = 1 / (gpi * (1 - ve));
    s.Zin = Parallel(dc.Rth, s.Zb);
    s.Avs = s.Av * s.Zin / (s.Zin + in.Rs);
    if (!s.ro) {
        s.Zout = dc.Rc;
    } else {
        const double ro = *s.ro;
        const double Rx = in.Re1 == 0 ? 0 : Parallel(in.Re1, s.rpi + s.Rsig);
        const double Rout = ro + Rx * (1 + gm * ro * s.rpi / (s.rpi + s.Rsig));
        s.Zout = Parallel(dc.Rc, Rout);
    }
}

// Each capacitor alone, the others shorted.
void LowPoles(const AmplifierDc& dc, const AmplifierInputs& in, SmallSignal& s) {
    s.RinPole = in.Rs + s.Zin;
    s.f_in = 1 / (kTwoPi * in.Cin * s.RinPole);
    if (in.RL) {
        s.RoutPole = s.Zout + *in.RL;
        s.f_out = 1 / (kTwoPi * in.Cout * *s.RoutPole);
    }
    if (in.Re1 != dc.Re) {
        const double Re2 = dc.Re - in.Re1;
        s.RePole = Parallel(Re2, in.Re1 + (s.rpi + s.Rsig) / (s.hfe + 1));
        s.f_E = 1 / (kTwoPi * in.Ce * *s.RePole);
        s.f_z = 1 / (kTwoPi * in.Ce * Re2);
    }
}

// Open-circuit time constants, ro left out.
void HighPole(const AmplifierInputs& in, SmallSignal& s) {
    s.Cpi = std::max(s.gm / (kTwoPi * in.fT) - in.Cmu, 0.0);
    const double Zb0 = s.rpi + (s.hfe + 1) * in.Re1;
    const double Rb = Parallel(s.Rsig, Zb0);
    const double Rpi = s.rpi * (in.Re1 + s.Rsig) / (s.rpi + s.Rsig + (s.hfe + 1) * in.Re1);
    const double Rmu = Rb + s.RLac * (1 + s.hfe * Rb / Zb0);
    s.f_H = 1 / (kTwoPi * (s.Cpi * Rpi + in.Cmu * Rmu));
}

void Corners(SmallSignal& s) {
    const double lowest = std::max({s.f_in, s.f_E.value_or(0), s.f_out.value_or(0)});
    const double target = s.Avs / std::sqrt(2.0);
    if (std::isinf(s.f_H)) {
        // No high pole: the response only rises, and well above the low poles
        // it is mid-band; there is an fL and no fH.
        s.fL = Corner(s, lowest * 1e3, 0.1, target);
        return;
    }
    const double middle = std::sqrt(lowest * s.f_H);
    if (!(Response(s, middle) > target)) return;  // the corners overlap
    s.fL = Corner(s, middle, 0.1, target);
    s.fH = Corner(s, middle, 10, target);
    if (!s.fL || !s.fH) s.fL = s.fH = std::nullopt;
}

// The AC load line through the Q point and how far the output swings on it.
void Swing(const AmplifierDc& dc, const AmplifierInputs& in, SmallSignal& s) {
    s.acResistance = s.RLac + in.Re1;
    s.SwingUp = dc.IC * s.RLac;
    s.SwingDown = (dc.VCE - dc.strip) * s.RLac / (s.RLac + in.Re1);
    s.Swing = std::max(std::min(s.SwingUp, s.SwingDown), 0.0);
    s.MaxInput = s.Swing / s.Avs;
    s.Clips = in.Amplitude * s.Avs > s.Swing;
}

void Distortion(const AmplifierDc& dc, const AmplifierInputs& in, SmallSignal& s) {
    const double v = in.Rs == 0 ? in.Amplitude : in.Amplitude * dc.Rth / (in.Rs + dc.Rth);
    const double feedback = 1 + s.gm * (in.Re1 + s.Rsig / (s.hfe + 1));
    s.HD2 = 0.25 * (v / s.VT) / (feedback * feedback) * 100;
}

}  // namespace

double ThermalVoltage() { return kBoltzmann * kRoomTemperature / kElementaryCharge; }

const AmplifierBoxRule& RuleOf(AmplifierBox box) { return kRules[IndexOf(box)]; }

InputRule InputRuleOf(AmplifierBox box) {
    const AmplifierBoxRule& rule = RuleOf(box);
    InputRule input;
    input.unit = rule.unit;
    input.min = rule.lowest;
    input.minIncluded = rule.lowestIncluded;
    input.emptyAllowed = rule.empty != EmptyBox::kRefused;
    input.lenient = false;
    input.multipliers = true;
    return input;
}

InputRule LowCornerRule() {
    InputRule input;
    input.unit = InputUnit::Hertz;
    input.min = 0;
    input.minIncluded = false;
    input.emptyAllowed = false;
    input.lenient = false;
    input.multipliers = true;
    return input;
}

BoxReading ReadAmplifierBox(AmplifierBox box, std::string_view text) {
    return ReadValue(text, InputRuleOf(box));
}

BoxReading ReadLowCorner(std::string_view text) { return ReadValue(text, LowCornerRule()); }

AmplifierTexts DefaultAmplifierTexts() {
    AmplifierTexts texts;
    for (std::size_t i = 0; i < kAmplifierBoxCount; ++i) texts[i] = kRules[i].defaultText;
    return texts;
}

AmplifierReading ReadAmplifierInputs(const AmplifierTexts& texts) {
    AmplifierReading reading;
    for (std::size_t i = 0; i < kAmplifierBoxCount; ++i) {
        reading.boxes[i] = ReadAmplifierBox(BoxAt(i), texts[i]);
        if (reading.boxes[i].fault != BoxFault::kNone && !reading.faultBox)
            reading.faultBox = BoxAt(i);
    }
    if (reading.faultBox) return reading;
    const auto value = [&](AmplifierBox box) { return reading.boxes[IndexOf(box)].value; };
    AmplifierInputs& in = reading.inputs;
    in.Rs = *value(AmplifierBox::kRs);
    in.RL = value(AmplifierBox::kRL);
    in.Re1 = *value(AmplifierBox::kRe1);
    in.Cin = *value(AmplifierBox::kCin);
    in.Ce = *value(AmplifierBox::kCe);
    in.Cout = *value(AmplifierBox::kCout);
    in.hfe = value(AmplifierBox::kHfe);
    in.VA = value(AmplifierBox::kVA);
    in.fT = *value(AmplifierBox::kFT);
    in.Cmu = *value(AmplifierBox::kCmu);
    in.Amplitude = *value(AmplifierBox::kAmplitude);
    in.Frequency = *value(AmplifierBox::kFrequency);
    return reading;
}

std::optional<AmplifierDc> AmplifierDcOf(const Calculation& calculation) {
    const BiasOutcome& outcome = calculation.outcome;
    if (!outcome.ok()) return std::nullopt;
    const BiasPoint& p = outcome.point;
    const Stage& stage = calculation.stage;
    AmplifierDc dc;
    dc.IC = p.IcAmperes;
    dc.VE = p.Ve;
    dc.VC = p.Vc;
    dc.VCE = p.Vc - p.Ve;
    dc.IE = p.Ve / stage.Re;
    dc.Rth = p.Rth;
    dc.Rc = stage.Rc;
    dc.Re = stage.Re;
    dc.Beta = stage.Beta;
    dc.strip = SaturationStrip(stage.Vbe());
    return dc;
}

AmplifierAnalysis Analyse(const AmplifierDc& dc, const AmplifierInputs& in) {
    if (!(dc.IC > 0)) return Stopped(AmplifierStop::kCutOff);
    if (!(dc.VCE > dc.strip)) return Stopped(AmplifierStop::kSaturated);
    if (in.Re1 > dc.Re) return BadBox(AmplifierBox::kRe1, BoxFault::kAboveRe);
    const double hfe = in.hfe.value_or(dc.Beta);
    if (!(hfe > 0)) return BadBox(AmplifierBox::kHfe, BoxFault::kBelowRange);

    AmplifierAnalysis analysis;
    analysis.inputs = in;
    SmallSignal& s = analysis.figures;
    s.VCE = dc.VCE;
    s.IC = dc.IC;
    s.VT = ThermalVoltage();
    s.hfe = hfe;
    s.re = s.VT / dc.IE;
    s.gm = dc.IC / s.VT;
    s.rpi = hfe / s.gm;
    if (in.VA) s.ro = (*in.VA + dc.VCE) / dc.IC;
    s.RLac = in.RL ? Parallel(dc.Rc, *in.RL) : dc.Rc;
    s.Rsig = in.Rs == 0 ? 0 : Parallel(in.Rs, dc.Rth);

    MidBand(dc, in, s);
    LowPoles(dc, in, s);
    HighPole(in, s);
    Swing(dc, in, s);
    Distortion(dc, in, s);
    if (!AllFinite(s)) return Stopped(AmplifierStop::kNotFinite);
    Corners(s);
    analysis.stop = AmplifierStop::kNone;
    return analysis;
}

AmplifierAnalysis Analyse(const Calculation& calculation, const AmplifierInputs& inputs) {
    const std::optional<AmplifierDc> dc = AmplifierDcOf(calculation);
    if (!dc) return Stopped(AmplifierStop::kNoCalculation);
    return Analyse(*dc, inputs);
}

AmplifierAnalysis Analyse(const Calculation& calculation, const AmplifierReading& reading) {
    if (reading.faultBox) {
        const BoxReading& box = reading.boxes[IndexOf(*reading.faultBox)];
        AmplifierAnalysis analysis = BadBox(*reading.faultBox, box.fault);
        analysis.rest = box.rest;
        return analysis;
    }
    return Analyse(calculation, reading.inputs);
}

std::array<AmplifierRow, kAmplifierRowCount> AmplifierRows(const SmallSignal& s) {
    return {{
        {"re", "Ω", s.re},
        {"gm", "S", s.gm},
        {"rπ", "Ω", s.rpi},
        {"ro", "Ω", s.ro},
        {"|Av|", "", s.Av},
        {"|Avs|", "", s.Avs},
        {"Zin", "Ω", s.Zin},
        {"Zout", "Ω", s.Zout},
        {"f(Cin)", "Hz", s.f_in},
        {"f(Ce)", "Hz", s.f_E},
        {"f(Cout)", "Hz", s.f_out},
        {"fL", "Hz", s.fL},
        {"fH", "Hz", s.fH},
        {"Swing", "V", s.Swing},
        {"Max input", "V", s.MaxInput},
        {"HD2", "%", s.HD2},
    }};
}

double Response(const SmallSignal& s, double f) {
    // |s / (s + p)| with s = j f is f / hypot(f, p).
    double gain = s.Avs * (f / std::hypot(f, s.f_in));
    if (s.f_out) gain *= f / std::hypot(f, *s.f_out);
    if (s.f_E) gain *= std::hypot(f, *s.f_z) / std::hypot(f, *s.f_E);
    return gain / std::hypot(1.0, f / s.f_H);
}

AmplifierAnalysis PickCapacitors(const AmplifierDc& dc, const AmplifierInputs& inputs, double fL) {
    const AmplifierAnalysis first = Analyse(dc, inputs);
    if (!first.ok()) return first;
    const SmallSignal& s = first.figures;
    const bool bypassed = s.RePole.has_value();
    const bool loaded = s.RoutPole.has_value();
    const double coupling = bypassed ? 0.1 : (loaded ? 0.5 : 1.0);
    const auto pick = [&](double share, double R) {
        return RoundUpToSeries(1 / (kTwoPi * (share * fL) * R), Series::E6);
    };
    AmplifierInputs picked = inputs;
    picked.Cin = pick(coupling, s.RinPole);
    if (bypassed) picked.Ce = pick(0.8, *s.RePole);
    if (loaded) picked.Cout = pick(coupling, *s.RoutPole);
    return Analyse(dc, picked);
}

}  // namespace core
