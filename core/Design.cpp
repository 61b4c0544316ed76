#include "core/Design.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"

namespace core {
namespace {

// The range that standard resistors cover.
constexpr double kLowestOhms = 1;
constexpr double kHighestOhms = 1e7;
constexpr double kFirstVeShare = 10;

Design NoDesign(std::string reason) {
    Design design;
    design.reason = std::move(reason);
    return design;
}

std::string BeyondRange(std::string_view name) {
    return std::string(name) + " is beyond the range of numbers";
}

// Why the target itself admits no design, or the empty text.
std::string TargetFault(const DesignTarget& t) {
    const std::pair<std::string_view, double> positives[] = {
        {"Vcc", t.Vcc},
        {"Ic", t.Ic},
        {"Vce", t.Vce},
        {"Beta", t.Beta},
        {"the divider stiffness", t.stiffness}};
    for (const auto& [name, value] : positives) {
        if (!(value > 0)) return std::string(name) + " is not above 0";
    }
    if (!(t.VeShare > 0 && t.VeShare < 100)) return "Ve is not between 0 and 100 % of Vcc";
    for (const auto& [name, value] : positives) {
        if (!std::isfinite(value)) return BeyondRange(name);
    }
    return {};
}

// The ideal stage, or why there is none.
struct Ideal {
    Resistors r;
    std::string fault;
};

Ideal IdealResistors(const DesignTarget& t) {
    Ideal ideal;
    Resistors& r = ideal.r;
    const double Vbe = VbeOf(t.material);
    const double Ve = (t.Vcc * t.VeShare) / 100;
    const double Ic = t.Ic;
    if (!std::isfinite(Ve)) return {r, BeyondRange("Ve")};
    if (!(t.Vce + Ve < t.Vcc)) return {r, "Vce + Ve is not below Vcc"};
    // Re gives Ve back through step 4 of the bias-point calculation.
    r.Re = (Ve * t.Beta) / (Ic * (t.Beta + 1));
    r.Rc = ((t.Vcc - t.Vce) - Ve) / Ic;
    const double Rth = (t.stiffness * t.Beta) * r.Re;
    const double Vth = (Ic * ((t.Beta + 1) * r.Re + Rth)) / t.Beta + Vbe;
    const std::pair<std::string_view, double> steps[] = {
        {"Re", r.Re}, {"Rc", r.Rc}, {"Rth", Rth}, {"Vth", Vth}};
    for (const auto& [name, value] : steps) {
        if (!std::isfinite(value)) return {r, BeyondRange(name)};
    }
    if (!(Vth < t.Vcc)) return {r, "the divider's voltage Vth is not below Vcc"};
    r.R1 = (Rth * t.Vcc) / Vth;
    r.R2 = (Rth * t.Vcc) / (t.Vcc - Vth);
    const std::pair<std::string_view, double> resistors[] = {
        {"R1", r.R1}, {"R2", r.R2}, {"Rc", r.Rc}, {"Re", r.Re}};
    for (const auto& [name, value] : resistors) {
        if (!std::isfinite(value)) return {r, BeyondRange(name)};
    }
    for (const auto& [name, value] : resistors) {
        if (!(value >= kLowestOhms && value <= kHighestOhms)) {
            return {r, std::string(name) + " would be " + ShownNumber(value) +
                           " ohms, outside 1 ohm to 10 Mohms"};
        }
    }
    return ideal;
}

// One rounded combination as the bias-point calculation sees it.
struct Trial {
    Resistors r;
    double Ic = 0;  // ampere
    double Vce = 0;
    double eI = 0;
    double eV = 0;
};

bool Better(const Trial& a, const Trial& b) {
    const double worstA = std::max(a.eI, a.eV);
    const double worstB = std::max(b.eI, b.eV);
    if (worstA != worstB) return worstA < worstB;
    return a.eI + a.eV < b.eI + b.eV;
}

// The best of the combinations, in order; false when every one faults.
bool Choose(const DesignTarget& t, const Resistors& ideal, Trial& best) {
    const std::vector<double> r1s = Candidates(ideal.R1, t.series);
    const std::vector<double> r2s = Candidates(ideal.R2, t.series);
    const std::vector<double> rcs = Candidates(ideal.Rc, t.series);
    const std::vector<double> res = Candidates(ideal.Re, t.series);
    bool found = false;
    for (double R1 : r1s) {
        for (double R2 : r2s) {
            for (double Rc : rcs) {
                for (double Re : res) {
                    const BiasOutcome outcome =
                        ComputeBiasPoint(t.Vcc, t.Beta, R1, R2, Rc, Re, VbeOf(t.material));
                    // Only the steps up to the current in mA matter here.
                    if (!outcome.ok() && outcome.faultStep < kFirstPowerStep) continue;
                    Trial trial{{R1, R2, Rc, Re},
                                outcome.point.IcAmperes,
                                outcome.point.Vc - outcome.point.Ve};
                    trial.eI = std::abs(trial.Ic - t.Ic) / t.Ic;
                    trial.eV = std::abs(trial.Vce - t.Vce) / t.Vce;
                    if (!found || Better(trial, best)) best = trial;
                    found = true;
                }
            }
        }
    }
    return found;
}

// `value` times 10^places, from its shortest decimal digits: the exponent
// of their scientific form moved, so that no binary rounding of a product
// adds digits. An infinity for a value beyond the range of a double.
double ShiftDecimal(double value, int places) {
    if (!std::isfinite(value) || value == 0) return value;
    std::array<char, 64> buffer{};
    char* end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                              std::chars_format::scientific)
                    .ptr;
    std::string text(buffer.data(), end);
    const std::size_t e = text.find('e');
    const char* digits = text.data() + e + 1;
    if (*digits == '+') ++digits;
    int exponent = 0;
    std::from_chars(digits, text.data() + text.size(), exponent);
    text = text.substr(0, e + 1) + std::to_string(exponent + places);
    double shifted = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), shifted);
    if (error == std::errc::result_out_of_range) {
        const double beyond = exponent + places > 0 ? HUGE_VAL : 0.0;
        return std::copysign(beyond, value);
    }
    return shifted;
}

// Twelve significant digits: what the decimals typed give, without the last
// bits that binary arithmetic adds.
double AsTyped(double value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::scientific, 11)
                         .ptr;
    double rounded = value;
    std::from_chars(buffer.data(), end, rounded);
    return rounded;
}

}  // namespace

Design MakeDesign(const DesignTarget& target) {
    if (std::string fault = TargetFault(target); !fault.empty()) return NoDesign(std::move(fault));
    Ideal ideal = IdealResistors(target);
    if (!ideal.fault.empty()) return NoDesign(std::move(ideal.fault));
    Trial best;
    if (!Choose(target, ideal.r, best)) {
        return NoDesign("no rounded combination can be calculated");
    }
    Design design;
    design.ok = true;
    design.series = target.series;
    design.exact = ideal.r;
    design.standard = best.r;
    design.stage = {target.Vcc, target.Beta, best.r.R1,      best.r.R2,
                    best.r.Rc,  best.r.Re,   target.material};
    design.Ic = best.Ic;
    design.Vce = best.Vce;
    design.icError = (best.Ic - target.Ic) / target.Ic;
    design.vceError = (best.Vce - target.Vce) / target.Vce;
    return design;
}

DesignTarget FirstTarget(const Stage* last) {
    DesignTarget target;
    if (last != nullptr) {
        if (last->Vcc > 0 && std::isfinite(last->Vcc)) target.Vcc = last->Vcc;
        if (last->Beta > 0 && std::isfinite(last->Beta)) target.Beta = last->Beta;
        if (last->material != Material::None) target.material = last->material;
    }
    target.VeShare = kFirstVeShare;
    const double Ve = (target.Vcc * target.VeShare) / 100;
    // As a person would type it: 2.97 rather than 2.9699999999999998, and
    // 11.025 in full.
    target.Vce = AsTyped((target.Vcc - Ve) / 2);
    return target;
}

Spread DesignSpread(const Design& design, const SpreadSettings& settings) {
    if (!design.ok) {
        Spread none;
        none.reason = "there is no design";
        return none;
    }
    return ComputeSpread(design.stage, FollowBeta(settings, design.stage.Beta));
}

double AmperesFromMilliamperes(double milliamperes) { return ShiftDecimal(milliamperes, -3); }

double MilliamperesFromAmperes(double amperes) { return ShiftDecimal(amperes, 3); }

StageTexts DesignTexts(const Design& design) {
    const Stage& s = design.stage;
    return {platform::PlainText(s.Vcc),
            platform::PlainText(s.Beta),
            platform::PlainText(s.R1),
            platform::PlainText(s.R2),
            platform::PlainText(s.Rc),
            platform::PlainText(s.Re),
            s.material};
}

}  // namespace core
