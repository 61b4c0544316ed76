// The amplifier's client of the helper, with the program's own helper and
// with stand-ins that are slow or die in the middle of a request.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "core/BiasPoint.h"
#include "ui/spice/AmpSpiceClient.h"

namespace {

core::Calculation Worked(core::Material material = core::Material::Silicon) {
    core::Calculation calculation;
    calculation.stage = {12, 100, 22000, 4700, 2200, 470, material};
    const core::Stage& s = calculation.stage;
    calculation.outcome = core::ComputeBiasPoint(s.Vcc, s.Beta, s.R1, s.R2, s.Rc, s.Re, s.Vbe());
    return calculation;
}

class AmpSpiceClient : public testing::Test {
protected:
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

    void Use(const QString& helper, int milliseconds = 5000) {
        client_ = std::make_unique<ui::AmpSpiceClient>(helper, nullptr, milliseconds);
        QObject::connect(client_.get(), &ui::AmpSpiceClient::Simulated,
                         [this](const sim::AmpRequest& request, const sim::AmpResult& result) {
                             seen_.push_back({request, result});
                         });
    }

    // Whether the newest request's result comes to be done while events run.
    bool AwaitsDone() {
        return QTest::qWaitFor([&] { return client_->Result().Done(); }, 10000);
    }

    QTemporaryDir dir_;
    std::unique_ptr<ui::AmpSpiceClient> client_;
    std::vector<std::pair<sim::AmpRequest, sim::AmpResult>> seen_;
};

// Two changes in a row to a helper that takes its time over each request:
// only the second's figures are ever reported.
TEST_F(AmpSpiceClient, NewestRequestWins) {
    Use(Script("slow", "while read line; do sleep 0.3; echo \"$line\"; done | \"$helper\""));
    core::AmplifierInputs bypassed;
    core::AmplifierInputs partly;
    partly.Re1 = 100;
    client_->Simulate(Worked(), bypassed, "2N3904");
    client_->Simulate(Worked(), partly, "2N3904");
    ASSERT_TRUE(AwaitsDone());
    ASSERT_FALSE(seen_.empty());
    for (const auto& [request, result] : seen_) EXPECT_EQ(request.Re1, 100);
    const sim::AmpResult& last = seen_.back().second;
    ASSERT_TRUE(last.ac && last.ac->Av.value && last.tran && last.tran->THD.value);
    // The worked example's 178 with Re bypassed; about 18 with 100 ohm in it.
    EXPECT_LT(*last.ac->Av.value, 25);
    EXPECT_GT(*last.tran->THD.value, 0);
}

// A germanium stage asks the same numbers as its silicon twin: refused while
// the twin is under way, the twin's figures are never reported for it.
TEST_F(AmpSpiceClient, ARefusedStageOutlivesItsTwinUnderWay) {
    Use(Script("slow", "while read line; do sleep 0.3; echo \"$line\"; done | \"$helper\""));
    client_->Simulate(Worked(), {}, "2N3904");
    client_->Simulate(Worked(core::Material::Germanium), {}, "2N3904");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !client_->Busy(); }, 10000));
    EXPECT_FALSE(client_->Result().ac);
    ASSERT_FALSE(seen_.empty());
    EXPECT_FALSE(seen_.back().second.ac);
}

// A helper killed during the distortion run: the quick part stands, the
// distortion says why it is missing, and the next change works again; the
// same for one that hangs. A refused stage is said at once.
TEST_F(AmpSpiceClient, HelperKilledDuringTheDistortionRun) {
    const QString mark = dir_.filePath("started");
    Use(Script("dies", "if [ ! -e '" + mark + "' ]; then : >'" + mark +
                           "'; read line; echo \"$line\" | \"$helper\" | head -n 1; kill -KILL $$; "
                           "fi\nexec \"$helper\""));
    client_->Simulate(Worked(), {}, "2N3904");
    ASSERT_TRUE(AwaitsDone());
    const sim::AmpResult& died = client_->Result();
    ASSERT_TRUE(died.ac && died.ac->Avs.value);
    EXPECT_NEAR(*died.ac->Avs.value, 117.2, 0.05);
    EXPECT_FALSE(died.tran);
    EXPECT_EQ(died.tranReason, sim::HelperStoppedReason());

    core::AmplifierInputs louder;
    louder.Amplitude = 20e-3;
    client_->Simulate(Worked(), louder, "2N3904");
    ASSERT_TRUE(AwaitsDone());
    ASSERT_TRUE(client_->Result().tran && client_->Result().tran->THD.value);
    EXPECT_GT(*client_->Result().tran->THD.value, 3.697);

    // One that stops and never answers is killed at the time limit.
    QFile::remove(mark);
    Use(Script("stops", "if [ ! -e '" + mark + "' ]; then : >'" + mark +
                            "'; read line; kill -STOP $$; fi\nexec \"$helper\""),
        300);
    client_->Simulate(Worked(), {}, "2N3904");
    ASSERT_TRUE(AwaitsDone());
    EXPECT_FALSE(client_->Result().ac);
    EXPECT_EQ(client_->Result().acReason, sim::HelperTimedOutReason(1));
    client_->Simulate(Worked(), louder, "2N3904");
    ASSERT_TRUE(AwaitsDone());
    EXPECT_TRUE(client_->Result().ac);

    client_->Simulate(Worked(core::Material::Germanium), {}, "2N3904");
    EXPECT_EQ(client_->Result().acReason,
              "no simulation: there is no published SPICE model of a germanium transistor");
    EXPECT_TRUE(client_->Result().Done());
}

}  // namespace
