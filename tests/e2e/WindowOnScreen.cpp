// Finds the program's window in a screenshot: the circuit picture, drawn
// pixel for pixel as the window draws it, gives the window's place; then the
// captions, buttons, frames and the picture there must match the window as
// drawn off screen. The input boxes and the list are left out, since the
// focus and the window's activation change how they look.
//
// Usage: window_on_screen SCREENSHOT.png
// Exit status: 0 found, 1 not found (with the reason), 2 bad use.
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <cstdio>
#include <optional>

#include "ui/main/MainWindow.h"

namespace {

QImage Opaque(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

bool SameAt(const QImage& screen, QPoint at, const QImage& part) {
    if (!screen.rect().contains(QRect(at, part.size()))) return false;
    for (int y = 0; y < part.height(); ++y) {
        const auto* want = reinterpret_cast<const QRgb*>(part.constScanLine(y));
        const auto* seen = reinterpret_cast<const QRgb*>(screen.constScanLine(at.y() + y)) + at.x();
        for (int x = 0; x < part.width(); ++x) {
            if (want[x] != seen[x]) return false;
        }
    }
    return true;
}

std::optional<QPoint> Find(const QImage& screen, const QImage& part) {
    for (int y = 0; y + part.height() <= screen.height(); ++y) {
        for (int x = 0; x + part.width() <= screen.width(); ++x) {
            if (SameAt(screen, {x, y}, part)) return QPoint(x, y);
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_on_screen SCREENSHOT.png\n");
        return 2;
    }
    const QImage screen = Opaque(QImage(QString::fromLocal8Bit(argv[1])));
    if (screen.isNull()) {
        std::printf("no picture in %s\n", argv[1]);
        return 1;
    }

    ui::MainWindow form;
    form.OptSi->setChecked(true);
    form.show();
    const QImage window = Opaque(form.grab().toImage());
    const auto part = [&](const QWidget* control) {
        return window.copy(QRect(control->mapTo(&form, QPoint(0, 0)), control->size()));
    };

    const std::optional<QPoint> picture = Find(screen, part(form.Image1));
    if (!picture) {
        std::printf("the circuit picture is nowhere on the screen\n");
        return 1;
    }
    const QPoint origin = *picture - form.Image1->mapTo(&form, QPoint(0, 0));
    int missing = 0;
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             form.Text1, form.Text2, form.Text3, form.Text4, form.Text5, form.Text6, form.Text7,
             form.Frame1, form.Frame3}) {
        if (!SameAt(screen, origin + control->mapTo(&form, QPoint(0, 0)), part(control))) {
            std::printf("%s does not look as it should\n", qPrintable(control->objectName()));
            ++missing;
        }
    }
    if (missing == 0) {
        std::printf("window at %d,%d with its captions, buttons, options and picture\n", origin.x(),
                    origin.y());
    }
    return missing == 0 ? 0 : 1;
}
