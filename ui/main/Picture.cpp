#include "ui/main/Picture.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/main/Rendering.h"

namespace ui {

void Picture::SetRenderings(std::vector<QString> paths) {
    paths_ = std::move(paths);
    loaded_.assign(paths_.size(), QImage());
    update();
}

QImage Picture::RenderingFor(qreal devicePixelRatio) const {
    if (paths_.empty()) return {};
    // The smallest rendering at least as dense as the screen, or the densest.
    const auto wanted = static_cast<std::size_t>(std::max(1.0, std::ceil(devicePixelRatio - 0.01)));
    const std::size_t i = std::min(wanted, paths_.size()) - 1;
    if (loaded_[i].isNull()) loaded_[i] = LoadRendering(paths_[i]);
    return loaded_[i];
}

void Picture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), RenderingFor(devicePixelRatioF()));
}

}  // namespace ui
