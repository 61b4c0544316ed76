#include "core/BiasPoint.h"

#include <array>
#include <initializer_list>

#include "core/EngineeringFormat.h"

namespace core {
namespace {

using platform::FpFault;
using platform::FpStep;

// The base voltage in the power of R1 and R2 is Ve plus this fixed drop,
// whatever the material.
constexpr double kBaseDrop = 0.6;

// Runs the steps in order; each result is stored, then checked.
class StepRunner {
public:
    explicit StepRunner(BiasOutcome& outcome) : outcome_(outcome) {}

    FpStep& ops() { return ops_; }

    // True when the step just stored faulted; records it as the outcome.
    bool Faulted(int step) {
        if (!ops_.Failed()) return false;
        outcome_.faultStep = step;
        outcome_.fault = ops_.Fault();
        return true;
    }

private:
    BiasOutcome& outcome_;
    FpStep ops_;
};

// One allocation per line instead of one per fragment.
std::string Join(std::initializer_list<std::string_view> fragments) {
    std::size_t size = 0;
    for (std::string_view fragment : fragments) size += fragment.size();
    std::string line;
    line.reserve(size);
    for (std::string_view fragment : fragments) line += fragment;
    return line;
}

}  // namespace

namespace {

// Steps 1 to 6; false when one of them faulted.
bool RunOperatingPoint(StepRunner& run, BiasPoint& p, double Vcc, double Beta, double R1, double R2,
                       double Rc, double Re, double Vbe) {
    FpStep& f = run.ops();
    p.Vth = f.Div(f.Mul(Vcc, R2), f.Add(R2, R1));
    if (run.Faulted(1)) return false;
    p.Rth = f.Div(f.Mul(R2, R1), f.Add(R2, R1));
    if (run.Faulted(2)) return false;
    p.Ic = f.Div(f.Mul(f.Sub(p.Vth, Vbe), Beta), f.Add(f.Mul(f.Add(Beta, 1), Re), p.Rth));
    if (run.Faulted(3)) return false;
    p.IcAmperes = p.Ic;
    p.Ve = f.Div(f.Mul(f.Mul(p.Ic, Re), f.Add(Beta, 1)), Beta);
    if (run.Faulted(4)) return false;
    p.Vc = f.Sub(Vcc, f.Mul(p.Ic, Rc));
    if (run.Faulted(5)) return false;
    p.Ic = f.Mul(p.Ic, 1000);
    return !run.Faulted(6);
}

}  // namespace

BiasOutcome ComputeOperatingPoint(double Vcc, double Beta, double R1, double R2, double Rc,
                                  double Re, double Vbe) {
    BiasOutcome outcome;
    StepRunner run(outcome);
    RunOperatingPoint(run, outcome.point, Vcc, Beta, R1, R2, Rc, Re, Vbe);
    return outcome;
}

BiasOutcome ComputeBiasPoint(double Vcc, double Beta, double R1, double R2, double Rc, double Re,
                             double Vbe) {
    BiasOutcome outcome;
    BiasPoint& p = outcome.point;
    StepRunner run(outcome);
    FpStep& f = run.ops();
    if (!RunOperatingPoint(run, p, Vcc, Beta, R1, R2, Rc, Re, Vbe)) return outcome;

    // In steps 7, 8 and 10 the base is checked before it is squared.
    double base = f.Sub(Vcc, f.Add(p.Ve, kBaseDrop));
    if (run.Faulted(7)) return outcome;
    p.PR1 = f.Div(f.Square(base), R1);
    if (run.Faulted(7)) return outcome;
    base = f.Add(p.Ve, kBaseDrop);
    if (run.Faulted(8)) return outcome;
    p.PR2 = f.Div(f.Square(base), R2);
    if (run.Faulted(8)) return outcome;
    p.PRe = f.Div(f.Square(p.Ve), Re);
    if (run.Faulted(9)) return outcome;
    base = f.Sub(Vcc, p.Vc);
    if (run.Faulted(10)) return outcome;
    p.PRc = f.Div(f.Square(base), Rc);
    if (run.Faulted(10)) return outcome;
    p.Pc = f.Div(f.Mul(f.Sub(p.Vc, p.Ve), p.Ic), 1000);
    if (run.Faulted(11)) return outcome;
    p.Pc0 = f.Div(f.Mul(f.Sub(Vcc, p.Ve), p.Ic), 1000);
    if (run.Faulted(12)) return outcome;
    p.S = f.Div(p.Rth, Re);
    run.Faulted(13);
    return outcome;
}

std::vector<std::string> BuildResultLines(const BiasOutcome& outcome) {
    std::vector<std::string> lines;
    if (!outcome.ok() && outcome.faultStep < kFirstPowerStep) return lines;
    const BiasPoint& p = outcome.point;
    lines.reserve(6);
    lines.push_back(Join({"Ic = ", ShownNumber(p.Ic), " mA  Ve = ", ShownNumber(p.Ve),
                          " Volts  Vc = ", ShownNumber(p.Vc), " Volts"}));
    if (!outcome.ok()) return lines;
    lines.push_back(Join(
        {"R1 Power = ", ShownNumber(p.PR1), " Watts   R2 Power = ", ShownNumber(p.PR2), " Watts"}));
    lines.push_back(Join(
        {"Re Power = ", ShownNumber(p.PRe), " Watts   Rc Power = ", ShownNumber(p.PRc), " Watts"}));
    lines.push_back(Join({"            Collector Dissipation = ", ShownNumber(p.Pc), " Watts"}));
    lines.push_back(Join({"For Rc = 0, Collector Dissipation = ", ShownNumber(p.Pc0), " Watts"}));
    lines.push_back(Join({"                 Stability Factor = ", ShownNumber(p.S)}));
    return lines;
}

std::string_view StepName(int step) {
    static constexpr std::array<std::string_view, kLastStep> kNames = {
        "the Thevenin voltage of the divider",
        "the Thevenin resistance of the divider",
        "the collector current",
        "the emitter voltage",
        "the collector voltage",
        "the collector current in mA",
        "the power in R1",
        "the power in R2",
        "the power in Re",
        "the power in Rc",
        "the collector dissipation",
        "the collector dissipation for Rc = 0",
        "the stability factor",
    };
    if (step < 1 || step > kLastStep) return "the bias point";
    return kNames[static_cast<std::size_t>(step - 1)];
}

namespace {

// The input most likely at fault for a zero divisor or 0/0 in a step.
std::string_view Hint(int step, double Beta, double R1, double R2, double Rc, double Re) {
    switch (step) {
        case 1:
        case 2:
            return R1 + R2 == 0 ? "R1 + R2 is 0" : "";
        case 3:
            return Re == 0 ? "Re is 0" : "";
        case 4:
            return Beta == 0 ? "Beta is 0" : "";
        case 7:
            return R1 == 0 ? "R1 is 0" : "";
        case 8:
            return R2 == 0 ? "R2 is 0" : "";
        case 9:
        case 13:
            return Re == 0 ? "Re is 0" : "";
        case 10:
            return Rc == 0 ? "Rc is 0" : "";
        default:
            return "";
    }
}

}  // namespace

std::string DescribeFault(const BiasOutcome& outcome, double Beta, double R1, double R2, double Rc,
                          double Re) {
    std::string message(platform::FpFaultName(outcome.fault));
    message += " while computing ";
    message += StepName(outcome.faultStep);
    const std::string_view hint =
        outcome.fault == FpFault::Overflow ? "" : Hint(outcome.faultStep, Beta, R1, R2, Rc, Re);
    if (!hint.empty()) {
        message += " (";
        message += hint;
        message += ")";
    }
    message += ".";
    return message;
}

}  // namespace core
