#pragma once

#include <QString>
#include <string>
#include <vector>

#include "core/Amplifier.h"

namespace ui {

// Why a box's value is not taken, after its name: "Cin must be above 0",
// "RL cannot be read from "x" on", "Re1 is above Re (470 Ω)". `Re` is the
// stage's, for Re1.
QString BoxFaultSentence(core::AmplifierBox box, const core::BoxReading& reading, double Re);

// "No analysis: <why>." for an analysis that is not ok; empty for one that is.
QString NoAnalysisSentence(const core::AmplifierAnalysis& analysis, double Re);

// The response picture's words: `Hand: |Avs| = <a>, fL = <l> Hz, fH = <h> Hz.`
// ("fL = none" and "fH = none" where the corners overlap).
QString HandDescription(const core::SmallSignal& figures);

// The table as text: a header row ("", "Hand"), then each row's name with
// its unit ("re, Ω", "|Av|") and its value as the result lines show it, or
// "–" where it does not exist; the values empty without an analysis.
using TextRows = std::vector<std::vector<std::string>>;
TextRows HandTable(const core::AmplifierAnalysis& analysis);

// The load line window's words for the AC load line, after the load line's:
// ` AC load line: slope -1/<R> ohm, swing <s> V peak.`
QString AcLoadLineDescription(const core::SmallSignal& figures);

// A value as a box takes it, with an SI multiplier and no unit: "68µ", "1m".
QString BoxText(double value);

}  // namespace ui
