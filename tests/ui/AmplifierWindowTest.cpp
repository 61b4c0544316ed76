// The amplifier window follows the stage session alone and shows the hand
// analysis of its last Calculate.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/amplifier/AmplifierWindow.h"
#include "ui/input/InputBox.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/session/StageSession.h"
#include "ui/table/TextTable.h"

// Shown as text where a comparison fails.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }
QT_END_NAMESPACE

namespace {

core::StageTexts WorkedExample() {
    return {"12", "100", "22000", "4700", "2200", "470", core::Material::Silicon};
}

ui::InputBox* BoxNamed(const QWidget* window, const QString& name) {
    for (auto* box : window->findChildren<ui::InputBox*>()) {
        if (box->accessibleName() == name) return box;
    }
    return nullptr;
}

// The table's cell in the row named `row` and the column `column`.
QString Cell(const QWidget* window, const QString& row, int column = 0) {
    const auto* table = window->findChild<ui::TextTable*>("AmplifierTable");
    for (int i = 0; i < table->rowCount(); ++i) {
        if (table->verticalHeaderItem(i)->text() == row) return table->item(i, column)->text();
    }
    return QStringLiteral("(no row %1)").arg(row);
}

QString Description(const QWidget* window) {
    return window->findChild<QWidget*>("ResponsePicture")->accessibleDescription();
}

void Type(ui::InputBox* box, const QString& text) {
    box->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Delete);
    } else {
        QTest::keyClicks(box, text);
    }
}

TEST(AmplifierWindow, FollowsACalculateThroughTheSessionAndShowsTheWorkedExample) {
    ui::StageSession session;
    ui::AmplifierWindow window(nullptr, &session);
    EXPECT_EQ(Description(&window), "No analysis: there is no whole Calculate of the stage yet.");
    EXPECT_EQ(Cell(&window, "|Av|"), "");

    ASSERT_TRUE(session.Calculate(WorkedExample()).Ran());
    EXPECT_EQ(Description(&window), "Hand: |Avs| = 111.7, fL = 119.5 Hz, fH = 539.4e+3 Hz.");
    EXPECT_EQ(Cell(&window, "|Av|"), "205.4");
    EXPECT_EQ(Cell(&window, "Zin, Ω"), "715.8");
    EXPECT_EQ(Cell(&window, "Zout, Ω"), "2.200e+3");
    EXPECT_EQ(Cell(&window, "Swing, V"), "3.921");
    EXPECT_EQ(Cell(&window, "HD2, %"), "3.328");
    EXPECT_EQ(Cell(&window, "ro, Ω"), "\u2013");  // no VA

    // Ctrl+C in the table copies it whole, tab-separated.
    auto* table = window.findChild<ui::TextTable*>("AmplifierTable");
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith("\tHand\nre, Ω\t")) << copied.toStdString();
    EXPECT_TRUE(copied.contains("\n|Avs|\t111.7\n")) << copied.toStdString();

    // hfe follows Beta until edited, and again once emptied.
    ui::InputBox* hfe = BoxNamed(&window, "hfe");
    ASSERT_NE(hfe, nullptr);
    session.Calculate({"12", "200", "22000", "4700", "2200", "470", core::Material::Silicon});
    EXPECT_EQ(window.Analysis().figures.hfe, 200);
    Type(hfe, "150");
    EXPECT_EQ(window.Analysis().figures.hfe, 150);
    Type(hfe, "");
    EXPECT_EQ(window.Analysis().figures.hfe, 200);
    EXPECT_FALSE(hfe->Sign() != nullptr && hfe->Sign()->isVisible());
}

TEST(AmplifierWindow, ABadBoxShowsItsSentenceAndNoNumbers) {
    ui::StageSession session;
    session.Calculate(WorkedExample());
    ui::AmplifierWindow window(nullptr, &session);
    const auto* sentence = window.findChild<QLabel*>("AmplifierSentence");
    ui::InputBox* cin = BoxNamed(&window, "Cin");
    for (const auto& [text, reason] : {std::pair{"10x", "Cin cannot be read from \"x\" on"},
                                       {"-5u", "Cin must be above 0"},
                                       {"1e999", "Cin is too large to calculate with"}}) {
        Type(cin, text);
        const QString expected = QStringLiteral("No analysis: %1.").arg(reason);
        EXPECT_EQ(Description(&window), expected);
        EXPECT_EQ(sentence->text(), expected);
        EXPECT_EQ(Cell(&window, "|Av|"), "");
        ASSERT_NE(cin->Sign(), nullptr);
        EXPECT_TRUE(cin->Sign()->isVisible());
        EXPECT_TRUE(cin->accessibleDescription().startsWith(QString(reason) + '.'));
    }
    // Re1 is checked against the stage's Re.
    Type(cin, "10u");
    Type(BoxNamed(&window, "Re1"), "500");
    EXPECT_EQ(Description(&window), "No analysis: Re1 is above Re (470.0 Ω).");
    Type(BoxNamed(&window, "Re1"), "470");
    EXPECT_TRUE(window.Analysis().ok());
    EXPECT_FALSE(cin->Sign()->isVisible());
    // A stage in cut-off has no analysis either.
    session.Calculate({"12", "100", "1000000", "4700", "2200", "470", core::Material::Silicon});
    EXPECT_EQ(Description(&window), "No analysis: the transistor is cut off.");
}

TEST(AmplifierWindow, PickCapacitorsWritesTheE6ValuesAndTheSessionKeepsThem) {
    ui::StageSession session;
    session.Calculate(WorkedExample());
    {
        ui::AmplifierWindow window(nullptr, &session);
        window.findChild<QPushButton*>()->click();
        EXPECT_EQ(BoxNamed(&window, "Cin")->text(), "68µ");
        EXPECT_EQ(BoxNamed(&window, "Ce")->text(), "1m");
        EXPECT_EQ(BoxNamed(&window, "Cout")->text(), "6.8µ");
        EXPECT_LE(*window.Analysis().figures.fL, 20);
        Type(BoxNamed(&window, "Low corner"), "0");
        EXPECT_FALSE(window.findChild<QPushButton*>()->isEnabled());
    }
    // A window made again shows what the session kept.
    ui::AmplifierWindow again(nullptr, &session);
    EXPECT_EQ(BoxNamed(&again, "Cin")->text(), "68µ");
    EXPECT_EQ(BoxNamed(&again, "Low corner")->text(), "0");
}

TEST(AmplifierWindow, TheLoadLineGainsTheAcLoadLineOnceTheAmplifierWindowHasOpened) {
    ui::StageSession session;
    ui::LoadLineWindow loadLine(nullptr, &session);
    session.Calculate(WorkedExample());
    const auto* picture = loadLine.findChild<QWidget*>("LoadLinePicture");
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->accessibleDescription().contains("AC load line"));

    ui::AmplifierWindow window(nullptr, &session);
    const QString ac = " AC load line: slope -1/1.803e+3 ohm, swing 3.921 V peak.";
    EXPECT_TRUE(picture->accessibleDescription().contains(ac))
        << picture->accessibleDescription().toStdString();
    // It follows the amplifier's inputs: no load leaves Rc alone.
    Type(BoxNamed(&window, "RL"), "");
    EXPECT_TRUE(picture->accessibleDescription().contains("slope -1/2.200e+3 ohm"));
    Type(BoxNamed(&window, "Cin"), "x");
    EXPECT_FALSE(picture->accessibleDescription().contains("AC load line"));
}

}  // namespace
