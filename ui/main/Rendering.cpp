#include "ui/main/Rendering.h"

#include <QByteArray>
#include <QResource>
#include <QtEndian>
#include <memory>

namespace ui {
namespace {

// Renderings are a few hundred pixels on a side; anything far larger is not one.
constexpr quint32 kMaxSide = 1u << 14;

// The resource's bytes: where they lie in the program's file when stored
// uncompressed, else unpacked.
QByteArray Bytes(const QResource& resource) {
    if (resource.compressionAlgorithm() != QResource::NoCompression) {
        return resource.uncompressedData();
    }
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                   static_cast<qsizetype>(resource.size()));
}

}  // namespace

QImage LoadRendering(const QString& path) {
    const QResource resource(path);
    if (!resource.isValid()) return {};
    auto bytes = std::make_unique<QByteArray>(Bytes(resource));
    if (bytes->size() < kRenderingHeaderBytes) return {};
    const auto* data = reinterpret_cast<const uchar*>(bytes->constData());
    const quint32 width = qFromLittleEndian<quint32>(data);
    const quint32 height = qFromLittleEndian<quint32>(data + 4);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        bytes->size() != kRenderingHeaderBytes + qsizetype{4} * width * height) {
        return {};
    }
    // The image owns the bytes from here on, and copies them should it ever
    // be changed.
    const auto release = [](void* info) { delete static_cast<QByteArray*>(info); };
    return QImage(data + kRenderingHeaderBytes, static_cast<int>(width), static_cast<int>(height),
                  qsizetype{4} * width, QImage::Format_RGBA8888_Premultiplied, release,
                  bytes.release());
}

}  // namespace ui
