#include "sim/Report.h"

#include <charconv>
#include <cmath>

#include "core/EngineeringFormat.h"

namespace sim {
namespace {

constexpr std::string_view kNoSimulation = "no simulation: ";

// `value` with a fixed number of decimals, "." as the point; beyond what
// fits a short field, as the result lines show it.
std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) return core::ShownNumber(value);
    char digits[40];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return core::ShownNumber(value);
    return std::string(digits, end);
}

// A transistor in cut-off: no current flows into its base, and what flows
// through its collector is leakage, of no use as a scale or a gain.
bool CutOff(const Point& point) {
    return !(point.Ib > 0 && point.Ic > 0 && std::isfinite(point.Ic / point.Ib));
}

// How far the calculation's Ic lies from the simulated one, or nothing where
// the simulated one gives no scale (cut-off).
std::string Comparison(double calculatedIc, const Point& point) {
    if (CutOff(point)) return {};
    const double percent = (calculatedIc - point.Ic) / point.Ic * 100;
    if (!std::isfinite(percent)) return {};
    if (std::fabs(percent) < 0.05) return "; the calculated Ic agrees within 0.05 %";
    return "; the calculated Ic is " + Fixed(std::fabs(percent), 1) + " % " +
           (percent > 0 ? "higher" : "lower");
}

// What stands for the current gain in cut-off: an en dash.
constexpr std::string_view kNoGain = "\u2013";

}  // namespace

std::string Refused(std::string_view reason) {
    return std::string(kNoSimulation) + std::string(reason);
}

std::string FailureReason(Failure failure) {
    switch (failure) {
        case Failure::Convergence:
            return "did not converge";
        case Failure::Simulator:
            return "ngspice reported an error";
        case Failure::Exit:
            return "ngspice gave up on this stage; the next Calculate starts it afresh";
        case Failure::Input:
            return Refused("the simulator does not take these values");
        case Failure::Request:
            break;
    }
    return "the simulator did not understand the program; reinstall Tindrel";
}

std::string HelperMissingReason() {
    return "the simulator tindrel-spice cannot start: install the Debian package libngspice0";
}

std::string HelperStoppedReason() {
    return "the simulator tindrel-spice stopped without answering: install the Debian package "
           "libngspice0 if it is missing; the next Calculate starts it again";
}

std::string HelperTimedOutReason(int seconds) {
    return "the simulator did not answer within " + std::to_string(seconds) +
           " s and was stopped; the next Calculate starts it again";
}

std::string Sentence(std::string_view part, const Status& status, double calculatedIc) {
    const std::string name(part);
    if (!status.point) {
        if (status.reason.starts_with(kNoSimulation)) {
            return "No simulation: " + status.reason.substr(kNoSimulation.size()) + ".";
        }
        return name + " in SPICE: " + status.reason + ".";
    }
    const Point& point = *status.point;
    return name + " in SPICE: Ic = " + core::ShownNumber(point.Ic * 1000) +
           " mA, Vce = " + core::ShownNumber(point.Vce) + " V, Vbe = " + Fixed(point.Vbe, 3) +
           " V, Ic/Ib = " + (CutOff(point) ? std::string(kNoGain) : Fixed(point.Ic / point.Ib, 0)) +
           Comparison(calculatedIc, point) + ".";
}

std::string Description(std::string_view part, const Status& status) {
    const std::string opening = " SPICE with " + std::string(part) + ": ";
    if (!status.point) return opening + status.reason + ".";
    const Point& point = *status.point;
    return opening + "Vce = " + core::ShownNumber(point.Vce) +
           " V, Ic = " + core::ShownNumber(point.Ic) + " A, Vbe = " + core::ShownNumber(point.Vbe) +
           " V, Ic/Ib = " +
           (CutOff(point) ? std::string(kNoGain) : core::ShownNumber(point.Ic / point.Ib)) + ".";
}

}  // namespace sim
