// Feeds arbitrary text to the model card reader and checks what must hold for
// every text: a taken card has a valid name and only known parameters, each
// once, finite and within its range; a refused one carries nothing; and the
// canonical line of a taken card reads back as the same model.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/ModelCard.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckRating(const std::optional<double>& rating, const sim::ParameterRange& range) {
    if (rating) Check(*rating >= range.low && *rating <= range.high);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const sim::CardScan scan = sim::ScanModelCards(text);
    Check(!scan.tooLarge || scan.cards.empty());
    for (const sim::FoundCard& card : scan.cards) {
        Check(card.detail.size() <= sim::kMaxNameLength);
        if (!card.Taken()) {
            Check(card.model.parameters.empty() && card.leftOut.empty() && !card.ratings.Any());
            Check(card.name.size() <= sim::kMaxNameLength);
            continue;
        }
        Check(sim::IsValidPartName(card.name));
        for (std::size_t i = 0; i < card.model.parameters.size(); ++i) {
            const sim::Parameter& parameter = card.model.parameters[i];
            const sim::ParameterRange* range = sim::FindParameter(parameter.name);
            Check(range != nullptr && std::isfinite(parameter.value));
            Check(parameter.value >= range->low && parameter.value <= range->high);
            for (std::size_t j = 0; j < i; ++j) {
                Check(card.model.parameters[j].name != parameter.name);
            }
        }
        CheckRating(card.ratings.Vceo, sim::kVceoRating);
        CheckRating(card.ratings.Ic, sim::kIcRating);
        CheckRating(card.ratings.Pd, sim::kPdRating);

        const sim::CardScan again = sim::ScanModelCards(sim::CardLine(card.name, card.model));
        Check(again.cards.size() == 1 && again.cards[0].Taken());
        Check(again.cards[0].name == card.name && again.cards[0].model == card.model);
    }
    return 0;
}
