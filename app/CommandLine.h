#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/Amplifier.h"
#include "core/Calculation.h"

namespace app {

// What the words after the program's name ask for. Read without Qt, before
// anything connects to a display.
struct CommandLine {
    enum class Action { kWindow, kHelp, kHelpAll, kVersion, kCalc, kCalcHelp, kUsageError };
    Action action = Action::kWindow;
    // A usage error, in one line without its line end.
    std::string error;
    // The window: whether Qt's own options name a platform plugin.
    bool platformGiven = false;

    // tindrel calc
    bool csv = false;
    bool shown = false;
    bool strict = false;
    core::Material material = core::Material::Silicon;
    std::vector<std::string> values;  // VCC BETA R1 R2 RC RE
    // --ac, or any amplifier option: the stage's figures as an amplifier.
    bool ac = false;
    // The amplifier options given, as typed; the others take their defaults.
    std::array<std::optional<std::string>, core::kAmplifierBoxCount> amplifier;
    std::optional<std::string> pickCaps;  // --pick-caps FL
    // --spice PART: the stage simulated with a real transistor as well: a
    // built-in part, one of the user's own or one of --model-file's.
    std::optional<std::string> spice;
    // --model-file FILE: a maker's model cards, for this run only.
    std::optional<std::string> modelFile;
    // --parts: lists the parts instead of calculating.
    bool listParts = false;
};

CommandLine ParseCommandLine(int argc, const char* const argv[]);

// The forms of the command, for --help and after a usage error.
extern const char kUsage[];
// What --help adds after the options: the calc command.
extern const char kCommandsHelp[];
// tindrel calc --help, made from the same definitions as the parse.
std::string CalcHelp();

// Runs tindrel calc: reads and writes the standard streams; returns the
// exit status.
int RunCalc(const CommandLine& command);

}  // namespace app
