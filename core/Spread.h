#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Calculation.h"
#include "core/InputReading.h"
#include "core/LoadLine.h"

namespace core {

// How far real parts may stray from the typed stage.
struct SpreadSettings {
    double hfeFrom = 50, hfeTo = 200;                 // as typed
    double resistorTolerance = 5;                     // per cent
    double vccTolerance = 0;                          // per cent
    double temperatureFrom = 25, temperatureTo = 25;  // degrees Celsius
    // The hFE ends are still half and twice the stage's Beta: the user has not
    // typed ends of their own.
    bool hfeFollowsBeta = true;

    bool operator==(const SpreadSettings&) const = default;
};

// The six boxes of the spread form, in the order of SpreadSettings.
enum SpreadBox : std::size_t {
    kHfeFromBox,
    kHfeToBox,
    kResistorToleranceBox,
    kVccToleranceBox,
    kTemperatureFromBox,
    kTemperatureToBox,
};
inline constexpr std::size_t kSpreadBoxCount = 6;
using SpreadTexts = std::array<std::string, kSpreadBoxCount>;

// What each box takes: hFE above 0; tolerances in per cent from 0 to below
// 100; temperatures in degrees Celsius from -55 to 150. Every box is read
// whole and none may be empty.
const InputRule& SpreadRule(std::size_t box);

// The six boxes read by their rules, and a "from" above its "to" (hFE,
// temperature) refused in both boxes. `settings` holds the values when ok().
struct SpreadReading {
    std::array<InputResult, kSpreadBoxCount> boxes;
    bool ok() const;
};

// hFE from beta / 2 to 2 beta, 5 % resistors, an exact supply, 25 to 25 °C.
SpreadSettings DefaultSpreadSettings(double beta);

// The boxes' texts read into settings. With the hFE ends following Beta and
// both hFE boxes empty (no Calculate yet) the ends of a Beta of 100 stand
// for them.
SpreadReading ReadSpreadBoxes(const SpreadTexts& texts, bool hfeFollowsBeta,
                              SpreadSettings& settings);

// The settings with the hFE ends of `beta` when they follow it.
SpreadSettings FollowBeta(SpreadSettings settings, double beta);

// Vbe falls this much per degree above 25 °C, for both materials.
inline constexpr double kVbeDriftPerDegree = 0.002;
inline constexpr double kReferenceTemperature = 25;

// hFE, R1, R2, Rc, Re, Vcc and temperature: at most 2^7 corners.
inline constexpr int kSpreadQuantities = 7;

// The quantities that vary, in the order of a corner's bits, of the draws and
// of Spread::varied.
enum SpreadVariable : int { kHfe, kR1, kR2, kRc, kRe, kVcc, kVbe };
inline constexpr int kMaxCorners = 1 << kSpreadQuantities;
inline constexpr int kSpreadSamples = 10000;

// One operating point of the spread, as the load line places it.
struct SpreadPoint {
    double Ic = 0;   // ampere
    double Vce = 0;  // volt
    Region region = Region::Active;
};

// The rows of the spread's table, in order.
enum class SpreadQuantity { Ic, Ve, Vc, Vce, Pc };
inline constexpr int kSpreadRows = 5;

struct SpreadRange {
    double low = 0;
    double high = 0;
};

struct Spread {
    bool ok = false;
    std::string reason = "press Calculate in the main window";  // why there is none, when !ok
    int corners = 0, activeCorners = 0, saturatedCorners = 0, cutOffCorners = 0;
    double icLow = 0, icHigh = 0;    // ampere, over the corners alone
    double vceLow = 0, vceHigh = 0;  // volt, over the corners alone
    int activeSamples = 0;
    // The quantities with two ends (hFE, R1, R2, Rc, Re, Vcc and temperature
    // in that order), in the order of the bits of a corner's index: bit j of
    // index i set means corner i takes the second end of the j-th of them.
    std::vector<int> varied;
    // Every corner, then the Monte Carlo cloud of kSpreadSamples points.
    std::vector<SpreadPoint> cornerPoints;
    std::vector<SpreadPoint> samples;
    // Lowest and highest of each table row (ampere, volt, watt) over corners
    // and samples together, indexed by SpreadQuantity.
    std::array<SpreadRange, kSpreadRows> table{};
};

// The corners and the Monte Carlo cloud of `stage` under `settings`: every
// combination of the quantities' ends, and kSpreadSamples draws with each
// quantity uniform between its ends, from a fixed seed. No spread, with the
// reason, when a setting is out of range or a corner's calculation faults.
Spread ComputeSpread(const Stage& stage, const SpreadSettings& settings);

// The same into `spread`, reusing its storage: no allocation once it has
// held a spread.
void ComputeSpread(const Stage& stage, const SpreadSettings& settings, Spread& spread);

// The spread of a Calculate; none when the Calculate stopped before line 1.
void ComputeSpread(const Calculation& calculation, const SpreadSettings& settings, Spread& spread);

// The generator of the Monte Carlo draws. Hand-written (splitmix64) rather
// than a std:: distribution, whose numbers differ between libraries: this
// sequence is the same on every machine, and costs a few operations a draw.
class SpreadRandom {
public:
    explicit SpreadRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();
    // Uniform on [0, 1), from the top 53 bits of the next number.
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

inline constexpr std::uint64_t kSpreadSeed = 0x7153'AD22'0C4E'11B5;

}  // namespace core
