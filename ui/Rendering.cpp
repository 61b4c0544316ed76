#include "ui/Rendering.h"

#include <QByteArray>
#include <QResource>
#include <QtEndian>

namespace ui {
namespace {

// Renderings are a few hundred pixels on a side; anything far larger is not one.
constexpr quint32 kMaxSide = 1u << 14;

}  // namespace

QImage LoadRendering(const QString& path) {
    const QResource resource(path);
    if (!resource.isValid()) return {};
    auto* bytes =
        new QByteArray(resource.compressionAlgorithm() == QResource::NoCompression
                           ? QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                                     static_cast<qsizetype>(resource.size()))
                           : resource.uncompressedData());
    const auto release = [](void* info) { delete static_cast<QByteArray*>(info); };
    const auto* data = reinterpret_cast<const uchar*>(bytes->constData());
    const quint32 width =
        bytes->size() >= kRenderingHeaderBytes ? qFromLittleEndian<quint32>(data) : 0;
    const quint32 height =
        bytes->size() >= kRenderingHeaderBytes ? qFromLittleEndian<quint32>(data + 4) : 0;
    const bool wellFormed = width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
                            bytes->size() == kRenderingHeaderBytes + qsizetype{4} * width * height;
    if (!wellFormed) {
        release(bytes);
        return {};
    }
    // The image keeps the bytes alive, and copies them should it ever be changed.
    return QImage(data + kRenderingHeaderBytes, static_cast<int>(width), static_cast<int>(height),
                  static_cast<qsizetype>(width) * 4, QImage::Format_RGBA8888_Premultiplied, release,
                  bytes);
}

}  // namespace ui
