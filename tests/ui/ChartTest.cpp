// The chart's scales and cloud, and the load line picture drawn on it.
#include <gtest/gtest.h>

#include <QImage>

#include "core/BiasPoint.h"
#include "core/Spread.h"
#include "ui/chart/Chart.h"
#include "ui/loadline/LoadLinePicture.h"

namespace {

using ui::chart::Scale;

TEST(Chart, LogarithmicAxisTicksEachDecadeWithItsPrefix) {
    // 10 Hz to 100 kHz: four decades, each a quarter of the axis.
    const core::Axis axis = ui::chart::MakeScaleAxis(Scale::Logarithmic(10, 1e5), "Hz", 10);
    EXPECT_EQ(axis.unit, "Hz");
    std::vector<std::pair<double, std::string>> labelled;
    int unlabelled = 0;
    for (const core::AxisTick& tick : axis.ticks) {
        if (tick.label.empty())
            ++unlabelled;
        else
            labelled.emplace_back(tick.fraction, tick.label);
    }
    ASSERT_EQ(labelled.size(), 5u);
    const char* labels[] = {"10", "100", "1k", "10k", "100k"};
    for (std::size_t i = 0; i < labelled.size(); ++i) {
        EXPECT_NEAR(labelled[i].first, i * 0.25, 1e-12);
        EXPECT_EQ(labelled[i].second, labels[i]);
    }
    // 20, 50, 200, ... 50k between them.
    EXPECT_EQ(unlabelled, 8);
    EXPECT_NEAR(Scale::Logarithmic(10, 1e5).Fraction(20), std::log10(2) / 4, 1e-12);
    // Where only three labels fit, every second decade keeps its label.
    int kept = 0;
    for (const core::AxisTick& tick :
         ui::chart::MakeScaleAxis(Scale::Logarithmic(10, 1e5), "Hz", 3).ticks)
        kept += !tick.label.empty();
    EXPECT_EQ(kept, 3);
    // A range from 0.5 mHz to 2 GHz labels down to millis and up to gigas.
    const core::Axis wide = ui::chart::MakeScaleAxis(Scale::Logarithmic(5e-4, 2e9), "Hz", 20);
    EXPECT_EQ(wide.ticks.front().label, "");
    EXPECT_EQ(wide.ticks[1].label, "1m");
    EXPECT_EQ(wide.ticks.back().label, "");
}

TEST(Chart, CloudKeepsInsideItsImageAtAnySizeAndRatio) {
    for (double ratio : {1.0, 2.0, 3.0}) {
        for (const QRectF& area : {QRectF(0, 0, 1, 1), QRectF(0, 0, 40, 1), QRectF(0, 0, 1, 40)}) {
            ui::chart::CloudRaster cloud;
            cloud.Paint(area, ratio, {{0.5, 0.5}, {1, 1}, {0, 0}}, Qt::black);
            // Each dot is whole: as many pixels inked as its width squared, three times.
            const int dot = static_cast<int>(std::lround(2 * ratio));
            int inked = 0;
            const QImage& image = cloud.image();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 0;
            EXPECT_GE(inked, dot * dot) << ratio << " " << area.width() << "x" << area.height();
            EXPECT_GE(image.height(), dot);
            EXPECT_GE(image.width(), dot);
        }
    }
}

core::Calculation Stage(double Vcc) {
    core::Calculation calculation;
    calculation.stage = {Vcc, 100, 22000, 4700, 2200, 470, core::Material::Silicon};
    const core::Stage& s = calculation.stage;
    calculation.outcome = core::ComputeBiasPoint(s.Vcc, s.Beta, s.R1, s.R2, s.Rc, s.Re, s.Vbe());
    return calculation;
}

TEST(LoadLinePicture, RangeHoldsEveryCornerAndSampleAndTheQLabelTakesTheAxisUnit) {
    const core::Calculation calculation = Stage(12);
    core::SpreadSettings settings;
    settings.vccTolerance = 60;
    core::Spread spread;
    core::ComputeSpread(calculation, settings, spread);
    ASSERT_TRUE(spread.ok);
    const core::LoadLine line = core::MakeLoadLine(calculation);
    ui::LoadLinePicture picture;
    picture.SetLine(line, &spread);
    // Some corner lies past the line's own range, which the picture widens.
    bool beyond = false;
    for (const core::SpreadPoint& p : spread.cornerPoints)
        beyond = beyond || !core::PlacePoint(line, p.Vce, p.Ic).inside();
    EXPECT_TRUE(beyond);
    for (const auto* points : {&spread.cornerPoints, &spread.samples}) {
        for (const core::SpreadPoint& p : *points) {
            ASSERT_TRUE(core::PlacePoint(picture.Range(), p.Vce, p.Ic).inside())
                << p.Vce << " V, " << p.Ic << " A";
        }
    }
    EXPECT_EQ(picture.QPointLabel(), "Q: 4.121 V, 2.946 mA");
    picture.SetLine(core::MakeLoadLine(Stage(0.5)));
    EXPECT_TRUE(picture.QPointLabel().startsWith("Q: ")) << picture.QPointLabel().toStdString();
    EXPECT_TRUE(picture.QPointLabel().contains(" mV, ")) << picture.QPointLabel().toStdString();
}

}  // namespace
