#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/PartRatings.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "sim/ModelCard.h"

namespace storage {

// The user's own transistors, kept in $XDG_DATA_HOME/tindrel/transistors.lib
// ($HOME/.local/share/tindrel/transistors.lib when XDG_DATA_HOME is unset,
// empty or not absolute). The program writes it whole, in one canonical form:
//
//   * Tindrel's own transistors ... (a header of comment lines)
//   * ratings <name> vceo=<V> icrating=<A> pd=<W>   (the known ones; optional)
//   .model <name> NPN(<NAME>=<value> ...)           (taken parameters only)
//
// one .model line per part, each ratings line before its card, every number
// with 17 significant digits. Other programs read it as a SPICE library.

struct OwnPart {
    std::string name;  // sim::IsValidPartName
    sim::Model model;
    core::PartRatings ratings;

    bool operator==(const OwnPart&) const = default;
};

inline constexpr std::string_view kPartsFileName = "transistors.lib";
// Bytes of the file read at most; whatever lies beyond is lost as bad lines.
inline constexpr std::size_t kMaxPartsFileBytes = std::size_t{4} << 20;

std::optional<std::string> PartsFilePath(
    const platform::Environment& env = platform::SystemEnvironment());

// The file's bytes for these parts (names must be valid and distinct).
std::string EncodeParts(const std::vector<OwnPart>& parts);

// What reading gives: the parts, and how many lines were not taken (a line
// that is not blank, a comment, a ratings line before its card or a card in
// the canonical form; a second card of a name; anything past the size limit).
struct PartsLoad {
    std::vector<OwnPart> parts;
    std::size_t badLines = 0;
    int error = 0;  // errno when the file exists but could not be read
};

PartsLoad DecodeParts(std::string_view bytes);

// Reads the file; a missing file gives no parts and no bad line. Never throws.
PartsLoad LoadParts(const std::string& path) noexcept;

// Replaces the file with these parts, complete or not at all
// (platform::ReplaceFile), making its missing folders with mode 0700. Throws
// platform::FileError naming the file; the old file is then as it was.
void SaveParts(const std::string& path, const std::vector<OwnPart>& parts,
               platform::FileOps& ops = platform::SystemFileOps());

}  // namespace storage
