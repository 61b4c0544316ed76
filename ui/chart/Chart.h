#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "core/LoadLine.h"
#include "ui/chart/ChartAxis.h"

class QFontMetrics;
class QPainter;

namespace ui::chart {

inline constexpr int kPad = 6;
inline constexpr double kDotRadius = 4.5;
inline constexpr double kArrowLength = 16;

// Maps fractions of the drawn range to the widget's logical pixels.
class Plot {
public:
    explicit Plot(const QRectF& area) : area_(area) {}
    QPointF At(double x, double y) const {
        return {area_.left() + x * area_.width(), area_.bottom() - y * area_.height()};
    }
    QPointF At(const core::PlotPlace& place) const { return At(place.x, place.y); }
    const QRectF& area() const { return area_; }

private:
    QRectF area_;
};

// The colours of a chart, from the palette; the two fixed hues are chosen
// for a light or a dark ground.
struct Inks {
    explicit Inks(const QPalette& palette);
    QColor Faint(QColor colour, int alpha) const {
        colour.setAlpha(alpha);
        return colour;
    }

    // `second`: a second curve beside the one in `line`.
    QColor ground, text, line, warning, cloud, grid, second;
};

// Text placed on the chart so far, so that no label is drawn over another:
// a label that would touch one already placed is left out.
class TextPlaces {
public:
    bool Take(const QRectF& box);

private:
    std::vector<QRectF> taken_;
};

// The marks a chart draws at a point, and in its legend; a line, solid or
// dashed, stands for a curve, a ring for a limit marked on one. Lines and
// rings take `colour`, or the chart's line colour where it is not valid.
enum class Mark { Dot, Cross, WarningCross, Cloud, Line, DashedLine, Ring };
void DrawMark(QPainter& painter, Mark mark, const QPointF& at, const Inks& inks,
              const QColor& colour = QColor());

struct LegendEntry {
    Mark mark;
    QString text;
    QRectF box;       // mark and text, once laid out
    QColor colour{};  // of a line or ring; the chart's line colour where not valid
};

// One axis of a chart: its name ("Vce"), base unit ("V") and scale.
struct AxisSpec {
    QString name;
    QString unit;
    Scale scale;
};

// A line through points given as fractions of the drawn range, solid or dashed.
void DrawCurve(QPainter& painter, const Plot& plot, const std::vector<QPointF>& fractions,
               const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine);

// A dashed vertical line across the drawn range at `fraction` of its width,
// sharp on a pixel centre, with `label` beside its top inside the range: to
// its right, or to its left with `labelLeft`, where there is room.
void DrawVerticalMarker(QPainter& painter, const Plot& plot, double fraction, const QString& label,
                        const QColor& colour, bool labelLeft = false);

// An arrow whose tip is at `tip`, pointing along (dx, dy) in widget pixels.
void DrawArrow(QPainter& painter, const QPointF& tip, double dx, double dy);

// Moves `box` by as little as it takes to lie within `bounds`, where it fits.
void KeepWithin(QRectF& box, const QRectF& bounds);

// A cloud of points (fractions of the drawn range; those outside it are left
// out) as one image over the range: each point a dot two pixels wide, each
// pixel as opaque as that many semi-transparent dots laid over each other.
// `image` and `hits` are kept between paints to spare an allocation each.
class CloudRaster {
public:
    void Paint(const QRectF& area, double ratio, const std::vector<QPointF>& fractions,
               const QColor& colour);
    const QImage& image() const { return image_; }

private:
    QImage image_;
    std::vector<std::uint16_t> hits_;
};

// A chart: a frame with titled axes and their ticks, a grid, a legend in the
// top rows and what a subclass draws in the drawn range, in the palette's
// colours (a dark theme gives a dark chart). One-pixel lines sit on pixel
// centres, sharp at every whole device pixel ratio.
class ChartWidget : public QWidget {
    Q_OBJECT

public:
    explicit ChartWidget(QWidget* parent = nullptr);

    // The legend as it stands (its boxes laid out only while painting), and
    // whether there is anything to draw: without, an empty frame.
    const std::vector<LegendEntry>& Legend() const { return legend_; }
    bool HasContent() const { return hasContent_; }

protected:
    void paintEvent(QPaintEvent* event) override;

    // What the chart shows; set before painting.
    AxisSpec xAxis_;
    AxisSpec yAxis_;
    std::vector<LegendEntry> legend_;
    // Shown in the drawn range while there is nothing to draw ("No load line").
    QString placeholder_;
    bool hasContent_ = false;

    // Under the grid, and over it: the subclass's own drawing.
    virtual void DrawUnderGrid(QPainter&, const Plot&, const Inks&) {}
    virtual void DrawContent(QPainter& painter, const Plot& plot, const Inks& inks) = 0;

private:
    struct Frame;
    Frame MeasureFrame(const QFontMetrics& metrics) const;
};

}  // namespace ui::chart
