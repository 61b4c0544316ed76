#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/ModelCard.h"

// How the program talks to its simulator helper, tindrel-spice.
//
// The program writes one request a line to the helper's standard input; the
// helper writes one answer a line to its standard output, in the order of the
// requests. A line ends in "\n", holds fields separated by single blanks and
// is at most kMaxLine bytes long, the "\n" included (an amplifier's answer
// kMaxAnswerLine, sim/AmpProtocol.h). Its first field is the protocol and its
// version, "TSP/2"; a helper that does not speak the version of a request
// answers it with the code "request".
//
//   request   TSP/2 op <stage> [<name> <value>]...
//   answers   TSP/2 ok <Ic> <Ib> <Vce> <Vbe>
//             TSP/2 error <code>
//
// <stage> is <part> <Vcc> <R1> <R2> <Rc> <Re>. The amplifier's request and
// answers are in sim/AmpProtocol.h.
//
// <part> is one of sim::kParts, or NPN or PNP for a transistor of the user's
// own: its model's parameters then end the line as pairs, each <name> one of
// sim::kParameters' names, once, at most all of them; the helper writes the
// card itself. Every number is finite, written in the C locale as
// std::to_chars writes it with 17 significant digits, which carries any
// double exactly: volts, ohms and amperes, and the parameters in their own
// units. Nothing else crosses: no text of the user's and none of the
// simulator's. A PNP part's figures are magnitudes. <code> is one of
//
//   request      not a request of this version, or an unknown part
//   input        values the stage is not simulated with (sim::CheckValues)
//   convergence  the operating point did not converge
//   simulator    ngspice reported an error
//   exit         ngspice gave up; the helper ends after this answer, and the
//                next request goes to a fresh one
//
// End of input ends the helper.

namespace sim {

inline constexpr std::string_view kProtocol = "TSP/2";
// Room for the stage and every parameter of sim::kParameters, each number
// with its 17 digits.
inline constexpr std::size_t kMaxLine = 2048;

// What the helper simulates: the stage's supply and resistors with a part.
struct Request {
    // A built-in part; for one of the user's own, its name on this side only
    // (what crosses is `model`; a parsed request holds "NPN" or "PNP" here).
    std::string part;
    double Vcc = 0;
    double R1 = 0;
    double R2 = 0;
    double Rc = 0;
    double Re = 0;
    // The model of a part of the user's own, sent instead of the part's name.
    std::optional<Model> model = std::nullopt;

    bool operator==(const Request&) const = default;
};

// The simulated operating point, in amperes and volts.
struct Point {
    double Ic = 0;
    double Ib = 0;
    double Vce = 0;
    double Vbe = 0;
};

enum class Failure { Request, Input, Convergence, Simulator, Exit };

// One answer: a point, or the failure.
struct Answer {
    std::optional<Point> point;
    Failure failure = Failure::Request;

    static Answer Of(const Point& point) { return {point, Failure::Request}; }
    static Answer Of(Failure failure) { return {std::nullopt, failure}; }
};

// The lines, without their "\n".
std::string FormatRequest(const Request& request);
std::string FormatAnswer(const Answer& answer);

// A line without its "\n"; nullopt for anything that is not exactly a line
// of this version (an unknown part, a non-finite number, an extra field...).
std::optional<Request> ParseRequest(std::string_view line);
std::optional<Answer> ParseAnswer(std::string_view line);

// The code of a failure, as the answer writes it, and back.
std::string_view FailureCode(Failure failure);
std::optional<Failure> ParseFailure(std::string_view code);

// The pieces every request is made of, shared by the requests' parsers.

// The fields of a line split at single blanks; an empty field (two blanks in
// a row, a blank at either end) is kept, so that it fails the parse.
std::vector<std::string_view> Fields(std::string_view line);
// The whole field as a finite number; std::from_chars reads "nan" and "inf"
// too, which the protocol does not carry.
std::optional<double> Number(std::string_view field);
// <stage>, and the stage from the kStageFields fields from `first` on. For a
// part of the user's own, <part> is its type (NPN or PNP) and the parsed
// stage's model has no parameters yet: they end the line (FormatParameters).
inline constexpr std::size_t kStageFields = 6;
std::string FormatStage(const Request& request);
std::optional<Request> ParseStage(const std::vector<std::string_view>& fields, std::size_t first);
// The stage from `first` on, and for a part of the user's own its model's
// parameters from `parametersFrom` to the end of the line; a built-in part's
// line ends at `parametersFrom`.
std::optional<Request> ParseStageAndModel(const std::vector<std::string_view>& fields,
                                          std::size_t first, std::size_t parametersFrom);

// The pairs that end a request for a part of the user's own, from the field
// `first` on: each name one of sim::kParameters' once, each value a finite
// number (its range is sim::CheckValues' to check); nullopt otherwise.
std::optional<std::vector<Parameter>> ParseParameters(const std::vector<std::string_view>& fields,
                                                      std::size_t first);
std::string FormatParameters(const std::vector<Parameter>& parameters);

}  // namespace sim
