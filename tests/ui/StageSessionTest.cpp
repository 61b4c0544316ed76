// The side windows follow the stage session alone: no main window names them.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
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

void Type(ui::InputBox* box, const QString& text) {
    box->selectAll();
    if (text.isEmpty()) QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

bool Warns(const ui::InputBox* box) { return box->Sign() != nullptr && box->Sign()->isVisible(); }

// A refused spread box shows the sign and its sentence, and no window shows
// figures computed from it, nor the last ones as if current.
TEST(StageSession, ARefusedSpreadBoxWarnsAndLeavesNoSpread) {
    ui::StageSession session;
    ui::LoadLineWindow loadLine(nullptr, &session);
    ui::DesignWindow design(nullptr, &session);
    session.Calculate(Texts("12", "22000", "4700"));
    const auto* sentence = loadLine.findChild<QLabel*>("SpreadSentence");
    const auto* table = loadLine.findChild<QTableWidget*>("SpreadTable");
    const auto* picture = loadLine.findChild<QWidget*>("LoadLinePicture");
    const auto* designSpread = design.findChild<QLabel*>("DesignSpread");
    ASSERT_TRUE(sentence && table && picture && designSpread);
    const QString before = sentence->text();

    struct Case {
        const char* box;
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"Resistor tolerance, %", "2k", "No spread: the resistor tolerance is not read whole."},
        {"Vcc tolerance, %", "1e999",
         "No spread: the Vcc tolerance is too large to calculate with."},
        {"Temperature from, \u00b0C", "-300",
         "No spread: temperature from is not from \u221255 to 150 \u00b0C."},
        {"Temperature from, \u00b0C", "80", "No spread: temperature from is above temperature to."},
        {"hFE to", "", "No spread: hFE to is empty."},
    };
    for (const Case& c : cases) {
        ui::InputBox* box = BoxNamed(&loadLine, QString::fromUtf8(c.box));
        const QString kept = box->text();
        Type(box, QString::fromUtf8(c.text));
        EXPECT_TRUE(Warns(box)) << c.box << " " << c.text;
        EXPECT_FALSE(box->accessibleDescription().isEmpty()) << c.text;
        EXPECT_EQ(sentence->text().toStdString(), c.reason);
        EXPECT_TRUE(picture->accessibleDescription().endsWith(" " + QString::fromUtf8(c.reason)));
        EXPECT_EQ(table->item(0, 0)->text(), "") << c.text;  // no lowest Ic
        EXPECT_EQ(designSpread->text().toStdString(), c.reason);
        Type(box, kept);
        EXPECT_FALSE(Warns(box)) << c.text;
        EXPECT_EQ(sentence->text(), before) << c.text;
    }
    // From above to marks both ends.
    ui::InputBox* to = BoxNamed(&loadLine, QStringLiteral("Temperature to, \u00b0C"));
    Type(BoxNamed(&loadLine, QStringLiteral("Temperature from, \u00b0C")), "80");
    EXPECT_TRUE(Warns(to));
    Type(to, "85");
    EXPECT_FALSE(Warns(to));
    EXPECT_EQ(session.SpreadSettings().temperatureTo, 85);

    // Per cent takes its unit, with or without a blank.
    ui::InputBox* tolerance = BoxNamed(&loadLine, QStringLiteral("Resistor tolerance, %"));
    for (const char* text : {"2 %", "3%"}) {
        Type(tolerance, text);
        EXPECT_FALSE(Warns(tolerance)) << text;
    }
    EXPECT_EQ(session.SpreadSettings().resistorTolerance, 3);
    EXPECT_TRUE(sentence->text().startsWith("Over hFE 50 to 200, \u00b13 % resistors"));
}

// A refused target designs nothing, keeps the last target taken and says why.
TEST(StageSession, ARefusedDesignTargetWarnsAndDesignsNothing) {
    ui::StageSession session;
    ui::DesignWindow design(nullptr, &session);
    ASSERT_TRUE(design.CurrentDesign().ok);
    const auto* table = design.findChild<QWidget*>("DesignTable");
    auto* use = design.findChild<QPushButton*>();
    const struct {
        const char* box;
        const char* text;
        const char* reason;
    } cases[] = {
        {"Ic, mA", "2k", "No design: Ic is not read whole."},
        {"Vcc, Volts", "1e999", "No design: Vcc is too large to calculate with."},
        {"Ve, % of Vcc", "100", "No design: Ve is not above 0 to below 100 %."},
        {"Beta", "", "No design: Beta is empty."},
    };
    for (const auto& c : cases) {
        ui::InputBox* box = BoxNamed(&design, QString::fromUtf8(c.box));
        const QString kept = box->text();
        Type(box, QString::fromUtf8(c.text));
        EXPECT_TRUE(Warns(box)) << c.text;
        EXPECT_FALSE(design.CurrentDesign().ok) << c.text;
        EXPECT_EQ(table->accessibleDescription().toStdString(), c.reason);
        EXPECT_FALSE(use->isEnabled());
        Type(box, kept);
        EXPECT_FALSE(Warns(box)) << c.text;
        EXPECT_TRUE(design.CurrentDesign().ok) << c.text;
    }
    // The unit is taken with the number; a letter more keeps the target.
    ui::InputBox* ic = BoxNamed(&design, QStringLiteral("Ic, mA"));
    Type(ic, "3 mA");
    EXPECT_TRUE(design.CurrentDesign().ok);
    const core::DesignTarget taken = *session.DesignTarget();
    EXPECT_EQ(taken.Ic, 0.003);
    QTest::keyClick(ic, Qt::Key_X);
    EXPECT_FALSE(design.CurrentDesign().ok);
    EXPECT_EQ(*session.DesignTarget(), taken);
}

}  // namespace
