#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/Calculation.h"

namespace core {

// The six inputs, in the order of StageTexts and of the last-run file.
enum Input : std::size_t { kInputVcc, kInputBeta, kInputR1, kInputR2, kInputRc, kInputRe };
inline constexpr std::size_t kInputCount = 6;

// The order in which Calculate reads the inputs; the first one too large for
// a double in this order is the one reported.
inline constexpr std::array<std::size_t, kInputCount> kReadOrder = {
    kInputVcc, kInputBeta, kInputRc, kInputRe, kInputR1, kInputR2};

// The input as the command line and CSV headers name it: "Vcc", "R1".
std::string_view InputName(std::size_t input);
// The input's box as a message names it: "supply voltage box (Vcc)".
std::string_view InputLabel(std::size_t input);
const std::string& TextOf(const StageTexts& texts, std::size_t input);
std::string& TextOf(StageTexts& texts, std::size_t input);

// What the user is told when neither material is chosen; the calculation
// then goes on with no base-emitter drop.
inline constexpr std::string_view kNoMaterialMessage = "Select Silicon or Germanium.";

// The error for an input whose number is beyond the range of a double:
// "Overflow: the R1 box holds a number too large to calculate with: 1e999."
std::string TooLargeMessage(std::size_t input, std::string_view text);

}  // namespace core
