#pragma once

#include <string>

#include "core/Design.h"
#include "core/Spread.h"

// What the design window says of its design.
namespace ui {

// For assistive technology: "Design: R1 = 37.15e+3 ohms, ... E24: R1 =
// 39.00e+3 ohms, ..., giving Ic = 1.938 mA, Vce = 5.554 V." or
// "No design: <reason>."
std::string Describe(const core::Design& design);

// The rounded stage against the target, under the table:
// "With E24 values: Ic = 1.938 mA (-3.10 %), Vce = 5.554 V (+2.85 %)".
std::string OutcomeLine(const core::Design& design);

// The spread in one line under the outcome: "Spread over 32 corners: Ic from
// 1.712 to 2.187 mA; 32 of 32 stay active." or "No spread: <reason>."
std::string DesignSpreadLine(const core::Spread& spread);

// A resistor as resistors are labelled. A standard value carries the digits
// it has ("39 k\u03a9", "7.5 k\u03a9", "620 \u03a9"); an exact value four
// significant digits ("37.15 k\u03a9").
std::string StandardResistorText(double ohms);
std::string ExactResistorText(double ohms);

// A signed fraction in per cent with two decimals: "+2.85 %", "-3.10 %".
std::string PercentText(double fraction);

}  // namespace ui
