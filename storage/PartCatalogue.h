#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/PartRatings.h"
#include "sim/ModelCard.h"
#include "sim/Protocol.h"
#include "storage/PartsFile.h"

namespace storage {

enum class PartOrigin { BuiltIn, Own, File };

// A real transistor the stage can be simulated with.
struct CatalogueEntry {
    std::string name;
    sim::Polarity type = sim::Polarity::Npn;
    PartOrigin origin = PartOrigin::BuiltIn;
    core::PartRatings ratings;
    std::optional<sim::Model> model;  // none for a built-in part, which travels by name
};

// Every part the user may choose: the built-in ones, the user's own, and
// those of a model file read for one run. A later source takes a name, in any
// case, from an earlier one: a file's card over the user's own, the user's own over a
// built-in part.
class PartCatalogue {
public:
    PartCatalogue();  // the built-in parts
    void AddOwn(const std::vector<OwnPart>& parts);
    void AddFile(const sim::CardScan& scan);  // its taken cards

    // In the order added, each name once (the one that takes it).
    std::vector<CatalogueEntry> Entries() const;
    // By name in any case, the latest source's; nullptr when none has it.
    const CatalogueEntry* Find(std::string_view name) const;

private:
    std::vector<CatalogueEntry> entries_;
};

// The request for a stage with this part: by name for a built-in part, by
// its model for any other.
sim::Request WithPart(sim::Request request, const CatalogueEntry& part);

}  // namespace storage
