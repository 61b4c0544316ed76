#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Amplifier.h"
#include "core/Calculation.h"
#include "sim/Protocol.h"

// The stage as an amplifier in ngspice: driven by a source through Cin, its
// emitter resistor split and bypassed, its output through Cout into a load;
// what the helper measures of it, and the limits it is simulated within.

namespace sim {

// What the helper simulates: the stage and the amplifier around it, in ohms,
// farads, volts and hertz.
struct AmpRequest {
    Request stage;
    // 0: the source drives the input node itself.
    double Rs = 0;
    // 0: no load, and no Cout; the output is then the collector.
    double RL = 0;
    // The unbypassed part of Re: 0 bypasses all of Re, Re leaves out Ce.
    double Re1 = 0;
    double Cin = 0;
    double Ce = 0;
    double Cout = 0;
    // The source's peak EMF and frequency for the distortion run.
    double Amplitude = 0;
    double Frequency = 0;

    bool HasLoad() const { return RL != 0; }
    bool operator==(const AmpRequest&) const = default;
};

// What the helper is asked for a Calculate's stage, the amplifier's boxes
// and a part.
AmpRequest MakeAmpRequest(const core::Stage& stage, const core::AmplifierInputs& inputs,
                          std::string_view part);

// Capacitors 1 pF to 1 F, the load 1 ohm to 1 Gohm, the signal 1 uV to 100 V
// at 1 Hz to 10 MHz: beyond these the run either says nothing of a real
// circuit or takes longer than anyone waits.
inline constexpr double kMinCapacitor = 1e-12;
inline constexpr double kMaxCapacitor = 1;
inline constexpr double kMinFrequency = 1;
inline constexpr double kMaxFrequency = 10e6;
inline constexpr double kMinAmplitude = 1e-6;
inline constexpr double kMaxAmplitude = 100;

// Why the request is not simulated, as the end of "No simulation: <reason>.";
// nullopt when it is. The stage's values are checked first (CheckValues); a
// capacitor the netlist leaves out (Ce with Re1 = Re, Cout without a load)
// need only be finite.
std::optional<std::string> CheckAmp(const AmpRequest& request);
// The same for a Calculate's stage, germanium refused first.
std::optional<std::string> CheckAmp(const core::Stage& stage, const core::AmplifierInputs& inputs);

// The node names of the output and of the source (OUT and SRC).
std::string OutputNode(const AmpRequest& request);
std::string SourceNode(const AmpRequest& request);

// The amplifier's netlist, "* amplifier" first and ".end" last; the part must
// be known. A PNP part is simulated in the mirror of the stage, from -Vcc,
// with the same source; its point comes back as magnitudes, and v(OUT) as it
// is.
std::vector<std::string> BuildAmpNetlist(const AmpRequest& request);

// Why a measurement has no value.
enum class Missing {
    // No crossing of the -3 dB level within the sweep.
    Crossing,
    // The analysis did not converge.
    Convergence,
    // ngspice reported an error.
    Simulator,
};

// A measured value, or why there is none.
struct Measure {
    std::optional<double> value;
    Missing why = Missing::Simulator;

    static Measure Of(double value) { return {value, Missing::Simulator}; }
    static Measure Because(Missing why) { return {std::nullopt, why}; }
    bool operator==(const Measure&) const = default;
};

// The operating point and the transistor's small-signal values there, in
// siemens and farads; VAF is the card's Early voltage, 0 when it has none.
struct AmpPoint {
    Point point;
    double gm = 0;
    double gpi = 0;
    double go = 0;
    double cpi = 0;
    double cmu = 0;
    double VAF = 0;
};

// The first answer: the point, the mid-band figures and the sweep, |v(OUT)/v(SRC)|
// in dB against frequency.
struct AmpAc {
    AmpPoint op;
    Measure Av;
    Measure Avs;
    Measure Zin;
    Measure fL;
    Measure fH;
    std::vector<double> frequency;
    std::vector<double> gainDb;
};

// The second answer: the distortion run's THD in per cent, and v(OUT) over
// its last period against the time since that period began.
struct AmpTran {
    Measure THD;
    std::vector<double> time;
    std::vector<double> vout;
};

// The most points an answer's arrays carry, and how many the waveform has.
inline constexpr std::size_t kMaxSweepPoints = 1001;
inline constexpr std::size_t kWavePoints = 201;

// THD in per cent from the magnitudes of the harmonics 0, 1, 2, ...: H2 to H9
// against H1.
double Thd(const std::vector<double>& harmonics);

}  // namespace sim
