#include "sim/AmpReport.h"

#include <numbers>

#include "sim/Report.h"

namespace sim {

bool AmpResult::Done() const {
    return (ac || acReason != kSimulating) && (tran || tranReason != kSimulating);
}

AmpFigures FiguresOf(const AmpPoint& op) {
    AmpFigures figures;
    figures.Ic = op.point.Ic;
    figures.Vce = op.point.Vce;
    figures.Vbe = op.point.Vbe;
    figures.hFE = op.point.Ic / op.point.Ib;
    figures.gm = op.gm;
    figures.hfe = op.gm / op.gpi;
    figures.rpi = 1 / op.gpi;
    if (op.go > 0) figures.ro = 1 / op.go;
    figures.fT = op.gm / (2 * std::numbers::pi * (op.cpi + op.cmu));
    figures.Cmu = op.cmu;
    if (op.VAF > 0) figures.VA = op.VAF;
    return figures;
}

std::string MissingReason(Missing why) {
    switch (why) {
        case Missing::Crossing:
            return "no crossing of the -3 dB level within 0.01 Hz to 10 GHz";
        case Missing::Convergence:
            return "the analysis did not converge";
        case Missing::Simulator:
            break;
    }
    return "ngspice reported an error";
}

}  // namespace sim
