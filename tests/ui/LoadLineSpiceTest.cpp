// The load line window's real transistor, with the program's own helper and
// with stand-ins that die or hang in the middle of a request.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "core/BiasPoint.h"
#include "sim/Models.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/session/StageSession.h"

namespace {

core::Calculation Calculate(double Vcc, core::Material material = core::Material::Silicon) {
    core::Calculation calculation;
    calculation.stage = {Vcc, 100, 22000, 4700, 2200, 470, material};
    const core::Stage& s = calculation.stage;
    calculation.outcome = core::ComputeBiasPoint(s.Vcc, s.Beta, s.R1, s.R2, s.Rc, s.Re, s.Vbe());
    return calculation;
}

const QString kLoadLine =
    "Load line: Vce = 12.00 V at Ic = 0, Ic = 4.486e-3 A at Vce = 0. Q point: Vce = 4.121 V, Ic = "
    "2.946e-3 A, active region.";
const QString kSimulated =
    "2N3904 in SPICE: Ic = 2.853 mA, Vce = 4.376 V, Vbe = 0.692 V, Ic/Ib = 156; the calculated Ic "
    "is "
    "3.3 % higher.";

// The simulated point's marker is the one thing drawn in the palette's link
// colour.
bool HasMarker(const QImage& picture) {
    const QRgb ink = QPalette().color(QPalette::Link).rgb();
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) == ink) return true;
        }
    }
    return false;
}

// The helpers (or stand-ins named `name`) this process has started that
// still run.
int RunningHelpers(const QString& name = "tindrel-spice") {
    int running = 0;
    const QString parent = QString::number(QCoreApplication::applicationPid());
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // pid (comm) state ppid ...
        const QString line = QString::fromUtf8(stat.readAll());
        const QStringList rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("(" + name + ")") && rest.size() > 1 && rest[1] == parent &&
            rest[0] != "Z") {
            ++running;
        }
    }
    return running;
}

class LoadLineSpice : public testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<ui::LoadLineWindow>(&owner_, &session_);
        window_->UseSpiceHelper(TINDREL_SPICE_HELPER, 5000);
        window_->show();
        picture_ = window_->findChild<QWidget*>("LoadLinePicture");
        sentence_ = window_->findChild<QLabel*>("SpiceSentence");
        part_ = window_->findChild<QComboBox*>("RealTransistor");
        ASSERT_TRUE(picture_ && sentence_ && part_);
    }

    // A stand-in helper: `first` for its first start, the real one after.
    QString StandIn(const QString& name, const QString& first) {
        const QString path = dir_.filePath(name);
        QFile script(path);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nif [ ! -e '%1' ]; then : >'%1'; read line; %2; fi\n"
                                    "exec '%3'\n")
                         .arg(dir_.filePath("started"), first, TINDREL_SPICE_HELPER)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        return path;
    }

    QString Sentence() const { return sentence_->text(); }
    // Whether the sentence comes to start with `expected` while events run.
    bool Awaits(const QString& expected) const {
        return QTest::qWaitFor([&] { return Sentence().startsWith(expected); }, 5000);
    }
    QString Description() const { return picture_->accessibleDescription(); }

    QWidget owner_;
    ui::StageSession session_;
    QTemporaryDir dir_;
    std::unique_ptr<ui::LoadLineWindow> window_;
    QWidget* picture_ = nullptr;
    QLabel* sentence_ = nullptr;
    QComboBox* part_ = nullptr;
};

TEST_F(LoadLineSpice, SimulatedPointFollowsTheChoiceAndEveryCalculate) {
    // None, the built-in parts and "Add Your Own...".
    EXPECT_EQ(part_->count(), 2 + static_cast<int>(sim::kParts.size()));
    EXPECT_EQ(part_->currentText(), "None");
    EXPECT_EQ(part_->accessibleName(), "Real transistor");
    session_.Keep(Calculate(12));
    // The load line's part and the spread's, which the simulation's follows.
    const QString before = Description();
    EXPECT_TRUE(before.startsWith(kLoadLine)) << before.toStdString();
    EXPECT_FALSE(sentence_->isVisible());
    EXPECT_FALSE(HasMarker(window_->Picture()));

    part_->setCurrentText("2N3904");
    // Under way: no marker, and the description says so.
    EXPECT_EQ(Description().toStdString(),
              (before + " SPICE with 2N3904: simulating.").toStdString());
    EXPECT_FALSE(HasMarker(window_->Picture()));
    EXPECT_TRUE(Awaits(kSimulated)) << Sentence().toStdString();
    EXPECT_EQ(Description().toStdString(),
              (before + " SPICE with 2N3904: Vce = 4.376 V, Ic = 2.853e-3 A, Vbe = 692.4e-3 V, "
                        "Ic/Ib = 156.0.")
                  .toStdString());
    EXPECT_TRUE(HasMarker(window_->Picture()));
    // The same Calculate again keeps the point on show: the marker does not
    // blink.
    session_.Keep(Calculate(12));
    EXPECT_EQ(Sentence(), kSimulated);
    EXPECT_TRUE(HasMarker(window_->Picture()));

    part_->setCurrentText("BC547B");
    EXPECT_TRUE(Awaits("BC547B in SPICE: Ic = 2.981 mA, Vce = 4.036 V"))
        << Sentence().toStdString();

    // Refused at once, without asking the helper.
    session_.Keep(Calculate(12, core::Material::Germanium));
    EXPECT_EQ(Sentence(),
              "No simulation: there is no published SPICE model of a germanium transistor.");
    session_.Keep(Calculate(2000));
    EXPECT_TRUE(Description().endsWith(
        " SPICE with BC547B: no simulation: Vcc lies outside 0.1 V to 1000 V."));

    part_->setCurrentText("None");
    session_.Keep(Calculate(12));
    EXPECT_FALSE(sentence_->isVisible());
    EXPECT_EQ(Description().toStdString(), before.toStdString());
}

// A helper that dies in the middle of a request, one that stops (SIGSTOP) and
// never answers, one whose ngspice gives up, and one that is missing: each is said, and the next
// Calculate starts a working helper again.
TEST_F(LoadLineSpice, HelperThatDiesHangsOrIsMissingIsReported) {
    struct Case {
        QString helper;
        QString sentence;
    };
    const Case cases[] = {
        {StandIn("dies", "kill -KILL $$"),
         "2N3904 in SPICE: the simulator tindrel-spice stopped without answering: install the "
         "Debian package libngspice0 if it is missing; the next Calculate starts it again."},
        {StandIn("stops", "kill -STOP $$"),
         "2N3904 in SPICE: the simulator did not answer within 1 s and was stopped; the next "
         "Calculate starts it again."},
        {StandIn("gives-up", "echo 'TSP/2 error exit'; exit 1"),
         "2N3904 in SPICE: ngspice gave up on this stage; the next Calculate starts it afresh."},
        {dir_.filePath("missing"),
         "2N3904 in SPICE: the simulator tindrel-spice cannot start: install the Debian package "
         "libngspice0."},
    };
    part_->setCurrentText("2N3904");
    for (const Case& c : cases) {
        QFile::remove(dir_.filePath("started"));
        window_->UseSpiceHelper(c.helper, 300);
        session_.Keep(Calculate(12));
        EXPECT_TRUE(Awaits(c.sentence)) << Sentence().toStdString();
        EXPECT_TRUE(Description().endsWith(" SPICE with 2N3904: " + c.sentence.mid(17)));
        if (c.helper.endsWith("missing")) continue;
        session_.Keep(Calculate(12));
        EXPECT_TRUE(Awaits(kSimulated)) << Sentence().toStdString();
    }
}

// A request made while the helper hangs over an earlier one is not blamed for
// the earlier one's time-out: it goes to a fresh helper of its own.
TEST_F(LoadLineSpice, NewestRequestOutlivesAnEarlierTimeOut) {
    part_->setCurrentText("2N3904");
    window_->UseSpiceHelper(StandIn("stops", "kill -STOP $$"), 300);
    session_.Keep(Calculate(11));
    session_.Keep(Calculate(12));
    EXPECT_TRUE(Awaits(kSimulated)) << Sentence().toStdString();
}

// A helper busy with a request is killed as the window closes, not left to
// finish.
TEST_F(LoadLineSpice, ClosingTheWindowKillsABusyHelper) {
    part_->setCurrentText("2N3904");
    window_->UseSpiceHelper(StandIn("busy", "kill -STOP $$"), 60000);
    session_.Keep(Calculate(12));
    EXPECT_TRUE(QTest::qWaitFor([] { return RunningHelpers("busy") == 1; }, 5000));
    window_->close();
    EXPECT_TRUE(QTest::qWaitFor([] { return RunningHelpers("busy") == 0; }, 5000));
}

// The helper ends with the window, a Calculate while it is closed starts
// none, and a window shown again asks afresh.
TEST_F(LoadLineSpice, ClosingTheWindowEndsTheHelper) {
    part_->setCurrentText("2N2222A");
    session_.Keep(Calculate(12));
    EXPECT_TRUE(Awaits("2N2222A in SPICE: Ic = 2.907 mA")) << Sentence().toStdString();
    EXPECT_EQ(RunningHelpers(), 1);
    window_->close();
    EXPECT_TRUE(QTest::qWaitFor([] { return RunningHelpers() == 0; }, 5000));
    session_.Keep(Calculate(11));
    session_.Keep(Calculate(12));
    EXPECT_FALSE(QTest::qWaitFor([] { return RunningHelpers() != 0; }, 300));
    window_->show();
    EXPECT_TRUE(Awaits("2N2222A in SPICE: Ic = 2.907 mA")) << Sentence().toStdString();
}

}  // namespace
