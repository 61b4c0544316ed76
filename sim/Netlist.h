#pragma once

#include <string>
#include <vector>

#include "sim/ModelCard.h"
#include "sim/Protocol.h"

namespace sim {

// A number as the netlist and the protocol write it: 17 significant digits,
// "." as the point whatever the process's locale ("12", "0.10000000000000001",
// "4.6999999999999997e-05"). `value` must be finite.
std::string SpiceNumber(double value);

// The stage's netlist for ngspice, a line an element, with a title line first
// (ngspice never reads the first line as an element) and ".end" last. The
// request's part must be known (sim::IsKnownPart), or the request carry the
// model of a part of the user's own. A PNP part is simulated in
// the mirror of the stage, its supply at -Vcc, which is the stage whose
// magnitudes the calculation gives.
std::vector<std::string> BuildNetlist(const Request& request);

// The transistor's model name in the netlist (lower case for the user's own
// part), and its ".model" line: a built-in part's as published, the user's
// own written from its numbers. Throws std::invalid_argument for an unknown
// built-in part.
std::string NetlistModelName(const Request& request);
std::string NetlistCard(const Request& request);

// Whether the request's transistor is an NPN or a PNP part.
Polarity RequestPolarity(const Request& request);

// The node names: none is an operator of ngspice's expressions (ne, eq...).
inline constexpr const char* kCollector = "coll";
inline constexpr const char* kBase = "base";
inline constexpr const char* kEmitter = "emit";
// The model name of a part of the user's own in the netlist.
inline constexpr const char* kOwnModelName = "qown";

}  // namespace sim
