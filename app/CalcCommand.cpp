// tindrel calc: the standard streams around the window-free calculation.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/AmplifierText.h"
#include "app/CommandLine.h"
#include "app/PartsCommand.h"
#include "app/ShellText.h"
#include "app/SpiceCommand.h"
#include "core/Amplifier.h"
#include "core/BatchCalc.h"
#include "core/StageCalc.h"
#include "sim/Amplifier.h"
#include "sim/Checks.h"
#include "sim/Report.h"

namespace app {
namespace {

void Tell(std::string_view text) {
    std::string line(text);
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

// Everything or nothing: a short write is carried on, EINTR retried.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void TellWriteFailed(int error) {
    Tell(std::string("tindrel: could not write the results: ") + std::strerror(error));
}

core::AmplifierTexts AmplifierTextsOf(const CommandLine& command) {
    core::AmplifierTexts texts = core::DefaultAmplifierTexts();
    for (std::size_t box = 0; box < core::kAmplifierBoxCount; ++box) {
        if (command.amplifier[box]) texts[box] = BoxText(core::BoxAt(box), *command.amplifier[box]);
    }
    return texts;
}

// The table after the six lines, or why there is none.
core::StageReport ReportAmplifier(const CommandLine& command,
                                  const core::Calculation& calculation) {
    core::StageReport report;
    const core::AmplifierReading reading = core::ReadAmplifierInputs(AmplifierTextsOf(command));
    core::AmplifierAnalysis analysis = core::Analyse(calculation, reading);
    if (analysis.ok() && command.pickCaps) {
        const core::BoxReading corner = core::ReadLowCorner(*command.pickCaps);
        if (!corner.value) {
            report.err = "No analysis: --pick-caps " +
                         BoxFaultReason(corner.fault, corner.rest, false) + ".\n";
            report.status = 1;
            return report;
        }
        analysis =
            core::PickCapacitors(*core::AmplifierDcOf(calculation), reading.inputs, *corner.value);
    }
    if (!analysis.ok()) {
        report.err = "No analysis: " + NoAnalysisReason(analysis, BoxNaming::kOption) + ".\n";
        report.status = 1;
        return report;
    }
    report.out = AmplifierTable(analysis, command.pickCaps.has_value());
    return report;
}

// The AC inputs a stage's simulation takes: the options over the defaults,
// with the picked capacitors where --pick-caps picks them; none when an
// option is bad.
std::optional<core::AmplifierInputs> SpiceInputs(const CommandLine& command,
                                                 const core::Calculation& calculation) {
    const core::AmplifierReading reading = core::ReadAmplifierInputs(AmplifierTextsOf(command));
    if (reading.faultBox) return std::nullopt;
    if (command.pickCaps) {
        const core::BoxReading corner = core::ReadLowCorner(*command.pickCaps);
        const std::optional<core::AmplifierDc> dc = core::AmplifierDcOf(calculation);
        if (!corner.value || !dc) return std::nullopt;
        return core::PickCapacitors(*dc, reading.inputs, *corner.value).inputs;
    }
    return reading.inputs;
}

// One stage in the helper: its point, or the whole amplifier with `inputs`.
SpiceOutcome Simulate(SpiceRunner& runner, const storage::CatalogueEntry& part,
                      const core::Calculation* calculation,
                      const std::optional<core::AmplifierInputs>& inputs, bool ac) {
    SpiceOutcome outcome;
    if (calculation == nullptr) {
        outcome.fault = sim::Refused("the stage was not calculated");
    } else if (ac && !inputs) {
        outcome.fault = sim::Refused("an AC input is not read");
    } else if (const auto reason = ac ? sim::CheckAmp(calculation->stage, *inputs)
                                      : sim::CheckStage(calculation->stage)) {
        outcome.fault = sim::Refused(*reason);
    } else {
        if (ac) {
            sim::AmpRequest request = sim::MakeAmpRequest(calculation->stage, *inputs, part.name);
            request.stage = storage::WithPart(request.stage, part);
            return runner.Amp(request);
        }
        return runner.Op(storage::WithPart(sim::MakeRequest(calculation->stage, part.name), part));
    }
    outcome.amp = sim::AmpResult::Because(outcome.fault);
    return outcome;
}

int RunStage(const CommandLine& command, const std::optional<storage::CatalogueEntry>& part) {
    const std::vector<std::string>& v = command.values;
    const core::StageTexts texts{v[0], v[1], v[2], v[3], v[4], v[5], command.material};
    core::StageReport report = core::ReportStage(
        texts, command.strict,
        [&](const core::InputReading& reading) { return ShellReadAs(reading, command.strict); });
    if (command.ac) {
        const core::StageRun run = core::RunStage(texts);
        // Under --strict a value not read whole stops before any result.
        if (!(command.strict && !run.ReadWhole())) {
            const core::StageReport amplifier = ReportAmplifier(command, run.calculation);
            report.out += amplifier.out;
            report.err += amplifier.err;
            report.status = std::max(report.status, amplifier.status);
        }
    }
    if (part) {
        const core::StageRun run = core::RunStage(texts);
        if (!(command.strict && !run.ReadWhole())) {
            SpiceRunner runner(HelperPath());
            const core::Calculation* calculation = run.Ran() ? &run.calculation : nullptr;
            const std::optional<core::AmplifierInputs> inputs =
                calculation && command.ac ? SpiceInputs(command, *calculation) : std::nullopt;
            report.out += SpiceTable(
                part->name, Simulate(runner, *part, calculation, inputs, command.ac), command.ac);
        }
    }
    std::fputs(report.err.c_str(), stderr);
    if (!WriteAll(STDOUT_FILENO, report.out)) {
        TellWriteFailed(errno);
        return 1;
    }
    return report.status;
}

int RunTable(const CommandLine& command, const std::optional<storage::CatalogueEntry>& part) {
    int readError = 0;
    // read() rather than a buffered stream: it returns what a pipe holds,
    // so that rows are answered as they arrive.
    const auto source = [&](char* buffer, std::size_t size) -> std::size_t {
        for (;;) {
            const ssize_t got = ::read(STDIN_FILENO, buffer, size);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno == EINTR) continue;
            readError = errno;
            return 0;
        }
    };
    bool writeFailed = false;
    const auto sink = [&](std::string_view bytes) {
        if (WriteAll(STDOUT_FILENO, bytes)) return true;
        if (!writeFailed) TellWriteFailed(errno);
        writeFailed = true;
        return false;
    };
    // Once reading has failed, what the batch makes of the cut input ("the
    // input is empty") would hide the real cause, told below.
    const auto message = [&](std::string_view text) {
        if (readError == 0) Tell(text);
    };
    core::BatchOptions options;
    options.shown = command.shown;
    options.strict = command.strict;
    options.ac = command.ac;
    options.amplifier = AmplifierTextsOf(command);
    options.acFault = [](const core::AmplifierAnalysis& analysis) {
        return NoAnalysisReason(analysis, BoxNaming::kColumn);
    };
    if (command.pickCaps) {
        const core::BoxReading corner = core::ReadLowCorner(*command.pickCaps);
        if (!corner.value) {
            Tell("No analysis: --pick-caps " + BoxFaultReason(corner.fault, corner.rest, false) +
                 ".");
            return 1;
        }
        options.pickCaps = corner.value;
    }
    std::optional<SpiceRunner> runner;
    if (part) {
        // One helper for the whole batch.
        runner.emplace(HelperPath());
        options.extraColumns = [](bool ac) { return SpiceColumns(ac); };
        options.extraCells = [&](const core::Calculation* calculation,
                                 const core::AmplifierInputs* inputs, bool ac) {
            const std::optional<core::AmplifierInputs> given =
                inputs ? std::optional(*inputs) : std::nullopt;
            return SpiceCells(Simulate(*runner, *part, calculation, given, ac), ac, command.shown);
        };
    }
    options.readAs = [&](const core::InputReading& reading) {
        return ShellReadAs(reading, command.strict);
    };
    const int status = core::RunBatch(source, sink, message, options);
    if (readError != 0) {
        Tell(std::string("tindrel: could not read the input: ") + std::strerror(readError));
        return 1;
    }
    return status;
}

}  // namespace

int RunCalc(const CommandLine& command) {
    std::optional<storage::CatalogueEntry> part;
    if (command.listParts || command.spice) {
        const std::optional<Parts> parts = LoadCalcParts(command.modelFile);
        if (!parts) return 2;
        if (command.listParts) {
            if (WriteAll(STDOUT_FILENO, PartsList(parts->catalogue, command.modelFile))) return 0;
            TellWriteFailed(errno);
            return 1;
        }
        part = ChosenPart(*parts, *command.spice, command.modelFile);
        if (!part) return 2;
    }
    return command.csv ? RunTable(command, part) : RunStage(command, part);
}

}  // namespace app
