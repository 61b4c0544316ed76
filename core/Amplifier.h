#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/Calculation.h"
#include "core/InputReading.h"

namespace core {

// The stage as a small-signal amplifier: driven by a source of EMF vs and
// resistance Rs through Cin into the base; Re split into Re1 (unbypassed,
// emitter to Re2) and Re2 = Re - Re1 (bypassed by Ce); the output taken from
// the collector through Cout into a load RL. The hand model of the textbook,
// every value a double in SI units.
//
// A front end reads its boxes with ReadAmplifierInputs (each box's rule in
// RuleOf), analyses with Analyse(calculation, reading) and, on a stop, words
// the reason itself from `stop`, `box`, `boxFault` and `rest`. AmplifierRows
// gives the table, Response the picture's curve with fL and fH as its
// markers, `acResistance` and the swings the AC load line through the Q
// point; PickCapacitors answers the "Low corner" box (ReadLowCorner).

// The thermal voltage k T / q at 27 degrees Celsius, the temperature circuit
// simulators assume.
inline constexpr double kBoltzmann = 1.380649e-23;            // J/K
inline constexpr double kElementaryCharge = 1.602176634e-19;  // C
inline constexpr double kRoomTemperature = 300.15;            // K
double ThermalVoltage();

// What the amplifier takes besides the Calculate: SI units throughout.
struct AmplifierInputs {
    double Rs = 600;                  // source resistance, ohm, >= 0
    std::optional<double> RL = 10e3;  // load, ohm, > 0; none: no load and no Cout
    double Re1 = 0;                   // unbypassed part of Re, ohm, 0 to Re; Re1 = Re: no Ce
    double Cin = 10e-6;               // farad, > 0
    double Ce = 100e-6;               // farad, > 0
    double Cout = 10e-6;              // farad, > 0
    std::optional<double> hfe;        // small-signal current gain; none: Beta
    std::optional<double> VA;         // Early voltage, volt, > 0; none: ro infinite
    double fT = 300e6;                // transition frequency, hertz, > 0
    double Cmu = 4e-12;               // collector-base capacitance, farad, >= 0
    double Amplitude = 10e-3;         // peak source EMF of the test signal, volt, > 0
    double Frequency = 1e3;           // frequency of the test signal, hertz, > 0
};

// The boxes of the amplifier, in the order of the window and of the CSV
// columns.
enum class AmplifierBox : std::size_t {
    kRs,
    kRL,
    kRe1,
    kCin,
    kCe,
    kCout,
    kHfe,
    kVA,
    kFT,
    kCmu,
    kAmplitude,
    kFrequency,
};
inline constexpr std::size_t kAmplifierBoxCount = 12;

// What an empty box means.
enum class EmptyBox { kRefused, kNone, kBeta };

// How a box is read: the same data for the window, the command line and the
// CSV columns.
struct AmplifierBoxRule {
    std::string_view name;        // as the window labels it and the table names it: "Rs", "Cμ"
    std::string_view key;         // the CSV column: "Rs", "Cmu"
    std::string_view option;      // the command line's option without its dashes: "rs", "cmu"
    std::string_view unitSymbol;  // "Ω", "F", "Hz", "V", or empty for none
    InputUnit unit;
    double lowest;        // the range's lower end
    bool lowestIncluded;  // >= lowest when true, > lowest otherwise
    EmptyBox empty;
    std::string_view defaultText;  // the box's text at first: "600", "10k", "" (none, or Beta)
};

const AmplifierBoxRule& RuleOf(AmplifierBox box);
// The box's rule for the one box reader (ReadBox), as an input box takes it:
// read whole, multipliers giving the value, its unit and range.
InputRule InputRuleOf(AmplifierBox box);
// The "Low corner" box's rule: hertz, above 0.
InputRule LowCornerRule();
inline constexpr std::size_t IndexOf(AmplifierBox box) { return static_cast<std::size_t>(box); }
inline constexpr AmplifierBox BoxAt(std::size_t i) { return static_cast<AmplifierBox>(i); }

// Why a box holds no value the analysis may take.
enum class BoxFault {
    kNone,
    kEmpty,       // an empty box that must hold a value
    kNotNumber,   // text that is not a number with a multiplier and the box's unit
    kTooLarge,    // beyond the range of a double
    kBelowRange,  // below the rule's lower end
    kAboveRe,     // Re1 above the Calculate's Re
};

struct BoxReading {
    BoxFault fault = BoxFault::kNone;
    std::optional<double> value;  // none for an empty RL or VA, or an empty hfe (Beta)
    std::string rest;             // kNotNumber: the text from where reading stopped
};

// A box's text as the amplifier takes it: a number, an optional SI
// multiplier (p n u µ m k M G, "meg"; resistor codes such as 4k7) and the
// box's optional unit, with blanks between them: "4.7k", "10µF", "100 nF",
// "2.2 kΩ", "300MHz". Anything else, or a value out of the box's range, is
// a fault; the value is then not given.
BoxReading ReadAmplifierBox(AmplifierBox box, std::string_view text);

// The twelve texts, each box's default to start with.
using AmplifierTexts = std::array<std::string, kAmplifierBoxCount>;
AmplifierTexts DefaultAmplifierTexts();

// Every box read; `inputs` is whole only when `faultBox` is none.
struct AmplifierReading {
    AmplifierInputs inputs;
    std::array<BoxReading, kAmplifierBoxCount> boxes;
    std::optional<AmplifierBox> faultBox;  // the first box with a fault
};
AmplifierReading ReadAmplifierInputs(const AmplifierTexts& texts);

// The DC point the analysis starts from.
struct AmplifierDc {
    double IC = 0;   // ampere, step 3's collector current
    double VE = 0;   // volt
    double VC = 0;   // volt
    double VCE = 0;  // VC - VE
    double IE = 0;   // VE / Re
    double Rth = 0;  // R1 || R2
    double Rc = 0;
    double Re = 0;
    double Beta = 0;
    double strip = 0;  // the load line's saturation strip
};

// The DC point of a Calculate that ran all thirteen steps; none otherwise.
std::optional<AmplifierDc> AmplifierDcOf(const Calculation& calculation);

// Why there are no numbers.
enum class AmplifierStop {
    kNone,
    kNoCalculation,  // no Calculate, or one that stopped at a fault
    kCutOff,         // IC <= 0
    kSaturated,      // VCE <= the saturation strip
    kBadBox,         // a box with a fault (`box`, `boxFault`)
    kNotFinite,      // inputs so extreme that a value is beyond a double
};

// The figures of one stage. Optional values do not exist for that stage.
struct SmallSignal {
    double VT = 0;
    double hfe = 0;
    double re = 0;
    double gm = 0;
    double rpi = 0;
    std::optional<double> ro;  // none without VA
    double RLac = 0;           // RL' = Rc || RL, or Rc without a load
    double Rsig = 0;           // Rs || Rth
    double Av = 0;             // |Av|, base to collector
    double Avs = 0;            // |Avs|, source EMF to output
    double Zb = 0;             // into the base
    double Zin = 0;
    double Zout = 0;
    double RinPole = 0;              // Rs + Zin, the resistance Cin sees
    std::optional<double> RePole;    // R_E, the resistance Ce sees; none without Ce
    std::optional<double> RoutPole;  // Zout + RL, the resistance Cout sees; none without a load
    double f_in = 0;
    std::optional<double> f_out;
    std::optional<double> f_E;
    std::optional<double> f_z;
    double Cpi = 0;
    double f_H = 0;            // infinite without a high pole (Rs = 0, Re1 = 0 and Cmu = 0)
    std::optional<double> fL;  // none when the corners overlap
    std::optional<double> fH;
    double acResistance = 0;  // RL' + Re1: the AC load line's slope is -1 over it
    double SwingUp = 0;       // peak output toward cut-off, IC RL'
    double SwingDown = 0;     // peak output toward saturation
    double Swing = 0;         // the smaller, 0 if negative
    double MaxInput = 0;      // peak source EMF for Swing
    double HD2 = 0;           // second harmonic, per cent
    bool Clips = false;       // Amplitude |Avs| > Swing
    double VCE = 0;           // the Q point, for the AC load line
    double IC = 0;
};

struct AmplifierAnalysis {
    AmplifierStop stop = AmplifierStop::kNoCalculation;
    AmplifierBox box = AmplifierBox::kRs;  // kBadBox: which box
    BoxFault boxFault = BoxFault::kNone;   // kBadBox: why
    std::string rest;                      // kNotNumber: the text from where reading stopped
    AmplifierInputs inputs;                // what was analysed (capacitors after a pick)
    SmallSignal figures;                   // whole only when `stop` is kNone

    bool ok() const { return stop == AmplifierStop::kNone; }
};

// The analysis of a DC point with inputs whose boxes read without fault.
AmplifierAnalysis Analyse(const AmplifierDc& dc, const AmplifierInputs& inputs);
// The same from a Calculate; kNoCalculation without a whole one.
AmplifierAnalysis Analyse(const Calculation& calculation, const AmplifierInputs& inputs);
// The same from the boxes' texts: the first box fault stops it.
AmplifierAnalysis Analyse(const Calculation& calculation, const AmplifierReading& reading);

// One row of the amplifier's table: its name, its unit (empty for a ratio)
// and its value, none where the value does not exist for the stage.
struct AmplifierRow {
    std::string_view name;  // "re", "rπ", "|Av|", "f(Cin)", "Max input"
    std::string_view unit;  // "Ω", "S", "Hz", "V", "%" or empty
    std::optional<double> value;
};
inline constexpr std::size_t kAmplifierRowCount = 16;
// The rows re, gm, rπ, ro, |Av|, |Avs|, Zin, Zout, f(Cin), f(Ce), f(Cout),
// fL, fH, Swing, Max input and HD2, in that order.
std::array<AmplifierRow, kAmplifierRowCount> AmplifierRows(const SmallSignal& figures);

// |A(f)|, source EMF to output, at `f` hertz, of an analysis that is ok.
double Response(const SmallSignal& figures, double f);

// The capacitors for a low corner of `fL` hertz: Ce's pole at 0.8 fL and
// Cin's and Cout's at 0.1 fL each; without Ce the coupling capacitors share
// it (0.5 fL each, or fL for Cin alone). Each value is rounded up to the E6
// series. The analysis with them, whose fL is then at or below the target;
// `inputs` of the result holds them.
AmplifierAnalysis PickCapacitors(const AmplifierDc& dc, const AmplifierInputs& inputs, double fL);

// The rule of the "Low corner" box: hertz, > 0, default 20.
inline constexpr std::string_view kLowCornerDefault = "20";
BoxReading ReadLowCorner(std::string_view text);

}  // namespace core
