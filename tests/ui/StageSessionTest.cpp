// The side windows follow the stage session alone: no main window names them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/design/DesignWindow.h"
#include "ui/input/InputBox.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/session/StageSession.h"

namespace {

core::StageTexts Texts(const char* Vcc, const char* R1, const char* R2) {
    return {Vcc, "100", R1, R2, "2200", "470", core::Material::Silicon};
}

ui::InputBox* BoxNamed(const QWidget* window, const QString& name) {
    for (auto* box : window->findChildren<ui::InputBox*>()) {
        if (box->accessibleName() == name) return box;
    }
    return nullptr;
}

TEST(StageSession, SideWindowsFollowACalculateAndEachOtherThroughTheSessionAlone) {
    ui::StageSession session;
    // What a main window's boxes would hold; the design starts from it.
    session.SetShownTexts({"9", "150", "", "", "", "", core::Material::Germanium});
    ui::LoadLineWindow loadLine(nullptr, &session);
    ui::DesignWindow design(nullptr, &session);
    EXPECT_EQ(BoxNamed(&design, "Vcc, Volts")->text(), "9");
    EXPECT_EQ(BoxNamed(&design, "Beta")->text(), "150");
    const auto* picture = loadLine.findChild<QWidget*>("LoadLinePicture");
    ASSERT_NE(picture, nullptr);

    const core::StageRun run = session.Calculate(Texts("12", "22000", "4700"));
    EXPECT_TRUE(run.Ran());
    EXPECT_TRUE(picture->accessibleDescription().startsWith(
        "Load line: Vce = 12.00 V at Ic = 0, Ic = 4.486e-3 A at Vce = 0. Q point: Vce = 4.121 V"))
        << picture->accessibleDescription().toStdString();
    EXPECT_EQ(BoxNamed(&loadLine, "hFE from")->text(), "50");
    const QString shown = picture->accessibleDescription();

    // A Calculate without line 1, and one with a number too large, change nothing.
    session.Calculate(Texts("12", "", ""));
    EXPECT_FALSE(session.Calculate(Texts("12", "1e999", "4700")).Ran());
    EXPECT_EQ(picture->accessibleDescription(), shown);
    EXPECT_EQ(session.LastCalculation()->stage.R1, 22000);

    // The load line window's spread form moves the design's spread line.
    const auto* spread = design.findChild<QLabel*>("DesignSpread");
    ASSERT_NE(spread, nullptr);
    const QString before = spread->text();
    ui::InputBox* tolerance = BoxNamed(&loadLine, "Resistor tolerance, %");
    tolerance->selectAll();
    QTest::keyClicks(tolerance, "0");
    EXPECT_EQ(session.SpreadSettings().resistorTolerance, 0);
    EXPECT_NE(spread->text(), before);
    // And a setting from elsewhere shows in the form.
    core::SpreadSettings settings = session.SpreadSettings();
    settings.vccTolerance = 10;
    session.SetSpreadSettings(settings);
    EXPECT_EQ(BoxNamed(&loadLine, "Vcc tolerance, %")->text(), "10");

    // The design writes back by asking the session, which the main window hears.
    QSignalSpy wanted(&session, &ui::StageSession::InputsWanted);
    design.findChild<QPushButton*>()->click();
    ASSERT_EQ(wanted.count(), 1);
    EXPECT_EQ(wanted[0][0].value<core::StageTexts>().R1,
              core::DesignTexts(design.CurrentDesign()).R1);
}

}  // namespace
