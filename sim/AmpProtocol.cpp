#include "sim/AmpProtocol.h"

#include <array>
#include <vector>

#include "sim/Netlist.h"

namespace sim {
namespace {

constexpr std::array<std::pair<Missing, std::string_view>, 3> kMissing = {{
    {Missing::Crossing, "crossing"},
    {Missing::Convergence, "convergence"},
    {Missing::Simulator, "simulator"},
}};

constexpr std::size_t kAmpFields = 8;
constexpr std::size_t kPointFields = 10;
constexpr std::size_t kMeasures = 5;

std::string Line(std::string_view verb) { return std::string(kProtocol) + " " + std::string(verb); }

std::string MeasureField(const Measure& measure) {
    if (measure.value) return SpiceNumber(*measure.value);
    for (const auto& [why, code] : kMissing) {
        if (why == measure.why) return "!" + std::string(code);
    }
    return "!simulator";
}

std::optional<Measure> ParseMeasure(std::string_view field) {
    if (field.starts_with("!")) {
        for (const auto& [why, code] : kMissing) {
            if (field.substr(1) == code) return Measure::Because(why);
        }
        return std::nullopt;
    }
    const std::optional<double> value = Number(field);
    if (!value) return std::nullopt;
    return Measure::Of(*value);
}

void AppendPairs(std::string& line, const std::vector<double>& x, const std::vector<double>& y) {
    line += " " + std::to_string(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        line += " " + SpiceNumber(x[i]) + " " + SpiceNumber(y[i]);
    }
}

// The pairs from `first` to the end of the line, which they must fill exactly.
bool ParsePairs(const std::vector<std::string_view>& fields, std::size_t first,
                std::vector<double>& x, std::vector<double>& y) {
    if (fields.size() <= first) return false;
    const std::optional<double> count = Number(fields[first]);
    if (!count || *count < 0 || *count > static_cast<double>(kMaxSweepPoints) ||
        *count != static_cast<double>(static_cast<std::size_t>(*count))) {
        return false;
    }
    const auto n = static_cast<std::size_t>(*count);
    if (fields.size() != first + 1 + 2 * n) return false;
    x.resize(n);
    y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::optional<double> a = Number(fields[first + 1 + 2 * i]);
        const std::optional<double> b = Number(fields[first + 2 + 2 * i]);
        if (!a || !b) return false;
        x[i] = *a;
        y[i] = *b;
    }
    return true;
}

std::string FormatAc(const AmpAc& ac) {
    std::string line = Line("ac");
    const AmpPoint& op = ac.op;
    for (double value : {op.point.Ic, op.point.Ib, op.point.Vce, op.point.Vbe, op.gm, op.gpi, op.go,
                         op.cpi, op.cmu, op.VAF}) {
        line += " " + SpiceNumber(value);
    }
    for (const Measure* measure : {&ac.Av, &ac.Avs, &ac.Zin, &ac.fL, &ac.fH}) {
        line += " " + MeasureField(*measure);
    }
    AppendPairs(line, ac.frequency, ac.gainDb);
    return line;
}

std::string FormatTran(const AmpTran& tran) {
    std::string line = Line("tran") + " " + MeasureField(tran.THD);
    AppendPairs(line, tran.time, tran.vout);
    return line;
}

std::optional<AmpAnswer> ParseAc(const std::vector<std::string_view>& fields) {
    if (fields.size() < 2 + kPointFields + kMeasures + 1) return std::nullopt;
    AmpAc ac;
    AmpPoint& op = ac.op;
    double* values[] = {&op.point.Ic, &op.point.Ib, &op.point.Vce, &op.point.Vbe, &op.gm,
                        &op.gpi,      &op.go,       &op.cpi,       &op.cmu,       &op.VAF};
    std::size_t at = 2;
    for (double* value : values) {
        const std::optional<double> number = Number(fields[at++]);
        if (!number) return std::nullopt;
        *value = *number;
    }
    for (Measure* measure : {&ac.Av, &ac.Avs, &ac.Zin, &ac.fL, &ac.fH}) {
        const std::optional<Measure> read = ParseMeasure(fields[at++]);
        if (!read) return std::nullopt;
        *measure = *read;
    }
    if (!ParsePairs(fields, at, ac.frequency, ac.gainDb)) return std::nullopt;
    return ac;
}

std::optional<AmpAnswer> ParseTran(const std::vector<std::string_view>& fields) {
    if (fields.size() < 4) return std::nullopt;
    AmpTran tran;
    const std::optional<Measure> thd = ParseMeasure(fields[2]);
    if (!thd || !ParsePairs(fields, 3, tran.time, tran.vout)) return std::nullopt;
    tran.THD = *thd;
    return tran;
}

}  // namespace

std::string FormatAmpRequest(const AmpRequest& request) {
    std::string line = Line("amp") + " " + FormatStage(request.stage);
    for (double value : {request.Rs, request.RL, request.Re1, request.Cin, request.Ce, request.Cout,
                         request.Amplitude, request.Frequency}) {
        line += " " + SpiceNumber(value);
    }
    if (request.stage.model) line += FormatParameters(request.stage.model->parameters);
    return line;
}

std::string FormatAmpAnswer(const AmpAnswer& answer) {
    if (const auto* ac = std::get_if<AmpAc>(&answer)) return FormatAc(*ac);
    if (const auto* tran = std::get_if<AmpTran>(&answer)) return FormatTran(*tran);
    return Line("error") + " " + std::string(FailureCode(std::get<Failure>(answer)));
}

std::optional<AmpRequest> ParseAmpRequest(std::string_view line) {
    if (line.size() >= kMaxLine) return std::nullopt;
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 2 + kStageFields + kAmpFields || fields[0] != kProtocol ||
        fields[1] != "amp") {
        return std::nullopt;
    }
    const std::optional<Request> stage =
        ParseStageAndModel(fields, 2, 2 + kStageFields + kAmpFields);
    if (!stage) return std::nullopt;
    AmpRequest request;
    request.stage = *stage;
    double* values[] = {&request.Rs, &request.RL,   &request.Re1,       &request.Cin,
                        &request.Ce, &request.Cout, &request.Amplitude, &request.Frequency};
    std::size_t at = 2 + kStageFields;
    for (double* value : values) {
        const std::optional<double> number = Number(fields[at++]);
        if (!number) return std::nullopt;
        *value = *number;
    }
    return request;
}

std::optional<AmpAnswer> ParseAmpAnswer(std::string_view line) {
    if (line.size() >= kMaxAnswerLine) return std::nullopt;
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 3 || fields[0] != kProtocol) return std::nullopt;
    if (fields[1] == "ac") return ParseAc(fields);
    if (fields[1] == "tran") return ParseTran(fields);
    if (fields[1] == "error" && fields.size() == 3) {
        if (const std::optional<Failure> failure = ParseFailure(fields[2])) return *failure;
    }
    return std::nullopt;
}

}  // namespace sim
