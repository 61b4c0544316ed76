#include "storage/PartsFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "sim/Netlist.h"

namespace storage {
namespace {

constexpr std::string_view kHeader =
    "* Tindrel's own transistors, written by the program: one .model line a part,\n"
    "* with only the parameters it simulates; a \"* ratings\" line before a card\n"
    "* gives the part's Vceo (V), Ic (A) and Pd (W).\n";
constexpr std::string_view kRatingsOpening = "* ratings ";

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return lower;
}

std::string_view Trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = line.find_last_not_of(" \t");
    return line.substr(first, last - first + 1);
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find_first_of(" \t", start);
        if (end == std::string_view::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

struct RatingsLine {
    std::string name;
    core::PartRatings ratings;
};

// "* ratings NAME vceo=40 icrating=0.2 pd=0.625", each key at most once.
std::optional<RatingsLine> ReadRatings(std::string_view line) {
    const std::vector<std::string_view> words = Words(line.substr(kRatingsOpening.size()));
    if (words.empty() || !sim::IsValidPartName(words[0])) return std::nullopt;
    RatingsLine read{std::string(words[0]), {}};
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::size_t equals = words[i].find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string key = Lower(words[i].substr(0, equals));
        const sim::SpiceValue value = sim::ReadSpiceValue(words[i].substr(equals + 1));
        const sim::ParameterRange* range = key == "vceo"       ? &sim::kVceoRating
                                           : key == "icrating" ? &sim::kIcRating
                                           : key == "pd"       ? &sim::kPdRating
                                                               : nullptr;
        std::optional<double>& slot = key == "vceo"       ? read.ratings.Vceo
                                      : key == "icrating" ? read.ratings.Ic
                                                          : read.ratings.Pd;
        if (range == nullptr || value.fault || slot || value.value < range->low ||
            value.value > range->high) {
            return std::nullopt;
        }
        slot = value.value;
    }
    return read;
}

// A card in the canonical form: one taken card with nothing left out.
std::optional<OwnPart> ReadCard(std::string_view line) {
    const sim::CardScan scan = sim::ScanModelCards(line);
    if (scan.cards.size() != 1 || !scan.cards[0].Taken() || !scan.cards[0].leftOut.empty() ||
        scan.cards[0].ratings.Any()) {
        return std::nullopt;
    }
    return OwnPart{scan.cards[0].name, scan.cards[0].model, {}};
}

// Every missing folder on the way to `dir`, each with mode 0700 (the XDG
// Base Directory rules).
void MakeFolders(const std::filesystem::path& dir, const std::string& file,
                 platform::FileOps& ops) {
    std::filesystem::path folder;
    for (const std::filesystem::path& part : dir) {
        folder /= part;
        struct stat info {};
        if (ops.Stat(folder.string(), &info) == 0) {
            if (S_ISDIR(info.st_mode)) continue;
            throw platform::FileError(
                file, "There is a file where the folder " + folder.string() + " should be");
        }
        int error = errno;
        if (error == ENOENT) error = ops.Mkdir(folder.string(), 0700) == 0 ? 0 : errno;
        if (error != 0 && error != EEXIST) {
            throw platform::FileError(file,
                                      "The folder " + folder.string() +
                                          " could not be made: " + platform::ErrnoText(error),
                                      error);
        }
    }
}

}  // namespace

std::optional<std::string> PartsFilePath(const platform::Environment& env) {
    const auto absolute = [&env](const char* name) -> std::optional<std::string> {
        std::optional<std::string> value = env.Variable(name);
        if (!value || value->empty() || value->front() != '/') return std::nullopt;
        while (!value->empty() && value->back() == '/') value->pop_back();
        return value;
    };
    std::optional<std::string> base = absolute("XDG_DATA_HOME");
    if (!base) {
        base = absolute("HOME");
        if (!base) return std::nullopt;
        *base += "/.local/share";
    }
    return *base + "/tindrel/" + std::string(kPartsFileName);
}

std::string EncodeParts(const std::vector<OwnPart>& parts) {
    std::string text(kHeader);
    for (const OwnPart& part : parts) {
        if (part.ratings.Any()) {
            text += std::string(kRatingsOpening) + part.name;
            if (part.ratings.Vceo) text += " vceo=" + sim::SpiceNumber(*part.ratings.Vceo);
            if (part.ratings.Ic) text += " icrating=" + sim::SpiceNumber(*part.ratings.Ic);
            if (part.ratings.Pd) text += " pd=" + sim::SpiceNumber(*part.ratings.Pd);
            text += '\n';
        }
        text += sim::CardLine(part.name, part.model) + '\n';
    }
    return text;
}

PartsLoad DecodeParts(std::string_view bytes) {
    PartsLoad load;
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::optional<RatingsLine> pending;
    const auto isTaken = [&load](std::string_view name) {
        return std::any_of(load.parts.begin(), load.parts.end(),
                           [&](const OwnPart& part) { return Lower(part.name) == Lower(name); });
    };
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = Trimmed(bytes.substr(at, end - at));
        at = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && at < bytes.size() && bytes[at] == '\n') {
            ++at;
        }
        if (line.starts_with(kRatingsOpening)) {
            if (pending) ++load.badLines;  // ratings without a card after them
            pending = ReadRatings(line);
            if (!pending) ++load.badLines;
        } else if (line.starts_with(".model ")) {
            std::optional<OwnPart> part = ReadCard(line);
            const bool fresh = part && !isTaken(part->name);
            if (pending) {
                // Ratings belong to the card right after them.
                if (fresh && pending->name == part->name) {
                    part->ratings = pending->ratings;
                } else {
                    ++load.badLines;
                }
                pending.reset();
            }
            if (!fresh) {
                ++load.badLines;
                continue;
            }
            load.parts.push_back(std::move(*part));
        } else if (!line.empty() && line[0] != '*') {
            ++load.badLines;
        }
    }
    if (pending) ++load.badLines;
    return load;
}

PartsLoad LoadParts(const std::string& path) noexcept {
    try {
        platform::FileReader reader(path);
        if (!reader.IsOpen()) {
            PartsLoad load;
            if (reader.Error() != ENOENT) load.error = reader.Error();
            return load;
        }
        std::string bytes;
        bool more = false;
        for (std::string_view piece = reader.Next(); !piece.empty(); piece = reader.Next()) {
            if (bytes.size() + piece.size() > kMaxPartsFileBytes) {
                more = true;
                break;
            }
            bytes += piece;
        }
        if (more) {
            // A line cut at the limit is not read as half a card.
            const std::size_t lastEnd = bytes.find_last_of("\r\n");
            bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
        }
        PartsLoad load = DecodeParts(bytes);
        if (more) ++load.badLines;
        if (reader.Error() != 0) load.error = reader.Error();
        return load;
    } catch (...) {
        // Out of memory: as if there were no file.
        return PartsLoad{};
    }
}

void SaveParts(const std::string& path, const std::vector<OwnPart>& parts, platform::FileOps& ops) {
    const std::string bytes = EncodeParts(parts);
    MakeFolders(std::filesystem::path(path).parent_path(), path, ops);
    platform::ReplaceFile(path, bytes, ops);
}

}  // namespace storage
