#include "ui/loadline/LoadLinePicture.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "core/EngineeringFormat.h"
#include "ui/loadline/LoadLineSpice.h"

namespace ui {
namespace {

using chart::kArrowLength;
using chart::kDotRadius;
using chart::kPad;

QString Shown(double value) { return QString::fromStdString(core::ShownNumber(value)); }

// A value in the unit the axis for `end` labels with, SI prefix and all.
QString InAxisUnit(double value, double end, const char* unit) {
    const core::Axis axis =
        chart::MakeScaleAxis(chart::Scale::Linear(end * core::kPlotReach), unit, 1);
    const std::size_t prefixBytes = axis.unit.size() - std::strlen(unit);
    static constexpr std::pair<std::string_view, int> kPrefixes[] = {
        {"f", -15}, {"p", -12}, {"n", -9}, {"\u00b5", -6}, {"m", -3},
        {"k", 3},   {"M", 6},   {"G", 9},  {"T", 12}};
    int exponent = 0;
    for (const auto& [prefix, power] : kPrefixes) {
        if (axis.unit.compare(0, prefixBytes, prefix) == 0 && prefixBytes == prefix.size())
            exponent = power;
    }
    return QStringLiteral("%1 %2").arg(Shown(value / std::pow(10.0, exponent)),
                                       QString::fromStdString(axis.unit));
}

// The largest finite value of `values`, or `start` where none is larger.
template <typename Points, typename Get>
double Reach(double start, const Points& points, Get get) {
    for (const auto& p : points) {
        const double v = get(p);
        if (std::isfinite(v)) start = std::max(start, v);
    }
    return start;
}

}  // namespace

LoadLinePicture::LoadLinePicture(QWidget* parent) : ChartWidget(parent) {
    setObjectName(QStringLiteral("LoadLinePicture"));
    setAccessibleName(QStringLiteral("Load line"));
    setMinimumSize(240, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Reachable from the keyboard, for its menu and for screen readers.
    setFocusPolicy(Qt::StrongFocus);
    xAxis_ = {QStringLiteral("Vce"), QStringLiteral("V"), {}};
    yAxis_ = {QStringLiteral("Ic"), QStringLiteral("A"), {}};
    placeholder_ = QStringLiteral("No load line");
}

void LoadLinePicture::SetLine(const core::LoadLine& line, const core::Spread* spread) {
    line_ = line;
    spread_ = spread;
    Lay();
}

void LoadLinePicture::SetAcLine(const std::optional<core::AcLoadLine>& line) {
    acLine_ = line;
    Lay();
}

void LoadLinePicture::Lay() {
    range_ = line_;
    if (WithSpread()) {
        const auto vce = [](const core::SpreadPoint& p) { return p.Vce; };
        const auto ic = [](const core::SpreadPoint& p) { return p.Ic; };
        range_.Vcc = Reach(Reach(range_.Vcc, spread_->cornerPoints, vce), spread_->samples, vce);
        range_.Isat = Reach(Reach(range_.Isat, spread_->cornerPoints, ic), spread_->samples, ic);
    }
    if (WithAcLine()) {
        range_.Vcc = Reach(range_.Vcc, std::array{acLine_->VceUp, acLine_->VceDown},
                           [](double v) { return v; });
        range_.Isat = Reach(range_.Isat, std::array{acLine_->IcUp, acLine_->IcDown},
                            [](double i) { return i; });
    }
    hasContent_ = line_.drawn;
    xAxis_.scale = chart::Scale::Linear(range_.Vcc * core::kPlotReach);
    yAxis_.scale = chart::Scale::Linear(range_.Isat * core::kPlotReach);
    legend_.clear();
    if (line_.drawn) {
        legend_.push_back({chart::Mark::Dot, QStringLiteral("Q point"), {}});
        if (WithAcLine()) {
            legend_.push_back({chart::Mark::DashedLine, QStringLiteral("AC load line"), {}});
            legend_.push_back({chart::Mark::Ring, QStringLiteral("Swing limit"), {}});
        }
        if (WithSpread()) {
            legend_.push_back({chart::Mark::Cross, QStringLiteral("Corner"), {}});
            legend_.push_back({chart::Mark::WarningCross, QStringLiteral("Not active"), {}});
            legend_.push_back({chart::Mark::Cloud, QStringLiteral("Monte Carlo"), {}});
        }
    }
    if (ShowsPowerLimit()) {
        legend_.push_back({chart::Mark::DashedLine,
                           QStringLiteral("Pd %1").arg(InAxisUnit(*powerLimit_, *powerLimit_, "W")),
                           {},
                           chart::Inks(palette()).warning});
    }
    update();
}

void LoadLinePicture::SetPowerLimit(const std::optional<double>& Pd) {
    powerLimit_ = Pd;
    Lay();
}

bool LoadLinePicture::ShowsPowerLimit() const {
    // The hyperbola enters the drawn range below its top right corner.
    const double vMax = range_.Vcc * core::kPlotReach;
    const double iMax = range_.Isat * core::kPlotReach;
    return line_.drawn && powerLimit_ && *powerLimit_ > 0 && std::isfinite(vMax * iMax) &&
           *powerLimit_ < vMax * iMax;
}

// Ic = Pd / Vce from where it enters the top of the drawn range to its right
// edge, in steps even on a log scale so that the bend stays smooth.
void LoadLinePicture::DrawPowerLimit(QPainter& painter, const chart::Plot& plot,
                                     const chart::Inks& inks) {
    const double vMax = range_.Vcc * core::kPlotReach;
    const double iMax = range_.Isat * core::kPlotReach;
    const double vFrom = *powerLimit_ / iMax;
    constexpr int kSteps = 96;
    std::vector<QPointF> fractions;
    fractions.reserve(kSteps + 1);
    for (int i = 0; i <= kSteps; ++i) {
        const double vce = vFrom * std::pow(vMax / vFrom, static_cast<double>(i) / kSteps);
        fractions.emplace_back(vce / vMax, *powerLimit_ / vce / iMax);
    }
    chart::DrawCurve(painter, plot, fractions, inks.warning, 1.5, Qt::DashLine);
}

void LoadLinePicture::SetSpice(const std::optional<sim::Point>& point, const QString& part) {
    spicePoint_ = point;
    spicePart_ = part;
    update();
}

QString LoadLinePicture::QPointLabel() const {
    return QStringLiteral("Q: %1, %2")
        .arg(InAxisUnit(line_.Vce, range_.Vcc, "V"), InAxisUnit(line_.Ic, range_.Isat, "A"));
}

void LoadLinePicture::DrawUnderGrid(QPainter& painter, const chart::Plot& plot,
                                    const chart::Inks& inks) {
    // The saturation strip, under everything else.
    painter.fillRect(QRectF(plot.At(0, 1), plot.At(core::StripFraction(range_), 0)),
                     inks.Faint(inks.line, 80));
}

void LoadLinePicture::DrawContent(QPainter& painter, const chart::Plot& plot,
                                  const chart::Inks& inks) {
    if (WithSpread()) DrawSpread(painter, plot, inks);
    if (ShowsPowerLimit()) DrawPowerLimit(painter, plot, inks);
    const core::PlotPlace end = core::PlacePoint(range_, line_.Vcc, 0);
    const core::PlotPlace top = core::PlacePoint(range_, 0, line_.Isat);
    chart::DrawCurve(painter, plot, {{end.x, end.y}, {top.x, top.y}}, inks.line, 2);
    if (WithAcLine()) DrawAcLine(painter, plot, inks);
    DrawQPoint(painter, plot, inks);
    if (spicePoint_) {
        DrawSpiceMarker(painter,
                        plot.At(core::PlacePoint(range_, spicePoint_->Vce, spicePoint_->Ic)),
                        spicePart_, palette(), rect());
    }
}

// The cloud under the corners' rectangle and marks, all inside the range.
void LoadLinePicture::DrawSpread(QPainter& painter, const chart::Plot& plot,
                                 const chart::Inks& inks) {
    const core::Spread& spread = *spread_;
    std::vector<QPointF> places;
    places.reserve(spread.samples.size());
    for (const core::SpreadPoint& p : spread.samples) {
        const core::PlotPlace place = core::PlacePoint(range_, p.Vce, p.Ic);
        places.emplace_back(place.x, place.y);
    }
    cloud_.Paint(plot.area(), painter.device()->devicePixelRatioF(), places, inks.cloud);
    painter.drawImage(plot.area().topLeft(), cloud_.image());

    const QRectF box(plot.At(core::PlacePoint(range_, spread.vceLow, spread.icHigh)),
                     plot.At(core::PlacePoint(range_, spread.vceHigh, spread.icLow)));
    painter.setPen(QPen(inks.Faint(inks.text, 110), 1, Qt::DashLine));
    painter.setBrush(inks.Faint(inks.text, 14));
    painter.drawRect(box.normalized());
    painter.setBrush(Qt::NoBrush);
    for (const core::SpreadPoint& p : spread.cornerPoints) {
        const QPointF at = plot.At(core::PlacePoint(range_, p.Vce, p.Ic));
        chart::DrawMark(
            painter,
            p.region == core::Region::Active ? chart::Mark::Cross : chart::Mark::WarningCross, at,
            inks);
    }
}

// The AC load line from axis to axis, cut off at the frame, with rings at
// the limits of the swing.
void LoadLinePicture::DrawAcLine(QPainter& painter, const chart::Plot& plot,
                                 const chart::Inks& inks) {
    const core::AcLoadLine& ac = *acLine_;
    const double xEnd = range_.Vcc * core::kPlotReach;
    const double yEnd = range_.Isat * core::kPlotReach;
    painter.save();
    painter.setClipRect(plot.area());
    chart::DrawCurve(painter, plot, {{ac.VceAtZeroIc / xEnd, 0}, {0, ac.IcAtZeroVce / yEnd}},
                     inks.line, 1.5, Qt::DashLine);
    painter.restore();
    for (const auto& [vce, ic] : {std::pair{ac.VceUp, ac.IcUp}, {ac.VceDown, ac.IcDown}})
        chart::DrawMark(painter, chart::Mark::Ring, plot.At(core::PlacePoint(range_, vce, ic)),
                        inks);
}

// The Q point: a dot on the line, or an arrow at the edge towards a point
// outside the drawn range; its values beside it.
void LoadLinePicture::DrawQPoint(QPainter& painter, const chart::Plot& plot,
                                 const chart::Inks& inks) {
    const core::PlotPlace place = core::PlacePoint(range_, line_.Vce, line_.Ic);
    const QPointF at = plot.At(place);
    painter.setPen(QPen(inks.text, 2));
    if (place.inside()) {
        painter.setBrush(inks.text);
        painter.drawEllipse(at, kDotRadius, kDotRadius);
        painter.setBrush(Qt::NoBrush);
    } else {
        // Widget y grows downwards.
        chart::DrawArrow(painter, at, place.beyondX, -place.beyondY);
    }

    const QString label = QPointLabel();
    const QFontMetrics metrics = painter.fontMetrics();
    QRectF box(0, 0, metrics.horizontalAdvance(label) + kPad, metrics.height());
    // Above and to the right of the point, turned over where that leaves the
    // drawn range; an arrow keeps its label on the inner side.
    const double off = place.inside() ? kPad + kDotRadius : kArrowLength + kPad;
    box.moveBottomLeft(at + QPointF(off, -off / 2));
    if (box.right() > plot.area().right() || place.beyondX > 0) box.moveRight(at.x() - off);
    if (box.top() < plot.area().top() || place.beyondY > 0) box.moveTop(at.y() + off / 2);
    if (place.beyondY < 0) box.moveBottom(at.y() - off / 2);
    // Inside the drawn range, clear of the labels around it; never cut off by
    // the widget's own edges.
    chart::KeepWithin(box, plot.area());
    chart::KeepWithin(box, painter.window());
    painter.fillRect(box, inks.Faint(inks.ground, 220));
    painter.setPen(inks.text);
    painter.drawText(box, Qt::AlignCenter, label);
}

}  // namespace ui
