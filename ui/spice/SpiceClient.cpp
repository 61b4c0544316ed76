#include "ui/spice/SpiceClient.h"

#include <system_error>

#include "platform/ExecutableDir.h"
#include "ui/spice/HelperProcess.h"

namespace ui {
namespace {

sim::Status StatusOf(const sim::Answer& answer) {
    if (answer.point) return sim::Status::Of(*answer.point);
    return sim::Status::Because(sim::FailureReason(answer.failure));
}

}  // namespace

SpiceClient::SpiceClient(QString helperPath, QObject* parent, int answerMilliseconds)
    : QObject(parent),
      helper_(new HelperProcess(std::move(helperPath), answerMilliseconds, sim::kMaxLine, this)) {
    connect(helper_, &HelperProcess::LineRead, this, &SpiceClient::Take);
    connect(helper_, &HelperProcess::Failed, this, &SpiceClient::HelperFailed);
    connect(helper_, &HelperProcess::Ended, this, &SpiceClient::HelperEnded);
}

QString SpiceClient::DefaultHelperPath() {
#ifdef TINDREL_HELPER_DIR
    return QStringLiteral(TINDREL_HELPER_DIR "/tindrel-spice");
#else
    try {
        return QString::fromStdString(platform::ExecutableDir() + "/tindrel-spice");
    } catch (const std::system_error&) {
        // Then the helper counts as missing.
        return {};
    }
#endif
}

void SpiceClient::Simulate(const sim::Request& request) {
    if (inFlight_) {
        // The same request again needs only the answer already awaited.
        if (request == *inFlight_) {
            waiting_.reset();
        } else {
            waiting_ = request;
        }
        return;
    }
    Send(request);
}

void SpiceClient::Stop() {
    waiting_.reset();
    inFlight_.reset();
    helper_->Drop(HelperProcess::Ending::AtOnce);
}

void SpiceClient::Send(const sim::Request& request) {
    inFlight_ = request;
    helper_->Start();
    // A helper that cannot start may have answered the request already.
    if (!helper_->Running() || inFlight_ != request) return;
    helper_->Write(sim::FormatRequest(request));
}

void SpiceClient::Take(const QByteArray& line) {
    const std::optional<sim::Answer> answer = sim::ParseAnswer(line.toStdString());
    if (!inFlight_ || !answer) {
        // Not a helper of this program's: no later line can be trusted.
        HelperFailed(sim::FailureReason(sim::Failure::Request));
        return;
    }
    // A helper whose ngspice gave up ends: the next request goes to a fresh
    // one.
    if (!answer->point && answer->failure == sim::Failure::Exit)
        helper_->Drop(HelperProcess::Ending::AtInputEnd);
    Finish(StatusOf(*answer));
}

void SpiceClient::HelperEnded(const std::string& reason) {
    if (inFlight_) {
        HelperFailed(reason);
        return;
    }
    // It ended after its last answer (ngspice gave up): the next request
    // starts a fresh one.
    helper_->Drop(HelperProcess::Ending::AtInputEnd);
}

void SpiceClient::HelperFailed(const std::string& reason) {
    helper_->Drop(HelperProcess::Ending::AtOnce);
    // The reason is the request's that was sent; one that waits goes to a
    // fresh helper.
    if (inFlight_) Finish(sim::Status::Because(reason));
}

void SpiceClient::Finish(const sim::Status& status) {
    helper_->StopWaiting();
    const sim::Request done = *inFlight_;
    inFlight_.reset();
    if (waiting_) {
        const sim::Request next = *waiting_;
        waiting_.reset();
        Send(next);
    }
    emit Simulated(done, status);
}

}  // namespace ui
