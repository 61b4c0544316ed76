#pragma once

#include <QImage>
#include <QString>

namespace ui {

// The program's drawings are rendered at build time (images/RenderSvg.cpp)
// into this form: an 8-byte header holding the width and the height as
// 32-bit little-endian numbers, then the pixels, premultiplied RGBA, row by
// row. Decoding a PNG at start-up cost more than anything else the window
// does before it shows, and asking QImageReader for one loads every image
// plugin; these pixels are shown as they are.
inline constexpr int kRenderingHeaderBytes = 8;

// The rendering in the resource at `path`, or a null image when there is none
// or it is malformed. An uncompressed resource is shown straight from the
// program's file, without a copy.
QImage LoadRendering(const QString& path);

}  // namespace ui
