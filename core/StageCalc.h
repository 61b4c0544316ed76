#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/InputReading.h"
#include "core/StageInputs.h"

namespace core {

// The unit a box's text may name after its number.
InputUnit UnitOf(std::size_t input);

// One Calculate from six texts, without a window.
struct StageRun {
    std::array<InputReading, kInputCount> readings;
    // The first input in reading order too large for a double; kInputCount
    // when none is, and only then was the calculation run.
    std::size_t tooLarge = kInputCount;
    Calculation calculation;

    bool Ran() const { return tooLarge == kInputCount; }
    bool ReadWhole() const;
};

StageRun RunStage(const StageTexts& texts);

// What the window's message says when this run fails: the overflow of an
// input or the arithmetic fault; empty for a run without either.
std::string FailureMessage(const StageRun& run, const StageTexts& texts);

// What `tindrel calc` prints for six texts: the result lines the list would
// hold (each with its line feed), the messages the window would show, and
// the exit status (0, or 1 for a fault, or for a text not read whole when
// `strict`).
struct StageReport {
    std::string out;
    std::string err;
    int status = 0;
};

// Each text not read whole is told on its own line, "R1: " and the phrase.
StageReport ReportStage(const StageTexts& texts, bool strict, const ReadingPhraser& phrase);

}  // namespace core
