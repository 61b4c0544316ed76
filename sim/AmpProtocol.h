#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sim/Amplifier.h"
#include "sim/Protocol.h"

// The amplifier's request and its answers, in the protocol of sim/Protocol.h.
//
//   request   TSP/2 amp <stage> <Rs> <RL> <Re1> <Cin> <Ce> <Cout> <Amplitude> <Frequency>
//                       [<name> <value>]...   (a part of the user's own, as for op)
//   answers   TSP/2 ac <Ic> <Ib> <Vce> <Vbe> <gm> <gpi> <go> <cpi> <cmu> <VAF>
//                      <Av> <Avs> <Zin> <fL> <fH> <n> <f1> <dB1> ... <fn> <dBn>
//             TSP/2 tran <THD> <n> <t1> <v1> ... <tn> <vn>
//             TSP/2 error <code>
//
// An amplifier's request is answered by two lines, "ac" and then "tran", so
// that its quick part is shown while the distortion run goes on; or by one
// "error" line in place of both, or in place of "tran" when the helper ends
// during the distortion run. RL is 0 for no load. <Av> to <fH> and <THD> are
// each a number or "!" and the reason it is missing (crossing, convergence,
// simulator). The arrays hold at most kMaxSweepPoints pairs; a line is at most
// kMaxAnswerLine bytes long, the "\n" included.

namespace sim {

inline constexpr std::size_t kMaxAnswerLine = 65536;

// What one line of an amplifier's answer says.
using AmpAnswer = std::variant<AmpAc, AmpTran, Failure>;

std::string FormatAmpRequest(const AmpRequest& request);
std::string FormatAmpAnswer(const AmpAnswer& answer);

// A line without its "\n"; nullopt for anything that is not exactly a line
// of this version.
std::optional<AmpRequest> ParseAmpRequest(std::string_view line);
std::optional<AmpAnswer> ParseAmpAnswer(std::string_view line);

}  // namespace sim
