#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Calculation.h"
#include "sim/Protocol.h"

namespace sim {

// The stage is simulated only with a supply of 0.1 V to 1000 V and resistors
// of 1 ohm to 1 Gohm: ngspice checks nothing itself, and converges to absurd
// points for a negative resistor or a gigavolt supply.
inline constexpr double kMinVcc = 0.1;
inline constexpr double kMaxVcc = 1000;
inline constexpr double kMinResistor = 1;
inline constexpr double kMaxResistor = 1e9;

// Why the request's values are not simulated, as the end of
// "No simulation: <reason>." ("R2 lies outside 1 Ω to 1 GΩ"); nullopt when
// they are. The first value at fault is named, in the order Vcc, R1, R2, Rc, Re,
// then a parameter of the user's own model outside its range (sim::kParameters).
std::optional<std::string> CheckValues(const Request& request);

// The same for a Calculate's stage, whose material is checked first: there is
// no published SPICE model of a germanium transistor.
std::optional<std::string> CheckStage(const core::Stage& stage);

// What the helper is asked for a stage and a part.
Request MakeRequest(const core::Stage& stage, std::string_view part);

}  // namespace sim
