#pragma once

#include <QString>
#include <optional>

#include "core/AmplifierCurve.h"
#include "core/LoadLine.h"
#include "core/Spread.h"
#include "sim/Protocol.h"
#include "ui/chart/Chart.h"

namespace ui {

// The load line, the Q point on it and the saturation strip, with the
// spread's corners and cloud around the point, on a chart whose range holds
// them all. Its owner sets its accessible description.
class LoadLinePicture : public chart::ChartWidget {
    Q_OBJECT

public:
    explicit LoadLinePicture(QWidget* parent = nullptr);

    // `spread` may be null; it must outlive its use here.
    void SetLine(const core::LoadLine& line, const core::Spread* spread = nullptr);
    // The AC load line through the Q point with its swing limits, drawn
    // dashed while there is one; the range widens to hold the limits.
    void SetAcLine(const std::optional<core::AcLoadLine>& line);
    const std::optional<core::AcLoadLine>& AcLine() const { return acLine_; }
    // The point a real transistor gives in SPICE, drawn while there is one.
    void SetSpice(const std::optional<sim::Point>& point, const QString& part);

    // The part's dissipation rating, in watts: its hyperbola Ic·Vce = Pd is
    // drawn where it falls inside the drawn range. None draws none.
    void SetPowerLimit(const std::optional<double>& Pd);
    // Whether the hyperbola is drawn.
    bool ShowsPowerLimit() const;

    QSize sizeHint() const override { return {480, 340}; }

    // The drawn range: the line as it is, with the ends of the range (its
    // Vcc and Isat) moved out to hold every corner and sample of the spread.
    const core::LoadLine& Range() const { return range_; }
    // The Q point's label, in the units of the axes: "Q: 4.121 V, 2.946 mA".
    QString QPointLabel() const;

protected:
    void DrawUnderGrid(QPainter& painter, const chart::Plot& plot,
                       const chart::Inks& inks) override;
    void DrawContent(QPainter& painter, const chart::Plot& plot, const chart::Inks& inks) override;

private:
    bool WithSpread() const { return line_.drawn && spread_ != nullptr && spread_->ok; }
    bool WithAcLine() const { return line_.drawn && acLine_.has_value(); }
    void DrawSpread(QPainter& painter, const chart::Plot& plot, const chart::Inks& inks);
    void DrawQPoint(QPainter& painter, const chart::Plot& plot, const chart::Inks& inks);
    void DrawAcLine(QPainter& painter, const chart::Plot& plot, const chart::Inks& inks);
    void DrawPowerLimit(QPainter& painter, const chart::Plot& plot, const chart::Inks& inks);
    // The range, scales and legend from what is set.
    void Lay();

    core::LoadLine line_;
    core::LoadLine range_;
    const core::Spread* spread_ = nullptr;
    std::optional<core::AcLoadLine> acLine_;
    chart::CloudRaster cloud_;
    std::optional<sim::Point> spicePoint_;
    QString spicePart_;
    std::optional<double> powerLimit_;
};

}  // namespace ui
