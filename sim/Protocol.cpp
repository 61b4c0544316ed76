#include "sim/Protocol.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "sim/Models.h"
#include "sim/Netlist.h"

namespace sim {
namespace {

constexpr std::array<std::pair<Failure, std::string_view>, 5> kCodes = {{
    {Failure::Request, "request"},
    {Failure::Input, "input"},
    {Failure::Convergence, "convergence"},
    {Failure::Simulator, "simulator"},
    {Failure::Exit, "exit"},
}};

// The fields after the version and the verb, or none when the line is not of
// this version, does not have that verb or has not `count` of them.
std::optional<std::vector<std::string_view>> Body(std::string_view line, std::string_view verb,
                                                  std::size_t count) {
    if (line.size() >= kMaxLine) return std::nullopt;
    std::vector<std::string_view> fields = Fields(line);
    if (fields.size() != count + 2 || fields[0] != kProtocol || fields[1] != verb) {
        return std::nullopt;
    }
    fields.erase(fields.begin(), fields.begin() + 2);
    return fields;
}

// Fills `values` from `fields`; false if one is not a finite number.
template <std::size_t N>
bool Numbers(const std::vector<std::string_view>& fields, std::size_t first,
             const std::array<double*, N>& values) {
    for (std::size_t i = 0; i < N; ++i) {
        const std::optional<double> value = Number(fields[first + i]);
        if (!value) return false;
        *values[i] = *value;
    }
    return true;
}

std::string Line(std::string_view verb) { return std::string(kProtocol) + " " + std::string(verb); }

}  // namespace

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t blank = line.find(' ', at);
        fields.push_back(line.substr(at, blank - at));
        if (blank == std::string_view::npos) return fields;
        at = blank + 1;
    }
}

std::optional<double> Number(std::string_view field) {
    double value = 0;
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FormatStage(const Request& request) {
    std::string text =
        request.model ? std::string(PolarityName(request.model->type)) : request.part;
    for (double value : {request.Vcc, request.R1, request.R2, request.Rc, request.Re}) {
        text += " " + SpiceNumber(value);
    }
    return text;
}

std::optional<Request> ParseStage(const std::vector<std::string_view>& fields, std::size_t first) {
    if (fields.size() < first + kStageFields) return std::nullopt;
    const std::string_view part = fields[first];
    Request request;
    if (part == PolarityName(Polarity::Npn) || part == PolarityName(Polarity::Pnp)) {
        request.model = Model{part == "PNP" ? Polarity::Pnp : Polarity::Npn, {}};
    } else if (!IsKnownPart(part)) {
        return std::nullopt;
    }
    request.part = std::string(part);
    if (!Numbers<5>(fields, first + 1,
                    {&request.Vcc, &request.R1, &request.R2, &request.Rc, &request.Re})) {
        return std::nullopt;
    }
    return request;
}

std::optional<Request> ParseStageAndModel(const std::vector<std::string_view>& fields,
                                          std::size_t first, std::size_t parametersFrom) {
    std::optional<Request> request = ParseStage(fields, first);
    if (!request) return std::nullopt;
    if (!request->model) {
        if (fields.size() != parametersFrom) return std::nullopt;
        return request;
    }
    std::optional<std::vector<Parameter>> parameters = ParseParameters(fields, parametersFrom);
    if (!parameters) return std::nullopt;
    request->model->parameters = std::move(*parameters);
    return request;
}

std::optional<Failure> ParseFailure(std::string_view code) {
    for (const auto& [failure, known] : kCodes) {
        if (known == code) return failure;
    }
    return std::nullopt;
}

std::string_view FailureCode(Failure failure) {
    for (const auto& [known, code] : kCodes) {
        if (known == failure) return code;
    }
    return "request";
}

std::string FormatRequest(const Request& request) {
    std::string line = Line("op") + " " + FormatStage(request);
    if (request.model) line += FormatParameters(request.model->parameters);
    return line;
}

std::string FormatParameters(const std::vector<Parameter>& parameters) {
    std::string text;
    for (const Parameter& parameter : parameters) {
        text += " " + std::string(parameter.name) + " " + SpiceNumber(parameter.value);
    }
    return text;
}

std::optional<std::vector<Parameter>> ParseParameters(const std::vector<std::string_view>& fields,
                                                      std::size_t first) {
    if (first > fields.size() || (fields.size() - first) % 2 != 0 ||
        (fields.size() - first) / 2 > kParameters.size()) {
        return std::nullopt;
    }
    std::vector<Parameter> parameters;
    for (std::size_t at = first; at < fields.size(); at += 2) {
        const ParameterRange* range = FindParameter(fields[at]);
        const std::optional<double> value = Number(fields[at + 1]);
        if (range == nullptr || !value) return std::nullopt;
        for (const Parameter& before : parameters) {
            if (before.name == range->name) return std::nullopt;
        }
        parameters.push_back({range->name, *value});
    }
    return parameters;
}

std::string FormatAnswer(const Answer& answer) {
    if (!answer.point) return Line("error") + " " + std::string(FailureCode(answer.failure));
    std::string line = Line("ok");
    const Point& point = *answer.point;
    for (double value : {point.Ic, point.Ib, point.Vce, point.Vbe}) {
        line += " " + SpiceNumber(value);
    }
    return line;
}

std::optional<Request> ParseRequest(std::string_view line) {
    if (line.size() >= kMaxLine) return std::nullopt;
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 2 + kStageFields || fields[0] != kProtocol || fields[1] != "op") {
        return std::nullopt;
    }
    return ParseStageAndModel(fields, 2, 2 + kStageFields);
}

std::optional<Answer> ParseAnswer(std::string_view line) {
    if (const auto fields = Body(line, "error", 1)) {
        const std::optional<Failure> failure = ParseFailure((*fields)[0]);
        if (!failure) return std::nullopt;
        return Answer::Of(*failure);
    }
    const auto fields = Body(line, "ok", 4);
    if (!fields) return std::nullopt;
    Point point;
    if (!Numbers<4>(*fields, 0, {&point.Ic, &point.Ib, &point.Vce, &point.Vbe})) {
        return std::nullopt;
    }
    return Answer::Of(point);
}

}  // namespace sim
