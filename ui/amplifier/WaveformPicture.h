#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "core/Amplifier.h"
#include "sim/Amplifier.h"
#include "ui/chart/Chart.h"

namespace ui {

// What the waveform picture draws: SPICE's output over one period, its mean
// taken off, and the hand model's ideal output and swing limits, in volts
// against the seconds since the period began.
struct Waveform {
    std::vector<double> time;
    std::vector<double> spice;
    double period = 0;
    // |Avs| times the amplitude, and the swing limits: the output's peak
    // above and below its rest; none without a hand analysis.
    std::optional<double> handPeak;
    double limitAbove = 0;
    double limitBelow = 0;
};

// SPICE's last period (its times run from 0 to the period), the hand's
// figures of the same stage when there are any, and whether the part is a PNP one: its stage is the
// mirror of the NPN's, so that cut-off lies below the rest and saturation above.
Waveform MakeWaveform(const sim::AmpTran& tran, const core::AmplifierAnalysis& hand, bool pnp);

// `values` less their mean over `time` (the trapezoid rule, as the points
// need not be evenly spaced).
std::vector<double> WithoutMean(const std::vector<double>& time, const std::vector<double>& values);

// The drawn range's half-height: the larger of SPICE's and the hand's peaks,
// and the swing limits too where they lie near them (limits far beyond the
// signal would flatten it).
double WaveReach(const Waveform& wave);

// The output's waveform on a chart symmetric about 0 V, SPICE's in the
// link colour, the hand's ideal in the line colour and its swing limits
// dashed, with a legend. Its owner sets its accessible description.
class WaveformPicture : public chart::ChartWidget {
    Q_OBJECT

public:
    explicit WaveformPicture(QWidget* parent = nullptr);

    void SetWave(const Waveform& wave, const QString& part);
    // Nothing to draw: `why` stands in the drawn range.
    void Clear(const QString& why);
    const std::optional<Waveform>& Wave() const { return wave_; }

    QSize sizeHint() const override { return {420, 220}; }

protected:
    void changeEvent(QEvent* event) override;
    void DrawContent(QPainter& painter, const chart::Plot& plot, const chart::Inks& inks) override;

private:
    std::optional<Waveform> wave_;
    QString part_;
};

}  // namespace ui
