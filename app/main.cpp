#include <QApplication>

#include "ui/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tindrel"));
    QApplication::setWindowIcon(ui::TransistorIcon());

    ui::Form1 form;
    form.show();
    return QApplication::exec();
}
