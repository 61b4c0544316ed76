#include "sim/Amplifier.h"

#include <cmath>
#include <stdexcept>

#include "sim/Checks.h"
#include "sim/Models.h"
#include "sim/Netlist.h"

namespace sim {
namespace {

std::optional<std::string> Within(std::string_view name, double value, double low, double high,
                                  std::string_view range) {
    if (!std::isfinite(value)) return std::string(name) + " is not a finite number";
    if (value < low || value > high) {
        return std::string(name) + " lies outside " + std::string(range);
    }
    return std::nullopt;
}

// A capacitor the netlist leaves out (Ce with Re1 = Re, Cout without a load)
// need only be a number the protocol carries.
std::optional<std::string> Capacitor(std::string_view name, double value, bool inCircuit) {
    if (!inCircuit) {
        if (std::isfinite(value)) return std::nullopt;
        return std::string(name) + " is not a finite number";
    }
    return Within(name, value, kMinCapacitor, kMaxCapacitor, "1 pF to 1 F");
}

std::optional<std::string> Resistor(std::string_view name, double value) {
    return Within(name, value, kMinResistor, kMaxResistor, "1 Ω to 1 GΩ");
}

// Re1 is 0, Re or a split of Re into two resistors of the usual range.
std::optional<std::string> Split(double Re1, double Re) {
    if (!std::isfinite(Re1)) return "Re1 is not a finite number";
    if (Re1 == 0 || Re1 == Re) return std::nullopt;
    if (Re1 < 0 || Re1 > Re) return "Re1 lies outside 0 Ω to Re";
    if (Re1 < kMinResistor || Re - Re1 < kMinResistor) {
        return "Re1 leaves a part of Re below 1 Ω";
    }
    return std::nullopt;
}

}  // namespace

AmpRequest MakeAmpRequest(const core::Stage& stage, const core::AmplifierInputs& inputs,
                          std::string_view part) {
    AmpRequest request;
    request.stage = MakeRequest(stage, part);
    request.Rs = inputs.Rs;
    request.RL = inputs.RL.value_or(0);
    request.Re1 = inputs.Re1;
    request.Cin = inputs.Cin;
    request.Ce = inputs.Ce;
    request.Cout = inputs.Cout;
    request.Amplitude = inputs.Amplitude;
    request.Frequency = inputs.Frequency;
    return request;
}

std::optional<std::string> CheckAmp(const AmpRequest& request) {
    if (auto reason = CheckValues(request.stage)) return reason;
    if (request.Rs != 0) {
        if (auto reason = Resistor("Rs", request.Rs)) return reason;
    }
    if (request.HasLoad()) {
        if (auto reason = Resistor("RL", request.RL)) return reason;
    }
    if (auto reason = Split(request.Re1, request.stage.Re)) return reason;
    if (auto reason = Capacitor("Cin", request.Cin, true)) return reason;
    if (auto reason = Capacitor("Ce", request.Ce, request.Re1 != request.stage.Re)) return reason;
    if (auto reason = Capacitor("Cout", request.Cout, request.HasLoad())) return reason;
    if (auto reason =
            Within("Amplitude", request.Amplitude, kMinAmplitude, kMaxAmplitude, "1 µV to 100 V")) {
        return reason;
    }
    return Within("Frequency", request.Frequency, kMinFrequency, kMaxFrequency, "1 Hz to 10 MHz");
}

std::optional<std::string> CheckAmp(const core::Stage& stage, const core::AmplifierInputs& inputs) {
    if (auto reason = CheckStage(stage)) return reason;
    return CheckAmp(MakeAmpRequest(stage, inputs, ""));
}

std::string OutputNode(const AmpRequest& request) { return request.HasLoad() ? "out" : kCollector; }

std::string SourceNode(const AmpRequest& request) { return request.Rs != 0 ? "src" : "in"; }

std::vector<std::string> BuildAmpNetlist(const AmpRequest& request) {
    const Request& stage = request.stage;
    const std::string card = NetlistCard(stage);
    const std::string collector = kCollector;
    const std::string base = kBase;
    const std::string emitter = kEmitter;
    // A PNP part works in the mirror of the stage, from -Vcc.
    const double supply = RequestPolarity(stage) == Polarity::Pnp ? -stage.Vcc : stage.Vcc;
    std::vector<std::string> lines = {
        "* amplifier",
        "Vcc vcc 0 DC " + SpiceNumber(supply),
        "R1 vcc " + base + " " + SpiceNumber(stage.R1),
        "R2 " + base + " 0 " + SpiceNumber(stage.R2),
        "Rc vcc " + collector + " " + SpiceNumber(stage.Rc),
    };
    if (request.Re1 == 0) {
        lines.push_back("Re " + emitter + " 0 " + SpiceNumber(stage.Re));
        lines.push_back("Ce " + emitter + " 0 " + SpiceNumber(request.Ce));
    } else if (request.Re1 == stage.Re) {
        lines.push_back("Re " + emitter + " 0 " + SpiceNumber(stage.Re));
    } else {
        lines.push_back("Re1 " + emitter + " mid " + SpiceNumber(request.Re1));
        lines.push_back("Re2 mid 0 " + SpiceNumber(stage.Re - request.Re1));
        lines.push_back("Ce mid 0 " + SpiceNumber(request.Ce));
    }
    const std::string source = SourceNode(request);
    lines.push_back("Vs " + source + " 0 DC 0 AC 1 SIN(0 " + SpiceNumber(request.Amplitude) + " " +
                    SpiceNumber(request.Frequency) + ")");
    if (request.Rs != 0) lines.push_back("Rs src in " + SpiceNumber(request.Rs));
    lines.push_back("Cin in " + base + " " + SpiceNumber(request.Cin));
    if (request.HasLoad()) {
        lines.push_back("Cout " + collector + " out " + SpiceNumber(request.Cout));
        lines.push_back("RL out 0 " + SpiceNumber(request.RL));
    }
    lines.push_back("Q1 " + collector + " " + base + " " + emitter + " " + NetlistModelName(stage));
    lines.push_back(card);
    lines.push_back(".end");
    return lines;
}

double Thd(const std::vector<double>& harmonics) {
    if (harmonics.size() < 3) return NAN;
    double sum = 0;
    for (std::size_t n = 2; n < harmonics.size() && n <= 9; ++n) {
        sum += harmonics[n] * harmonics[n];
    }
    return std::sqrt(sum) / harmonics[1] * 100;
}

}  // namespace sim
