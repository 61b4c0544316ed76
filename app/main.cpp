#include <QApplication>
#include <QMessageBox>
#include <string>
#include <system_error>

#include "platform/ExecutableDir.h"
#include "ui/MainWindow.h"

namespace {

// The folder that holds the program. Without it the program still runs; it
// then looks for its last run in the current folder.
std::string ProgramDir() {
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

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tindrel"));
    // Ties the window to the installed desktop entry (its Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tindrel.Tindrel"));
    QApplication::setFont(ui::UserInterfaceFont());

    ui::MainWindow form;
    form.Load(ProgramDir());
    return QApplication::exec();
}
