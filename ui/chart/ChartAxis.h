#pragma once

#include <string_view>

#include "core/LoadLine.h"

namespace ui::chart {

// An axis's scale: linear from 0 to `high`, logarithmic from `low` to
// `high` (both above 0), or linear from `low` to `high` in a unit that takes
// no SI prefix (a span of decibels, below 0 and above).
struct Scale {
    enum class Kind { Linear, Logarithmic, Span };
    Kind kind = Kind::Linear;
    double low = 0;
    double high = 1;

    static Scale Linear(double high) { return {Kind::Linear, 0, high}; }
    static Scale Logarithmic(double low, double high) { return {Kind::Logarithmic, low, high}; }
    static Scale Span(double low, double high) { return {Kind::Span, low, high}; }
    // Where `value` lies, as a fraction of the axis from its start; beyond
    // [0, 1] outside the range, and NaN for no place (0 on a log scale).
    double Fraction(double value) const;
};

// Ticks for a scale with room for at most `most` labels. A linear scale
// takes whole multiples of 1, 2 or 5 times a power of ten, labelled in the
// unit's SI prefix for the range (the axis's unit then carries it: "mA"). A
// logarithmic one takes each decade, labelled with its own prefix ("100",
// "1k", "10k"; the unit stays bare: "Hz"), every second or fifth decade where
// fewer fit, and unlabelled ticks at 2 and 5 times each decade. A span takes
// whole multiples of 1, 2 or 5 times a power of ten, labelled plainly ("-20",
// "0", "20") in the bare unit.
core::Axis MakeScaleAxis(const Scale& scale, std::string_view unit, int most);

}  // namespace ui::chart
