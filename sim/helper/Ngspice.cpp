#include "sim/helper/Ngspice.h"

#include <ngspice/sharedspice.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "sim/Netlist.h"

namespace sim {
namespace {

// ngspice keeps every command in a history; it is cleared this often.
constexpr unsigned kRunsPerHistory = 100;

int OnStatus(char*, int, void*) { return 0; }
int OnBackground(bool, int, void*) { return 0; }

bool Contains(std::string_view line, std::string_view word) {
    return line.find(word) != std::string_view::npos;
}

// A vector's first value, NaN when the vector does not exist.
double Value(const std::string& name) {
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    const pvector_info info = ngGet_Vec_Info(text.data());
    if (info == nullptr || info->v_realdata == nullptr || info->v_length < 1) return NAN;
    return info->v_realdata[0];
}

std::string CurrentPlot() {
    const char* plot = ngSpice_CurPlot();
    return plot != nullptr ? plot : "";
}

}  // namespace

Ngspice::Ngspice(GaveUp gaveUp) : gaveUp_(std::move(gaveUp)) {
    ngSpice_Init(&Ngspice::OnChar, &OnStatus, &Ngspice::OnExit, nullptr, nullptr, &OnBackground,
                 this);
    errors_.clear();
}

int Ngspice::OnChar(char* line, int, void* self) {
    const std::string_view text = line != nullptr ? line : "";
    if (text.starts_with("stderr ")) {
        auto* spice = static_cast<Ngspice*>(self);
        spice->errors_.emplace_back(text.substr(7));
        // Kept for whoever reads the helper's own error output.
        std::fprintf(stderr, "ngspice: %s\n", line + 7);
    }
    return 0;
}

int Ngspice::OnExit(int, bool, bool, int, void* self) {
    static_cast<Ngspice*>(self)->gaveUp_();
    return 0;
}

bool Ngspice::Command(const char* command) {
    std::string text = command;
    return ngSpice_Command(text.data()) == 0;
}

std::optional<Failure> Ngspice::ReportedFailure() const {
    std::optional<Failure> failure;
    for (const std::string& line : errors_) {
        // Warnings and notes pass; ngspice words its failures so.
        if (Contains(line, "converge")) return Failure::Convergence;
        if (Contains(line, "rror") || Contains(line, "aborted") || Contains(line, "not parsed") ||
            Contains(line, "atal")) {
            failure = Failure::Simulator;
        }
    }
    return failure;
}

Answer Ngspice::Run(const Request& request) {
    errors_.clear();
    std::vector<std::string> netlist = BuildNetlist(request);
    std::vector<char*> lines;
    for (std::string& line : netlist) lines.push_back(line.data());
    lines.push_back(nullptr);
    ngSpice_Circ(lines.data());
    if (const auto failure = ReportedFailure()) {
        Clear();
        return Answer::Of(*failure);
    }
    // Return codes say little: `op` gives 0 when the analysis fails. A run
    // counts only with a new op plot, no error and finite values.
    const std::string before = CurrentPlot();
    Command("op");
    const std::string plot = CurrentPlot();
    Answer answer = Answer::Of(Failure::Convergence);
    if (const auto failure = ReportedFailure()) {
        answer = Answer::Of(*failure);
    } else if (plot != before && plot.starts_with("op")) {
        answer = Read(plot, RequestPolarity(request) == Polarity::Pnp);
    }
    Clear();
    return answer;
}

Answer Ngspice::Read(const std::string& plot, bool pnp) {
    // Names without the plot's would resolve to constants (c, e) once the
    // plot is gone; the device currents come from the live circuit.
    const std::string in = plot + ".";
    const double collector = Value(in + "v(" + kCollector + ")");
    const double base = Value(in + "v(" + kBase + ")");
    const double emitter = Value(in + "v(" + kEmitter + ")");
    Point point{Value("@q1[ic]"), Value("@q1[ib]"), collector - emitter, base - emitter};
    if (pnp) {
        // The mirrored stage's figures: the magnitudes of the stage's own.
        point = {-point.Ic, -point.Ib, -point.Vce, -point.Vbe};
    }
    for (double value : {point.Ic, point.Ib, point.Vce, point.Vbe}) {
        if (!std::isfinite(value)) return Answer::Of(Failure::Convergence);
    }
    return Answer::Of(point);
}

void Ngspice::Clear() {
    // Every plot and circuit kept would cost memory and slow later runs.
    Command("destroy all");
    Command("remcirc");
    if (++runs_ % kRunsPerHistory == 0) ngSpice_Command(nullptr);
    errors_.clear();
}

}  // namespace sim
