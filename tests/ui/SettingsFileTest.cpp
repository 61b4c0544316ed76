// The side windows' settings between runs: what one run keeps, the next reads
// back, and a damaged or hostile file gives the defaults.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ui/amplifier/AmplifierWindow.h"
#include "ui/design/DesignWindow.h"
#include "ui/input/InputBox.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/session/SettingsFile.h"
#include "ui/session/StageSession.h"

namespace {

// Each test's own configuration folder, never the user's.
class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        saved_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", saved_); }

    QString File() const { return home_.filePath(QStringLiteral("tindrel/tindrel.conf")); }
    void Write(const QByteArray& bytes) const {
        ASSERT_TRUE(QDir(home_.path()).mkpath(QStringLiteral("tindrel")));
        QFile file(File());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir home_;
    QByteArray saved_;
};

core::SpreadSettings SomeSpread() {
    core::SpreadSettings spread;
    spread.hfeFrom = 80.5;
    spread.hfeTo = 310;
    spread.resistorTolerance = 1;
    spread.vccTolerance = 0.1;
    spread.temperatureFrom = -40;
    spread.temperatureTo = 85;
    spread.hfeFollowsBeta = false;
    return spread;
}

core::DesignTarget SomeTarget() {
    core::DesignTarget target;
    target.Vcc = 15;
    target.Ic = 0.1 + 0.2;  // no short decimal: read back to the last bit
    target.Vce = 6.75;
    target.VeShare = 12;
    target.Beta = 250;
    target.stiffness = 0.05;
    target.material = core::Material::Germanium;
    target.series = core::Series::E96;
    return target;
}

TEST_F(SettingsFileTest, WhatOneRunKeepsTheNextReadsBack) {
    {
        ui::SettingsFile first;
        EXPECT_FALSE(first.Spread() || first.Part() || first.DesignTarget());
        first.SetSpread(SomeSpread());
        first.SetPart("BC547B");
        first.SetDesignTarget(SomeTarget());
        first.SetGeometry(QStringLiteral("LoadLineWindow"), QByteArray("\x01\xd9\xd0\xcb", 4));
        first.SetText(QStringLiteral("amplifier"), QStringLiteral("Rs"), QStringLiteral("6,8 k"));
    }
    ASSERT_TRUE(QFile::exists(File()));
    const ui::SettingsFile next;
    const std::optional<core::SpreadSettings> spread = next.Spread();
    ASSERT_TRUE(spread);
    const core::SpreadSettings expected = SomeSpread();
    EXPECT_EQ(spread->hfeFrom, expected.hfeFrom);
    EXPECT_EQ(spread->hfeTo, expected.hfeTo);
    EXPECT_EQ(spread->vccTolerance, expected.vccTolerance);
    EXPECT_EQ(spread->temperatureFrom, expected.temperatureFrom);
    EXPECT_FALSE(spread->hfeFollowsBeta);
    EXPECT_EQ(next.Part().value_or("?"), "BC547B");
    const std::optional<core::DesignTarget> target = next.DesignTarget();
    ASSERT_TRUE(target);
    EXPECT_EQ(target->Ic, 0.1 + 0.2);
    EXPECT_EQ(target->stiffness, 0.05);
    EXPECT_EQ(target->material, core::Material::Germanium);
    EXPECT_EQ(target->series, core::Series::E96);
    EXPECT_EQ(next.Geometry(QStringLiteral("LoadLineWindow")), QByteArray("\x01\xd9\xd0\xcb", 4));
    EXPECT_EQ(next.Text(QStringLiteral("amplifier"), QStringLiteral("Rs")).value_or("?"),
              QStringLiteral("6,8 k"));
}

// Whatever the file holds, each group is whole and in range, or absent.
TEST_F(SettingsFileTest, DamagedOrHostileFilesGiveTheDefaults) {
    QByteArray junk(1 << 20, '\0');
    QRandomGenerator(28).fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
    const QByteArray good =
        "[design]\nBeta=250\nIc=2\nVcc=15\nVce=6.75\nVeShare=12\nmaterial=Si\nseries=E24\n"
        "stiffness=0.1\n\n[spice]\npart=2N3904\n\n[spread]\nhfeFollowsBeta=false\nhfeFrom=50\n"
        "hfeTo=300\nresistorTolerance=5\ntemperatureFrom=-40\ntemperatureTo=85\n"
        "vccTolerance=0\n";
    const QByteArray cases[] = {
        junk,
        good.left(good.size() - 30),  // cut off in the spread group
        QByteArray(good).replace("hfeFrom=50", "hfeFrom=@Variant(\\0\\0\\0\\x13\\0\\0\\0\\x1)"),
        QByteArray(good).replace("hfeFrom=50", "hfeFrom=50, 60"),
        QByteArray(good).replace("hfeFrom=50", "hfeFrom=1e999"),
        QByteArray(good).replace("hfeFrom=50", "hfeFrom=nan"),
        QByteArray(good).replace("hfeFrom=50", "hfeFrom=50abc"),
        QByteArray(good).replace("hfeFrom=50", "hfeFrom=400"),  // above hfeTo
        QByteArray(good).replace("temperatureFrom=-40", "temperatureFrom=-300"),
        QByteArray(good).replace("resistorTolerance=5", "resistorTolerance=100"),
        QByteArray(good).replace("hfeFollowsBeta=false", "hfeFollowsBeta=1"),
    };
    Write(good);
    {
        const ui::SettingsFile file;
        EXPECT_TRUE(file.Spread() && file.Part() && file.DesignTarget());
    }
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.left(200).toStdString());
        Write(bytes);
        const ui::SettingsFile file;
        EXPECT_FALSE(file.Spread());
        EXPECT_TRUE(file.Geometry(QStringLiteral("LoadLineWindow")).isEmpty());
    }
    // The other groups, each spoilt on its own.
    const QByteArray spoilt[] = {
        QByteArray(good).replace("Vcc=15", "Vcc=1e300").replace("part=2N3904", "part=../../x"),
        QByteArray(good)
            .replace("series=E24", "series=E7")
            .replace("part=2N3904", "part=@Invalid()"),
        QByteArray(good)
            .replace("material=Si", "material=None")
            .replace("part=2N3904", "part=a name far longer than any part"),
    };
    for (const QByteArray& bytes : spoilt) {
        SCOPED_TRACE(bytes.toStdString());
        Write(bytes);
        const ui::SettingsFile file;
        EXPECT_TRUE(file.Spread());
        EXPECT_FALSE(file.DesignTarget());
        EXPECT_FALSE(file.Part());
    }
    // A folder where the file should be.
    QFile::remove(File());
    ASSERT_TRUE(QDir(home_.path()).mkpath(QStringLiteral("tindrel/tindrel.conf")));
    ui::SettingsFile folder;
    EXPECT_FALSE(folder.Spread() || folder.Part() || folder.DesignTarget());
    folder.SetPart("2N3904");
    folder.Sync();
    EXPECT_TRUE(QFileInfo(File()).isDir());
}

}  // namespace

// The session reads nothing until a side window first opens; then it takes
// back what the last run kept, and the side windows show it.
TEST_F(SettingsFileTest, SideWindowsSettingsAndPlacesSurviveARestart) {
    {
        ui::MainWindow form;
        form.ShowLoadLine();
        auto* loadLine = form.findChild<ui::LoadLineWindow*>();
        ASSERT_NE(loadLine, nullptr);
        loadLine->setGeometry(40, 50, 640, 520);
        auto* part = loadLine->findChild<QComboBox*>(QStringLiteral("RealTransistor"));
        ASSERT_NE(part, nullptr);
        part->setCurrentText(QStringLiteral("BC547B"));
        form.ShowDesign();
        auto* series = form.findChild<ui::DesignWindow*>()->findChild<QComboBox*>();
        ASSERT_NE(series, nullptr);
        series->setCurrentText(QStringLiteral("E96"));
        // Closing the program with the windows still open.
    }
    ASSERT_TRUE(QFile::exists(File()));

    ui::MainWindow form;
    form.ShowLoadLine();
    auto* loadLine = form.findChild<ui::LoadLineWindow*>();
    EXPECT_EQ(loadLine->findChild<QComboBox*>(QStringLiteral("RealTransistor"))->currentText(),
              QStringLiteral("BC547B"));
    EXPECT_EQ(loadLine->geometry(), QRect(40, 50, 640, 520));
    form.ShowDesign();
    EXPECT_EQ(form.findChild<ui::DesignWindow*>()->findChild<QComboBox*>()->currentText(),
              QStringLiteral("E96"));
}

// The amplifier's boxes are kept as typed, a bad one too, with its window's place.
TEST_F(SettingsFileTest, TheAmplifierInputsSurviveARestart) {
    {
        ui::MainWindow form;
        form.ShowAmplifier();
        auto* window = form.findChild<ui::AmplifierWindow*>();
        ASSERT_NE(window, nullptr);
        window->setGeometry(60, 70, 900, 500);
        for (auto* box : window->findChildren<ui::InputBox*>()) {
            if (box->accessibleName() == QStringLiteral("Cμ")) box->setText(QStringLiteral("3.5p"));
            if (box->accessibleName() == QStringLiteral("RL")) box->setText(QString());
            if (box->accessibleName() == QStringLiteral("Low corner"))
                box->setText(QStringLiteral("2x"));
        }
    }
    ui::MainWindow form;
    form.ShowAmplifier();
    const ui::AmplifierSettings& kept = form.Session().Amplifier();
    EXPECT_EQ(kept.texts[core::IndexOf(core::AmplifierBox::kCmu)], "3.5p");
    EXPECT_EQ(kept.texts[core::IndexOf(core::AmplifierBox::kRL)], "");
    EXPECT_EQ(kept.texts[core::IndexOf(core::AmplifierBox::kRs)], "600");
    EXPECT_EQ(kept.lowCorner, "2x");
    EXPECT_EQ(form.findChild<ui::AmplifierWindow*>()->geometry(), QRect(60, 70, 900, 500));
}
