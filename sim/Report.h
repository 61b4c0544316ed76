#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/Protocol.h"

namespace sim {

// What the load line window shows of a part's simulation: the point, or why
// there is none ("simulating", "no simulation: Vcc lies outside ...", ...).
struct Status {
    std::optional<Point> point;
    std::string reason;

    static Status Of(const Point& point) { return {point, {}}; }
    static Status Because(std::string reason) { return {std::nullopt, std::move(reason)}; }
};

inline constexpr std::string_view kSimulating = "simulating";

// "no simulation: <reason>" for a stage that sim::CheckStage refuses.
std::string Refused(std::string_view reason);

// Why a failed answer gave no point.
std::string FailureReason(Failure failure);

// Why the helper gave no answer.
std::string HelperMissingReason();
std::string HelperStoppedReason();
std::string HelperTimedOutReason(int seconds);

// The sentence under the picture, e.g. "2N3904 in SPICE: Ic = 2.853 mA,
// Vce = 4.376 V, Vbe = 0.692 V, Ic/Ib = 156; the calculated Ic is 3.3 %
// higher." against the calculation's Ic of `calculatedIc` amperes, with
// "Ic/Ib = –" and no comparison for a part in cut-off; "No simulation:
// <reason>." for a refused stage, "<part> in SPICE: <reason>." otherwise.
std::string Sentence(std::string_view part, const Status& status, double calculatedIc);

// What the picture's description gains after the load line's:
// " SPICE with <part>: Vce = <v> V, Ic = <i> A, Vbe = <b> V, Ic/Ib = <h>." with
// the numbers as the result lines show them ("–" for the gain in cut-off), or
// " SPICE with <part>: <reason>.".
std::string Description(std::string_view part, const Status& status);

}  // namespace sim
