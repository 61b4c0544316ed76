#include "ui/amplifier/ResponsePicture.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "core/AmplifierCurve.h"

namespace ui {
namespace {

// Enough points that the curve's bends stay smooth at any window width.
constexpr std::size_t kCurvePoints = 400;
// Room above the mid-band gain and below the lowest point, in decibels.
constexpr double kHeadroom = 5;

// A frequency with its SI prefix, four digits: "119.5 Hz", "539.4 kHz".
QString Hertz(double f) {
    static constexpr std::array<const char*, 9> kPrefixes = {"n", "µ", "m", "", "k",
                                                             "M", "G", "T", "P"};
    int step = static_cast<int>(std::floor(std::log10(f) / 3));
    step = std::clamp(step, -3, 5);
    return QStringLiteral("%1 %2Hz").arg(
        QString::number(f / std::pow(1000.0, step), 'g', 4),
        QString::fromUtf8(kPrefixes[static_cast<std::size_t>(step + 3)]));
}

double RoundDown(double value, double to) { return std::floor(value / to) * to; }
double RoundUp(double value, double to) { return std::ceil(value / to) * to; }

}  // namespace

ResponsePicture::ResponsePicture(QWidget* parent) : ChartWidget(parent) {
    setObjectName(QStringLiteral("ResponsePicture"));
    setAccessibleName(QStringLiteral("Response"));
    setMinimumSize(360, 260);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Reachable from the keyboard, for screen readers.
    setFocusPolicy(Qt::StrongFocus);
    xAxis_ = {QStringLiteral("f"), QStringLiteral("Hz"), {}};
    yAxis_ = {QStringLiteral("|A|"), QStringLiteral("dB"), {}};
    placeholder_ = QStringLiteral("No response");
    Lay();
}

void ResponsePicture::SetHand(const core::AmplifierAnalysis& analysis) {
    hand_.reset();
    if (analysis.ok()) hand_ = analysis.figures;
    Lay();
}

void ResponsePicture::SetSpice(std::vector<std::pair<double, double>> frequencyAndDb,
                               const QString& legend) {
    std::erase_if(frequencyAndDb, [](const std::pair<double, double>& p) {
        return !(p.first > 0) || !std::isfinite(p.first) || !std::isfinite(p.second);
    });
    std::sort(frequencyAndDb.begin(), frequencyAndDb.end());
    spice_ = std::move(frequencyAndDb);
    spiceLegend_ = legend;
    Lay();
}

void ResponsePicture::ClearSpice() {
    spice_.clear();
    spiceLegend_.clear();
    Lay();
}

// The scales, the curves' places and the legend from the curves: the hand
// analysis's span of frequencies where there is one, the simulation's
// otherwise; decibels from the lowest to the highest point within it.
void ResponsePicture::Lay() {
    std::vector<core::ResponsePoint> hand;
    core::FrequencySpan span;
    if (hand_) {
        span = core::ResponseSpan(*hand_);
        hand = core::ResponseCurve(*hand_, span, kCurvePoints);
    } else if (spice_.size() >= 2) {
        span = {spice_.front().first, spice_.back().first};
    }
    hasContent_ = span.high > span.low && std::isfinite(span.high) && span.low > 0;
    handPlaces_.clear();
    spicePlaces_.clear();
    markers_.clear();
    legend_.clear();
    if (!hasContent_) {
        update();
        return;
    }

    double lowest = INFINITY;
    double highest = -INFINITY;
    const auto reach = [&](double f, double dB) {
        if (!std::isfinite(dB) || f < span.low * (1 - 1e-9) || f > span.high * (1 + 1e-9)) return;
        lowest = std::min(lowest, dB);
        highest = std::max(highest, dB);
    };
    for (const core::ResponsePoint& p : hand) reach(p.f, p.dB);
    for (const auto& [f, dB] : spice_) reach(f, dB);
    if (!(highest >= lowest)) lowest = highest = 0;  // no simulated point in the span
    xAxis_.scale = chart::Scale::Logarithmic(span.low, span.high);
    yAxis_.scale =
        chart::Scale::Span(RoundDown(lowest - kHeadroom, 10), RoundUp(highest + kHeadroom, 10));

    const auto place = [&](double f, double dB) {
        return QPointF(xAxis_.scale.Fraction(f), yAxis_.scale.Fraction(dB));
    };
    for (const core::ResponsePoint& p : hand)
        if (std::isfinite(p.dB)) handPlaces_.push_back(place(p.f, p.dB));
    for (const auto& [f, dB] : spice_) spicePlaces_.push_back(place(f, dB));
    if (hand_) {
        legend_.push_back({chart::Mark::Line, QStringLiteral("Hand"), {}, {}});
        const auto mark = [&](const char* name, const std::optional<double>& corner, bool low) {
            if (!corner) return;
            markers_.push_back({xAxis_.scale.Fraction(*corner),
                                QStringLiteral("%1 %2").arg(QLatin1String(name), Hertz(*corner)),
                                low});
        };
        mark("fL", hand_->fL, true);
        mark("fH", hand_->fH, false);
    }
    if (!spicePlaces_.empty())
        legend_.push_back({chart::Mark::Line, spiceLegend_, {}, chart::Inks(palette()).second});
    update();
}

void ResponsePicture::changeEvent(QEvent* event) {
    // A light or dark palette gives the simulated curve's legend its colour.
    if (event->type() == QEvent::PaletteChange) Lay();
    ChartWidget::changeEvent(event);
}

void ResponsePicture::DrawContent(QPainter& painter, const chart::Plot& plot,
                                  const chart::Inks& inks) {
    // fL's label to the left of its line and fH's to the right, clear of
    // each other however close the corners are.
    for (const Marker& marker : markers_)
        chart::DrawVerticalMarker(painter, plot, marker.fraction, marker.label,
                                  inks.Faint(inks.text, 170), marker.low);
    painter.save();
    painter.setClipRect(plot.area().adjusted(-1, -1, 1, 1));
    chart::DrawCurve(painter, plot, handPlaces_, inks.line, 2);
    chart::DrawCurve(painter, plot, spicePlaces_, inks.second, 2);
    painter.restore();
}

}  // namespace ui
