#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "core/Amplifier.h"
#include "sim/Models.h"

namespace app {

const char kUsage[] =
    "Usage: tindrel [-h | --help | --help-all | -v | --version] [Qt options]\n"
    "       tindrel calc [--si | --ge | --none] [--strict] [--ac [AC options]] VCC BETA R1 R2 RC "
    "RE\n"
    "       tindrel calc --csv [--shown] [--strict] [--ac [AC options]] < stages.csv\n";

const char kCommandsHelp[] =
    "\n"
    "Commands:\n"
    "  calc [--si|--ge|--none] [--strict] [--ac [AC options]] VCC BETA R1 R2 RC RE\n"
    "                 Prints the six result lines of one stage, as Calculate\n"
    "                 shows them, and with --ac its figures as an amplifier,\n"
    "                 without opening a window.\n"
    "  calc --csv [--shown] [--strict] [--ac [AC options]]\n"
    "                 Reads stages as CSV from standard input and writes each\n"
    "                 with its results as CSV to standard output.\n"
    "\n"
    "Run 'tindrel calc --help' for the details.";

namespace {

using Action = CommandLine::Action;

// Qt's own options, which a plain start hands to QApplication. They are
// listed here because the command line is read before any application object
// exists (a QGuiApplication would connect to a display, and end the program
// where there is none): what is not ours and not Qt's is refused at once.
// The list is that of QGuiApplication and QApplication in Qt 6.4.
// How an option takes its value: as the next word, after "=", or either.
enum class Value { kNone, kNext, kAttached, kEither };
struct QtOption {
    std::string_view name;  // with its single dash
    Value value;
};
constexpr std::array<QtOption, 17> kQtOptions = {{
    {"-platform", Value::kNext},
    {"-platformpluginpath", Value::kNext},
    {"-platformtheme", Value::kNext},
    {"-plugin", Value::kNext},
    {"-qmljsdebugger", Value::kEither},
    {"-qwindowgeometry", Value::kNext},
    {"-qwindowicon", Value::kNext},
    {"-qwindowtitle", Value::kNext},
    {"-reverse", Value::kNone},
    {"-session", Value::kNext},
    {"-display", Value::kNext},
    {"-geometry", Value::kNext},
    {"-dialogs", Value::kAttached},
    {"-fontengine", Value::kAttached},
    {"-style", Value::kEither},
    {"-stylesheet", Value::kEither},
    {"-widgetcount", Value::kNone},
}};

CommandLine Error(std::string message) {
    CommandLine line;
    line.action = Action::kUsageError;
    line.error = std::move(message);
    return line;
}

// "-5" and "-.5" are values, not options.
bool IsOption(std::string_view word) {
    if (word.size() < 2 || word[0] != '-') return false;
    const char next = word[1];
    return !(next == '.' || (next >= '0' && next <= '9'));
}

// What each amplifier option holds, for its help line; the unit, range and
// default come from the box's rule.
constexpr std::array<std::string_view, core::kAmplifierBoxCount> kAmplifierMeanings = {
    "Source resistance",
    "Load; none for no load (and no Cout)",
    "Unbypassed part of Re, 0 to RE",
    "Input coupling capacitor",
    "Emitter bypass capacitor",
    "Output coupling capacitor",
    "Small-signal current gain",
    "Early voltage; none for an infinite ro",
    "Transition frequency",
    "Collector-base capacitance",
    "Peak source EMF of the test signal",
    "Frequency of the test signal",
};

std::string AmplifierHelp(std::size_t box) {
    const core::AmplifierBoxRule& rule = core::RuleOf(core::BoxAt(box));
    std::string help(kAmplifierMeanings[box]);
    if (!rule.unitSymbol.empty()) {
        help += ", ";
        help += rule.unitSymbol;
    }
    help += rule.lowestIncluded ? ", 0 or more" : ", above 0";
    help += " (default ";
    help += rule.empty == core::EmptyBox::kBeta ? "BETA"
            : rule.defaultText.empty()          ? "none"
                                                : rule.defaultText;
    help += ").";
    return help;
}

// The calc command's options, bound to where the parse puts them; the help
// is made from the same definitions.
struct CalcOptions {
    int si = 0;
    int ge = 0;
    int none = 0;
    int strict = 0;
    int csv = 0;
    int shown = 0;
    int ac = 0;
    std::array<std::string, core::kAmplifierBoxCount> amplifier;
    std::array<CLI::Option*, core::kAmplifierBoxCount> amplifierGiven{};
    std::string pickCaps;
    CLI::Option* pickCapsGiven = nullptr;
    std::string spice;
    CLI::Option* spiceGiven = nullptr;
    std::string modelFile;
    CLI::Option* modelFileGiven = nullptr;
    int parts = 0;
};

// Words of `text` in lines of at most kHelpWidth characters, the first
// after `lead` (padded to `indent`), the others indented by `indent`.
constexpr std::size_t kHelpWidth = 79;
std::string Wrapped(std::string lead, std::string_view text, std::size_t indent) {
    std::string out;
    std::string line = std::move(lead);
    if (line.size() + 1 > indent && indent > 0) {
        out += line + '\n';
        line.clear();
    }
    line.resize(indent, ' ');
    bool lineEmpty = true;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!lineEmpty && line.size() + 1 + word.size() > kHelpWidth) {
            out += line + '\n';
            line.assign(indent, ' ');
            lineEmpty = true;
        }
        if (!lineEmpty) line += ' ';
        line += word;
        lineEmpty = false;
    }
    return out + line + '\n';
}

// The help as the other commands' help reads: our usage lines, the
// description and each group's options with their text wrapped to the
// terminal's customary width (CLI11 would leave them in one long line).
class CalcFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return "Usage: tindrel calc [--si | --ge | --none] [--strict] [--ac [AC options]]\n"
               "                    VCC BETA R1 R2 RC RE\n"
               "       tindrel calc --csv [--shown] [--strict] [--ac [AC options]] < stages.csv\n";
    }

    std::string make_option(const CLI::Option* option, bool positional) const override {
        return Wrapped("  " + make_option_name(option, positional) + make_option_opts(option),
                       make_option_desc(option), get_column_width());
    }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode) const override {
        std::string out = make_usage(app, name) + '\n' + Wrapped("", app->get_description(), 0);
        std::vector<std::string> groups;
        for (const CLI::Option* option : app->get_options()) {
            if (std::find(groups.begin(), groups.end(), option->get_group()) == groups.end())
                groups.push_back(option->get_group());
        }
        for (const std::string& group : groups) {
            out += '\n' + group + ":\n";
            for (const CLI::Option* option : app->get_options()) {
                if (option->get_group() == group) out += make_option(option, false);
            }
        }
        return out + '\n' + app->get_footer();
    }
};

void DescribeCalc(CLI::App& app, CalcOptions& o) {
    app.formatter(std::make_shared<CalcFormatter>());
    app.get_formatter()->column_width(26);
    app.description(
        "Works out the DC operating point of one stage, or of every row of a CSV table, "
        "without opening a window. VCC BETA R1 R2 RC RE are read as the window's boxes "
        "read them: 22k reads as 22, with a warning on stderr. With --ac, the stage's "
        "figures as an amplifier follow; the AC options take a number with an SI "
        "multiplier and an optional unit (4.7k, 10u, 10uF, 300MHz).");
    app.set_help_flag("-h,--help", "Prints this help.")->group("Help");
    const std::string kOneStage = "One stage";
    app.add_flag("--si", o.si, "Silicon, Vbe = 0.6 V (the default).")->group(kOneStage);
    app.add_flag("--ge", o.ge, "Germanium, Vbe = 0.1 V.")->group(kOneStage);
    app.add_flag("--none", o.none, "Neither material: Vbe = 0.")->group(kOneStage);
    app.add_flag("--strict", o.strict,
                 "A value that is not read whole is an error (with --csv: stop at the first "
                 "bad row).")
        ->group(kOneStage);
    const std::string kTable = "A CSV table";
    app.add_flag("--csv", o.csv,
                 "Reads stages from standard input: a header naming the columns Vcc, Beta, R1, "
                 "R2, Rc, Re and, if wanted, Material (Si, Ge or empty) and the AC inputs Rs, "
                 "RL, Re1, Cin, Ce, Cout, hfe, VA, fT, Cmu, Amplitude, Frequency, in any order. "
                 "Each row is written back with Ic_mA, Ve, Vc, PR1, PR2, PRe, PRc, Pc, Pc0, S, "
                 "the AC results if asked for, and Fault.")
        ->group(kTable);
    app.add_flag("--shown", o.shown,
                 "Numbers as the result lines show them (12.14e-3), not the shortest text that "
                 "reads back exactly (0.012139932169064492).")
        ->group(kTable);
    const std::string kAmplifier = "The stage as an amplifier (AC options)";
    app.add_flag("--ac", o.ac,
                 "Adds re, gm, rpi, ro, |Av|, |Avs|, Zin, Zout, the corners, the swing and HD2. "
                 "Any AC option, or an AC column, switches it on too.")
        ->group(kAmplifier);
    for (std::size_t box = 0; box < core::kAmplifierBoxCount; ++box) {
        const core::AmplifierBoxRule& rule = core::RuleOf(core::BoxAt(box));
        o.amplifierGiven[box] =
            app.add_option("--" + std::string(rule.option), o.amplifier[box], AmplifierHelp(box))
                ->type_name(rule.unitSymbol.empty() ? "N" : "VALUE")
                ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
                ->group(kAmplifier);
    }
    o.pickCapsGiven =
        app.add_option("--pick-caps", o.pickCaps,
                       "Picks Cin, Ce and Cout for a low corner of FL hertz, each rounded up "
                       "to the E6 series, and uses them (every row of a table).")
            ->type_name("FL")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
            ->group(kAmplifier);
    std::string parts;
    for (std::string_view part : sim::kParts)
        parts += (parts.empty() ? "" : ", ") + std::string(part);
    o.spiceGiven = app.add_option("--spice", o.spice,
                                  "Simulates the stage with the real transistor PART (" + parts +
                                      ", one of your own or of --model-file) in ngspice and prints "
                                      "its figures after the hand's "
                                      "(with --csv, the Spice_ columns before Fault); with --ac "
                                      "the whole amplifier, its gain, corners and distortion.")
                       ->type_name("PART")
                       ->group("Simulation");
    o.modelFileGiven = app.add_option("--model-file", o.modelFile,
                                      "Reads a maker's model cards (.model NAME NPN(...) or "
                                      "PNP(...)) from FILE for this run, so that --spice can "
                                      "name them; what it refuses is told on the error output.")
                           ->type_name("FILE")
                           ->group("Simulation");
    app.add_flag("--parts", o.parts,
                 "Lists every part --spice takes: name, NPN or PNP, built in, your own or from "
                 "--model-file, and its ratings.")
        ->group("Simulation");
    app.footer(
        "Exit status: 0 on success, 1 for a fault (one stage) or a stop, 2 for a\n"
        "usage error.\n"
        "\n"
        "Examples:\n"
        "  tindrel calc 12 100 22000 4700 2200 470\n"
        "  tindrel calc --ac --rl 4.7k --pick-caps 20 12 100 22000 4700 2200 470\n");
}

CommandLine ParseCalc(int argc, const char* const argv[], int first) {
    CLI::App app("", "tindrel calc");
    CalcOptions o;
    DescribeCalc(app, o);
    // Values and unknown words stay in order among the extras: CLI11 would
    // take "-.5" for an option, and the values are checked below as before.
    app.allow_extras();
    std::vector<std::string> words;
    for (int i = argc - 1; i >= first; --i) words.emplace_back(argv[i]);
    try {
        app.parse(words);
    } catch (const CLI::CallForHelp&) {
        CommandLine help;
        help.action = Action::kCalcHelp;
        return help;
    } catch (const CLI::ArgumentMismatch& error) {
        // "--rs: 1 required VALUE missing": CLI11 names the option first.
        const std::string what = error.what();
        if (what.find("missing") == std::string::npos) return Error("calc: " + what);
        return Error("calc: option '" + what.substr(0, what.find(':')) + "' needs a value");
    } catch (const CLI::ParseError& error) {
        return Error("calc: " + std::string(error.what()));
    }

    CommandLine line;
    line.action = Action::kCalc;
    bool optionsEnded = false;
    for (const std::string& word : app.remaining()) {
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (optionsEnded || !IsOption(word)) {
            line.values.push_back(word);
        } else {
            return Error("calc: unknown option '" + word + "'");
        }
    }
    const int materials = o.si + o.ge + o.none;
    if (materials > 1) return Error("calc: choose one of --si, --ge and --none");
    if (o.ge > 0) line.material = core::Material::Germanium;
    if (o.none > 0) line.material = core::Material::None;
    line.strict = o.strict > 0;
    line.csv = o.csv > 0;
    line.shown = o.shown > 0;
    line.ac = o.ac > 0;
    for (std::size_t box = 0; box < core::kAmplifierBoxCount; ++box) {
        if (o.amplifierGiven[box]->count() == 0) continue;
        line.ac = true;
        line.amplifier[box] = o.amplifier[box];
    }
    if (o.pickCapsGiven->count() > 0) {
        line.ac = true;
        line.pickCaps = o.pickCaps;
    }
    // The part is looked for when the run reads the user's parts and the
    // model file.
    if (o.spiceGiven->count() > 0) line.spice = o.spice;
    if (o.modelFileGiven->count() > 0) line.modelFile = o.modelFile;
    if (o.parts > 0) {
        if (!line.values.empty()) {
            return Error("calc --parts takes no values; unexpected argument '" +
                         line.values.front() + "'");
        }
        line.listParts = true;
        return line;
    }
    if (line.modelFile && !line.spice) return Error("calc: --model-file is for --spice or --parts");
    if (line.csv) {
        if (materials > 0)
            return Error("calc: a CSV table gives the material in its Material column");
        if (!line.values.empty())
            return Error("calc --csv reads standard input; unexpected argument '" +
                         line.values.front() + "'");
        return line;
    }
    if (line.shown) return Error("calc: --shown is for --csv");
    if (line.values.size() != 6) {
        return Error("calc needs six values, VCC BETA R1 R2 RC RE; " +
                     std::to_string(line.values.size()) + " given");
    }
    return line;
}

// The Qt option a word names, with "--platform" read as "-platform" as Qt
// reads it; null when it names none.
const QtOption* FindQtOption(std::string_view word, bool& valueAttached) {
    if (word.substr(0, 2) == "--") word.remove_prefix(1);
    const std::size_t equals = word.find('=');
    valueAttached = equals != std::string_view::npos;
    const std::string_view name = word.substr(0, equals);
    for (const QtOption& option : kQtOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

}  // namespace

std::string CalcHelp() {
    CLI::App app("", "tindrel calc");
    CalcOptions options;
    DescribeCalc(app, options);
    return app.help();
}

CommandLine ParseCommandLine(int argc, const char* const argv[]) {
    if (argc > 1 && std::string_view(argv[1]) == "calc") return ParseCalc(argc, argv, 2);
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "-h" || word == "--help" || word == "-help" || word == "-?") {
            line.action = Action::kHelp;
        } else if (word == "--help-all" || word == "-help-all") {
            line.action = Action::kHelpAll;
        } else if (word == "-v" || word == "--version" || word == "-version") {
            line.action = Action::kVersion;
        } else if (word.size() > 1 && word[0] == '-') {
            bool valueAttached = false;
            const QtOption* option = FindQtOption(word, valueAttached);
            if (option == nullptr) return Error("unknown option '" + std::string(word) + "'");
            const bool next = option->value == Value::kNext || option->value == Value::kEither;
            const bool attached =
                option->value == Value::kAttached || option->value == Value::kEither;
            if (valueAttached && !attached) {
                return Error("option '" + std::string(option->name) + "' takes " +
                             (next ? "its value as the next word" : "no value"));
            }
            if (!valueAttached && next) {
                if (i + 1 == argc) return Error("option '" + std::string(word) + "' needs a value");
                ++i;
            } else if (!valueAttached && attached) {
                return Error("option '" + std::string(option->name) + "' needs '=' and a value");
            }
            if (option->name == "-platform") line.platformGiven = true;
        } else {
            return Error("unexpected argument '" + std::string(word) +
                         "'; the window takes no file (for a calculation, see 'tindrel calc')");
        }
    }
    return line;
}

}  // namespace app
