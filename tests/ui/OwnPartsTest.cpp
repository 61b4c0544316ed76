// The user's own transistors in the windows: the dialog that reads a maker's
// text and adds parts, the ratings sentence, the Pd hyperbola and a PNP
// part's simulation.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "core/BiasPoint.h"
#include "core/LoadLine.h"
#include "core/Spread.h"
#include "storage/PartsFile.h"
#include "ui/input/InputBox.h"
#include "ui/loadline/LoadLinePicture.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/parts/OwnPartsDialog.h"
#include "ui/parts/PartStore.h"
#include "ui/parts/PartText.h"
#include "ui/session/StageSession.h"

namespace {

const char kMakersText[] =
    "* A maker's library, LTspice style\r\n"
    ".MODEL Q2N3906 PNP(Is=1.41f Xti=3 Eg=1.11 Vaf=18.7 Bf=180.7 Ne=1.5 Ise=0 Ikf=80m Xtb=1.5 "
    "Br=4.977 Nc=2 Isc=0 Ikr=0 Rc=2.5 Cjc=9.728p Mjc=.5776 Vjc=.75 Fc=.5 Cje=8.063p Mje=.3677 "
    "Vje=.75 Tr=33.42n Tf=179.3p Itf=.4 Vtf=4 Xtf=6 Rb=10)\r\n"
    ".model MY3904 NPN(IS=6.734f XTI=3 EG=1.11 VAF=74.03 BF=416.4 NE=1.259 ; typical\r\n"
    "+ ISE=6.734f IKF=66.78m XTB=1.5 BR=.7371 NC=2 ISC=0 IKR=0 RC=1\r\n"
    "* a comment between continuation lines\r\n"
    "+ CJC=3.638p MJC=.3085 VJC=.75 FC=.5 CJE=4.493p MJE=.2593 VJE=.75\r\n"
    "+ TR=239.5n TF=301.2p ITF=.4 VTF=4 XTF=2 RB=10 Vceo=40 Icrating=200m mfg=NXP BF2=1)\r\n"
    ".subckt BIGONE 1 2 3\r\n.model INNER NPN(BF=100)\r\n.ends\r\n";

// The text of every line of the dialog's list, cards and their parameters.
QStringList Lines(const QTreeWidget* tree) {
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* card = tree->topLevelItem(i);
        lines << card->text(0);
        for (int j = 0; j < card->childCount(); ++j) lines << "  " + card->child(j)->text(0);
    }
    return lines;
}

// Answers the next question box with `button`.
void Answer(QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [button] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(button)->click();
    });
}

core::Calculation Calculate(double Vcc, double Rc, double Re, double R1, double R2) {
    core::Calculation calculation;
    calculation.stage = {Vcc, 100, R1, R2, Rc, Re, core::Material::Silicon};
    const core::Stage& s = calculation.stage;
    calculation.outcome = core::ComputeBiasPoint(s.Vcc, s.Beta, s.R1, s.R2, s.Rc, s.Re, s.Vbe());
    return calculation;
}

// XDG_DATA_HOME points into a fresh folder for the test's length.
class OwnParts : public testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", home_.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", saved_); }
    QString PartsFile() const { return home_.filePath("tindrel/transistors.lib"); }

    QTemporaryDir home_;
    QByteArray saved_;
};

TEST_F(OwnParts, MakersCardsAreListedAddedAndSurviveARestart) {
    ui::StageSession session;
    ui::OwnPartsDialog dialog(session.Parts());
    auto* text = dialog.findChild<QPlainTextEdit*>("MakerText");
    auto* found = dialog.findChild<QTreeWidget*>("FoundParts");
    ASSERT_TRUE(text && found);
    text->setPlainText(QString::fromUtf8("\xEF\xBB\xBF") + kMakersText);
    const QStringList lines = Lines(found);
    const QString all = lines.join('\n');
    EXPECT_TRUE(lines.contains("Q2N3906 (line 2): PNP, 27 parameters taken, 0 left out"))
        << all.toStdString();
    EXPECT_TRUE(lines.contains("MY3904 (line 3): NPN, 27 parameters taken, 2 left out"))
        << all.toStdString();
    EXPECT_TRUE(lines.contains("  IKF = 66.78e-3: taken"));
    EXPECT_TRUE(lines.contains("  Vceo = 40.00 V: taken as the part's rating"));
    EXPECT_TRUE(lines.contains("  MFG: left out, not a parameter the simulation takes"));
    EXPECT_TRUE(lines.contains("  BF2: left out, not a parameter the simulation takes"));
    EXPECT_TRUE(
        lines.contains("BIGONE (line 8): refused, a part modelled as a subcircuit is not "
                       "supported; nothing of it is used"))
        << all.toStdString();
    EXPECT_FALSE(all.contains("INNER"));

    // Nothing ticked, nothing added.
    EXPECT_TRUE(dialog.AddTicked().isEmpty());
    EXPECT_FALSE(QFile::exists(PartsFile()));

    // MY3904 with the Pd its card lacks; a Vceo on the card cannot be typed over.
    QTreeWidgetItem* mine = found->topLevelItem(1);
    mine->setCheckState(0, Qt::Checked);
    found->setCurrentItem(mine->child(3));
    auto* vceo = dialog.findChild<ui::InputBox*>("RatingVceo");
    auto* pd = dialog.findChild<ui::InputBox*>("RatingPd");
    EXPECT_FALSE(vceo->isEnabled());
    // An empty box is a rating not given, not a fault to be marked.
    pd->setText("");
    ASSERT_TRUE(pd->isEnabled());
    for (const QAction* sign : pd->actions()) EXPECT_FALSE(sign->isVisible());
    pd->setText("1e999");
    EXPECT_TRUE(dialog.AddTicked().isEmpty());
    EXPECT_TRUE(dialog.Message().startsWith("The Pd rating typed for MY3904 is not taken"))
        << dialog.Message().toStdString();
    pd->setText("625 mW");
    QString added;
    QObject::connect(&dialog, &ui::OwnPartsDialog::PartAdded,
                     [&added](const QString& name) { added = name; });
    EXPECT_EQ(dialog.AddTicked(), "MY3904");
    EXPECT_EQ(added, "MY3904");
    EXPECT_TRUE(QFile::exists(PartsFile()));

    // The same name again asks; No keeps the part as it was.
    mine->setCheckState(0, Qt::Checked);
    found->setCurrentItem(mine);
    pd->setText("1");
    Answer(QMessageBox::No);
    EXPECT_TRUE(dialog.AddTicked().isEmpty());

    // A restart reads the part back, with the ratings of its card and the
    // one typed.
    ui::PartStore restarted;
    const auto part = restarted.Find("MY3904");
    ASSERT_TRUE(part);
    EXPECT_EQ(part->origin, storage::PartOrigin::Own);
    EXPECT_EQ(part->ratings, (core::PartRatings{40, 0.2, 0.625}));
    ASSERT_TRUE(part->model);
    EXPECT_EQ(part->model->parameters.size(), 27u);
    EXPECT_TRUE(restarted.TakeReadingNote().isEmpty());

    // Removing it empties the list of one's own parts.
    auto* own = dialog.findChild<QListWidget*>("OwnParts");
    ASSERT_EQ(own->count(), 1);
    own->setCurrentRow(0);
    dialog.findChild<QPushButton*>("Remove")->click();
    EXPECT_EQ(own->count(), 0);
    EXPECT_FALSE(ui::PartStore().Find("MY3904"));
}

TEST_F(OwnParts, AnAddedPartIsChosenAndSimulatedAfterARestart) {
    {
        QWidget owner;
        ui::StageSession session;
        ui::LoadLineWindow window(&owner, &session);
        auto* choice = window.findChild<QComboBox*>("RealTransistor");
        ASSERT_EQ(choice->itemText(choice->count() - 1), "Add Your Own...");
        choice->setCurrentIndex(choice->count() - 1);
        auto* dialog = window.findChild<ui::OwnPartsDialog*>();
        ASSERT_NE(dialog, nullptr);
        // The choice stays as it was while the dialog is open.
        EXPECT_EQ(choice->currentText(), "None");
        auto* found = dialog->findChild<QTreeWidget*>("FoundParts");
        dialog->findChild<QPlainTextEdit*>("MakerText")->setPlainText(kMakersText);
        // A shorter text while a card of the old one is current.
        found->setCurrentItem(found->topLevelItem(2));
        dialog->findChild<QPlainTextEdit*>("MakerText")
            ->setPlainText(QString(kMakersText).section("\r\n", 0, 1));
        ASSERT_EQ(found->topLevelItemCount(), 1);
        found->topLevelItem(0)->setCheckState(0, Qt::Checked);
        ASSERT_EQ(dialog->AddTicked(), "Q2N3906");
        EXPECT_EQ(choice->currentText(), "Q2N3906");
    }
    QWidget owner;
    ui::StageSession session;
    session.SetPart("Q2N3906");
    ui::LoadLineWindow window(&owner, &session);
    window.UseSpiceHelper(TINDREL_SPICE_HELPER, 5000);
    window.show();
    EXPECT_EQ(window.findChild<QComboBox*>("RealTransistor")->currentText(), "Q2N3906");
    session.Keep(Calculate(12, 2200, 470, 22000, 4700));
    auto* sentence = window.findChild<QLabel*>("SpiceSentence");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return sentence->text().startsWith("Q2N3906 (PNP, from \u221212 V) in SPICE: Ic = ");
        },
        5000))
        << sentence->text().toStdString();
    // The card carries no ratings, and the sentence says so.
    EXPECT_TRUE(window.findChild<QLabel*>("LoadLineSentence")
                    ->text()
                    .endsWith("No ratings are known for the Q2N3906, so the stage is not checked "
                              "against them."));
}

TEST_F(OwnParts, HostileTextAndFilesAddNothing) {
    ui::StageSession session;
    ui::OwnPartsDialog dialog(session.Parts());
    auto* text = dialog.findChild<QPlainTextEdit*>("MakerText");
    auto* found = dialog.findChild<QTreeWidget*>("FoundParts");
    QString hostile =
        ".control\nshell touch " + home_.filePath("owned") +
        "\n.endc\n.include /etc/passwd\n.param bf=100\n.model QX NPN(BF={bf})\n"
        ".model ../../etc NPN(BF=100)\n.model QM NMOS(VTO=1)\n.model QR NPN(BF=1 bf=2)\n" +
        QString(10000, 'x') + "\n" + QString::fromLatin1("\x01\x02\xff\xfe", 4);
    text->setPlainText(hostile);
    for (int i = 0; i < found->topLevelItemCount(); ++i) {
        EXPECT_FALSE(found->topLevelItem(i)->flags() & Qt::ItemIsUserCheckable);
        EXPECT_TRUE(found->topLevelItem(i)->text(0).contains("refused"));
        found->topLevelItem(i)->setCheckState(0, Qt::Checked);
    }
    EXPECT_EQ(found->topLevelItemCount(), 4);
    EXPECT_TRUE(dialog.AddTicked().isEmpty());

    // A file over 1 MiB is not read, and leaves the text as it was.
    QFile big(home_.filePath("big.lib"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(2 << 20, '*'));
    big.close();
    dialog.OpenFile(big.fileName());
    EXPECT_EQ(dialog.Message(), "big.lib is larger than 1 MiB and was not read.");
    // A pipe is not waited on.
    ASSERT_EQ(::mkfifo(home_.filePath("pipe.lib").toLocal8Bit().constData(), 0600), 0);
    dialog.OpenFile(home_.filePath("pipe.lib"));
    EXPECT_EQ(dialog.Message(), "pipe.lib is not a file and was not read.");
    dialog.OpenFile(home_.filePath("missing.lib"));
    EXPECT_TRUE(dialog.Message().startsWith("missing.lib could not be read: "));
    EXPECT_EQ(text->toPlainText(), hostile);
    EXPECT_FALSE(QFile::exists(PartsFile()));
    EXPECT_FALSE(QFile::exists(home_.filePath("owned")));
}

TEST_F(OwnParts, ADamagedPartsFileLosesItsBadLinesAndSaysSoOnce) {
    ASSERT_TRUE(QDir(home_.path()).mkpath("tindrel"));
    QFile file(PartsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(".model GOOD NPN(BF=100)\n.include /etc/passwd\n.model BAD NPN(BF={x})\n");
    file.close();
    QWidget owner;
    ui::StageSession session;
    ui::LoadLineWindow first(&owner, &session);
    auto* note = first.findChild<QLabel*>("PartsNote");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(),
              "2 lines of " + PartsFile() + " could not be read as parts and are left out.");
    EXPECT_GE(first.findChild<QComboBox*>("RealTransistor")->findText("GOOD"), 1);
    ui::LoadLineWindow second(&owner, &session);
    EXPECT_EQ(second.findChild<QLabel*>("PartsNote"), nullptr);
}

// A stage's figures against the 2N3904's ratings (40 V, 200 mA, 625 mW).
TEST(RatingsSentence, WithinAndBeyondEachRating) {
    const core::PartRatings ratings{40, 0.2, 0.625};
    const auto sentence = [&ratings](const core::RatedFigures& figures) {
        return ui::RatingsSentence("2N3904", ratings, core::CheckRatings(ratings, figures));
    };
    EXPECT_EQ(sentence({12, 2.9e-3, 12e-3, 3.6e-3, 14e-3, 2.8e-3, 12e-3}),
              "Within the 2N3904's ratings (Vceo 40 V, Ic 200 mA, Pd 625 mW).");
    EXPECT_EQ(sentence({48, 2.9e-3, 12e-3}),
              "Beyond the 2N3904's ratings: Vcc 48 V above Vceo 40 V (the transistor sees it when "
              "cut off).");
    EXPECT_EQ(sentence({12, 0.25, 0.5, std::nullopt, std::nullopt, 0.201, 0.4}),
              "Beyond the 2N3904's ratings: Ic 250 mA (calculated) above the rated Ic 200 mA.");
    // The spread's highest corner is over Pd where the calculated point is not;
    // a figure just above shows the digits that set it apart.
    EXPECT_EQ(sentence({12, 0.1, 0.6, 0.15, 0.71, 0.1, 0.6251}),
              "Beyond the 2N3904's ratings: Pc 0.71 W (spread's highest) above Pd 0.625 W.");
    EXPECT_EQ(sentence({12, 0.1, 0.6, 0.15, 0.6, 0.1, 0.6251}),
              "Beyond the 2N3904's ratings: Pc 0.6251 W (SPICE) above Pd 0.625 W.");
    EXPECT_EQ(ui::RatingsSentence("MINE", {40, std::nullopt, std::nullopt},
                                  core::CheckRatings({40, std::nullopt, std::nullopt}, {12})),
              "Within the MINE's ratings (Vceo 40 V; not known: Ic, Pd).");
}

// The spread's table holds amperes, as the ratings do: its highest Ic lies a
// little above the calculated point's, not a thousand times below it.
TEST(RatingsSentence, TheSpreadsHighestCurrentIsHeldInAmperes) {
    const core::Calculation calculation = Calculate(12, 2200, 470, 22000, 4700);
    core::Spread spread;
    core::ComputeSpread(calculation, core::SpreadSettings{}, spread);
    ASSERT_TRUE(spread.ok);
    const core::RatedFigures figures =
        ui::StageFigures(12, core::MakeLoadLine(calculation), &spread, std::nullopt);
    ASSERT_TRUE(figures.Ic && figures.spreadIc);
    EXPECT_GT(*figures.spreadIc, *figures.Ic);
    EXPECT_LT(*figures.spreadIc, 3 * *figures.Ic);
    // A part rated for 3 mA is beyond its rating at the spread's highest corner.
    const core::RatingsCheck check = core::CheckRatings({40, 3e-3, 0.625}, figures);
    ASSERT_EQ(check.exceeded.size(), 1u);
    EXPECT_EQ(check.exceeded[0].source, core::RatingSource::Spread);
}

TEST(RatingsSentence, TheLoadLineWindowHoldsTheStageAgainstThePart) {
    QWidget owner;
    ui::StageSession session;
    ui::LoadLineWindow window(&owner, &session);
    auto* sentence = window.findChild<QLabel*>("LoadLineSentence");
    session.Keep(Calculate(12, 2200, 470, 22000, 4700));
    const QString region = sentence->text();
    EXPECT_FALSE(region.contains("ratings"));
    session.SetPart("2N3904");
    EXPECT_EQ(sentence->text(),
              region + " Within the 2N3904's ratings (Vceo 40 V, Ic 200 mA, Pd 625 mW).");
    // 48 V over a stage that draws about 0.5 A.
    session.Keep(Calculate(48, 40, 10, 1000, 1000));
    EXPECT_TRUE(sentence->text().contains(
        "Beyond the 2N3904's ratings: Vcc 48 V above Vceo 40 V (the transistor sees it when cut "
        "off); Ic "))
        << sentence->text().toStdString();
}

TEST(LoadLinePicture, PdHyperbolaIsDrawnOnlyWhereItFallsInTheDrawnRange) {
    core::Calculation calculation = Calculate(12, 2200, 470, 22000, 4700);
    ui::LoadLinePicture picture;
    picture.resize(480, 340);
    picture.SetLine(core::MakeLoadLine(calculation));
    const QImage without = picture.grab().toImage();
    // Ic·Vce stays below 71 mW in this range: 625 mW is far beyond it.
    picture.SetPowerLimit(0.625);
    EXPECT_FALSE(picture.ShowsPowerLimit());
    EXPECT_EQ(picture.grab().toImage(), without);
    picture.SetPowerLimit(0.02);
    EXPECT_TRUE(picture.ShowsPowerLimit());
    EXPECT_NE(picture.grab().toImage(), without);
    picture.SetLine(core::LoadLine{});
    EXPECT_FALSE(picture.ShowsPowerLimit());
}

}  // namespace
