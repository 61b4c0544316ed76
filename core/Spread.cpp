#include "core/Spread.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "platform/TextNumber.h"

namespace core {
namespace {

constexpr double kMilliamperesPerAmpere = 1000;

using Values = std::array<double, kSpreadQuantities>;

struct Ends {
    double a = 0;
    double b = 0;
    bool two() const { return a != b; }
};
using AllEnds = std::array<Ends, kSpreadQuantities>;

constexpr std::array<std::string_view, kSpreadQuantities> kEndNames = {"hFE",
                                                                       "R1 \u00b1 its tolerance",
                                                                       "R2 \u00b1 its tolerance",
                                                                       "Rc \u00b1 its tolerance",
                                                                       "Re \u00b1 its tolerance",
                                                                       "Vcc \u00b1 its tolerance",
                                                                       "Vbe at the temperature"};

Ends Toleranced(double x, double tolerance) {
    const double f = tolerance / 100;
    return {x * (1 - f), x * (1 + f)};
}

double VbeAt(double Vbe, double temperature) {
    return Vbe - kVbeDriftPerDegree * (temperature - kReferenceTemperature);
}

void Fail(Spread& spread, std::string reason) {
    spread.ok = false;
    spread.reason = std::move(reason);
}

// Empties the spread and keeps the storage of its points.
void Reset(Spread& spread) {
    spread.ok = false;
    spread.reason.clear();
    spread.corners = spread.activeCorners = spread.saturatedCorners = spread.cutOffCorners = 0;
    spread.icLow = spread.icHigh = spread.vceLow = spread.vceHigh = 0;
    spread.activeSamples = 0;
    spread.varied.clear();
    spread.cornerPoints.clear();
    spread.samples.clear();
    spread.table = {};
}

// The first setting that leaves no spread, or an empty text.
std::string CheckSettings(const SpreadSettings& s) {
    const std::pair<double, std::string_view> named[] = {
        {s.hfeFrom, "hFE from"},
        {s.hfeTo, "hFE to"},
        {s.resistorTolerance, "the resistor tolerance"},
        {s.vccTolerance, "the Vcc tolerance"},
        {s.temperatureFrom, "temperature from"},
        {s.temperatureTo, "temperature to"},
    };
    for (const auto& [value, name] : named) {
        if (!std::isfinite(value)) return std::string(name) + " is not a finite number";
    }
    for (int i : {2, 3}) {
        const auto& [value, name] = named[i];
        if (value < 0 || !(value < 100)) return std::string(name) + " is not from 0 to below 100 %";
    }
    for (int i : {0, 1}) {
        const auto& [value, name] = named[i];
        if (!(value > 0)) return std::string(name) + " is not above 0";
    }
    return {};
}

AllEnds EndsOf(const Stage& stage, const SpreadSettings& s) {
    AllEnds ends;
    ends[kHfe] = {s.hfeFrom, s.hfeTo};
    ends[kR1] = Toleranced(stage.R1, s.resistorTolerance);
    ends[kR2] = Toleranced(stage.R2, s.resistorTolerance);
    ends[kRc] = Toleranced(stage.Rc, s.resistorTolerance);
    ends[kRe] = Toleranced(stage.Re, s.resistorTolerance);
    ends[kVcc] = Toleranced(stage.Vcc, s.vccTolerance);
    ends[kVbe] = {VbeAt(stage.Vbe(), s.temperatureFrom), VbeAt(stage.Vbe(), s.temperatureTo)};
    return ends;
}

// "division by zero while computing ..." from "Division by zero while ...".
std::string FaultClause(const BiasOutcome& outcome, const Values& v) {
    std::string text = DescribeFault(outcome, v[kHfe], v[kR1], v[kR2], v[kRc], v[kRe]);
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = char(text[0] - 'A' + 'a');
    return text;
}

// Works out the spread's points one at a time, keeping the table's extremes.
class Evaluator {
public:
    Evaluator(Spread& spread, double strip) : spread_(spread), strip_(strip) {
        constexpr double inf = std::numeric_limits<double>::infinity();
        spread_.table.fill({inf, -inf});
    }

    // Steps 1 to 6 of one point, its region, and the values a transistor
    // there has. False, with the spread's reason, when they fault.
    bool Evaluate(const Values& v, std::string_view what, SpreadPoint& point) {
        // Steps 7 to 13 are not needed: Pc follows from Vc, Ve and Ic here,
        // whether or not the powers before it would fault (Rc = 0, say).
        const BiasOutcome outcome =
            ComputeOperatingPoint(v[kVcc], v[kHfe], v[kR1], v[kR2], v[kRc], v[kRe], v[kVbe]);
        if (!outcome.ok()) {
            Fail(spread_, "at " + std::string(what) + ", " + FaultClause(outcome, v));
            return false;
        }
        const BiasPoint& p = outcome.point;
        // The region as the load line decides it, from the formula's point.
        const double formulaVce = p.Vc - p.Ve;
        point.region = RegionAt(p.Ic, formulaVce, strip_);
        Terminal t = Stopped(point.region, v, p, formulaVce);
        const double pc = t.Vce * t.Ic;
        if (!std::isfinite(t.Vce) || !std::isfinite(pc) || !std::isfinite(t.Ve) ||
            !std::isfinite(t.Ic)) {
            Fail(spread_, "at " + std::string(what) + ", Vce or Pc is beyond the range of numbers");
            return false;
        }
        Note(SpreadQuantity::Ic, t.Ic);
        Note(SpreadQuantity::Ve, t.Ve);
        Note(SpreadQuantity::Vc, t.Vc);
        Note(SpreadQuantity::Vce, t.Vce);
        Note(SpreadQuantity::Pc, pc);
        point.Ic = t.Ic;
        point.Vce = t.Vce;
        return true;
    }

private:
    // A point's collector current (ampere) and voltages.
    struct Terminal {
        double Ic = 0, Ve = 0, Vc = 0, Vce = 0;
    };

    // Where a transistor really sits: the textbook formula in the active
    // region; past its edges the transistor stops. Cut off, no current
    // flows and the collector rises to the supply. Saturated, Vce holds at
    // the strip and the two loops, collector-emitter and base-emitter, fix
    // Ic and Ib with this point's own values:
    //   Ic (Rc + Re) + Ib Re = Vcc - strip
    //   Ic Re + Ib (Rth + Re) = Vth - Vbe
    Terminal Stopped(Region region, const Values& v, const BiasPoint& p, double formulaVce) const {
        if (region == Region::CutOff) return {0, 0, v[kVcc], v[kVcc]};
        if (region == Region::Active) {
            return {p.Ic / kMilliamperesPerAmpere, p.Ve, p.Vc, formulaVce};
        }
        const double rc = v[kRc], re = v[kRe];
        const double a = rc + re, b = re, c = re, d = p.Rth + re;
        const double e = v[kVcc] - strip_, f = p.Vth - v[kVbe];
        const double det = a * d - b * c;  // Cramer's rule on the two loops
        const double ic = (e * d - b * f) / det;
        const double ib = (a * f - c * e) / det;
        const double ve = (ic + ib) * re;
        return {ic, ve, ve + strip_, strip_};
    }

    void Note(SpreadQuantity q, double value) {
        SpreadRange& range = spread_.table[static_cast<std::size_t>(q)];
        range.low = std::min(range.low, value);
        range.high = std::max(range.high, value);
    }

    Spread& spread_;
    double strip_;
};

bool ComputeCorners(const AllEnds& ends, Evaluator& evaluator, Spread& spread) {
    const std::vector<int>& varying = spread.varied;
    spread.corners = 1 << varying.size();
    spread.cornerPoints.resize(static_cast<std::size_t>(spread.corners));
    for (int corner = 0; corner < spread.corners; ++corner) {
        Values v;
        for (int q = 0; q < kSpreadQuantities; ++q) v[q] = ends[q].a;
        for (std::size_t bit = 0; bit < varying.size(); ++bit) {
            if ((corner >> bit) & 1) v[varying[bit]] = ends[varying[bit]].b;
        }
        SpreadPoint& point = spread.cornerPoints[static_cast<std::size_t>(corner)];
        if (!evaluator.Evaluate(v, "a corner", point)) return false;
        switch (point.region) {
            case Region::Active:
                ++spread.activeCorners;
                break;
            case Region::Saturation:
                ++spread.saturatedCorners;
                break;
            case Region::CutOff:
                ++spread.cutOffCorners;
                break;
        }
    }
    const auto [icLow, icHigh] =
        std::minmax_element(spread.cornerPoints.begin(), spread.cornerPoints.end(),
                            [](const SpreadPoint& x, const SpreadPoint& y) { return x.Ic < y.Ic; });
    const auto [vceLow, vceHigh] = std::minmax_element(
        spread.cornerPoints.begin(), spread.cornerPoints.end(),
        [](const SpreadPoint& x, const SpreadPoint& y) { return x.Vce < y.Vce; });
    spread.icLow = icLow->Ic;
    spread.icHigh = icHigh->Ic;
    spread.vceLow = vceLow->Vce;
    spread.vceHigh = vceHigh->Vce;
    return true;
}

bool ComputeSamples(const AllEnds& ends, Evaluator& evaluator, Spread& spread) {
    const std::vector<int>& varying = spread.varied;
    spread.samples.resize(kSpreadSamples);
    SpreadRandom random(kSpreadSeed);
    Values v;
    for (int q = 0; q < kSpreadQuantities; ++q) v[q] = ends[q].a;
    for (SpreadPoint& point : spread.samples) {
        // One draw per varying quantity, in their order.
        for (int q : varying) {
            const Ends& e = ends[q];
            const double x = e.a + random.Unit() * (e.b - e.a);
            // Rounding may carry a draw a hair past the far end.
            v[q] = std::clamp(x, std::min(e.a, e.b), std::max(e.a, e.b));
        }
        if (!evaluator.Evaluate(v, "a Monte Carlo sample", point)) return false;
        spread.activeSamples += point.region == Region::Active;
    }
    return true;
}

std::string Plain(double value) { return platform::PlainText(value); }

}  // namespace

const InputRule& SpreadRule(std::size_t box) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    static const std::array<InputRule, kSpreadBoxCount> kRules = {{
        {InputUnit::None, 0, inf, false, true, false, false},
        {InputUnit::None, 0, inf, false, true, false, false},
        {InputUnit::Percent, 0, 100, true, false, false, false},
        {InputUnit::Percent, 0, 100, true, false, false, false},
        {InputUnit::Celsius, -55, 150, true, true, false, false},
        {InputUnit::Celsius, -55, 150, true, true, false, false},
    }};
    return kRules[box < kSpreadBoxCount ? box : 0];
}

bool SpreadReading::ok() const {
    return std::all_of(boxes.begin(), boxes.end(), [](const InputResult& r) { return r.ok(); });
}

SpreadReading ReadSpreadBoxes(const SpreadTexts& texts, bool hfeFollowsBeta,
                              SpreadSettings& settings) {
    SpreadReading reading;
    const auto blank = [](const std::string& t) {
        return t.find_first_not_of(" \t") == std::string::npos;
    };
    const bool hfeUnset = hfeFollowsBeta && blank(texts[kHfeFromBox]) && blank(texts[kHfeToBox]);
    for (std::size_t box = 0; box < kSpreadBoxCount; ++box) {
        const bool stand = hfeUnset && (box == kHfeFromBox || box == kHfeToBox);
        reading.boxes[box] = ReadBox(stand ? std::string_view("1") : texts[box], SpreadRule(box));
    }
    for (const auto& [from, to] :
         {std::pair{kHfeFromBox, kHfeToBox}, std::pair{kTemperatureFromBox, kTemperatureToBox}}) {
        InputResult& a = reading.boxes[from];
        InputResult& b = reading.boxes[to];
        if (a.ok() && b.ok() && a.value() > b.value()) {
            a.fault = InputFault::Misordered;
            b.fault = InputFault::Misordered;
        }
    }
    const auto value = [&](std::size_t box) { return reading.boxes[box].value(); };
    settings.hfeFollowsBeta = hfeFollowsBeta;
    if (hfeUnset) {
        const SpreadSettings defaults = DefaultSpreadSettings(100);
        settings.hfeFrom = defaults.hfeFrom;
        settings.hfeTo = defaults.hfeTo;
    } else {
        settings.hfeFrom = value(kHfeFromBox);
        settings.hfeTo = value(kHfeToBox);
    }
    settings.resistorTolerance = value(kResistorToleranceBox);
    settings.vccTolerance = value(kVccToleranceBox);
    settings.temperatureFrom = value(kTemperatureFromBox);
    settings.temperatureTo = value(kTemperatureToBox);
    return reading;
}

SpreadSettings DefaultSpreadSettings(double beta) {
    SpreadSettings settings;
    settings.hfeFrom = beta / 2;
    settings.hfeTo = 2 * beta;
    return settings;
}

SpreadSettings FollowBeta(SpreadSettings settings, double beta) {
    if (settings.hfeFollowsBeta) {
        const SpreadSettings defaults = DefaultSpreadSettings(beta);
        settings.hfeFrom = defaults.hfeFrom;
        settings.hfeTo = defaults.hfeTo;
    }
    return settings;
}

std::uint64_t SpreadRandom::Next() {
    // splitmix64 (Steele, Lea and Flood): a Weyl sequence through a mixer.
    std::uint64_t z = (state_ += 0x9E37'79B9'7F4A'7C15);
    z = (z ^ (z >> 30)) * 0xBF58'476D'1CE4'E5B9;
    z = (z ^ (z >> 27)) * 0x94D0'49BB'1331'11EB;
    return z ^ (z >> 31);
}

Spread ComputeSpread(const Stage& stage, const SpreadSettings& settings) {
    Spread spread;
    ComputeSpread(stage, settings, spread);
    return spread;
}

void ComputeSpread(const Stage& stage, const SpreadSettings& settings, Spread& spread) {
    Reset(spread);
    if (std::string reason = CheckSettings(settings); !reason.empty()) {
        return Fail(spread, std::move(reason));
    }
    const AllEnds ends = EndsOf(stage, settings);
    for (int q = 0; q < kSpreadQuantities; ++q) {
        if (!std::isfinite(ends[q].a) || !std::isfinite(ends[q].b)) {
            return Fail(spread, std::string(kEndNames[q]) + " is beyond the range of numbers");
        }
        if (ends[q].two()) spread.varied.push_back(q);
    }
    // A forward drop that the drift takes below zero is no transistor's:
    // germanium's 0.1 V is gone above 75 °C.
    for (const double temperature : {settings.temperatureFrom, settings.temperatureTo}) {
        if (VbeAt(stage.Vbe(), temperature) < 0) {
            return Fail(spread, "at " + Plain(temperature) + " \u00b0C Vbe falls below zero (" +
                                    Plain(kVbeDriftPerDegree * 1000) + " mV less a degree from " +
                                    Plain(stage.Vbe()) + " V at " + Plain(kReferenceTemperature) +
                                    " \u00b0C)");
        }
    }
    Evaluator evaluator(spread, SaturationStrip(stage.Vbe()));
    if (!ComputeCorners(ends, evaluator, spread)) return;
    if (!ComputeSamples(ends, evaluator, spread)) return;
    spread.ok = true;
}

void ComputeSpread(const Calculation& calculation, const SpreadSettings& settings, Spread& spread) {
    if (!ShowedLineOne(calculation.outcome)) {
        Reset(spread);
        return Fail(spread, "the calculation stopped before the collector current");
    }
    ComputeSpread(calculation.stage, settings, spread);
}

}  // namespace core
