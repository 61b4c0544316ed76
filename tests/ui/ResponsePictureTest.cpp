// The amplifier's response picture, and the AC load line it brings to the
// load line picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cmath>

#include "core/StageCalc.h"
#include "ui/amplifier/AmplifierWindow.h"
#include "ui/amplifier/ResponsePicture.h"
#include "ui/loadline/LoadLinePicture.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/session/StageSession.h"

namespace {

core::StageTexts WorkedTexts() {
    return {"12", "100", "22000", "4700", "2200", "470", core::Material::Silicon};
}

core::AmplifierAnalysis Analyse(const core::StageTexts& texts) {
    return core::Analyse(core::RunStage(texts).calculation, core::AmplifierInputs{});
}

// The picture drawn at twice the density, as a high-density screen shows it.
QImage Drawn(QWidget& picture) {
    picture.resize(480, 320);
    QPixmap pixmap(picture.size() * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    picture.render(&pixmap);
    return pixmap.toImage();
}

// Pixels of about `colour` in `image`.
int Inked(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                         std::abs(c.blue() - colour.blue()) <
                     30;
        }
    }
    return count;
}

bool Within(const QPointF& p) {
    return p.x() >= -1e-9 && p.x() <= 1 + 1e-9 && p.y() >= -1e-9 && p.y() <= 1 + 1e-9;
}

TEST(ResponsePicture, DrawsTheWorkedExampleWithItsCornersInRange) {
    ui::ResponsePicture picture;
    const core::AmplifierAnalysis analysis = Analyse(WorkedTexts());
    picture.SetHand(analysis);
    ASSERT_FALSE(picture.HandCurve().empty());
    // Inside the frame, reaching up to near its top.
    double top = 0;
    for (const QPointF& p : picture.HandCurve()) {
        ASSERT_TRUE(Within(p)) << p.x() << ", " << p.y();
        top = std::max(top, p.y());
    }
    EXPECT_GT(top, 0.7);

    ASSERT_EQ(picture.Markers().size(), 2u);
    EXPECT_EQ(picture.Markers()[0].label, "fL 119.5 Hz");
    EXPECT_EQ(picture.Markers()[1].label, "fH 539.4 kHz");
    // 10 Hz to 10 MHz: six decades.
    EXPECT_NEAR(picture.Markers()[0].fraction, std::log10(*analysis.figures.fL / 10) / 6, 1e-12);
    EXPECT_NEAR(picture.Markers()[1].fraction, std::log10(*analysis.figures.fH / 10) / 6, 1e-12);
    ASSERT_EQ(picture.Legend().size(), 1u);
    EXPECT_EQ(picture.Legend()[0].text, "Hand");

    // The curve is drawn in the line's colour, sharp at twice the density:
    // pixels of the pure colour, not only blends of it.
    const QImage image = Drawn(picture);
    const QColor line = ui::chart::Inks(picture.palette()).line;
    EXPECT_GT(Inked(image, line), 600);
}

TEST(ResponsePicture, NoAnalysisOrACutOffStageLeavesAnEmptyFrame) {
    ui::ResponsePicture picture;
    picture.SetHand(Analyse(WorkedTexts()));
    for (const core::AmplifierAnalysis& none :
         {core::AmplifierAnalysis{},
          Analyse({"12", "100", "1000000", "4700", "2200", "470", core::Material::Silicon})}) {
        ASSERT_FALSE(none.ok());
        picture.SetHand(none);
        EXPECT_FALSE(picture.HasContent());
        EXPECT_TRUE(picture.HandCurve().empty());
        EXPECT_TRUE(picture.Markers().empty());
        EXPECT_TRUE(picture.Legend().empty());
        EXPECT_EQ(Inked(Drawn(picture), ui::chart::Inks(picture.palette()).line), 0);
    }
}

TEST(ResponsePicture, ASimulatedCurveComesInItsOwnColourWithItsLegend) {
    ui::ResponsePicture picture;
    picture.SetHand(Analyse(WorkedTexts()));
    const ui::chart::Inks inks(picture.palette());
    EXPECT_EQ(Inked(Drawn(picture), inks.second), 0);

    // 20 dB lower than the hand curve's 41 dB, over part of its span; points
    // that no picture can place are left out.
    std::vector<std::pair<double, double>> spice = {{1e2, 20}, {1e3, 21},  {1e4, 21},
                                                    {0, 21},   {1e5, NAN}, {1e5, 20}};
    picture.SetSpice(spice, "SPICE (2N3904)");
    ASSERT_EQ(picture.SpiceCurve().size(), 4u);
    for (const QPointF& p : picture.SpiceCurve()) EXPECT_TRUE(Within(p));
    ASSERT_EQ(picture.Legend().size(), 2u);
    EXPECT_EQ(picture.Legend()[1].text, "SPICE (2N3904)");
    EXPECT_EQ(picture.Legend()[1].colour, inks.second);
    EXPECT_NE(inks.second, inks.line);
    EXPECT_GT(Inked(Drawn(picture), inks.second), 300);

    // Alone, without a hand analysis, it spans its own frequencies.
    picture.SetHand(core::AmplifierAnalysis{});
    EXPECT_TRUE(picture.HasContent());
    EXPECT_NEAR(picture.SpiceCurve().front().x(), 0, 1e-12);
    EXPECT_NEAR(picture.SpiceCurve().back().x(), 1, 1e-12);

    picture.ClearSpice();
    EXPECT_FALSE(picture.HasContent());
    EXPECT_TRUE(picture.SpiceCurve().empty());
}

TEST(ResponsePicture, TheLoadLineDrawsTheAcLineOnlyOnceTheAmplifierWindowHasOpened) {
    ui::StageSession session;
    ui::LoadLineWindow loadLine(nullptr, &session);
    session.Calculate(WorkedTexts());
    auto* picture = loadLine.findChild<ui::LoadLinePicture*>();
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->AcLine());
    const QImage before = Drawn(*picture);

    ui::AmplifierWindow window(nullptr, &session);
    ASSERT_TRUE(picture->AcLine());
    const core::AcLoadLine& ac = *picture->AcLine();
    // The range holds both limits of the swing, here beyond the DC line's Isat.
    EXPECT_GT(ac.IcDown, core::MakeLoadLine(*session.LastCalculation()).Isat);
    for (const auto& [vce, ic] : {std::pair{ac.VceUp, ac.IcUp}, {ac.VceDown, ac.IcDown}})
        EXPECT_TRUE(core::PlacePoint(picture->Range(), vce, ic).inside()) << vce << " " << ic;
    bool legend = false;
    for (const ui::chart::LegendEntry& entry : picture->Legend())
        legend = legend || entry.text == "AC load line";
    EXPECT_TRUE(legend);
    EXPECT_GT(Inked(Drawn(*picture), ui::chart::Inks(picture->palette()).line),
              Inked(before, ui::chart::Inks(picture->palette()).line) + 100);

    // An analysis that stops takes the line away again.
    session.Calculate({"12", "100", "1000000", "4700", "2200", "470", core::Material::Silicon});
    EXPECT_FALSE(picture->AcLine());
}

TEST(ResponsePicture, DecibelSpanTicksArePlainNumbersAcrossZero) {
    using ui::chart::Scale;
    const core::Axis axis = ui::chart::MakeScaleAxis(Scale::Span(-30, 50), "dB", 8);
    EXPECT_EQ(axis.unit, "dB");
    std::vector<std::string> labels;
    for (const core::AxisTick& tick : axis.ticks) labels.push_back(tick.label);
    EXPECT_EQ(labels,
              (std::vector<std::string>{"-30", "-20", "-10", "0", "10", "20", "30", "40", "50"}));
    EXPECT_NEAR(axis.ticks[3].fraction, 30.0 / 80, 1e-12);
    // A narrow span steps in tenths without rounding noise or "-0.0".
    std::vector<std::string> fine;
    for (const core::AxisTick& tick :
         ui::chart::MakeScaleAxis(Scale::Span(-0.3, 0.3), "dB", 6).ticks)
        fine.push_back(tick.label);
    EXPECT_EQ(fine, (std::vector<std::string>{"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3"}));
}

}  // namespace
