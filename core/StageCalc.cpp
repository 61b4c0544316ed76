#include "core/StageCalc.h"

namespace core {
InputUnit UnitOf(std::size_t input) {
    if (input == kInputVcc) return InputUnit::Volt;
    if (input == kInputBeta) return InputUnit::None;
    return InputUnit::Ohm;
}

bool StageRun::ReadWhole() const {
    for (const InputReading& reading : readings) {
        if (!reading.readWhole) return false;
    }
    return true;
}

StageRun RunStage(const StageTexts& texts) {
    StageRun run;
    std::array<InputFault, kInputCount> faults{};
    for (std::size_t input = 0; input < kInputCount; ++input) {
        InputResult result = ReadBox(TextOf(texts, input), LenientRule(UnitOf(input)));
        run.readings[input] = std::move(result.reading);
        faults[input] = result.fault;
    }
    // A lenient box refuses only a number too large for a double.
    for (std::size_t input : kReadOrder) {
        if (faults[input] == InputFault::TooLarge) {
            run.tooLarge = input;
            return run;
        }
    }
    Stage& s = run.calculation.stage;
    s.Vcc = run.readings[kInputVcc].value;
    s.Beta = run.readings[kInputBeta].value;
    s.R1 = run.readings[kInputR1].value;
    s.R2 = run.readings[kInputR2].value;
    s.Rc = run.readings[kInputRc].value;
    s.Re = run.readings[kInputRe].value;
    s.material = texts.material;
    run.calculation.outcome = ComputeBiasPoint(s.Vcc, s.Beta, s.R1, s.R2, s.Rc, s.Re, s.Vbe());
    return run;
}

std::string FailureMessage(const StageRun& run, const StageTexts& texts) {
    if (!run.Ran()) return TooLargeMessage(run.tooLarge, TextOf(texts, run.tooLarge));
    const BiasOutcome& outcome = run.calculation.outcome;
    if (outcome.ok()) return {};
    const Stage& s = run.calculation.stage;
    return DescribeFault(outcome, s.Beta, s.R1, s.R2, s.Rc, s.Re);
}

StageReport ReportStage(const StageTexts& texts, bool strict, const ReadingPhraser& phrase) {
    StageReport report;
    const StageRun run = RunStage(texts);
    for (std::size_t input = 0; input < kInputCount; ++input) {
        if (run.readings[input].readWhole) continue;
        const std::string line = phrase(run.readings[input]);
        report.err += InputName(input);
        report.err += ": ";
        report.err += line;
        report.err += '\n';
    }
    if (strict && !run.ReadWhole()) {
        report.status = 1;
        return report;
    }
    // As in the window: a number too large stops the run before the
    // material is asked for.
    if (run.Ran() && texts.material == Material::None) {
        report.err += kNoMaterialMessage;
        report.err += '\n';
    }
    if (run.Ran()) {
        for (const std::string& line : BuildResultLines(run.calculation.outcome)) {
            report.out += line;
            report.out += '\n';
        }
    }
    const std::string failure = FailureMessage(run, texts);
    if (!failure.empty()) {
        report.err += failure;
        report.err += '\n';
        report.status = 1;
    }
    return report;
}

}  // namespace core
