#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/PartRatings.h"

// Model cards as transistor makers publish them, read without ngspice: only
// the Gummel-Poon parameters that ngspice's BJT model knows are taken, each a
// plain number within a sane range, so that nothing of a maker's file (or of
// anything pasted as one) reaches the simulator but numbers under fixed names.

namespace sim {

enum class Polarity { Npn, Pnp };

std::string_view PolarityName(Polarity polarity);  // "NPN", "PNP"

// A parameter that is taken, with the range its value must lie in. The ranges
// are wide enough for any real part and keep out values with which ngspice
// divides by zero, never converges or converges to nonsense.
struct ParameterRange {
    std::string_view name;  // upper case, as the netlist writes it
    double low;
    double high;
};

// clang-format off
inline constexpr std::array<ParameterRange, 42> kParameters = {{
    {"IS", 1e-30, 1e-3},   // saturation current, A (above 0)
    {"BF", 0.1, 1e5},      // forward beta
    {"NF", 0.1, 10},       // forward emission coefficient
    {"VAF", 0, 1e6},       // forward Early voltage, V (0: none)
    {"IKF", 0, 1e4},       // forward knee current, A (0: none)
    {"ISE", 0, 1e-3},      // base-emitter leakage saturation current, A
    {"NE", 0.1, 10},       // its emission coefficient
    {"BR", 1e-6, 1e5},     // reverse beta
    {"NR", 0.1, 10},       // reverse emission coefficient
    {"VAR", 0, 1e6},       // reverse Early voltage, V (0: none)
    {"IKR", 0, 1e4},       // reverse knee current, A (0: none)
    {"ISC", 0, 1e-3},      // base-collector leakage saturation current, A
    {"NC", 0.1, 10},       // its emission coefficient
    {"NK", 0.1, 10},       // high-current roll-off coefficient
    {"RB", 0, 1e6},        // base resistance at zero bias, ohm
    {"IRB", 0, 1e4},       // current where RB falls halfway to RBM, A (0: none)
    {"RBM", 0, 1e6},       // least base resistance, ohm
    {"RE", 0, 1e6},        // emitter resistance, ohm
    {"RC", 0, 1e6},        // collector resistance, ohm
    {"CJE", 0, 1e-6},      // base-emitter zero-bias capacitance, F
    {"VJE", 0.01, 10},     // its built-in potential, V
    {"MJE", 0, 1},         // its grading exponent
    {"TF", 0, 1},          // forward transit time, s
    {"XTF", 0, 1e6},       // TF's bias dependence
    {"VTF", 0, 1e6},       // TF's VBC dependence, V (0: none)
    {"ITF", 0, 1e4},       // TF's high-current parameter, A
    {"PTF", -360, 360},    // excess phase, degrees
    {"CJC", 0, 1e-6},      // base-collector zero-bias capacitance, F
    {"VJC", 0.01, 10},     // its built-in potential, V
    {"MJC", 0, 1},         // its grading exponent
    {"XCJC", 0, 1},        // share of CJC at the inner base
    {"CJS", 0, 1e-6},      // collector-substrate capacitance, F
    {"VJS", 0.01, 10},     // its built-in potential, V
    {"MJS", 0, 1},         // its grading exponent
    {"TR", 0, 1},          // reverse transit time, s
    {"FC", 0, 0.999},      // forward-bias depletion capacitance coefficient
    {"EG", 0.1, 5},        // band gap, eV
    {"XTI", -100, 100},    // IS's temperature exponent
    {"XTB", -100, 100},    // beta's temperature exponent
    {"TNOM", -273, 500},   // temperature the card was fitted at, °C
    {"KF", 0, 1},          // flicker-noise coefficient
    {"AF", 0, 10},         // flicker-noise exponent
}};

// The ratings a card may carry (LTspice's keys), with their ranges.
inline constexpr ParameterRange kVceoRating{"VCEO", 1e-3, 1e5};  // V
inline constexpr ParameterRange kIcRating{"ICRATING", 1e-9, 1e4};  // A; also "IC"
inline constexpr ParameterRange kPdRating{"PD", 1e-6, 1e5};  // W
// clang-format on

// The taken parameter of that upper-case name; nullptr for any other name.
const ParameterRange* FindParameter(std::string_view name);

// A number in SPICE's notation: an optional sign, digits with at most one
// point, an optional exponent, then optional letters: a scale (T G MEG K MIL M
// U N P F A, any case) and any unit after it ("6.734f", "66.78m", "1meg",
// ".75", "10pF", "1E-06"). Why it is not one, if it is not.
enum class NumberFault { NotANumber, TooLarge };
struct SpiceValue {
    double value = 0;
    std::optional<NumberFault> fault;
};
SpiceValue ReadSpiceValue(std::string_view text);

struct Parameter {
    std::string_view name;  // one of kParameters' names
    double value = 0;

    bool operator==(const Parameter&) const = default;
};

// What the simulator is given of a part: its type and the taken parameters,
// in the order of the card, each name once.
struct Model {
    Polarity type = Polarity::Npn;
    std::vector<Parameter> parameters;

    bool operator==(const Model&) const = default;
};

// Why a key of a card was left out.
enum class LeftOutReason {
    NotTaken,    // not a parameter of ngspice's BJT model that is taken (mfg, type...)
    NotANumber,  // a known key whose value is not a number
    TooLarge,    // a number beyond what a double holds, either way
    OutOfRange,  // a number outside the key's range
};

struct LeftOut {
    std::string key;  // upper case
    LeftOutReason why = LeftOutReason::NotTaken;
    double value = 0;                       // for OutOfRange
    const ParameterRange* range = nullptr;  // for OutOfRange

    bool operator==(const LeftOut&) const = default;
};

// Why a card, or a subcircuit, is refused as a whole.
enum class Refusal {
    Subcircuit,  // a .subckt: a part modelled as a subcircuit is not supported
    Expression,  // braces, quotes or arithmetic instead of numbers
    Repeated,    // a key given twice (detail: the key)
    BadName,     // not 1 to 32 letters, digits and _ - . +
    NoType,      // neither NPN nor PNP (detail: the word found, if any)
    Malformed,   // not key=value pairs (detail: the first thing not one)
};

inline constexpr std::size_t kMaxNameLength = 32;
// Text larger than this is not read at all.
inline constexpr std::size_t kMaxCardText = std::size_t{1} << 20;

// One ".model" (or ".subckt") found in the text.
struct FoundCard {
    std::size_t line = 0;  // where it starts, from 1
    // As written when it is a valid name; otherwise at most 32 characters of
    // it with anything but printable ASCII as "?".
    std::string name;
    std::optional<Refusal> refusal;
    std::string detail;  // printable ASCII, at most 32 characters
    // Only when not refused:
    Model model;
    core::PartRatings ratings;
    std::vector<LeftOut> leftOut;

    bool Taken() const { return !refusal; }
};

struct CardScan {
    bool tooLarge = false;  // over kMaxCardText: nothing was read
    std::vector<FoundCard> cards;
};

// Every ".model NAME NPN(...)" or "PNP(...)" in a maker's text, and every
// ".subckt" (refused), in the order found. Lines continue on lines starting
// with "+"; lines starting with "*" and whatever follows ";" are comments;
// keywords and keys in any case; CR LF, LF or CR line ends; a UTF-8 byte-order
// mark at the start is passed over. A .model inside a .subckt belongs to it
// and is not offered. Every other line is not a card and passes unnoticed.
CardScan ScanModelCards(std::string_view text);

// Whether `name` is 1 to 32 letters, digits and _ - . +.
bool IsValidPartName(std::string_view name);

// The canonical card, one line: ".model NAME NPN(IS=6.734e-15 BF=416.4)",
// each number with 17 significant digits. `name` must be valid.
std::string CardLine(std::string_view name, const Model& model);

}  // namespace sim
