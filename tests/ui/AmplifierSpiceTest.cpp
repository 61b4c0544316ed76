// The amplifier window's real transistor, with the program's own helper and
// with stand-ins that are slow, die in the middle of a request or are
// missing.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "sim/ModelCard.h"
#include "sim/Models.h"
#include "ui/amplifier/AmplifierSpice.h"
#include "ui/amplifier/AmplifierWindow.h"
#include "ui/amplifier/ResponsePicture.h"
#include "ui/amplifier/WaveformPicture.h"
#include "ui/input/InputBox.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/parts/PartStore.h"
#include "ui/session/StageSession.h"
#include "ui/table/TextTable.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }
QT_END_NAMESPACE

namespace {

const QString kHand = "Hand: |Avs| = 111.7, fL = 119.5 Hz, fH = 539.4e+3 Hz.";
const QString kSpice = " SPICE with 2N3904: |Avs| = 117.2, fL = 129.6 Hz, fH = 937.0e+3 Hz, THD = ";

core::StageTexts Worked(const char* vcc = "12", core::Material material = core::Material::Silicon) {
    return {vcc, "100", "22000", "4700", "2200", "470", material};
}

class AmplifierSpice : public testing::Test {
protected:
    void SetUp() override {
        session_.Calculate(Worked());
        window_ = std::make_unique<ui::AmplifierWindow>(&owner_, &session_);
        window_->UseSpiceHelper(TINDREL_SPICE_HELPER, 5000);
        part_ = window_->findChild<QComboBox*>("RealTransistor");
        sentence_ = window_->findChild<QLabel*>("AmplifierSpiceSentence");
        table_ = window_->findChild<ui::TextTable*>("AmplifierTable");
        ASSERT_TRUE(part_ && sentence_ && table_);
    }

    // A stand-in for the helper: a shell script around the real one.
    QString Script(const QString& name, const QString& body) {
        const QString path = dir_.filePath(name);
        QFile script(path);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(
            ("#!/bin/sh\nhelper='" + QString(TINDREL_SPICE_HELPER) + "'\n" + body + "\n").toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        return path;
    }

    ui::InputBox* Box(const QString& name) const {
        for (auto* box : window_->findChildren<ui::InputBox*>()) {
            if (box->accessibleName() == name) return box;
        }
        return nullptr;
    }
    void Type(const QString& name, const QString& text) {
        Box(name)->selectAll();
        QTest::keyClicks(Box(name), text);
    }
    // SPICE's cell (column 1 of the shown table) in the row named `row`.
    QString Spice(const QString& row, int column = 1) const {
        for (int i = 0; i < table_->rowCount(); ++i) {
            if (table_->verticalHeaderItem(i)->text() == row)
                return table_->item(i, column)->text();
        }
        return "(no row " + row + ")";
    }
    QString Description() const {
        return window_->findChild<QWidget*>("ResponsePicture")->accessibleDescription();
    }
    // Whether SPICE's THD comes to be shown (or said missing) while events run.
    bool AwaitsThd() const {
        return QTest::qWaitFor([&] { return !Spice("HD2 / THD, %").isEmpty(); }, 15000);
    }

    QWidget owner_;
    ui::StageSession session_;
    QTemporaryDir dir_;
    std::unique_ptr<ui::AmplifierWindow> window_;
    QComboBox* part_ = nullptr;
    QLabel* sentence_ = nullptr;
    ui::TextTable* table_ = nullptr;
};

// One choice for both windows; the worked example's figures beside the
// hand's, in the table, the copy, the description and the waveform.
TEST_F(AmplifierSpice, TheWorkedExampleInSpiceBesideTheHandFigures) {
    ui::LoadLineWindow loadLine(&owner_, &session_);
    auto* loadLinePart = loadLine.findChild<QComboBox*>("RealTransistor");
    EXPECT_EQ(Description(), kHand);
    EXPECT_EQ(table_->columnCount(), 1);

    part_->setCurrentText("2N3904");
    EXPECT_EQ(session_.Part(), "2N3904");
    EXPECT_EQ(loadLinePart->currentText(), "2N3904");
    EXPECT_EQ(Description(), kHand + " SPICE with 2N3904: simulating.");
    ASSERT_TRUE(AwaitsThd());
    EXPECT_EQ(Description(), kHand + kSpice + "3.697 %.");
    EXPECT_EQ(Spice("|Av|"), "178.3");
    EXPECT_EQ(Spice("Zin, Ω"), "1.149e+3");
    EXPECT_EQ(Spice("hfe"), "172.4");
    EXPECT_EQ(Spice("hfe", 0), "100.0");
    EXPECT_EQ(Spice("Ic/Ib"), "156.0");
    EXPECT_EQ(Spice("Ic, A"), "2.853e-3");
    EXPECT_EQ(Spice("Zout, Ω"), "");  // not measured
    EXPECT_EQ(Spice("HD2 / THD, %"), "3.697");
    EXPECT_FALSE(sentence_->isVisibleTo(window_.get()));

    QTest::keyClick(table_, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith("\tHand\tSPICE (2N3904)\nIc, A\t2.946e-3\t2.853e-3\n"))
        << copied.toStdString();
    EXPECT_TRUE(copied.contains("\n|Avs|\t111.7\t117.2\n")) << copied.toStdString();

    // The last period, its mean taken off: about the mid-band gain's swing,
    // a little lopsided.
    const auto* waveform = window_->findChild<ui::WaveformPicture*>();
    ASSERT_TRUE(waveform && waveform->Wave());
    const ui::Waveform& wave = *waveform->Wave();
    EXPECT_NEAR(wave.period, 1e-3, 1e-12);
    const auto [low, high] = std::minmax_element(wave.spice.begin(), wave.spice.end());
    EXPECT_NEAR((*high - *low) / 2, 117.2 * 10e-3, 0.1);
    EXPECT_GT(std::fabs(*high + *low), 0.01);
    EXPECT_EQ(window_->findChild<QLabel*>("WaveformCaption")->text(),
              "SPICE's output with 2N3904 over one period: THD = 3.697 %.");

    // SPICE's sweep over the hand's curve, named in the legend.
    const auto* response = window_->findChild<ui::ResponsePicture*>();
    ASSERT_NE(response, nullptr);
    EXPECT_GT(response->SpiceCurve().size(), 500u);
    EXPECT_EQ(response->Legend().back().text, "SPICE (2N3904)");

    // Chosen in the load line window, the amplifier's follows; none takes
    // the column and the curve away.
    loadLinePart->setCurrentText("None");
    EXPECT_EQ(part_->currentText(), "None");
    EXPECT_EQ(Description(), kHand);
    EXPECT_EQ(table_->columnCount(), 1);
    EXPECT_TRUE(response->SpiceCurve().empty());
}

// Two changes in a row to a helper that takes its time over each request:
// only the second's figures are ever shown.
TEST_F(AmplifierSpice, TheNewestRequestWins) {
    window_->UseSpiceHelper(
        Script("slow", "while read line; do sleep 0.3; echo \"$line\"; done | \"$helper\""), 5000);
    std::vector<QString> shown;
    auto* spice = window_->findChild<ui::AmplifierSpice*>();
    QObject::connect(spice, &ui::AmplifierSpice::Changed, [&] { shown.push_back(Spice("|Av|")); });
    part_->setCurrentText("2N3904");
    Type("Re1", "100");
    Type("RL", "4.7k");
    ASSERT_TRUE(AwaitsThd());
    ASSERT_FALSE(shown.empty());
    // 178 with Re bypassed; about 12 with 100 Ω of it in and 4.7 kΩ of load.
    for (const QString& av : shown) {
        if (!av.isEmpty()) {
            EXPECT_LT(av.toDouble(), 15) << av.toStdString();
        }
    }
    EXPECT_LT(Spice("|Av|").toDouble(), 15);
    EXPECT_GT(Spice("|Av|").toDouble(), 5);
}

// A helper killed during the distortion run: the quick part stands, the
// window says why the rest is missing, and the next change works again. A
// missing helper is said too.
TEST_F(AmplifierSpice, AHelperKilledOrMissingIsSaidAndTheNextChangeWorks) {
    const QString mark = dir_.filePath("started");
    window_->UseSpiceHelper(Script("dies", "if [ ! -e '" + mark + "' ]; then : >'" + mark +
                                               "'; read line; echo \"$line\" | \"$helper\" | "
                                               "head -n 1; kill -KILL $$; fi\nexec \"$helper\""),
                            5000);
    part_->setCurrentText("2N3904");
    ASSERT_TRUE(AwaitsThd());
    EXPECT_EQ(Spice("|Avs|"), "117.2");
    EXPECT_EQ(Spice("HD2 / THD, %"), "\u2013");
    const QString stopped =
        "the simulator tindrel-spice stopped without answering: install the Debian package "
        "libngspice0 if it is missing; the next Calculate starts it again";
    EXPECT_EQ(sentence_->text(), "2N3904 in SPICE: THD: " + stopped + ".");
    EXPECT_TRUE(Description().endsWith(", fH = 937.0e+3 Hz, THD = none."));

    // As the sentence says, the next Calculate runs it again, with the same values too.
    session_.Calculate(Worked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Spice("HD2 / THD, %") == "3.697"; }, 15000))
        << Spice("HD2 / THD, %").toStdString();
    EXPECT_TRUE(sentence_->text().isEmpty());

    Type("Amplitude", "20m");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Spice("HD2 / THD, %").toDouble() > 3.697; }, 15000))
        << Spice("HD2 / THD, %").toStdString();
    EXPECT_TRUE(sentence_->text().isEmpty());

    // One that stops and never answers is killed at the time limit (long
    // enough for the real helper's runs on a busy machine).
    const QString stopMark = dir_.filePath("stopped");
    window_->UseSpiceHelper(
        Script("stops", "if [ ! -e '" + stopMark + "' ]; then : >'" + stopMark +
                            "'; read line; kill -STOP $$; fi\nexec \"$helper\""),
        1500);
    const QString late =
        "2N3904 in SPICE: the simulator did not answer within 2 s and was stopped; the next "
        "Calculate starts it again.";
    EXPECT_TRUE(QTest::qWaitFor([&] { return sentence_->text() == late; }, 10000))
        << sentence_->text().toStdString();
    Type("Amplitude", "10m");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Spice("HD2 / THD, %") == "3.697"; }, 15000))
        << Spice("HD2 / THD, %").toStdString();

    window_->UseSpiceHelper(dir_.filePath("missing"), 5000);
    const QString missing =
        "the simulator tindrel-spice cannot start: install the Debian package libngspice0";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return sentence_->text() == "2N3904 in SPICE: " + missing + "."; }, 5000))
        << sentence_->text().toStdString();
    EXPECT_EQ(Description(), kHand + " SPICE with 2N3904: " + missing + ".");
    EXPECT_EQ(Spice("|Av|"), "\u2013");
}

// The part's hfe, VA, fT and Cμ at this stage's point go into the transistor
// boxes, and the hand model then comes near SPICE's gain.
TEST_F(AmplifierSpice, UseThePartsValuesWritesTheTransistorBoxes) {
    auto* use = window_->findChild<QPushButton*>();
    for (auto* button : window_->findChildren<QPushButton*>()) {
        if (button->text() == "Use the Part's Values") use = button;
    }
    EXPECT_FALSE(use->isEnabled());
    part_->setCurrentText("2N3904");
    ASSERT_TRUE(AwaitsThd());
    ASSERT_TRUE(use->isEnabled());
    use->click();
    EXPECT_EQ(Box("hfe")->text(), "172.4");
    EXPECT_EQ(Box("VA")->text(), "74.03");  // the card's VAF
    EXPECT_TRUE(Box("fT")->text().endsWith("M")) << Box("fT")->text().toStdString();
    EXPECT_TRUE(Box("Cμ")->text().endsWith("p")) << Box("Cμ")->text().toStdString();
    EXPECT_EQ(session_.Amplifier().texts[core::IndexOf(core::AmplifierBox::kHfe)], "172.4");
    // The hand's gain was 205.4 against SPICE's 178.3; what is left is the
    // hand's higher Ic.
    EXPECT_LT(std::fabs(window_->Analysis().figures.Av - 178.3), 15);
    // The boxes are no part of the simulation: its figures stand.
    EXPECT_EQ(Spice("|Av|"), "178.3");
}

// The description's SPICE part while nothing is shown, and a refused stage.
TEST_F(AmplifierSpice, TheDescriptionSaysWhyNothingIsShown) {
    part_->setCurrentText("BC547B");
    session_.Calculate(Worked("12", core::Material::Germanium));
    EXPECT_TRUE(Description().endsWith(
        " SPICE with BC547B: no simulation: there is no published SPICE model of a germanium "
        "transistor."))
        << Description().toStdString();
    EXPECT_EQ(sentence_->text(),
              "No simulation: there is no published SPICE model of a germanium transistor.");
    session_.Calculate(Worked());
    Type("Cin", "2");
    EXPECT_TRUE(
        Description().endsWith(". SPICE with BC547B: no simulation: Cin lies outside 1 pF to 1 F."))
        << Description().toStdString();
    Type("Cin", "x");
    EXPECT_EQ(Description(),
              "No analysis: Cin cannot be read from \"x\" on. SPICE with BC547B: no simulation: "
              "Cin cannot be read from \"x\" on.");
}

// A part of the user's own (in the tests' own parts file) travels with its model: the 2N3906's card
// under another name gives the 2N3906's figures, mirrored to magnitudes.
TEST_F(AmplifierSpice, APartOfTheUsersOwnIsSimulatedWithItsModel) {
    const sim::CardScan scan = sim::ScanModelCards(*sim::ModelCard("2N3906"));
    ASSERT_EQ(scan.cards.size(), 1u);
    QString error;
    ASSERT_TRUE(session_.Parts()->ChangeOwnParts(
        [&](std::vector<storage::OwnPart>& parts) {
            parts.push_back({"MINE", scan.cards[0].model, {}});
        },
        error))
        << error.toStdString();
    part_->setCurrentText("MINE");
    ASSERT_TRUE(AwaitsThd());
    EXPECT_EQ(table_->horizontalHeaderItem(1)->text(), "SPICE (MINE)");
    EXPECT_EQ(Spice("|Avs|"), "105.7");
    EXPECT_EQ(Spice("Ic, A"), "2.820e-3");
    EXPECT_EQ(Spice("HD2 / THD, %"), "2.422");
    // The tests' parts file is left as it was found.
    EXPECT_TRUE(session_.Parts()->ChangeOwnParts(
        [](std::vector<storage::OwnPart>& parts) { parts.pop_back(); }, error));
}

}  // namespace

TEST(Chart, SymmetricAxisMirrorsItsTicksAboutZero) {
    const core::Axis axis = ui::chart::MakeScaleAxis(ui::chart::Scale::Symmetric(2.3), "V", 8);
    EXPECT_EQ(axis.unit, "V");
    ASSERT_FALSE(axis.ticks.empty());
    for (const core::AxisTick& tick : axis.ticks) {
        double expected = tick.fraction;
        if (tick.label == "0") expected = 0.5;
        if (tick.label == "2") expected = 0.5 + 1 / 2.3;
        if (tick.label == "-2") expected = 0.5 - 1 / 2.3;
        EXPECT_NEAR(tick.fraction, expected, 1e-12) << tick.label;
    }
    EXPECT_DOUBLE_EQ(ui::chart::Scale::Symmetric(2.3).Fraction(-2.3), 0);
}

TEST(Waveform, MeanComesOffByTheTrapezoidRule) {
    // Unevenly spaced: 1.5 V s over 3 s, where a plain average of the
    // samples would give 1 V.
    const std::vector<double> off = ui::WithoutMean({0, 2, 3}, {0, 0, 3});
    ASSERT_EQ(off.size(), 3u);
    EXPECT_DOUBLE_EQ(off[0], -0.5);
    EXPECT_DOUBLE_EQ(off[2], 2.5);
}
