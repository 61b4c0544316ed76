#include "ui/chart/ChartAxis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace ui::chart {
namespace {

// SI prefixes from 10^-15 to 10^12, as the formatter spans.
constexpr int kLowestPrefix = -15;
constexpr int kHighestPrefix = 12;
constexpr std::string_view kPrefixes[] = {"f", "p", "n", "\u00b5", "m", "", "k", "M", "G", "T"};

// `value` with `decimals` digits after the point.
std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// 10^exponent as "1", "10", "100" with the prefix that leaves 1 to 100.
std::string DecadeLabel(int exponent) {
    const int prefix =
        std::clamp(static_cast<int>(std::floor(exponent / 3.0)) * 3, kLowestPrefix, kHighestPrefix);
    std::string label = "1";
    const int zeros = exponent - prefix;
    if (zeros < 0) return "1e" + std::to_string(exponent);
    label.append(static_cast<std::size_t>(zeros), '0');
    return label + std::string(kPrefixes[(prefix - kLowestPrefix) / 3]);
}

core::Axis LogarithmicAxis(const Scale& scale, std::string_view unit, int most) {
    core::Axis axis;
    axis.unit = unit;
    if (!(scale.low > 0) || !(scale.high > scale.low) || !std::isfinite(scale.high)) return axis;
    const int first = static_cast<int>(std::ceil(std::log10(scale.low) - 1e-9));
    const int last = static_cast<int>(std::floor(std::log10(scale.high) + 1e-9));
    const int decades = last - first + 1;
    int every = 1;
    for (int step : {1, 2, 5, 10, 20, 50}) {
        every = step;
        if ((decades + step - 1) / step <= std::max(most, 1)) break;
    }
    for (int e = first - 1; e <= last; ++e) {
        const double decade = std::pow(10.0, e);
        for (int m : {1, 2, 5}) {
            const double value = m * decade;
            const double fraction = scale.Fraction(value);
            if (fraction < -1e-9 || fraction > 1 + 1e-9) continue;
            const bool labelled = m == 1 && ((e - first) % every == 0);
            axis.ticks.push_back(
                {std::clamp(fraction, 0.0, 1.0), labelled ? DecadeLabel(e) : std::string()});
        }
    }
    return axis;
}

// The smallest step of 1, 2 or 5 x 10^exponent that divides `range` into at
// most `most` steps; its exponent in `exponent`.
double SpanStep(double range, int most, int& exponent) {
    const double raw = range / std::max(most, 1);
    exponent = static_cast<int>(std::floor(std::log10(raw)));
    for (int m : {1, 2, 5}) {
        const double step = m * std::pow(10.0, exponent);
        if (step >= raw * (1 - 1e-12)) return step;
    }
    ++exponent;
    return std::pow(10.0, exponent);
}

core::Axis SpanAxis(const Scale& scale, std::string_view unit, int most) {
    core::Axis axis;
    axis.unit = unit;
    const double range = scale.high - scale.low;
    if (!(range > 0) || !std::isfinite(range)) return axis;
    int exponent = 0;
    const double step = SpanStep(range, most, exponent);
    const int decimals = std::max(0, -exponent);
    for (double k = std::ceil(scale.low / step - 1e-9); k * step <= scale.high + range * 1e-9;
         ++k) {
        const double value = k * step;
        // Rounded to the step's decimals, and 0 written as such: no "-0" and no
        // "0.30000000000000004".
        std::string label = k == 0 ? "0" : Fixed(value, decimals);
        axis.ticks.push_back({std::clamp(scale.Fraction(value), 0.0, 1.0), std::move(label)});
    }
    return axis;
}

}  // namespace

double Scale::Fraction(double value) const {
    if (kind == Kind::Linear) return value / high;
    if (kind == Kind::Span) return (value - low) / (high - low);
    if (!(value > 0)) return std::nan("");
    return (std::log10(value) - std::log10(low)) / (std::log10(high) - std::log10(low));
}

core::Axis MakeScaleAxis(const Scale& scale, std::string_view unit, int most) {
    if (scale.kind == Scale::Kind::Logarithmic) return LogarithmicAxis(scale, unit, most);
    if (scale.kind == Scale::Kind::Span) return SpanAxis(scale, unit, most);
    // core::MakeAxis reaches past the line's end by kPlotReach.
    return core::MakeAxis(scale.high / core::kPlotReach, unit, most);
}

}  // namespace ui::chart
