#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Amplifier.h"

namespace app {

// How tindrel calc names a box: as its option ("--cin") for one stage, as its
// column ("Cin") in a CSV table.
enum class BoxNaming { kOption, kColumn };

// Why there are no figures, for a shell user, without "No analysis: " and
// the full stop: "--cin cannot be read from "x" on", "the transistor is cut
// off".
std::string NoAnalysisReason(const core::AmplifierAnalysis& analysis, BoxNaming naming);

// Why a box's value is not taken, after the box's name: "is empty",
// "cannot be read from "x" on", "must be above 0" (or "must not be
// negative" where 0 is taken).
std::string BoxFaultReason(core::BoxFault fault, const std::string& rest, bool zeroTaken);

// A text for a box as tindrel calc takes it: "none" for RL and VA is the
// empty box.
std::string BoxText(core::AmplifierBox box, const std::string& typed);

// The table after the six lines: one row a line, its name, its value as the
// result lines show it (or "–") and its unit.
std::string AmplifierTable(const core::AmplifierAnalysis& analysis, bool picked);

// One row of such a table, with its line end.
void TableRow(std::string& out, std::string_view name, const std::optional<double>& value,
              std::string_view unit);

}  // namespace app
