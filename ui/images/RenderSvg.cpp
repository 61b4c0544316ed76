// Build-time tool: renders an SVG drawing into files of the sizes asked for,
// PNG for a name ending in ".png", else the program's own rendering form
// (ui/main/Rendering.h). The program ships the renderings rather than the
// drawings, so that it starts without the SVG module, a decoder or an image
// plugin; the PNG files are for the desktop's icon theme.
//
// Usage: render_svg DRAWING.svg OUT WIDTH HEIGHT [OUT WIDTH HEIGHT]...
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cstdio>

#include "ui/main/Rendering.h"

namespace {

bool WriteRendering(const QImage& image, const QString& out) {
    const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    QByteArray bytes(ui::kRenderingHeaderBytes, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(pixels.width()), bytes.data());
    qToLittleEndian<quint32>(static_cast<quint32>(pixels.height()), bytes.data() + 4);
    for (int y = 0; y < pixels.height(); ++y) {
        bytes.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 4);
    }
    QFile file(out);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

bool Render(QSvgRenderer& drawing, const QString& out, int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawing.render(&painter);
    painter.end();
    if (out.endsWith(QLatin1String(".png"))) {
        QImageWriter writer(out, "png");
        if (writer.write(image)) return true;
        std::fprintf(stderr, "render_svg: %s: %s\n", qPrintable(out),
                     qPrintable(writer.errorString()));
        return false;
    }
    if (WriteRendering(image, out)) return true;
    std::fprintf(stderr, "render_svg: cannot write %s\n", qPrintable(out));
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Drawing text needs the fonts of a platform, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 5 || (argc - 2) % 3 != 0) {
        std::fprintf(stderr, "usage: render_svg DRAWING.svg OUT.png WIDTH HEIGHT...\n");
        return 2;
    }
    QSvgRenderer drawing(QString::fromLocal8Bit(argv[1]));
    if (!drawing.isValid()) {
        std::fprintf(stderr, "render_svg: %s is no SVG drawing\n", argv[1]);
        return 1;
    }
    for (int i = 2; i + 2 < argc; i += 3) {
        const int width = std::atoi(argv[i + 1]);
        const int height = std::atoi(argv[i + 2]);
        if (width <= 0 || height <= 0 ||
            !Render(drawing, QString::fromLocal8Bit(argv[i]), width, height)) {
            return 1;
        }
    }
    return 0;
}
