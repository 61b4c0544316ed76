#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Amplifier.h"
#include "core/Csv.h"
#include "core/InputReading.h"

namespace core {

// A batch of stages as CSV: a header naming the columns Vcc, Beta, R1, R2,
// Rc, Re and optionally Material (any order, any case), then one stage a
// row. Each output row is the input row, then Ic_mA, Ve, Vc, PR1, PR2, PRe,
// PRc, Pc, Pc0, S and Fault; a quantity that a fault left uncomputed is an
// empty cell. With the analysis as an amplifier (optional columns Rs, RL,
// Re1, Cin, Ce, Cout, hfe, VA, fT, Cmu, Amplitude and Frequency, empty RL or
// VA meaning none), its columns stand before Fault: re, gm, rpi, ro, Av, Avs,
// Zin, Zout, f_in, f_E, f_out, fL, fH, Swing_up, Swing_down, Swing, MaxInput,
// HD2_percent, Clips, Cin_used, Ce_used, Cout_used and AC_Fault.
struct BatchOptions {
    // Numbers as the result lines show them, rather than the shortest text
    // that reads back as the same double.
    bool shown = false;
    // Stop at the first bad row (a column missing from the header, a row with
    // the wrong number of fields, a field not read whole) instead of writing
    // it with its Fault cell.
    bool strict = false;
    // The stage as an amplifier for every row, as if an AC column were
    // present; any AC column in the header switches it on too.
    bool ac = false;
    // The AC inputs of the columns a table does not have.
    AmplifierTexts amplifier = DefaultAmplifierTexts();
    // Capacitors picked for this low corner, in hertz, in every row.
    std::optional<double> pickCaps = std::nullopt;
    // Why a row has no AC figures, for its AC_Fault cell and its message.
    std::function<std::string(const AmplifierAnalysis&)> acFault = nullptr;
    // Columns of the caller's own after these, before Fault: their names,
    // and a row's cells from its Calculate (null when none ran) and its AC
    // inputs (null when there are none, or a cell is bad); `ac` says whether
    // the analysis as an amplifier is on.
    std::function<std::vector<std::string>(bool ac)> extraColumns = nullptr;
    std::function<std::vector<std::string>(const Calculation*, const AmplifierInputs*, bool ac)>
        extraCells = nullptr;
    // The front end's words for a field not read whole, told in its Fault
    // cell and its message after "R1: "; without them only the name is told.
    ReadingPhraser readAs = nullptr;
};

// One message for the user, without its line end: "line 4: ...".
using BatchMessage = std::function<void(std::string_view message)>;

// Reads the whole input, row by row, writing each result row before the
// next is read. Returns the exit status: 0 once every row is written
// (whatever its Fault cell says); 1 for an empty input, a write that failed,
// or a bad row under `strict`.
int RunBatch(const CsvReader::Source& source, const CsvWriter::Sink& sink,
             const BatchMessage& message, BatchOptions options);

}  // namespace core
