#pragma once

#include <QPointF>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "core/Amplifier.h"
#include "ui/chart/Chart.h"

namespace ui {

// The amplifier's response: |A(f)| in decibels over a logarithmic frequency
// axis spanning its corners, with fL and fH marked; the hand analysis's
// curve, and a simulated one beside it in a colour of its own where given.
// Without an analysis or a simulated curve, an empty frame. Its owner sets
// its accessible description.
class ResponsePicture : public chart::ChartWidget {
    Q_OBJECT

public:
    explicit ResponsePicture(QWidget* parent = nullptr);

    // The hand analysis's curve and corners; none for an analysis that is not ok.
    void SetHand(const core::AmplifierAnalysis& analysis);
    // A simulated curve as (frequency in hertz, |A| in decibels) pairs, named
    // `legend` in the legend; points with a frequency not above 0, or a value
    // that is not finite, are left out.
    void SetSpice(std::vector<std::pair<double, double>> frequencyAndDb, const QString& legend);
    void ClearSpice();

    QSize sizeHint() const override { return {480, 320}; }

    // What is drawn, as fractions of the drawn range from its origin (a
    // curve's values may lie beyond [0, 1], where the frame cuts them off).
    const std::vector<QPointF>& HandCurve() const { return handPlaces_; }
    const std::vector<QPointF>& SpiceCurve() const { return spicePlaces_; }
    struct Marker {
        double fraction = 0;  // of the drawn range's width
        QString label;        // "fL 119.5 Hz"
        bool low = false;     // fL's, labelled to the left of its line
    };
    const std::vector<Marker>& Markers() const { return markers_; }

protected:
    void changeEvent(QEvent* event) override;
    void DrawContent(QPainter& painter, const chart::Plot& plot, const chart::Inks& inks) override;

private:
    void Lay();

    std::optional<core::SmallSignal> hand_;
    std::vector<std::pair<double, double>> spice_;
    QString spiceLegend_;
    std::vector<QPointF> handPlaces_;
    std::vector<QPointF> spicePlaces_;
    std::vector<Marker> markers_;
};

}  // namespace ui
