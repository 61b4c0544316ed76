#pragma once

#include <functional>
#include <string_view>

#include "core/Csv.h"
#include "core/InputReading.h"

namespace core {

// A batch of stages as CSV: a header naming the columns Vcc, Beta, R1, R2,
// Rc, Re and optionally Material (any order, any case), then one stage a
// row. Each output row is the input row, then Ic_mA, Ve, Vc, PR1, PR2, PRe,
// PRc, Pc, Pc0, S and Fault; a quantity that a fault left uncomputed is an
// empty cell.
struct BatchOptions {
    // Numbers as the result lines show them, rather than the shortest text
    // that reads back as the same double.
    bool shown = false;
    // Stop at the first bad row (a column missing from the header, a row with
    // the wrong number of fields, a field not read whole) instead of writing
    // it with its Fault cell.
    bool strict = false;
};

// One message for the user, without its line end: "line 4: ...".
using BatchMessage = std::function<void(std::string_view message)>;

// Reads the whole input, row by row, writing each result row before the
// next is read. Returns the exit status: 0 once every row is written
// (whatever its Fault cell says); 1 for an empty input, a write that failed,
// or a bad row under `strict`.
// A field not read whole is told, in its Fault cell and its message, as
// "R1: " and what `phrase` makes of its reading.
int RunBatch(const CsvReader::Source& source, const CsvWriter::Sink& sink,
             const BatchMessage& message, BatchOptions options, const ReadingPhraser& phrase);

}  // namespace core
