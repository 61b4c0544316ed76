#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/StageInputs.h"
#include "platform/Files.h"

namespace storage {

// The last-run file: nine lines, each ending in CR LF, one byte a character
// (Latin-1, so the plus-minus sign is byte 177):
//   False
//   <field of Vcc>  <field of Beta>  <field of R1>  <field of R2>  <field of Rc>  <field of Re>
//     (six lines, each the untrimmed engineering field of the box's value)
//   True|False      whether silicon is selected
//   True|False      whether germanium is selected

inline constexpr std::string_view kFileName = "Tindrel.dat";

// The six input boxes in the order of the file's lines (not the order in which
// the calculation reads them).
// The same order in which core names the inputs.
enum Box : std::size_t {
    kVcc = core::kInputVcc,
    kBeta = core::kInputBeta,
    kR1 = core::kInputR1,
    kR2 = core::kInputR2,
    kRc = core::kInputRc,
    kRe = core::kInputRe,
};
inline constexpr std::size_t kBoxCount = core::kInputCount;

// The box as a message names it, e.g. "supply voltage box (Vcc)".
std::string_view BoxLabel(std::size_t box);

// What the window hands over for saving: the texts of the six boxes, indexed
// by Box, and the states of the two material options.
struct Inputs {
    std::array<std::string, kBoxCount> boxes;
    bool si = false;
    bool ge = false;
};

// What reading gives the window: the six texts to put into the boxes (indexed
// by Box, UTF-8), and which options to select. The window applies them in this
// order: the six texts, then OptSi if selectSi, then OptGe if selectGe (so
// germanium wins when both are set). Reading never deselects an option.
struct Loaded {
    std::array<std::string, kBoxCount> boxes;
    bool selectSi = false;
    bool selectGe = false;

    bool operator==(const Loaded&) const = default;
};

// A save that did not happen. what() is the whole message for the user.
class SaveError : public std::runtime_error {
public:
    explicit SaveError(const std::string& message, std::optional<std::size_t> box = std::nullopt)
        : std::runtime_error(message), box_(box) {}
    // "Could not save the last run to <path>: <reason>. Your inputs are still
    // in the window."; `error` is the errno behind the reason, 0 for a check.
    static SaveError Unwritable(const std::string& path, const std::string& reason, int error);

    // The box whose number is too large to save, if that was the reason.
    std::optional<std::size_t> box() const { return box_; }
    // The errno behind a file that could not be written, 0 otherwise.
    int error() const { return error_; }

private:
    std::optional<std::size_t> box_;
    int error_ = 0;
};

// appDir + "/Tindrel.dat"; appDir carries no trailing separator.
std::string LastRunPath(std::string_view appDir);

// The bytes of the file for these inputs. Each box's text is read with the
// lenient number conversion first; a box holding a number beyond the range of
// a double throws SaveError naming the box, e.g.
// "The supply voltage box (Vcc) holds a number too large to save: 1e999.
//  Nothing was saved; your inputs are still in the window."
std::string EncodeLastRun(const Inputs& inputs);

// Encodes the inputs and replaces the file at `path` with them in one step
// (platform::ReplaceFile: through a symbolic link, or in place when the folder
// refuses new files). Throws SaveError when a box holds too large a number
// (nothing is written) or the file cannot be written ("Could not save the last
// run to <path>: <reason>. Your inputs are still in the window."); the old
// file is then as it was.
void SaveLastRun(const std::string& path, const Inputs& inputs,
                 platform::FileOps& ops = platform::SystemFileOps());

// Longest field kept, in bytes of the file; the rest of a longer field is
// passed over. A saved field has 11.
inline constexpr std::size_t kMaxFieldBytes = 4096;
// Bytes of the file looked at, at most; what lies beyond counts as not there.
inline constexpr std::uint64_t kMaxScannedBytes = std::uint64_t{256} << 20;

// Reads the file's fields from bytes fed in pieces of any size. A field:
// leading blanks and tabs are skipped; it runs up to a comma or the end of the
// line, and whichever ends it is consumed; trailing blanks and tabs are
// dropped. A line ends at CR LF, LF or a lone CR. An empty line is an empty
// field; a double quote is an ordinary character. Nothing but the first nine
// fields is kept.
class LastRunDecoder {
public:
    static constexpr std::size_t kFieldCount = 9;

    void Feed(std::string_view bytes);
    // Nine fields are in: nothing more need be fed.
    bool Complete() const { return fields_.size() == kFieldCount; }
    // Ends the input (a field in progress ends with it) and applies the
    // fields to the boxes and options.
    Loaded Finish();

private:
    void EndField();

    enum class State { kBetweenFields, kLeading, kBody };
    State state_ = State::kBetweenFields;
    bool swallowLf_ = false;  // a CR just ended a line; an LF after it belongs to it
    std::string field_;       // UTF-8
    std::size_t fieldBytes_ = 0;
    std::vector<std::string> fields_;
};

// The reader over bytes held in memory.
Loaded DecodeLastRun(std::string_view bytes);

// Reads the file at `path`. Never fails: a missing or unreadable file gives six
// empty texts and no option, a short one repeats its last field (see
// LastRunDecoder::Finish).
Loaded LoadLastRunFile(const std::string& path) noexcept;

}  // namespace storage
