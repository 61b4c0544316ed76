#include "ui/amplifier/WaveformPicture.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui {
namespace {

// How far past the signal's peak the swing limits may lie and still be drawn
// to scale.
constexpr double kLimitReach = 4;
// Points of the hand's ideal sine over the period.
constexpr int kSinePoints = 200;

// SPICE's curve in the colour of its curve on the response picture.
QColor SpiceColour(const QPalette& palette) { return chart::Inks(palette).second; }

// Whether a swing limit lies within the drawn range of `reach`.
bool Drawn(double limit, double reach) { return limit <= reach; }

}  // namespace

Waveform MakeWaveform(const sim::AmpTran& tran, const core::AmplifierAnalysis& hand, bool pnp) {
    Waveform wave;
    wave.time = tran.time;
    wave.spice = WithoutMean(tran.time, tran.vout);
    wave.period = tran.time.empty() ? 0 : tran.time.back();
    if (hand.ok()) {
        const core::SmallSignal& s = hand.figures;
        wave.handPeak = s.Avs * hand.inputs.Amplitude;
        // The collector rises toward cut-off in an NPN stage and falls toward
        // it in the mirrored PNP one.
        wave.limitAbove = pnp ? s.SwingDown : s.SwingUp;
        wave.limitBelow = pnp ? s.SwingUp : s.SwingDown;
    }
    return wave;
}

std::vector<double> WithoutMean(const std::vector<double>& time,
                                const std::vector<double>& values) {
    const std::size_t n = std::min(time.size(), values.size());
    std::vector<double> result(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n));
    if (n == 0) return result;
    double area = 0;
    for (std::size_t i = 1; i < n; ++i) {
        area += (time[i] - time[i - 1]) * (values[i] + values[i - 1]) / 2;
    }
    const double span = time[n - 1] - time[0];
    double mean = 0;
    if (span > 0) {
        mean = area / span;
    } else {
        for (double v : result) mean += v / static_cast<double>(n);
    }
    for (double& v : result) v -= mean;
    return result;
}

double WaveReach(const Waveform& wave) {
    double peak = wave.handPeak.value_or(0);
    for (double v : wave.spice) {
        if (std::isfinite(v)) peak = std::max(peak, std::fabs(v));
    }
    double reach = peak;
    if (wave.handPeak) {
        for (double limit : {wave.limitAbove, wave.limitBelow}) {
            if (limit <= kLimitReach * peak) reach = std::max(reach, limit);
        }
    }
    return reach;
}

WaveformPicture::WaveformPicture(QWidget* parent) : ChartWidget(parent) {
    setObjectName(QStringLiteral("WaveformPicture"));
    setAccessibleName(QStringLiteral("Waveform"));
    setMinimumSize(240, 140);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    xAxis_ = {QStringLiteral("t"), QStringLiteral("s"), {}};
    yAxis_ = {QStringLiteral("vout"), QStringLiteral("V"), {}};
}

void WaveformPicture::SetWave(const Waveform& wave, const QString& part) {
    const double reach = WaveReach(wave);
    if (!(reach > 0) || !std::isfinite(reach) || !(wave.period > 0) || wave.spice.size() < 2) {
        Clear(QStringLiteral("No waveform"));
        return;
    }
    wave_ = wave;
    part_ = part;
    hasContent_ = true;
    xAxis_.scale = chart::Scale::Linear(wave.period);
    yAxis_.scale = chart::Scale::Symmetric(reach * core::kPlotReach);
    const chart::Inks inks(palette());
    legend_.clear();
    legend_.push_back(
        {chart::Mark::Line, QStringLiteral("SPICE (%1)").arg(part), {}, SpiceColour(palette())});
    if (wave.handPeak) {
        legend_.push_back({chart::Mark::Line, QStringLiteral("Hand, ideal"), {}, inks.line});
        if (Drawn(wave.limitAbove, reach) || Drawn(wave.limitBelow, reach)) {
            legend_.push_back(
                {chart::Mark::DashedLine, QStringLiteral("Hand, swing limits"), {}, inks.warning});
        }
    }
    update();
}

void WaveformPicture::changeEvent(QEvent* event) {
    // The legend's colours are the palette's, as the curves' are.
    if (event->type() == QEvent::PaletteChange && wave_) SetWave(*wave_, part_);
    ChartWidget::changeEvent(event);
}

void WaveformPicture::Clear(const QString& why) {
    wave_.reset();
    hasContent_ = false;
    legend_.clear();
    placeholder_ = why;
    update();
}

void WaveformPicture::DrawContent(QPainter& painter, const chart::Plot& plot,
                                  const chart::Inks& inks) {
    if (!wave_) return;
    const Waveform& wave = *wave_;
    const chart::Scale& y = yAxis_.scale;
    painter.save();
    // A curve beyond the range is cut at its edge.
    painter.setClipRect(plot.area().adjusted(-1, -1, 1, 1));
    if (wave.handPeak) {
        for (double limit : {wave.limitAbove, -wave.limitBelow}) {
            const double at = y.Fraction(limit);
            if (at >= 0 && at <= 1)
                chart::DrawCurve(painter, plot, {{0, at}, {1, at}}, inks.warning, 1.5,
                                 Qt::DashLine);
        }
        std::vector<QPointF> sine;
        for (int i = 0; i <= kSinePoints; ++i) {
            const double x = static_cast<double>(i) / kSinePoints;
            sine.emplace_back(x, y.Fraction(-*wave.handPeak * std::sin(2 * std::numbers::pi * x)));
        }
        chart::DrawCurve(painter, plot, sine, inks.line, 1.5);
    }
    std::vector<QPointF> spice;
    for (std::size_t i = 0; i < wave.spice.size() && i < wave.time.size(); ++i) {
        spice.emplace_back(wave.time[i] / wave.period, y.Fraction(wave.spice[i]));
    }
    chart::DrawCurve(painter, plot, spice, SpiceColour(palette()), 2);
    painter.restore();
}

}  // namespace ui
