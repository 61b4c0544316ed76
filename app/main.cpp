#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#include "app/CommandLine.h"
#include "platform/ExecutableDir.h"
#include "storage/LastRunPlace.h"
#include "ui/main/MainWindow.h"

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
    parser.setApplicationDescription(
        QStringLiteral("Works out the DC operating point of a voltage-divider biased transistor "
                       "stage.\n") +
        QString::fromLatin1(app::kCommandsHelp));
    parser.addHelpOption();
    parser.addVersionOption();
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

int PrintHelp(int argc, char* argv[]) {
    QCommandLineParser parser;
    DescribeOptions(parser);
    // The usage line names the command as it was typed, which Qt takes from
    // the application object; one without a display will do.
    const QCoreApplication named(argc, argv);
    Print(stdout, parser.helpText());
    return 0;
}

// --help-all lists Qt's own options too, which only an application object
// of the widget library knows; listing them needs no display, so without a
// platform named the one that draws nowhere is used.
int PrintHelpAll(int argc, char* argv[], bool platformGiven) {
    if (!platformGiven && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "minimal");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    DescribeOptions(parser);
    parser.process(app);  // answers --help-all and ends the program
    return 0;
}

// Whether a window can be had at all: a platform plugin named (-platform or
// QT_QPA_PLATFORM), or an X or Wayland display. Without any, Qt would abort
// with a core dump after pages of plugin text.
bool DisplayNamed(const app::CommandLine& command) {
    return command.platformGiven || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// A display named but not there (a stale DISPLAY) is known only once Qt has
// tried it, and Qt then ends the program with abort(). Its fatal message is
// replaced by one line and a plain exit; its warnings, which name the display
// and the plugin, pass through.
QtMessageHandler qtHandler = nullptr;
void EndWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        qtHandler(type, context, text);
        return;
    }
    std::fputs("tindrel: no window can be shown here; tindrel calc works without one\n", stderr);
    std::fflush(stderr);
    // Half-built Qt objects must not be torn down on the way out.
    std::_Exit(1);
}

}  // namespace

int main(int argc, char* argv[]) {
    // The command line is read before anything touches a display, so that
    // a mistyped option or tindrel calc work where there is none.
    using Action = app::CommandLine::Action;
    const app::CommandLine command = app::ParseCommandLine(argc, argv);
    switch (command.action) {
        case Action::kCalc:
            return app::RunCalc(command);
        case Action::kCalcHelp:
            std::fputs(app::CalcHelp().c_str(), stdout);
            return 0;
        case Action::kUsageError:
            std::fprintf(stderr, "tindrel: %s\n%s", command.error.c_str(), app::kUsage);
            return 2;
        case Action::kVersion:
            std::printf("Tindrel %s\n", TINDREL_VERSION);
            return 0;
        case Action::kHelp:
            QCoreApplication::setApplicationName(QStringLiteral("Tindrel"));
            return PrintHelp(argc, argv);
        case Action::kHelpAll:
            QCoreApplication::setApplicationName(QStringLiteral("Tindrel"));
            QCoreApplication::setApplicationVersion(QStringLiteral(TINDREL_VERSION));
            return PrintHelpAll(argc, argv, command.platformGiven);
        case Action::kWindow:
            break;
    }

    if (!DisplayNamed(command)) {
        std::fputs("tindrel: no display; tindrel calc works without one\n", stderr);
        return 1;
    }
    QCoreApplication::setApplicationName(QStringLiteral("Tindrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TINDREL_VERSION));
    qtHandler = qInstallMessageHandler(EndWithoutDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    // Ties the window to the installed desktop entry (its Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tindrel.Tindrel"));

    ui::MainWindow form;
    form.Load(ProgramDir());
    return QApplication::exec();
}
