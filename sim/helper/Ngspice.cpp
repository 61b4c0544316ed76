#include "sim/helper/Ngspice.h"

#include <ngspice/sharedspice.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <cstdio>
#include <optional>
#include <string_view>

#include "sim/Models.h"
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

// The vector's values, real parts of complex ones; empty when it does not
// exist.
std::vector<std::complex<double>> Values(const std::string& name) {
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    const pvector_info info = ngGet_Vec_Info(text.data());
    std::vector<std::complex<double>> values;
    if (info == nullptr || info->v_length < 1) return values;
    for (int i = 0; i < info->v_length; ++i) {
        if (info->v_compdata != nullptr) {
            values.emplace_back(info->v_compdata[i].cx_real, info->v_compdata[i].cx_imag);
        } else if (info->v_realdata != nullptr) {
            values.emplace_back(info->v_realdata[i]);
        } else {
            return {};
        }
    }
    return values;
}

Measure Measured(double value, Missing why) {
    return std::isfinite(value) ? Measure::Of(value) : Measure::Because(why);
}

// v(OUT) over the last period of the run, on kWavePoints evenly spaced times
// by linear interpolation, so that the answer has a fixed length.
void LastPeriod(const std::vector<std::complex<double>>& time,
                const std::vector<std::complex<double>>& v, double period, AmpTran& tran) {
    if (time.size() < 2 || time.size() != v.size()) return;
    const double end = time.back().real();
    const double start = end - period;
    std::size_t at = 0;
    for (std::size_t k = 0; k < kWavePoints; ++k) {
        const double since = period * static_cast<double>(k) / (kWavePoints - 1);
        const double t = std::min(end, start + since);
        while (at + 2 < time.size() && time[at + 1].real() < t) ++at;
        const double t0 = time[at].real();
        const double t1 = time[at + 1].real();
        const double share = t1 > t0 ? std::clamp((t - t0) / (t1 - t0), 0.0, 1.0) : 0.0;
        const double value = v[at].real() + share * (v[at + 1].real() - v[at].real());
        if (!std::isfinite(value)) {
            tran.time.clear();
            tran.vout.clear();
            return;
        }
        tran.time.push_back(since);
        tran.vout.push_back(value);
    }
}

// ngspice names the fourier vector itself ("fourier11"); it is only used
// when it is plainly that, so that no other text reaches a command.
std::string FourierVector(const std::string& plot) {
    std::vector<char> text(plot.begin(), plot.end());
    text.push_back('\0');
    char** names = ngSpice_AllVecs(text.data());
    std::string found;
    for (; names != nullptr && *names != nullptr; ++names) {
        const std::string_view name = *names;
        if (name.size() > 7 && name.size() < 20 && name.starts_with("fourier") &&
            std::all_of(name.begin() + 7, name.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            found = name;
        }
    }
    return found;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
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

std::optional<Failure> Ngspice::Load(std::vector<std::string> netlist) {
    errors_.clear();
    std::vector<char*> lines;
    for (std::string& line : netlist) lines.push_back(line.data());
    lines.push_back(nullptr);
    ngSpice_Circ(lines.data());
    return ReportedFailure();
}

std::string Ngspice::Analyse(const std::string& command, std::string_view kind) {
    errors_.clear();
    const std::string before = CurrentPlot();
    Command(command.c_str());
    const std::string plot = CurrentPlot();
    if (ReportedFailure() || plot == before || !plot.starts_with(kind)) return {};
    return plot;
}

void Ngspice::RunAmp(const AmpRequest& request, const AmpAnswerer& answer) {
    if (const auto failure = Load(BuildAmpNetlist(request))) {
        answer(*failure);
        Clear();
        return;
    }
    const std::string plot = Analyse("op", "op");
    const std::optional<AmpPoint> op =
        plot.empty() ? std::nullopt : ReadAmpPoint(plot, request.stage);
    if (!op) {
        answer(ReportedFailure().value_or(Failure::Convergence));
        Clear();
        return;
    }
    answer(RunAc(request, *op));
    answer(RunTran(request));
    Clear();
}

std::optional<AmpPoint> Ngspice::ReadAmpPoint(const std::string& plot, const Request& request) {
    const Answer answer = Read(plot, RequestPolarity(request) == Polarity::Pnp);
    if (!answer.point) return std::nullopt;
    AmpPoint op;
    op.point = *answer.point;
    op.gm = Value("@q1[gm]");
    op.gpi = Value("@q1[gpi]");
    op.go = Value("@q1[go]");
    op.cpi = Value("@q1[cpi]");
    op.cmu = Value("@q1[cmu]");
    // The card's own value; ngspice holds 0 for a card without one.
    op.VAF = Value("@" + Lower(NetlistModelName(request)) + "[vaf]");
    if (!std::isfinite(op.VAF)) op.VAF = 0;
    for (double value : {op.gm, op.gpi, op.go, op.cpi, op.cmu}) {
        if (!std::isfinite(value)) return std::nullopt;
    }
    return op;
}

AmpAc Ngspice::RunAc(const AmpRequest& request, const AmpPoint& op) {
    AmpAc ac;
    ac.op = op;
    const std::string out = OutputNode(request);
    const std::string vout = "v(" + out + ")";
    const std::string sweep = Analyse("ac dec 50 0.01 10g", "ac");
    if (sweep.empty()) {
        const Missing why =
            ReportedFailure() == Failure::Convergence ? Missing::Convergence : Missing::Simulator;
        ac.Av = ac.Avs = ac.Zin = ac.fL = ac.fH = Measure::Because(why);
        return ac;
    }
    const auto frequency = Values(sweep + ".frequency");
    const auto output = Values(sweep + "." + vout);
    const auto source = Values(sweep + ".v(" + SourceNode(request) + ")");
    double peak = -INFINITY;
    double peakFrequency = NAN;
    for (std::size_t i = 0; i < frequency.size() && i < output.size() && i < source.size() &&
                            ac.frequency.size() < kMaxSweepPoints;
         ++i) {
        const double f = frequency[i].real();
        const double db = 20 * std::log10(std::abs(output[i]) / std::abs(source[i]));
        if (!std::isfinite(f) || !std::isfinite(db)) continue;
        ac.frequency.push_back(f);
        ac.gainDb.push_back(db);
        if (db > peak) {
            peak = db;
            peakFrequency = f;
        }
    }

    Command(("meas ac gmax max vdb(" + out + ")").c_str());
    Command("let g3 = gmax - 3");
    Command(("meas ac fl when vdb(" + out + ")=g3 rise=1").c_str());
    Command(("meas ac fh when vdb(" + out + ")=g3 fall=last").c_str());
    ac.fL = Measured(Value(sweep + ".fl"), Missing::Crossing);
    ac.fH = Measured(Value(sweep + ".fh"), Missing::Crossing);
    // Without both corners the mid-band point is taken at the peak of the
    // sweep.
    double middle = peakFrequency;
    if (ac.fL.value && ac.fH.value) {
        Command("let fmid = sqrt(fl*fh)");
        middle = Value(sweep + ".fmid");
    }
    std::string point;
    if (std::isfinite(middle) && middle > 0) {
        point = Analyse("ac lin 1 " + SpiceNumber(middle) + " " + SpiceNumber(middle), "ac");
    }
    if (!point.empty()) {
        Command(("let av = mag(" + vout + "/v(" + kBase + "))").c_str());
        Command(("let avs = mag(" + vout + "/v(" + SourceNode(request) + "))").c_str());
        Command("let zin = mag(v(in)/(-i(vs)))");
    }
    const std::string in = point.empty() ? std::string("none.") : point + ".";
    ac.Av = Measured(point.empty() ? NAN : Value(in + "av"), Missing::Simulator);
    ac.Avs = Measured(point.empty() ? NAN : Value(in + "avs"), Missing::Simulator);
    ac.Zin = Measured(point.empty() ? NAN : Value(in + "zin"), Missing::Simulator);
    return ac;
}

AmpTran Ngspice::RunTran(const AmpRequest& request) {
    AmpTran tran;
    const double period = 1 / request.Frequency;
    const std::string step = SpiceNumber(period / 100);
    Command("set fourgridsize=4096");
    const std::string plot = Analyse("tran " + step + " " + SpiceNumber(22 * period) + " " +
                                         SpiceNumber(20 * period) + " " + step,
                                     "tran");
    if (plot.empty()) {
        tran.THD = Measure::Because(Missing::Convergence);
        return tran;
    }
    const std::string vout = "v(" + OutputNode(request) + ")";
    LastPeriod(Values(plot + ".time"), Values(plot + "." + vout), period, tran);

    Command(("fourier " + SpiceNumber(request.Frequency) + " " + vout).c_str());
    const std::string fourier = FourierVector(plot);
    std::vector<double> harmonics;
    if (!fourier.empty()) {
        Command(("let harmonics = " + fourier + "[1]").c_str());
        for (const auto& value : Values(plot + ".harmonics")) harmonics.push_back(value.real());
    }
    tran.THD = Measured(Thd(harmonics), Missing::Simulator);
    return tran;
}

void Ngspice::Clear() {
    // Every plot and circuit kept would cost memory and slow later runs.
    Command("destroy all");
    Command("remcirc");
    if (++runs_ % kRunsPerHistory == 0) ngSpice_Command(nullptr);
    errors_.clear();
}

}  // namespace sim
