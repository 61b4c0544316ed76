#include "storage/PartCatalogue.h"

#include <algorithm>

#include "sim/Models.h"

namespace storage {
namespace {

bool SameInAnyCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

PartCatalogue::PartCatalogue() {
    for (std::string_view part : sim::kParts) {
        entries_.push_back({std::string(part), sim::PartPolarity(part), PartOrigin::BuiltIn,
                            sim::PartRatingsOf(part), std::nullopt});
    }
}

void PartCatalogue::AddOwn(const std::vector<OwnPart>& parts) {
    for (const OwnPart& part : parts) {
        entries_.push_back({part.name, part.model.type, PartOrigin::Own, part.ratings, part.model});
    }
}

void PartCatalogue::AddFile(const sim::CardScan& scan) {
    for (const sim::FoundCard& card : scan.cards) {
        if (!card.Taken()) continue;
        entries_.push_back(
            {card.name, card.model.type, PartOrigin::File, card.ratings, card.model});
    }
}

std::vector<CatalogueEntry> PartCatalogue::Entries() const {
    std::vector<CatalogueEntry> entries;
    for (const CatalogueEntry& entry : entries_) {
        if (Find(entry.name) == &entry) entries.push_back(entry);
    }
    return entries;
}

const CatalogueEntry* PartCatalogue::Find(std::string_view name) const {
    // Names are one in any case, as model names are to ngspice, so that a
    // part added in the place of another takes it whatever its case.
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        if (SameInAnyCase(entry->name, name)) return &*entry;
    }
    return nullptr;
}

sim::Request WithPart(sim::Request request, const CatalogueEntry& part) {
    request.part = part.name;
    request.model = part.model;
    return request;
}

}  // namespace storage
