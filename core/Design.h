#pragma once

#include <string>

#include "core/Calculation.h"
#include "core/ESeries.h"
#include "core/Spread.h"

namespace core {

// What the user wants of a stage: the supply, the collector current and
// voltage, the emitter's share of the supply, the transistor and how firm the
// divider is (its Thevenin resistance as a fraction of Beta x Re).
struct DesignTarget {
    double Vcc = 12;
    double Ic = 0.002;  // ampere
    double Vce = 5.4;
    double VeShare = 10;  // per cent of Vcc
    double Beta = 100;
    double stiffness = 0.1;
    Material material = Material::Silicon;
    Series series = Series::E24;

    bool operator==(const DesignTarget&) const = default;
};

struct Resistors {
    double R1 = 0;
    double R2 = 0;
    double Rc = 0;
    double Re = 0;
};

// The resistors for a target, exact and rounded to a series, and where the
// rounded stage really sits by the bias-point calculation.
struct Design {
    bool ok = false;
    // Why there is no design, as the end of "No design: ...".
    std::string reason;
    Series series = Series::E24;
    Resistors exact;
    Resistors standard;
    // The rounded stage, as the main window would calculate it.
    Stage stage;
    double Ic = 0;   // ampere, of the rounded stage
    double Vce = 0;  // volt, Vc - Ve of the rounded stage
    // (rounded - target) / target, signed.
    double icError = 0;
    double vceError = 0;
};

// The ideal resistors for `target`, and of the combinations of their
// neighbouring standard values the one whose Ic and Vce come closest: least
// worse relative error, then least sum of the two, then the first in the
// order R1, R2, Rc, Re with R1 changing slowest and the lower value first.
Design MakeDesign(const DesignTarget& target);

// The first target of a new design: Vcc, Beta and the material that the main
// window holds where they are usable (null for none),
// otherwise 12 V, 100 and silicon; Vce halfway between the emitter and the
// supply, in the decimals that the typed values give.
DesignTarget FirstTarget(const Stage* last);

// The rounded stage over real parts; hFE ends that follow the stage's Beta
// follow the design's.
Spread DesignSpread(const Design& design, const SpreadSettings& settings);

// A current typed or stored in milliamperes as amperes, and back: the
// decimal point of its shortest digits moved three places, so that the
// digits typed are the digits shown again (2.3 mA, 0.0023 A).
double AmperesFromMilliamperes(double milliamperes);
double MilliamperesFromAmperes(double amperes);

// Vcc, Beta and the rounded resistors written plainly, and the material, for
// the main window's boxes.
StageTexts DesignTexts(const Design& design);

}  // namespace core
