#include "sim/Netlist.h"

#include <charconv>
#include <stdexcept>

#include "sim/Models.h"

namespace sim {

std::string SpiceNumber(double value) {
    // std::to_chars never looks at the locale, unlike printf's "%.17g".
    char digits[32];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 17);
    if (error != std::errc()) throw std::invalid_argument("number too long for a netlist");
    return std::string(digits, end);
}

std::vector<std::string> BuildNetlist(const Request& request) {
    const std::string model = NetlistModelName(request);
    const std::string card = NetlistCard(request);
    const std::string collector = kCollector;
    const std::string base = kBase;
    const std::string emitter = kEmitter;
    const double supply = RequestPolarity(request) == Polarity::Pnp ? -request.Vcc : request.Vcc;
    return {
        "Tindrel bias stage",
        "Vcc vcc 0 DC " + SpiceNumber(supply),
        "R1 vcc " + base + " " + SpiceNumber(request.R1),
        "R2 " + base + " 0 " + SpiceNumber(request.R2),
        "Rc vcc " + collector + " " + SpiceNumber(request.Rc),
        "Re " + emitter + " 0 " + SpiceNumber(request.Re),
        "Q1 " + collector + " " + base + " " + emitter + " " + model,
        card,
        ".end",
    };
}

std::string NetlistModelName(const Request& request) {
    return request.model ? std::string(kOwnModelName) : ModelName(request.part);
}

std::string NetlistCard(const Request& request) {
    // The user's own card is written here from its numbers, under a name of
    // the program's: nothing the user typed reaches ngspice.
    if (request.model) return CardLine(kOwnModelName, *request.model);
    const std::optional<std::string> card = ModelCard(request.part);
    if (!card) throw std::invalid_argument("no model card for " + request.part);
    return *card;
}

Polarity RequestPolarity(const Request& request) {
    return request.model ? request.model->type : PartPolarity(request.part);
}

}  // namespace sim
