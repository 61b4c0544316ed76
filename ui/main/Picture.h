#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <vector>

namespace ui {

// A picture stretched to fill the whole widget. It holds renderings of one
// drawing at several pixel densities and draws the one that suits the screen,
// loaded when first drawn, so that the picture stays sharp at 2x and beyond.
class Picture : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Resource paths of renderings (ui/main/Rendering.h) at device pixel ratios
    // 1, 2, 3..., each made for the widget's size.
    void SetRenderings(std::vector<QString> paths);
    // The rendering drawn at the given device pixel ratio.
    QImage RenderingFor(qreal devicePixelRatio) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QString> paths_;
    mutable std::vector<QImage> loaded_;
};

}  // namespace ui
