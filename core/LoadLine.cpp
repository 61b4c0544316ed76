#include "core/LoadLine.h"

#include <algorithm>
#include <cmath>

#include "platform/TextNumber.h"

namespace core {
namespace {

constexpr double kMilliamperesPerAmpere = 1000;

LoadLine NoLine(std::string reason) {
    LoadLine line;
    line.reason = std::move(reason);
    return line;
}

// A fraction of the drawn range, pulled into [0, 1]; `beyond` tells which
// way it was pulled.
double Clamp(double fraction, int& beyond) {
    beyond = fraction < 0 ? -1 : (fraction > 1 ? 1 : 0);
    return std::clamp(fraction, 0.0, 1.0);
}

}  // namespace

LoadLine MakeLoadLine(const StageInputs& in, const BiasOutcome& outcome) {
    if (!ShowedLineOne(outcome))
        return NoLine("the calculation stopped before the collector current");
    if (!(in.Vcc > 0)) return NoLine("Vcc is not above 0");
    if (!(in.Beta > 0)) return NoLine("Beta is not above 0");

    // The model's own relation between Vce and Ic, so that the Q point lies
    // on the line: Vce = Vc - Ve = Vcc - Ic Rc - Ic Re (Beta + 1) / Beta.
    const double load = in.Rc + (in.Re * (in.Beta + 1)) / in.Beta;
    if (!std::isfinite(load)) {
        return NoLine("Rc + Re \u00d7 (Beta + 1) / Beta is beyond the range of numbers");
    }
    if (!(load > 0)) return NoLine("Rc + Re \u00d7 (Beta + 1) / Beta is not above 0");

    LoadLine line;
    line.Vcc = in.Vcc;
    line.Isat = in.Vcc / load;
    // An end that overflows, or underflows to zero, leaves nothing to scale by.
    if (!std::isfinite(line.Isat) || !(line.Isat > 0)) {
        return NoLine("the current at Vce = 0 is beyond the range of numbers");
    }
    const BiasPoint& p = outcome.point;
    line.Vce = p.Vc - p.Ve;
    if (!std::isfinite(line.Vce)) return NoLine("Vc \u2212 Ve is beyond the range of numbers");
    line.Ic = p.Ic / kMilliamperesPerAmpere;
    line.Vth = p.Vth;
    line.Vbe = in.Vbe;
    line.strip = SaturationStrip(in.Vbe);
    line.region = RegionAt(line.Ic, line.Vce, line.strip);
    line.drawn = true;
    line.reason.clear();
    return line;
}

PlotPlace PlaceQPoint(const LoadLine& line) { return PlacePoint(line, line.Vce, line.Ic); }

PlotPlace PlacePoint(const LoadLine& line, double Vce, double Ic) {
    PlotPlace place;
    if (!line.drawn) return place;
    // Divided step by step: Vcc x kPlotReach could overflow where Vce / Vcc
    // does not. Neither divisor is zero or infinite once the line is drawn,
    // so no fraction of finite values is a NaN; an infinite one is pulled to
    // the edge.
    place.x = Clamp(Vce / line.Vcc / kPlotReach, place.beyondX);
    place.y = Clamp(Ic / line.Isat / kPlotReach, place.beyondY);
    return place;
}

double StripFraction(const LoadLine& line) {
    if (!line.drawn) return 0;
    int unused = 0;
    return Clamp(line.strip / line.Vcc / kPlotReach, unused);
}

namespace {

// The SI prefixes the formatter's range spans, from 10^-15 to 10^12.
constexpr int kLowestPrefix = -15;
constexpr int kHighestPrefix = 12;
constexpr std::string_view kPrefixes[] = {"f", "p", "n", "\u00b5", "m", "", "k", "M", "G", "T"};

// The label of count x 10^exponent, written from its digits so that no
// rounding shows (3 x 0.1 reads 0.3).
std::string TickLabel(long long count, int exponent) {
    if (exponent >= 0) {
        for (int i = 0; i < exponent; ++i) count *= 10;
        return std::to_string(count);
    }
    std::string text = platform::ScaledIntegerToText(static_cast<long>(count), -exponent);
    return text.substr(text.find_first_not_of(' '));
}

}  // namespace

Axis MakeAxis(double end, std::string_view unit, int most) {
    Axis axis;
    axis.unit = unit;
    const double range = end * kPlotReach;
    if (!std::isfinite(range) || !(range > 0)) return axis;
    const int prefix = std::clamp(static_cast<int>(std::floor(std::log10(range) / 3)) * 3,
                                  kLowestPrefix, kHighestPrefix);
    axis.unit = std::string(kPrefixes[(prefix - kLowestPrefix) / 3]) + std::string(unit);

    // The smallest 1, 2 or 5 x 10^e that takes at most `most` steps.
    const double raw = range / std::max(most, 1);
    int exponent = static_cast<int>(std::floor(std::log10(raw)));
    double power = std::pow(10.0, exponent);
    int mantissa = 1;
    for (int m : {1, 2, 5, 10}) {
        mantissa = m;
        if (m * power >= raw) break;
    }
    if (mantissa == 10) mantissa = 1, ++exponent, power *= 10;
    const double step = mantissa * power;
    if (!(step > 0)) return axis;  // a range too small for a power of ten
    // Labels with more digits than these would not fit a tick; the range is
    // then beyond any stage's anyway, and only 0 is labelled.
    const int labelExponent = exponent - prefix;
    const bool labelled = labelExponent >= -9 && labelExponent <= 9;
    for (long long k = 0;; ++k) {
        const double value = k * step;
        // A hair of slack, so that a tick on the range's very end stays.
        if (value > range * (1 + 1e-9)) break;
        std::string label = k == 0 ? "0" : labelled ? TickLabel(k * mantissa, labelExponent) : "";
        axis.ticks.push_back({std::min(value / end / kPlotReach, 1.0), std::move(label)});
    }
    return axis;
}

}  // namespace core
