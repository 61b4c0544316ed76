// The yardstick for start-up: the least a Qt Widgets program does to show a
// window with one label in the default font and one in "Courier New". It has
// the program's client size, 541 x 429, since filling and sending a window's
// pixels costs the same whatever the window holds.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Default font"), &window));
    auto* courier = new QLabel(QStringLiteral("Courier New"), &window);
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    courier->setFont(font);
    layout->addWidget(courier);
    window.resize(541, 429);
    window.show();
    return QApplication::exec();
}
