#include <QApplication>
#include <QMessageBox>
#include <system_error>

#include "platform/ExecutableDir.h"
#include "ui/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tindrel"));
    QApplication::setWindowIcon(ui::TransistorIcon());

    std::string appDir;
    try {
        appDir = platform::ExecutableDir();
    } catch (const std::system_error& error) {
        // Without its directory the program still runs; it cannot find or
        // keep its last run.
        QMessageBox::warning(nullptr, QStringLiteral("Tindrel"),
                             QStringLiteral("The program's folder could not be found (%1); the "
                                            "last run will be looked for in the current folder.")
                                 .arg(QString::fromLocal8Bit(error.what())));
        appDir = ".";
    }

    ui::Form1 form;
    form.Load(appDir);
    return QApplication::exec();
}
