#pragma once

#include <QString>
#include <string>
#include <vector>

#include "core/Amplifier.h"
#include "sim/AmpReport.h"

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

// The table with SPICE's column beside the hand's: the header ("", "Hand",
// "SPICE (<part>)"), rows of their own for Ic, Vce and Ic/Ib (the hand's
// being the Calculate's Ic and Vce and its Beta), an hfe row before rπ, and
// SPICE's figures on the rows of their hand figures, THD on HD2's. A value
// SPICE gave no figure for is "–"; one still awaited is empty, as is every
// row SPICE does not measure.
TextRows SpiceTable(const core::AmplifierAnalysis& analysis, double beta, const std::string& part,
                    const sim::AmpResult& result);

// What the response picture's description gains after the hand's:
// ` SPICE with <part>: |Avs| = <a>, fL = <l> Hz, fH = <h> Hz, THD = <t> %.`
// ("none" for a value SPICE could not measure, "simulating" for THD while
// the distortion run goes on), or ` SPICE with <part>: <reason>.` while
// nothing is shown.
QString SpiceDescription(const std::string& part, const sim::AmpResult& result);

// The sentence under the picture while something of SPICE's is missing:
// "No simulation: <reason>.", "<part> in SPICE: <reason>." or, once the
// quick part is in, "<part> in SPICE: fL: <reason>; THD: <reason>."; empty
// when every figure is in.
QString SpiceSentence(const std::string& part, const sim::AmpResult& result);

// The waveform's caption: "SPICE's output with <part> over one period: THD =
// <t> %.", or the reason in place of the THD where there is none.
QString WaveCaption(const std::string& part, const sim::AmpResult& result);

// A value as a box takes it, with an SI multiplier and no unit: "68µ", "1m".
QString BoxText(double value);

}  // namespace ui
