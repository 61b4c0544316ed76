#include "core/AmplifierCurve.h"

#include <algorithm>
#include <cmath>

namespace core {
namespace {

// The decade at or below `f`, and the one at or above it.
double DecadeBelow(double f) { return std::pow(10.0, std::floor(std::log10(f))); }
double DecadeAbove(double f) { return std::pow(10.0, std::ceil(std::log10(f))); }

}  // namespace

FrequencySpan ResponseSpan(const SmallSignal& s) {
    double low = s.fL.value_or(std::max({s.f_in, s.f_E.value_or(0), s.f_out.value_or(0)}));
    double high = s.fH.value_or(s.f_H);
    // Without a high pole the flat top is shown two decades wide.
    if (std::isinf(high)) high = low * 100;
    // Overlapping corners may put the highest low pole above f_H.
    if (low > high) std::swap(low, high);
    return {DecadeBelow(low) / 10, DecadeAbove(high) * 10};
}

std::vector<ResponsePoint> ResponseCurve(const SmallSignal& s, FrequencySpan span,
                                         std::size_t count) {
    count = std::max<std::size_t>(count, 2);
    const double from = std::log10(span.low);
    const double step = (std::log10(span.high) - from) / static_cast<double>(count - 1);
    std::vector<ResponsePoint> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        // The last one exactly at the high end, clear of rounding in the steps.
        const double f =
            i + 1 == count ? span.high : std::pow(10.0, from + static_cast<double>(i) * step);
        points.push_back({f, 20 * std::log10(Response(s, f))});
    }
    return points;
}

AcLoadLine MakeAcLoadLine(const SmallSignal& s) {
    // Along the line the collector-emitter voltage moves by the output's
    // excursion times (RL' + Re1) / RL', the current by the excursion over RL'.
    const double R = s.acResistance;
    AcLoadLine line;
    line.VceAtZeroIc = s.VCE + s.IC * R;
    line.IcAtZeroVce = s.IC + s.VCE / R;
    line.VceUp = s.VCE + s.SwingUp * R / s.RLac;
    line.IcUp = s.IC - s.SwingUp / s.RLac;
    line.VceDown = s.VCE - s.SwingDown * R / s.RLac;
    line.IcDown = s.IC + s.SwingDown / s.RLac;
    return line;
}

}  // namespace core
