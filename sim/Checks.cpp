#include "sim/Checks.h"

#include <cmath>
#include <utility>

namespace sim {
namespace {

std::optional<std::string> CheckValue(std::string_view name, double value, double low, double high,
                                      std::string_view range) {
    if (!std::isfinite(value)) return std::string(name) + " is not a finite number";
    if (value < low || value > high) {
        return std::string(name) + " lies outside " + std::string(range);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckValues(const Request& request) {
    if (auto reason = CheckValue("Vcc", request.Vcc, kMinVcc, kMaxVcc, "0.1 V to 1000 V")) {
        return reason;
    }
    const std::pair<std::string_view, double> resistors[] = {
        {"R1", request.R1}, {"R2", request.R2}, {"Rc", request.Rc}, {"Re", request.Re}};
    for (const auto& [name, value] : resistors) {
        if (auto reason = CheckValue(name, value, kMinResistor, kMaxResistor, "1 Ω to 1 GΩ")) {
            return reason;
        }
    }
    if (request.model) {
        for (const Parameter& parameter : request.model->parameters) {
            const ParameterRange* range = FindParameter(parameter.name);
            if (range == nullptr || !(parameter.value >= range->low) ||
                !(parameter.value <= range->high)) {
                return "the model's " + std::string(parameter.name) + " lies outside its range";
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> CheckStage(const core::Stage& stage) {
    if (stage.material == core::Material::Germanium) {
        return "there is no published SPICE model of a germanium transistor";
    }
    return CheckValues(MakeRequest(stage, ""));
}

Request MakeRequest(const core::Stage& stage, std::string_view part) {
    return {std::string(part), stage.Vcc, stage.R1, stage.R2, stage.Rc, stage.Re};
}

}  // namespace sim
