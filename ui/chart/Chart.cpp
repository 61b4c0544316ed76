#include "ui/chart/Chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

namespace ui::chart {
namespace {

constexpr double kCornerMark = 3.5;
constexpr double kTickLength = 4;
// Room for a tick label, in digits, when choosing how many ticks fit.
constexpr char kTickRoom[] = "000.0";

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString Title(const AxisSpec& axis, const std::string& unit) {
    return QStringLiteral("%1 (%2)").arg(axis.name, Q(unit));
}

// The legend flows after the y axis's title in the top rows, wrapping to
// further rows where the width runs out; returns the rows it takes.
int LayOutLegend(std::vector<LegendEntry>& legend, const QFontMetrics& metrics, const QRect& bounds,
                 double firstRowStart) {
    const double rowHeight = metrics.height();
    const double gap = 2 * kPad;
    double x = firstRowStart + gap;
    int row = 0;
    for (LegendEntry& entry : legend) {
        const double width = rowHeight + kPad / 2.0 + metrics.horizontalAdvance(entry.text);
        if (x + width > bounds.right() - kPad && x > bounds.left() + kPad) {
            ++row;
            x = bounds.left() + kPad;
        }
        entry.box = QRectF(x, bounds.top() + kPad + row * rowHeight, width, rowHeight);
        x += width + gap;
    }
    return row + 1;
}

// A coordinate on the centre of its pixel, for sharp one-pixel lines.
double Sharp(double coordinate) { return std::floor(coordinate) + 0.5; }

void DrawCornerMark(QPainter& painter, const QPointF& at, const QColor& colour) {
    painter.setPen(QPen(colour, 1.5));
    painter.drawLine(at + QPointF(-kCornerMark, -kCornerMark),
                     at + QPointF(kCornerMark, kCornerMark));
    painter.drawLine(at + QPointF(-kCornerMark, kCornerMark),
                     at + QPointF(kCornerMark, -kCornerMark));
}

}  // namespace

Inks::Inks(const QPalette& palette)
    : ground(palette.color(QPalette::Base)),
      text(palette.color(QPalette::Text)),
      line(palette.color(QPalette::Highlight)) {
    const bool dark = ground.lightness() < 128;
    warning = dark ? QColor(255, 138, 101) : QColor(198, 40, 40);
    cloud = dark ? QColor(128, 222, 234) : QColor(0, 121, 107);
    second = dark ? QColor(206, 147, 216) : QColor(142, 36, 170);
    grid = text;
    grid.setAlpha(40);
}

bool TextPlaces::Take(const QRectF& box) {
    for (const QRectF& taken : taken_) {
        if (taken.intersects(box)) return false;
    }
    taken_.push_back(box);
    return true;
}

void DrawMark(QPainter& painter, Mark mark, const QPointF& at, const Inks& inks,
              const QColor& colour) {
    const QColor ink = colour.isValid() ? colour : inks.line;
    switch (mark) {
        case Mark::Dot:
            painter.setPen(Qt::NoPen);
            painter.setBrush(inks.text);
            painter.drawEllipse(at, kDotRadius - 1, kDotRadius - 1);
            painter.setBrush(Qt::NoBrush);
            break;
        case Mark::Cross:
            DrawCornerMark(painter, at, inks.text);
            break;
        case Mark::WarningCross:
            DrawCornerMark(painter, at, inks.warning);
            break;
        case Mark::Cloud:
            painter.fillRect(QRectF(at - QPointF(3, 3), QSizeF(6, 6)), inks.Faint(inks.cloud, 160));
            break;
        case Mark::Line:
        case Mark::DashedLine:
            painter.setPen(
                QPen(ink, 2, mark == Mark::Line ? Qt::SolidLine : Qt::DashLine, Qt::FlatCap));
            painter.drawLine(at - QPointF(kDotRadius + 2, 0), at + QPointF(kDotRadius + 2, 0));
            break;
        case Mark::Ring:
            painter.setPen(QPen(ink, 2));
            painter.setBrush(inks.ground);
            painter.drawEllipse(at, kDotRadius - 1, kDotRadius - 1);
            painter.setBrush(Qt::NoBrush);
            break;
    }
}

void DrawCurve(QPainter& painter, const Plot& plot, const std::vector<QPointF>& fractions,
               const QColor& colour, double width, Qt::PenStyle style) {
    if (fractions.size() < 2) return;
    QPainterPath path(plot.At(fractions[0].x(), fractions[0].y()));
    for (std::size_t i = 1; i < fractions.size(); ++i)
        path.lineTo(plot.At(fractions[i].x(), fractions[i].y()));
    painter.strokePath(path, QPen(colour, width, style, Qt::SquareCap));
}

void DrawVerticalMarker(QPainter& painter, const Plot& plot, double fraction, const QString& label,
                        const QColor& colour, bool labelLeft) {
    const QRectF& area = plot.area();
    const double x = Sharp(plot.At(fraction, 0).x());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 1, Qt::DashLine));
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    painter.restore();
    if (label.isEmpty()) return;
    // Turned over to the other side where the one asked for leaves the range.
    const QFontMetrics metrics = painter.fontMetrics();
    QRectF box(x + kPad / 2.0, area.top() + kPad / 2.0, metrics.horizontalAdvance(label),
               metrics.height());
    if (labelLeft) box.moveRight(x - kPad / 2.0);
    if (box.right() > area.right()) box.moveRight(x - kPad / 2.0);
    if (box.left() < area.left()) box.moveLeft(x + kPad / 2.0);
    KeepWithin(box, area);
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, label);
}

void DrawArrow(QPainter& painter, const QPointF& tip, double dx, double dy) {
    const double length = std::hypot(dx, dy);
    const QPointF along(dx / length, dy / length);
    const QPointF across(-along.y(), along.x());
    const QPointF base = tip - along * kArrowLength;
    painter.drawLine(base, tip - along * 4.0);
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - along * 8.0 + across * 4.5);
    head.lineTo(tip - along * 8.0 - across * 4.5);
    head.closeSubpath();
    painter.fillPath(head, painter.pen().color());
}

void KeepWithin(QRectF& box, const QRectF& bounds) {
    // (Not std::clamp: a box wider than the bounds would invert its limits.)
    box.moveLeft(std::max(bounds.left(), std::min(box.left(), bounds.right() - box.width())));
    box.moveTop(std::max(bounds.top(), std::min(box.top(), bounds.bottom() - box.height())));
}

void CloudRaster::Paint(const QRectF& area, double ratio, const std::vector<QPointF>& fractions,
                        const QColor& colour) {
    const int dot = std::max(1, static_cast<int>(std::lround(2 * ratio)));
    // At least a dot each way, so that a dot always fits however small the
    // range is drawn.
    const int width = std::max(static_cast<int>(std::ceil(area.width() * ratio)) + 1, dot);
    const int height = std::max(static_cast<int>(std::ceil(area.height() * ratio)) + 1, dot);
    if (image_.size() != QSize(width, height)) {
        image_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    }
    image_.setDevicePixelRatio(ratio);
    hits_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (const QPointF& p : fractions) {
        if (!(p.x() >= 0 && p.x() <= 1 && p.y() >= 0 && p.y() <= 1)) continue;
        const int x0 = std::clamp(static_cast<int>(p.x() * (width - 1)) - dot / 2, 0, width - dot);
        const int y0 =
            std::clamp(static_cast<int>((1 - p.y()) * (height - 1)) - dot / 2, 0, height - dot);
        for (int y = y0; y < y0 + dot; ++y) {
            std::uint16_t* row = hits_.data() + static_cast<std::size_t>(y) * width;
            for (int x = x0; x < x0 + dot; ++x) row[x] += row[x] < UINT16_MAX;
        }
    }
    // 1 - (1 - a)^n for n dots of opacity a, by n; enough of them are opaque.
    constexpr int kLevels = 64;
    constexpr double kDotAlpha = 50 / 255.0;
    std::array<QRgb, kLevels + 1> shade{};
    for (int n = 0; n <= kLevels; ++n) {
        QColor c = colour;
        c.setAlphaF(static_cast<float>(1 - std::pow(1 - kDotAlpha, n)));
        shade[static_cast<std::size_t>(n)] = qPremultiply(c.rgba());
    }
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image_.scanLine(y));
        const std::uint16_t* row = hits_.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) out[x] = shade[std::min<int>(row[x], kLevels)];
    }
}

// Everything around the drawn range, measured before drawing.
struct ChartWidget::Frame {
    QRectF area;
    QString yTitle;
    QRectF yTitleBox;
    std::vector<LegendEntry> legend;
    core::Axis xAxis;
    core::Axis yAxis;
};

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {}

ChartWidget::Frame ChartWidget::MeasureFrame(const QFontMetrics& metrics) const {
    Frame frame;
    const QRect bounds = rect();
    const int rowHeight = metrics.height();
    if (hasContent_) {
        const int tall = std::max(bounds.height() - 4 * rowHeight, rowHeight);
        frame.yAxis = MakeScaleAxis(yAxis_.scale, yAxis_.unit.toStdString(),
                                    std::max(1, tall / (3 * rowHeight)));
        frame.legend = legend_;
    } else {
        frame.yAxis.unit = yAxis_.unit.toStdString();
    }
    frame.yTitle = Title(yAxis_, frame.yAxis.unit);
    frame.yTitleBox = QRectF(bounds.left() + kPad, bounds.top() + kPad,
                             metrics.horizontalAdvance(frame.yTitle), rowHeight);
    const int rows = LayOutLegend(frame.legend, metrics, bounds, frame.yTitleBox.right());

    int labelWidth = metrics.horizontalAdvance(QStringLiteral("0"));
    for (const core::AxisTick& tick : frame.yAxis.ticks) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(Q(tick.label)));
    }
    const int left = labelWidth + 2 * kPad;
    // Room for the x axis's title with its prefix ("Vce (mV)"), which does
    // not depend on how many ticks fit.
    const std::string xUnit = hasContent_
                                  ? MakeScaleAxis(xAxis_.scale, xAxis_.unit.toStdString(), 1).unit
                                  : xAxis_.unit.toStdString();
    const int right = metrics.horizontalAdvance(Title(xAxis_, xUnit)) + 2 * kPad;
    // Half a row more, for the top tick's label that stands out above the range.
    const int top = rows * rowHeight + kPad + rowHeight / 2 + kPad;
    const int bottom = rowHeight + 2 * kPad;
    // Its edges sit on pixel centres, so that one-pixel lines stay sharp at
    // every whole device pixel ratio.
    frame.area = QRectF(bounds.left() + left + 0.5, bounds.top() + top + 0.5,
                        std::max(bounds.width() - left - right, 1),
                        std::max(bounds.height() - top - bottom, 1));
    if (hasContent_) {
        const int room = metrics.horizontalAdvance(QLatin1String(kTickRoom)) + 2 * kPad;
        const int most = std::max(1, static_cast<int>(frame.area.width()) / room);
        frame.xAxis = MakeScaleAxis(xAxis_.scale, xAxis_.unit.toStdString(), most);
    } else {
        frame.xAxis.unit = xAxis_.unit.toStdString();
    }
    return frame;
}

namespace {

void DrawGrid(QPainter& painter, const Plot& plot, const core::Axis& xAxis, const core::Axis& yAxis,
              const Inks& inks) {
    const QRectF& area = plot.area();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(inks.grid, 1));
    for (const core::AxisTick& tick : xAxis.ticks) {
        if (tick.fraction <= 0) continue;
        const double x = Sharp(plot.At(tick.fraction, 0).x());
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    for (const core::AxisTick& tick : yAxis.ticks) {
        if (tick.fraction <= 0) continue;
        const double y = Sharp(plot.At(0, tick.fraction).y());
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.restore();
}

void DrawAxes(QPainter& painter, const Plot& plot, const core::Axis& xAxis, const QString& xTitle,
              const core::Axis& yAxis, const QString& yTitle, const QRectF& yTitleBox,
              const Inks& inks, TextPlaces& places) {
    const QRectF& area = plot.area();
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(QPen(inks.text, 1));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());

    // Above the axis's end, where the last tick's label below it (a decade
    // that ends the range) keeps its room.
    const QRectF xTitleBox(area.right() + kPad, area.bottom() - metrics.height(),
                           metrics.horizontalAdvance(xTitle), metrics.height());
    for (const auto& [box, text] : {std::pair{yTitleBox, yTitle}, {xTitleBox, xTitle}}) {
        places.Take(box);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    for (const core::AxisTick& tick : xAxis.ticks) {
        const QPointF at = plot.At(tick.fraction, 0);
        painter.drawLine(at, at + QPointF(0, kTickLength));
        const QString label = Q(tick.label);
        if (label.isEmpty()) continue;
        const double width = metrics.horizontalAdvance(label);
        const QRectF box(at.x() - width / 2, at.y() + kPad, width, metrics.height());
        if (places.Take(box)) painter.drawText(box, Qt::AlignCenter, label);
    }
    for (const core::AxisTick& tick : yAxis.ticks) {
        const QPointF at = plot.At(0, tick.fraction);
        painter.drawLine(at, at - QPointF(kTickLength, 0));
        const QString label = Q(tick.label);
        if (label.isEmpty()) continue;
        const double width = metrics.horizontalAdvance(label);
        QRectF box(at.x() - kPad - width, at.y() - metrics.height() / 2.0, width, metrics.height());
        // The lowest label lifted clear of the x axis's first one.
        box.moveBottom(std::min(box.bottom(), area.bottom() + kPad - 1));
        if (places.Take(box)) painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label);
    }
}

void DrawLegend(QPainter& painter, const std::vector<LegendEntry>& legend, const Inks& inks,
                TextPlaces& places) {
    for (const LegendEntry& entry : legend) {
        if (!places.Take(entry.box)) continue;
        const double h = entry.box.height();
        DrawMark(painter, entry.mark, entry.box.topLeft() + QPointF(h / 2, h / 2), inks,
                 entry.colour);
        painter.setPen(inks.text);
        painter.drawText(entry.box.adjusted(h + kPad / 2.0, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.text);
    }
}

}  // namespace

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Inks inks(palette());
    painter.fillRect(rect(), inks.ground);
    const Frame frame = MeasureFrame(fontMetrics());
    const Plot plot(frame.area);
    TextPlaces places;

    if (hasContent_) {
        DrawUnderGrid(painter, plot, inks);
        DrawGrid(painter, plot, frame.xAxis, frame.yAxis, inks);
    }
    DrawAxes(painter, plot, frame.xAxis, Title(xAxis_, frame.xAxis.unit), frame.yAxis, frame.yTitle,
             frame.yTitleBox, inks, places);
    if (!hasContent_) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(plot.area(), Qt::AlignCenter, placeholder_);
        return;
    }
    DrawContent(painter, plot, inks);
    DrawLegend(painter, frame.legend, inks, places);
}

}  // namespace ui::chart
