#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FpCheck.h"

namespace core {

// The operating point of a voltage-divider-biased stage, one field per step of
// the calculation. Ic holds amperes after step 3 and milliamperes from step 6 on.
struct BiasPoint {
    double Vth = 0;  // step 1, volt
    double Rth = 0;  // step 2, ohm
    double Ic = 0;   // steps 3 and 6
    double Ve = 0;   // step 4, volt
    double Vc = 0;   // step 5, volt
    double PR1 = 0;  // step 7, watt
    double PR2 = 0;  // step 8, watt
    double PRe = 0;  // step 9, watt
    double PRc = 0;  // step 10, watt
    double Pc = 0;   // step 11, watt
    double Pc0 = 0;  // step 12, watt
    double S = 0;    // step 13
    // Step 3's collector current in ampere, kept as computed: step 6 turns
    // Ic into milliamperes, and dividing that back would not give it exactly.
    double IcAmperes = 0;
};

// The base-emitter drop of each material.
inline constexpr double kVbeSilicon = 0.6;
inline constexpr double kVbeGermanium = 0.1;

inline constexpr int kLastStep = 13;
// The first step after line 1 can be shown.
inline constexpr int kFirstPowerStep = 7;

struct BiasOutcome {
    BiasPoint point;
    // The step that faulted (1 to 13), or 0 when all thirteen succeeded; the
    // fields of the steps before it are filled in.
    int faultStep = 0;
    platform::FpFault fault = platform::FpFault::None;

    bool ok() const { return faultStep == 0; }
};

// Runs the thirteen steps in order and stops at the first one whose result
// (or, in steps 7, 8 and 10, the base of the square) is an invalid
// operation, a division by zero or an overflow.
BiasOutcome ComputeBiasPoint(double Vcc, double Beta, double R1, double R2, double Rc, double Re,
                             double Vbe);

// Steps 1 to 6 alone, with the same checks: Vth, Rth, Ic (mA), Ve and Vc for
// callers that need no powers. The fields of steps 7 to 13 stay 0, so the
// outcome is not one for BuildResultLines.
BiasOutcome ComputeOperatingPoint(double Vcc, double Beta, double R1, double R2, double Rc,
                                  double Re, double Vbe);

// The result lines as the list shows them: all six after a full run, line 1
// alone when a step from 7 on faulted, none when a step before 7 did.
std::vector<std::string> BuildResultLines(const BiasOutcome& outcome);

// What a step computes, in words: "the power in R1".
std::string_view StepName(int step);

// A sentence for the user naming the fault and its step, with the likely
// input at fault where there is one:
// "Division by zero while computing the power in R1 (R1 is 0)."
std::string DescribeFault(const BiasOutcome& outcome, double Beta, double R1, double R2, double Rc,
                          double Re);

}  // namespace core
