#include "core/Spread.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"

namespace core {
namespace {

constexpr double kMilliamperesPerAmpere = 1000;

// The quantities that vary, in the order of a corner's bits and of the draws.
enum Quantity { kHfe, kR1, kR2, kRc, kRe, kVcc, kVbe };
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

std::string Count(int n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string Plain(double value) { return platform::PlainText(value); }

// What was varied: "Over hFE 50 to 200, ±5 % resistors".
std::string Varied(const SpreadSettings& s) {
    std::string text = "Over hFE " + Plain(s.hfeFrom);
    if (s.hfeTo != s.hfeFrom) text += " to " + Plain(s.hfeTo);
    text += s.resistorTolerance > 0 ? ", \u00b1" + Plain(s.resistorTolerance) + " % resistors"
                                    : ", exact resistors";
    if (s.vccTolerance > 0) text += ", \u00b1" + Plain(s.vccTolerance) + " % Vcc";
    if (s.temperatureFrom != s.temperatureTo) {
        text += ", " + Plain(s.temperatureFrom) + " to " + Plain(s.temperatureTo) + " \u00b0C";
    } else if (s.temperatureFrom != kReferenceTemperature) {
        text += ", at " + Plain(s.temperatureFrom) + " \u00b0C";
    }
    return text;
}

// One end of a quantity as the sentence names it: "hFE 300", "Rc at +10 %".
std::string EndName(int quantity, bool second, const SpreadSettings& s) {
    static constexpr std::array<std::string_view, kSpreadQuantities> kNames = {
        "hFE", "R1", "R2", "Rc", "Re", "Vcc", ""};
    const std::string sign = second ? "+" : "\u2212";
    switch (quantity) {
        case kHfe:
            return "hFE " + Plain(second ? s.hfeTo : s.hfeFrom);
        case kVcc:
            return "Vcc at " + sign + Plain(s.vccTolerance) + " %";
        case kVbe:
            return Plain(second ? s.temperatureTo : s.temperatureFrom) + " \u00b0C";
        default:
            return std::string(kNames[quantity]) + " at " + sign + Plain(s.resistorTolerance) +
                   " %";
    }
}

// The ends that every corner outside the active region shares, as
// ", all with hFE 300 and Rc at +10 %", or nothing when they share none.
std::string SharedEnds(const Spread& spread, const SpreadSettings& settings) {
    std::vector<std::string> names;
    for (std::size_t bit = 0; bit < spread.varied.size(); ++bit) {
        int seen = -1;  // the end all leaving corners take so far; 2 for both
        for (int corner = 0; corner < spread.corners; ++corner) {
            if (spread.cornerPoints[static_cast<std::size_t>(corner)].region == Region::Active) {
                continue;
            }
            const int end = (corner >> bit) & 1;
            seen = seen < 0 || seen == end ? end : 2;
        }
        if (seen == 0 || seen == 1) names.push_back(EndName(spread.varied[bit], seen, settings));
    }
    if (names.empty()) return {};
    const bool one = spread.corners - spread.activeCorners == 1;
    std::string text = one ? ", with " : ", all with ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

// Which corners stay active and where the others go.
std::string CornerRegions(const Spread& spread, const SpreadSettings& settings) {
    const int n = spread.corners;
    if (spread.activeCorners == n) {
        return n == 1 ? "the one corner stays in the active region"
                      : "all " + std::to_string(n) + " corners stay in the active region";
    }
    std::string text;
    if (n == 1) {
        text = "the one corner ";
    } else {
        text = spread.activeCorners == 0
                   ? "no corner of " + std::to_string(n)
                   : std::to_string(spread.activeCorners) + " of " + std::to_string(n) + " corners";
        // "1 of 32 corners stays", "no corner of 32 stays", "2 of 32 corners stay".
        text += spread.activeCorners <= 1 ? " stays in the active region: "
                                          : " stay in the active region: ";
    }
    std::string leaving;
    if (spread.saturatedCorners > 0) {
        leaving = n == 1 ? "saturates" : Count(spread.saturatedCorners, "saturates", "saturate");
    }
    if (spread.cutOffCorners > 0) {
        if (!leaving.empty()) leaving += ", ";
        leaving += n == 1 ? "is cut off" : Count(spread.cutOffCorners, "is cut off", "are cut off");
    }
    if (n > 1) leaving += SharedEnds(spread, settings);
    return text + leaving;
}

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

std::string DescribeSpread(const Spread& spread) {
    if (!spread.ok) return " No spread: " + spread.reason + ".";
    std::string text = " Spread over " + Count(spread.corners, "corner", "corners");
    text += ": Ic from " + ShownNumber(spread.icLow) + " A to " + ShownNumber(spread.icHigh);
    text += " A, Vce from " + ShownNumber(spread.vceLow) + " V to " + ShownNumber(spread.vceHigh);
    text += " V; " + std::to_string(spread.activeCorners) + " active, ";
    text += std::to_string(spread.saturatedCorners) + " in saturation, ";
    text += std::to_string(spread.cutOffCorners) + " in cut-off. Monte Carlo: ";
    text += std::to_string(kSpreadSamples) + " samples, ";
    text += ShownNumber((100.0 * spread.activeSamples) / kSpreadSamples) + " % active.";
    return text;
}

std::string SpreadSentence(const Spread& spread, const SpreadSettings& settings) {
    if (!spread.ok) return "No spread: " + spread.reason + ".";
    std::string text = Varied(settings) + ": " + CornerRegions(spread, settings);
    text += "; Ic from " + ShownNumber(spread.icLow * kMilliamperesPerAmpere) + " to " +
            ShownNumber(spread.icHigh * kMilliamperesPerAmpere) + " mA.";
    if (spread.activeSamples != kSpreadSamples) {
        text += " Of " + std::to_string(kSpreadSamples) + " random stages, " +
                ShownNumber((100.0 * spread.activeSamples) / kSpreadSamples) + " % are active.";
    }
    return text;
}

std::vector<SpreadTableRow> SpreadTable(const Spread& spread, const BiasPoint& nominal) {
    const double vce = nominal.Vc - nominal.Ve;
    const std::array<double, kSpreadRows> nominals = {nominal.Ic, nominal.Ve, nominal.Vc, vce,
                                                      (vce * nominal.Ic) / 1000};
    static constexpr std::array<std::string_view, kSpreadRows> kLabels = {
        "Ic, mA", "Ve, V", "Vc, V", "Vce, V", "Pc, W"};
    std::vector<SpreadTableRow> rows;
    rows.reserve(kSpreadRows + 1);
    rows.push_back({"", "Lowest", "Nominal", "Highest"});
    for (std::size_t i = 0; i < kSpreadRows; ++i) {
        SpreadTableRow row{std::string(kLabels[i]), "", ShownNumber(nominals[i]), ""};
        if (spread.ok) {
            // The table shows Ic in mA, as the result lines do.
            const double scale =
                i == static_cast<std::size_t>(SpreadQuantity::Ic) ? kMilliamperesPerAmpere : 1;
            row[1] = ShownNumber(spread.table[i].low * scale);
            row[3] = ShownNumber(spread.table[i].high * scale);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string TabSeparated(const std::vector<SpreadTableRow>& rows) {
    std::string text;
    for (const SpreadTableRow& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text += '\t';
            text += row[i];
        }
        text += '\n';
    }
    return text;
}

}  // namespace core
