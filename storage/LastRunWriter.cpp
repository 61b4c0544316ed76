#include <array>

#include "core/EngineeringFormat.h"
#include "platform/Latin1.h"
#include "platform/TextNumber.h"
#include "platform/Utf8.h"
#include "storage/LastRunFile.h"

namespace storage {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The box's text as a message quotes it: without surrounding blanks, and cut
// after 40 characters so that a pasted page cannot flood the message.
std::string Quoted(std::string text) {
    return platform::Abbreviate(core::TrimSpaces(text), 40);
}

}  // namespace

std::string_view BoxLabel(std::size_t box) { return core::InputLabel(box); }

std::string LastRunPath(std::string_view appDir) {
    std::string path(appDir);
    path += '/';
    path += kFileName;
    return path;
}

std::string EncodeLastRun(const Inputs& inputs) {
    // Every box is converted before any line is made, so that a box that
    // cannot be saved stops the save before the file is touched.
    std::array<double, kBoxCount> values{};
    for (std::size_t box = 0; box < kBoxCount; ++box) {
        const platform::LenientNumber number = platform::ParseLenient(inputs.boxes[box]);
        if (number.overflow) {
            throw SaveError("The " + std::string(BoxLabel(box)) +
                                " holds a number too large to save: " + Quoted(inputs.boxes[box]) +
                                ". Nothing was saved; your inputs are still in the window.",
                            box);
        }
        values[box] = number.value;
    }

    std::string bytes;
    bytes.reserve(128);
    bytes += "False";
    bytes += kLineEnd;
    for (double value : values) {
        // The field is stored untrimmed; its only character beyond ASCII,
        // the plus-minus sign of the overflow field, becomes byte 177.
        bytes += platform::Utf8ToLatin1(core::EngField(value));
        bytes += kLineEnd;
    }
    bytes += inputs.si ? "True" : "False";
    bytes += kLineEnd;
    bytes += inputs.ge ? "True" : "False";
    bytes += kLineEnd;
    return bytes;
}

void SaveLastRun(const std::string& path, const Inputs& inputs, platform::FileOps& ops) {
    const std::string bytes = EncodeLastRun(inputs);
    try {
        platform::ReplaceFile(path, bytes, ops);
    } catch (const platform::FileError& error) {
        throw SaveError::Unwritable(path, error.reason(), error.error());
    }
}

SaveError SaveError::Unwritable(const std::string& path, const std::string& reason, int error) {
    SaveError failure("Could not save the last run to " + path + ": " + reason +
                      ". Your inputs are still in the window.");
    failure.error_ = error;
    return failure;
}

}  // namespace storage
