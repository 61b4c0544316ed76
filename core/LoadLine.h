#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/BiasPoint.h"

namespace core {

// Where the operating point really is. The bias calculation assumes the
// active region throughout; the load line is where the other two are told.
enum class Region { Active, Saturation, CutOff };

// The inputs of a Calculate that the load line needs besides its outcome.
struct StageInputs {
    double Vcc = 0;
    double Beta = 0;
    double Rc = 0;
    double Re = 0;
    double Vbe = 0;
};

// The DC load line Vce = Vcc - Ic (Rc + Re (Beta + 1) / Beta), from (Vcc, 0)
// to (0, Isat), and the Q point on it. Every value is finite when `drawn`.
struct LoadLine {
    bool drawn = false;
    // Why there is no line, as the end of "No load line: ...".
    std::string reason = "press Calculate in the main window";
    double Vcc = 0;   // volt, the line's end on the Vce axis
    double Isat = 0;  // ampere, the line's end on the Ic axis
    double Vce = 0;   // volt, Vc - Ve of the Q point
    double Ic = 0;    // ampere, of the Q point
    double Vth = 0;   // volt, the divider's voltage
    double Vbe = 0;
    double strip = 0;  // volt: below this Vce the transistor saturates
    Region region = Region::Active;
};

// The saturation strip: 0.2 V for silicon, 0.1 V for germanium. A run with
// no material chosen (Vbe 0) gets silicon's, the common case and the wider
// strip.
inline constexpr double kSiliconStrip = 0.2;
inline constexpr double kGermaniumStrip = 0.1;

// The strip of the material whose drop the calculation took.
inline double SaturationStrip(double Vbe) {
    return Vbe == kVbeGermanium ? kGermaniumStrip : kSiliconStrip;
}

// Where a point of the model lies: a current that is not above zero means
// the base is not lifted above Vbe (cut-off); a Vce inside the strip means the
// collector cannot fall further (saturation). `Ic` may be in any unit.
inline Region RegionAt(double Ic, double Vce, double strip) {
    if (Ic <= 0) return Region::CutOff;
    if (Vce < strip) return Region::Saturation;
    return Region::Active;
}

// True for the outcomes that put line 1 on the list: no fault, or a fault
// from step 7 on.
inline bool ShowedLineOne(const BiasOutcome& outcome) {
    return outcome.ok() || outcome.faultStep >= kFirstPowerStep;
}

// The load line of a Calculate whose outcome produced line 1 (no fault, or a
// fault from step 7 on); any other outcome, and degenerate inputs, give no
// line with the reason.
LoadLine MakeLoadLine(const StageInputs& in, const BiasOutcome& outcome);

// The drawn range runs this far past each end of the line, so that the ends
// and a point near them stay clear of the frame.
inline constexpr double kPlotReach = 1.15;

// A place in the drawn range, as fractions of its width and height from the
// origin, each within [0, 1]. A place beyond the range is pulled to its edge;
// `beyondX` and `beyondY` say where it really lies: -1 below the axis, +1 past
// the range's end, 0 within.
struct PlotPlace {
    double x = 0;
    double y = 0;
    int beyondX = 0;
    int beyondY = 0;

    bool inside() const { return beyondX == 0 && beyondY == 0; }
};

// The Q point of a drawn line in the drawn range.
PlotPlace PlaceQPoint(const LoadLine& line);

// Any point (Vce in volt, Ic in ampere) in a drawn line's range.
PlotPlace PlacePoint(const LoadLine& line, double Vce, double Ic);

// The width of the saturation strip as a fraction of the drawn range, 0 to 1.
double StripFraction(const LoadLine& line);

// A tick on an axis of the drawn range: where it is, as a fraction of the
// axis from the origin, and its value as labelled.
struct AxisTick {
    double fraction = 0;
    std::string label;
};

struct Axis {
    std::string unit;  // the base unit with the axis's SI prefix: "mA", "V"
    std::vector<AxisTick> ticks;
};

// Ticks at whole multiples of 1, 2 or 5 times a power of ten, from 0 to the
// end of the drawn range (`end`, the line's end on that axis, times
// kPlotReach), at most `most` steps apart from 0. They are labelled in the SI
// prefix of `unit` that puts the range's end from 1 to below 1000 of it.
Axis MakeAxis(double end, std::string_view unit, int most);

}  // namespace core
