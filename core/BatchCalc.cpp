#include "core/BatchCalc.h"

#include <array>
#include <charconv>
#include <string>

#include "core/EngineeringFormat.h"
#include "core/StageCalc.h"
#include "platform/Utf8.h"

namespace core {
namespace {

constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

constexpr std::array<std::string_view, 10> kResultColumns = {"Ic_mA", "Ve",  "Vc", "PR1", "PR2",
                                                             "PRe",   "PRc", "Pc", "Pc0", "S"};

constexpr std::array<std::string_view, 23> kAmplifierColumns = {
    "re",       "gm",          "rpi",   "ro",       "Av",      "Avs",       "Zin",        "Zout",
    "f_in",     "f_E",         "f_out", "fL",       "fH",      "Swing_up",  "Swing_down", "Swing",
    "MaxInput", "HD2_percent", "Clips", "Cin_used", "Ce_used", "Cout_used", "AC_Fault"};

// The AC figures in the order of their columns up to HD2_percent.
std::array<std::optional<double>, 18> AmplifierFigures(const SmallSignal& s) {
    return {s.re,  s.gm,    s.rpi, s.ro, s.Av,      s.Avs,       s.Zin,   s.Zout,     s.f_in,
            s.f_E, s.f_out, s.fL,  s.fH, s.SwingUp, s.SwingDown, s.Swing, s.MaxInput, s.HD2};
}

// Each result column with the step that computes it.
struct Quantity {
    int step;
    double BiasPoint::*field;
};
constexpr std::array<Quantity, 10> kQuantities = {{
    {6, &BiasPoint::Ic},
    {4, &BiasPoint::Ve},
    {5, &BiasPoint::Vc},
    {7, &BiasPoint::PR1},
    {8, &BiasPoint::PR2},
    {9, &BiasPoint::PRe},
    {10, &BiasPoint::PRc},
    {11, &BiasPoint::Pc},
    {12, &BiasPoint::Pc0},
    {13, &BiasPoint::S},
}};

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The text without the blanks around it, which spreadsheets often leave.
std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    a = Trimmed(a);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// Where each input's column stands in the header.
struct Columns {
    std::array<std::size_t, kInputCount> input;
    std::array<std::size_t, kAmplifierBoxCount> amplifier;
    bool anyAmplifier = false;
    std::size_t material = kNoColumn;
    std::size_t count = 0;
    std::string fault;  // why no row can be read, or empty
};

Columns MapHeader(const CsvRecord& header) {
    Columns columns;
    columns.input.fill(kNoColumn);
    columns.amplifier.fill(kNoColumn);
    columns.count = header.count;
    const auto place = [&](std::size_t& column, std::size_t i, std::string_view name) {
        if (column != kNoColumn && columns.fault.empty())
            columns.fault = "The header has two " + std::string(name) + " columns.";
        column = i;
    };
    for (std::size_t i = 0; i < header.count; ++i) {
        std::string_view name = header[i];
        // The byte order mark that spreadsheets write at the start of UTF-8.
        if (i == 0 && name.starts_with("\xEF\xBB\xBF")) name.remove_prefix(3);
        for (std::size_t input = 0; input < kInputCount; ++input) {
            if (SameName(name, InputName(input))) place(columns.input[input], i, InputName(input));
        }
        if (SameName(name, "Material")) place(columns.material, i, "Material");
        for (std::size_t box = 0; box < kAmplifierBoxCount; ++box) {
            const std::string_view key = RuleOf(BoxAt(box)).key;
            if (SameName(name, key)) {
                place(columns.amplifier[box], i, key);
                columns.anyAmplifier = true;
            }
        }
    }
    if (header.unclosedQuote) columns.fault = "The header has a quoted field that is not closed.";
    if (header.tooLong) columns.fault = "The header is too long.";
    for (std::size_t input = 0; input < kInputCount && columns.fault.empty(); ++input) {
        if (columns.input[input] == kNoColumn)
            columns.fault = "The header has no " + std::string(InputName(input)) + " column.";
    }
    return columns;
}

// The row's reason for not being read at all, or empty.
std::string ShapeFault(const CsvRecord& row, std::size_t headerCount) {
    if (row.unclosedQuote) return "The row has a quoted field that is not closed.";
    if (row.tooLong) return "The row is too long.";
    if (row.count != headerCount) {
        return "The row has " + std::to_string(row.count) +
               (row.count == 1 ? " field" : " fields") + " where the header has " +
               std::to_string(headerCount) + ".";
    }
    return {};
}

class Batch {
public:
    Batch(const CsvWriter::Sink& sink, const BatchMessage& message, BatchOptions options,
          const CsvRecord& header)
        : writer_(sink, header.endsInCrLf ? "\r\n" : "\n"),
          message_(message),
          options_(options),
          columns_(MapHeader(header)),
          ac_(options.ac || columns_.anyAmplifier) {}

    // False when the batch is to stop with status 1.
    bool Header(const CsvRecord& header) {
        if (!columns_.fault.empty()) {
            Tell(header.line, columns_.fault);
            if (options_.strict) return false;
        }
        for (std::size_t i = 0; i < header.count; ++i) writer_.Field(header[i]);
        for (std::string_view name : kResultColumns) writer_.Field(name);
        if (ac_) {
            for (std::string_view name : kAmplifierColumns) writer_.Field(name);
        }
        if (options_.extraColumns) {
            for (const std::string& name : options_.extraColumns(ac_)) writer_.Field(name);
        }
        writer_.Field("Fault");
        writer_.EndRecord();
        return !writer_.Failed();
    }

    bool Row(const CsvRecord& row) {
        calculation_ = nullptr;
        acInputs_ = nullptr;
        if (!columns_.fault.empty()) return Write(row, nullptr, columns_.fault);
        std::string fault = ShapeFault(row, columns_.count);
        if (fault.empty()) {
            for (std::size_t input = 0; input < kInputCount; ++input)
                TextOf(texts_, input) = row[columns_.input[input]];
            texts_.material = Material::Silicon;
            if (columns_.material != kNoColumn) fault = ReadMaterial(row[columns_.material]);
        }
        if (!fault.empty()) return Bad(row, fault);

        const StageRun run = RunStage(texts_);
        for (std::size_t input = 0; input < kInputCount; ++input) {
            if (run.readings[input].readWhole) continue;
            if (!fault.empty()) fault += ' ';
            fault += InputName(input);
            if (options_.readAs) {
                fault += ": ";
                fault += options_.readAs(run.readings[input]);
            }
        }
        if (!fault.empty()) return Bad(row, fault);

        if (!run.Ran())
            return Write(
                row, nullptr,
                std::string(InputName(run.tooLarge)) + ": Overflow: too large to calculate with");
        if (texts_.material == Material::None) Tell(row.line, kNoMaterialMessage);
        const BiasOutcome& outcome = run.calculation.outcome;
        calculation_ = &run.calculation;
        if (ac_) {
            Analyse(row, run.calculation);
            // A bad AC cell is a bad row under --strict; the stage is not.
            if (analysis_.stop == AmplifierStop::kBadBox) {
                Tell(row.line, AcFault());
                if (options_.strict) return false;
            }
        }
        if (outcome.ok()) return Write(row, &outcome, {});
        std::string stepFault = "step " + std::to_string(outcome.faultStep) + ": ";
        stepFault += platform::FpFaultName(outcome.fault);
        return Write(row, &outcome, stepFault);
    }

    bool Finish() { return writer_.Flush(); }

private:
    // The row's AC inputs over the defaults, analysed into `analysis_`.
    void Analyse(const CsvRecord& row, const Calculation& calculation) {
        for (std::size_t box = 0; box < kAmplifierBoxCount; ++box) {
            // An empty cell of a box that must hold a value takes its default,
            // as an absent column does; an empty RL or VA is none.
            const std::size_t column = columns_.amplifier[box];
            const bool given =
                column != kNoColumn &&
                (RuleOf(BoxAt(box)).empty != EmptyBox::kRefused || !Trimmed(row[column]).empty());
            amplifierTexts_[box] = given ? row[column] : options_.amplifier[box];
        }
        const AmplifierReading reading = ReadAmplifierInputs(amplifierTexts_);
        analysis_ = core::Analyse(calculation, reading);
        if (analysis_.ok() && options_.pickCaps)
            analysis_ =
                PickCapacitors(*AmplifierDcOf(calculation), reading.inputs, *options_.pickCaps);
        readInputs_ = reading.inputs;
        acInputs_ = analysis_.ok() ? &analysis_.inputs : !reading.faultBox ? &readInputs_ : nullptr;
    }

    std::string ReadMaterial(std::string_view text) {
        const std::string_view name = Trimmed(text);
        if (name.empty()) {
            texts_.material = Material::None;
        } else if (SameName(name, "Si")) {
            texts_.material = Material::Silicon;
        } else if (SameName(name, "Ge")) {
            texts_.material = Material::Germanium;
        } else {
            return "Material: \"" + platform::Abbreviate(name, 40) + "\" is not Si, Ge or empty.";
        }
        return {};
    }

    void Tell(std::size_t line, std::string_view text) {
        std::string message = "line " + std::to_string(line) + ": ";
        message += text;
        message_(message);
    }

    bool Bad(const CsvRecord& row, const std::string& fault) {
        Tell(row.line, fault);
        if (options_.strict) return false;
        return Write(row, nullptr, fault);
    }

    // The row as read, padded or cut to the header's width so that the
    // result columns stay in place, then the quantities up to the fault.
    bool Write(const CsvRecord& row, const BiasOutcome* outcome, std::string_view fault) {
        for (std::size_t i = 0; i < columns_.count; ++i)
            writer_.Field(i < row.count ? row[i] : std::string_view());
        for (const Quantity& quantity : kQuantities) {
            const bool computed =
                outcome != nullptr && (outcome->ok() || quantity.step < outcome->faultStep);
            if (!computed) {
                writer_.Field({});
            } else {
                Number(outcome->point.*quantity.field);
            }
        }
        if (ac_) WriteAmplifier(outcome != nullptr);
        if (options_.extraCells) {
            for (const std::string& cell : options_.extraCells(calculation_, acInputs_, ac_))
                writer_.Field(cell);
        }
        writer_.Field(fault);
        writer_.EndRecord();
        return !writer_.Failed();
    }

    // The AC cells of a row whose stage was analysed (`analysed`), or empty
    // cells and the reason.
    void WriteAmplifier(bool analysed) {
        if (!analysed) analysis_ = {};
        const bool ok = analysis_.ok();
        const SmallSignal& s = analysis_.figures;
        for (const std::optional<double>& value : AmplifierFigures(s)) {
            if (ok && value) {
                Number(*value);
            } else {
                writer_.Field({});
            }
        }
        writer_.Field(!ok ? "" : s.Clips ? "yes" : "no");
        const AmplifierInputs& in = analysis_.inputs;
        const std::optional<double> used[] = {in.Cin,
                                              s.RePole ? std::optional(in.Ce) : std::nullopt,
                                              s.RoutPole ? std::optional(in.Cout) : std::nullopt};
        for (const std::optional<double>& value : used) {
            if (ok && value) {
                Number(*value);
            } else {
                writer_.Field({});
            }
        }
        writer_.Field(ok ? std::string() : AcFault());
    }

    std::string AcFault() const {
        return options_.acFault ? options_.acFault(analysis_) : std::string("no analysis");
    }

    void Number(double value) {
        if (options_.shown) {
            writer_.Field(ShownNumber(value));
            return;
        }
        // The shortest text that reads back as the same double never holds
        // a comma or a quote.
        std::array<char, 32> digits;
        const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
        writer_.RawField().append(digits.data(), result.ptr);
    }

    CsvWriter writer_;
    const BatchMessage& message_;
    BatchOptions options_;
    Columns columns_;
    bool ac_ = false;
    StageTexts texts_;
    AmplifierTexts amplifierTexts_;
    AmplifierAnalysis analysis_;
    // The row's Calculate and AC inputs while it is written, for the
    // caller's own columns.
    const Calculation* calculation_ = nullptr;
    AmplifierInputs readInputs_;
    const AmplifierInputs* acInputs_ = nullptr;
};

}  // namespace

int RunBatch(const CsvReader::Source& source, const CsvWriter::Sink& sink,
             const BatchMessage& message, BatchOptions options) {
    // What is computed goes out before more input is waited for, so that
    // rows fed one at a time come back one at a time.
    Batch* batch = nullptr;
    CsvReader reader([&](char* buffer, std::size_t size) {
        if (batch != nullptr) batch->Finish();
        return source(buffer, size);
    });
    CsvRecord record;
    if (!reader.Next(record)) {
        message(
            "The input is empty: a header naming the columns Vcc, Beta, R1, R2, Rc and Re "
            "is needed.");
        return 1;
    }
    Batch run(sink, message, options, record);
    batch = &run;
    if (!run.Header(record)) return 1;
    while (reader.Next(record)) {
        if (!run.Row(record)) {
            run.Finish();
            return 1;
        }
    }
    return run.Finish() ? 0 : 1;
}

}  // namespace core
