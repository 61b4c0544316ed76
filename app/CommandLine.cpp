#include "app/CommandLine.h"

#include <array>
#include <string_view>

namespace app {

const char kUsage[] =
    "Usage: tindrel [-h | --help | --help-all | -v | --version] [Qt options]\n"
    "       tindrel calc [--si | --ge | --none] [--strict] VCC BETA R1 R2 RC RE\n"
    "       tindrel calc --csv [--shown] [--strict] < stages.csv\n";

const char kCommandsHelp[] =
    "\n"
    "Commands:\n"
    "  calc [--si|--ge|--none] [--strict] VCC BETA R1 R2 RC RE\n"
    "                 Prints the six result lines of one stage, as Calculate\n"
    "                 shows them, without opening a window.\n"
    "  calc --csv [--shown] [--strict]\n"
    "                 Reads stages as CSV from standard input and writes each\n"
    "                 with its results as CSV to standard output.\n"
    "\n"
    "Run 'tindrel calc --help' for the details.";

const char kCalcHelp[] =
    "Usage: tindrel calc [--si | --ge | --none] [--strict] VCC BETA R1 R2 RC RE\n"
    "       tindrel calc --csv [--shown] [--strict] < stages.csv\n"
    "\n"
    "Works out the DC operating point of one stage, or of every row of a CSV\n"
    "table, without opening a window. Each value is read as the window's boxes\n"
    "read it: 22k reads as 22, with a warning on stderr.\n"
    "\n"
    "One stage:\n"
    "  Prints the six result lines to stdout, or line 1 alone where the\n"
    "  calculation stops at a power. Messages go to stderr.\n"
    "  --si           Silicon, Vbe = 0.6 V (the default).\n"
    "  --ge           Germanium, Vbe = 0.1 V.\n"
    "  --none         Neither material: Vbe = 0.\n"
    "  --strict       A value that is not read whole is an error.\n"
    "\n"
    "A CSV table (--csv):\n"
    "  The header names the columns Vcc, Beta, R1, R2, Rc, Re and, if wanted,\n"
    "  Material (Si, Ge or empty; Si without the column), in any order. Each\n"
    "  row is written back with Ic_mA, Ve, Vc, PR1, PR2, PRe, PRc, Pc, Pc0, S\n"
    "  and Fault after it.\n"
    "  --shown        Numbers as the result lines show them (12.14e-3), not\n"
    "                 the shortest text that reads back exactly\n"
    "                 (0.012139932169064492).\n"
    "  --strict       Stop at the first bad row: a column missing from the\n"
    "                 header, a row with the wrong number of fields, or a\n"
    "                 value not read whole. Without it, the row's Fault cell\n"
    "                 says why and the run goes on.\n"
    "\n"
    "Exit status: 0 on success, 1 for a fault (one stage) or a stop, 2 for a\n"
    "usage error.\n"
    "\n"
    "Example:\n"
    "  tindrel calc 12 100 22000 4700 2200 470\n";

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

CommandLine ParseCalc(int argc, const char* const argv[], int first) {
    CommandLine line;
    line.action = Action::kCalc;
    int materials = 0;
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (optionsEnded || !IsOption(word)) {
            line.values.emplace_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "-h" || word == "--help") {
            line.action = Action::kCalcHelp;
            return line;
        } else if (word == "--si" || word == "--ge" || word == "--none") {
            ++materials;
            line.material = word == "--si"   ? core::Material::Silicon
                            : word == "--ge" ? core::Material::Germanium
                                             : core::Material::None;
        } else if (word == "--strict") {
            line.strict = true;
        } else if (word == "--csv") {
            line.csv = true;
        } else if (word == "--shown") {
            line.shown = true;
        } else {
            return Error("calc: unknown option '" + std::string(word) + "'");
        }
    }
    if (materials > 1) return Error("calc: choose one of --si, --ge and --none");
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
