#pragma once

#include <cstddef>
#include <vector>

#include "core/Amplifier.h"

namespace core {

// What the pictures draw of an amplifier analysis that is ok: its response
// over a span of frequencies, and its AC load line on the DC one.

// The frequencies a response picture spans, in hertz: whole decades with at
// least one to spare beyond fL and fH, or, where the corners overlap, beyond
// the highest low-frequency pole and f_H.
struct FrequencySpan {
    double low = 0;
    double high = 0;
};
FrequencySpan ResponseSpan(const SmallSignal& figures);

// |A(f)|, source EMF to output, in decibels (20 log10 |A|) at frequency `f`.
struct ResponsePoint {
    double f = 0;
    double dB = 0;
};
// `count` points (at least two) evenly spaced in log f from the span's low
// end to its high end, both included.
std::vector<ResponsePoint> ResponseCurve(const SmallSignal& figures, FrequencySpan span,
                                         std::size_t count);

// The AC load line through the Q point, Vce in volt and Ic in ampere: its
// ends on the axes and the limits of the output's swing on it, toward
// cut-off (Ic reaching 0) and toward saturation (Vce reaching the strip).
struct AcLoadLine {
    double VceAtZeroIc = 0;
    double IcAtZeroVce = 0;
    double VceUp = 0;  // toward cut-off: the output SwingUp above its rest
    double IcUp = 0;
    double VceDown = 0;  // toward saturation: SwingDown below it
    double IcDown = 0;
};
AcLoadLine MakeAcLoadLine(const SmallSignal& figures);

}  // namespace core
