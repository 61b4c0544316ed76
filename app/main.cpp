#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QStringList>
#include <cstdio>
#include <string>
#include <system_error>

#include "platform/ExecutableDir.h"
#include "storage/LastRunPlace.h"
#include "ui/MainWindow.h"

namespace {

// The folder that holds the program. Without it the program still runs; it
// then looks for its last run in the current folder. A packaged program keeps
// its last run per user only, so its folder does not matter.
std::string ProgramDir() {
    if (storage::LastRunPlace::BuiltRule() == storage::LastRunPlace::Rule::kPackaged) return {};
    try {
        return platform::ExecutableDir();
    } catch (const std::system_error& error) {
        QMessageBox::warning(nullptr, QStringLiteral("Tindrel"),
                             QStringLiteral("The program's folder could not be found (%1); the "
                                            "last run will be looked for in the current folder.")
                                 .arg(QString::fromLocal8Bit(error.what())));
        return std::string(1, '.');
    }
}

// Qt's own options are single-dash words (-platform, -reverse), so ours are
// read the same way: "-reverse" must not read as -r -e -v ...
void DescribeOptions(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Works out the DC operating point of a voltage-divider biased transistor stage."));
    parser.addHelpOption();
    parser.addVersionOption();
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// --help and --version, answered before the application connects to a
// display, so that they work on a console. Returns false when the program
// is to go on. Everything else waits until QApplication has taken away
// the options that belong to Qt.
bool AnsweredWithoutDisplay(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    DescribeOptions(parser);
    parser.parse(arguments);  // errors are told after Qt's options are gone
    if (parser.isSet(QStringLiteral("help"))) {
        // The usage line names the command as it was typed, which Qt takes
        // from the application object; one without a display will do.
        const QCoreApplication named(argc, argv);
        Print(stdout, parser.helpText());
        return true;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        Print(stdout, QStringLiteral("Tindrel %1\n").arg(QStringLiteral(TINDREL_VERSION)));
        return true;
    }
    return false;
}

// What is left once Qt has taken its options: an unknown option ends the
// program with Qt's message on stderr (and --help-all is answered there,
// with Qt's options listed); the program takes no file or other argument.
bool CommandLineAccepted(const QApplication& app) {
    QCommandLineParser parser;
    DescribeOptions(parser);
    parser.process(app);
    const QStringList extra = parser.positionalArguments();
    if (extra.isEmpty()) return true;
    Print(stderr, QStringLiteral("%1: Unexpected argument '%2'. The program takes no file or "
                                 "other argument.\n")
                      .arg(QCoreApplication::applicationName(), extra.first()));
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Tindrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TINDREL_VERSION));
    if (AnsweredWithoutDisplay(argc, argv)) return 0;

    QApplication app(argc, argv);
    if (!CommandLineAccepted(app)) return 1;
    // Ties the window to the installed desktop entry (its Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tindrel.Tindrel"));
    QApplication::setFont(ui::UserInterfaceFont());

    ui::MainWindow form;
    form.Load(ProgramDir());
    return QApplication::exec();
}
