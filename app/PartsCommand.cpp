#include "app/PartsCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Files.h"
#include "platform/TextNumber.h"
#include "storage/PartsFile.h"

namespace app {
namespace {

void Tell(const std::string& text) { std::fputs((text + "\n").c_str(), stderr); }

// Why a card is refused, for the shell.
std::string RefusalText(const sim::FoundCard& card) {
    switch (*card.refusal) {
        case sim::Refusal::Subcircuit:
            return "a part modelled as a subcircuit is not supported";
        case sim::Refusal::Expression:
            return "it holds braces or an expression instead of numbers";
        case sim::Refusal::Repeated:
            return card.detail + " is given twice";
        case sim::Refusal::BadName:
            return "its name is not 1 to 32 letters, digits and _ - . +";
        case sim::Refusal::NoType:
            return "it is not an NPN or PNP card";
        case sim::Refusal::Malformed:
            return "it is not a list of key=value pairs (at '" + card.detail + "')";
    }
    return "it is refused";
}

// A key left out of a card and why, for the shell.
std::string LeftOutText(const sim::LeftOut& left) {
    switch (left.why) {
        case sim::LeftOutReason::NotTaken:
            return left.key + " (not a parameter the simulation takes)";
        case sim::LeftOutReason::NotANumber:
            return left.key + " (not a number)";
        case sim::LeftOutReason::TooLarge:
            return left.key + " (beyond the range of numbers)";
        case sim::LeftOutReason::OutOfRange:
            return left.key + " = " + platform::PlainText(left.value) + " (outside " +
                   platform::PlainText(left.range->low) + " to " +
                   platform::PlainText(left.range->high) + ")";
    }
    return left.key;
}

// What of the chosen card is not simulated, so that a value the simulation
// replaces with ngspice's default is not passed over in silence.
void TellLeftOut(const sim::CardScan& scan, const std::string& name, const std::string& path) {
    for (auto card = scan.cards.rbegin(); card != scan.cards.rend(); ++card) {
        if (!card->Taken() || card->name != name) continue;
        if (card->leftOut.empty()) return;
        std::string text;
        for (const sim::LeftOut& left : card->leftOut) {
            text += (text.empty() ? "" : ", ") + LeftOutText(left);
        }
        Tell("tindrel calc: --spice " + name + ": left out of its card in " + path + " line " +
             std::to_string(card->line) + ": " + text);
        return;
    }
}

std::string Ratings(const core::PartRatings& ratings) {
    if (!ratings.Any()) return "no ratings";
    std::string text;
    const auto add = [&text](const char* name, const std::optional<double>& value,
                             const char* unit) {
        if (!value) return;
        text += (text.empty() ? "" : ", ") + std::string(name) + " " + platform::PlainText(*value) +
                " " + unit;
    };
    add("Vceo", ratings.Vceo, "V");
    add("Ic", ratings.Ic, "A");
    add("Pd", ratings.Pd, "W");
    return text;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

// The model file's bytes, or nullopt after telling why there are none.
std::optional<std::string> ReadModelFile(const std::string& path) {
    platform::FileReader reader(path);
    if (!reader.IsOpen()) {
        Tell("tindrel calc: could not read --model-file " + path + ": " +
             platform::ErrnoText(reader.Error()));
        return std::nullopt;
    }
    std::string bytes;
    for (std::string_view piece = reader.Next(); !piece.empty(); piece = reader.Next()) {
        bytes += piece;
        if (bytes.size() > sim::kMaxCardText) {
            Tell("tindrel calc: --model-file " + path + " is larger than 1 MiB");
            return std::nullopt;
        }
    }
    if (reader.Error() != 0) {
        Tell("tindrel calc: could not read --model-file " + path + ": " +
             platform::ErrnoText(reader.Error()));
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::optional<Parts> LoadCalcParts(const std::optional<std::string>& modelFile) {
    Parts parts;
    if (const std::optional<std::string> path = storage::PartsFilePath()) {
        const storage::PartsLoad own = storage::LoadParts(*path);
        if (own.error != 0) {
            Tell("tindrel: could not read your parts in " + *path + ": " +
                 platform::ErrnoText(own.error));
        } else if (own.badLines > 0) {
            Tell("tindrel: " + std::to_string(own.badLines) + " line" +
                 (own.badLines == 1 ? " of " : "s of ") + *path +
                 " could not be read as parts and " + (own.badLines == 1 ? "is" : "are") +
                 " left out");
        }
        parts.catalogue.AddOwn(own.parts);
    }
    if (modelFile) {
        const std::optional<std::string> bytes = ReadModelFile(*modelFile);
        if (!bytes) return std::nullopt;
        parts.modelFile = sim::ScanModelCards(*bytes);
        for (const sim::FoundCard& card : parts.modelFile.cards) {
            if (card.Taken()) continue;
            Tell("tindrel calc: " + *modelFile + " line " + std::to_string(card.line) + ": " +
                 (card.name.empty() ? "a card" : card.name) + " is refused: " + RefusalText(card));
        }
        parts.catalogue.AddFile(parts.modelFile);
    }
    return parts;
}

std::string PartsList(const storage::PartCatalogue& catalogue,
                      const std::optional<std::string>& modelFile) {
    std::string list;
    for (const storage::CatalogueEntry& part : catalogue.Entries()) {
        const std::string origin = part.origin == storage::PartOrigin::BuiltIn ? "built in"
                                   : part.origin == storage::PartOrigin::Own
                                       ? "your own"
                                       : "from " + modelFile.value_or("the model file");
        list += Padded(part.name, 16) + " " + std::string(sim::PolarityName(part.type)) + "  " +
                Padded(origin, 10) + " " + Ratings(part.ratings) + "\n";
    }
    return list;
}

std::optional<storage::CatalogueEntry> ChosenPart(const Parts& parts, const std::string& name,
                                                  const std::optional<std::string>& modelFile) {
    if (const storage::CatalogueEntry* part = parts.catalogue.Find(name)) {
        if (part->origin == storage::PartOrigin::File) {
            TellLeftOut(parts.modelFile, part->name, modelFile.value_or(""));
        }
        return *part;
    }
    for (const sim::FoundCard& card : parts.modelFile.cards) {
        if (card.name == name && !card.Taken()) {
            Tell("tindrel calc: --spice " + name + ": the card in " + modelFile.value_or("") +
                 " line " + std::to_string(card.line) + " is refused: " + RefusalText(card));
            return std::nullopt;
        }
    }
    Tell("tindrel calc: --spice " + name +
         " is not a part; tindrel calc --parts lists them, and --model-file FILE adds a maker's");
    return std::nullopt;
}

}  // namespace app
