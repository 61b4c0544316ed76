#pragma once

#include <optional>
#include <string>

#include "sim/Amplifier.h"

// What a window or the command line shows of an amplifier's simulation.

namespace sim {

// The newest outcome of an amplifier's request: its quick part (the point,
// the mid-band figures and the sweep) and its distortion run, each there or
// not with the reason ("simulating", "no simulation: ...", a failure).
struct AmpResult {
    std::optional<AmpAc> ac;
    std::string acReason;
    std::optional<AmpTran> tran;
    std::string tranReason;

    static AmpResult Because(const std::string& reason) { return {{}, reason, {}, reason}; }
    // Both parts are in, or known to be missing.
    bool Done() const;
};

// SPICE's small-signal values at the operating point, as the hand model
// names them: hfe = gm/gpi, rpi = 1/gpi, ro = 1/go, fT = gm / (2 pi (cpi +
// cmu)), Cmu = cmu and VA = the card's VAF (none without one, as ro without go).
struct AmpFigures {
    double Ic = 0;
    double Vce = 0;
    double Vbe = 0;
    double hFE = 0;  // Ic/Ib
    double gm = 0;
    double hfe = 0;
    double rpi = 0;
    std::optional<double> ro;
    double fT = 0;
    double Cmu = 0;
    std::optional<double> VA;
};
AmpFigures FiguresOf(const AmpPoint& op);

// Why a measurement has no value, as a phrase: "no crossing of the -3 dB
// level within 0.01 Hz to 10 GHz".
std::string MissingReason(Missing why);

}  // namespace sim
