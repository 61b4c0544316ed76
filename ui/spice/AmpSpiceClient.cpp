#include "ui/spice/AmpSpiceClient.h"

#include "sim/Report.h"
#include "ui/spice/HelperProcess.h"

namespace ui {
AmpSpiceClient::AmpSpiceClient(QString helperPath, QObject* parent, int answerMilliseconds)
    : QObject(parent),
      helper_(
          new HelperProcess(std::move(helperPath), answerMilliseconds, sim::kMaxAnswerLine, this)) {
    connect(helper_, &HelperProcess::LineRead, this, &AmpSpiceClient::Read);
    connect(helper_, &HelperProcess::Failed, this, &AmpSpiceClient::HelperFailed);
    connect(helper_, &HelperProcess::Ended, this, &AmpSpiceClient::HelperEnded);
}

void AmpSpiceClient::Simulate(const core::Calculation& calculation,
                              const core::AmplifierInputs& inputs, const std::string& part) {
    const sim::AmpRequest request = sim::MakeAmpRequest(calculation.stage, inputs, part);
    if (const std::optional<std::string> reason = sim::CheckAmp(calculation.stage, inputs)) {
        // Whatever is under way is no longer wanted; its answer is not
        // reported even where its numbers are the same (a germanium stage
        // and its silicon twin).
        newest_.reset();
        waiting_.reset();
        result_ = sim::AmpResult::Because(sim::Refused(*reason));
        emit Simulated(request, result_);
        return;
    }
    Simulate(request);
}

void AmpSpiceClient::Simulate(const sim::AmpRequest& request) {
    // The same request again needs only the answers already awaited.
    if (newest_ == request && (inFlight_ == request || waiting_ == request)) return;
    newest_ = request;
    result_ = sim::AmpResult::Because(std::string(sim::kSimulating));
    if (inFlight_) {
        waiting_ = request;
        if (*inFlight_ == request) waiting_.reset();
        return;
    }
    Send(request);
}

void AmpSpiceClient::Stop() {
    newest_.reset();
    waiting_.reset();
    inFlight_.reset();
    helper_->Drop(HelperProcess::Ending::AtOnce);
}

void AmpSpiceClient::Send(const sim::AmpRequest& request) {
    inFlight_ = request;
    partial_ = sim::AmpResult::Because(std::string(sim::kSimulating));
    helper_->Start();
    // A helper that cannot start may have answered the request already.
    if (!helper_->Running() || inFlight_ != request) return;
    helper_->Write(sim::FormatAmpRequest(request));
}

void AmpSpiceClient::Read(const QByteArray& line) {
    const std::optional<sim::AmpAnswer> answer = sim::ParseAmpAnswer(line.toStdString());
    if (!inFlight_ || !answer) {
        // Not a helper of this program's: no later line can be trusted.
        HelperFailed(sim::FailureReason(sim::Failure::Request));
        return;
    }
    Take(*answer);
}

void AmpSpiceClient::Take(const sim::AmpAnswer& answer) {
    const bool quickPart = !partial_.ac && partial_.acReason == sim::kSimulating;
    if (const auto* ac = std::get_if<sim::AmpAc>(&answer); ac && quickPart) {
        partial_.ac = *ac;
        partial_.acReason.clear();
        helper_->AwaitAnswer();
        Report();
        return;
    }
    if (const auto* tran = std::get_if<sim::AmpTran>(&answer); tran && !quickPart) {
        partial_.tran = *tran;
        partial_.tranReason.clear();
        Finish();
        return;
    }
    if (const auto* failure = std::get_if<sim::Failure>(&answer)) {
        // A helper whose ngspice gave up ends: the next request goes to a
        // fresh one.
        if (*failure == sim::Failure::Exit) helper_->Drop(HelperProcess::Ending::AtInputEnd);
        if (quickPart) partial_.acReason = sim::FailureReason(*failure);
        partial_.tranReason = sim::FailureReason(*failure);
        Finish();
        return;
    }
    HelperFailed(sim::FailureReason(sim::Failure::Request));
}

void AmpSpiceClient::HelperEnded(const std::string& reason) {
    if (inFlight_) {
        HelperFailed(reason);
        return;
    }
    helper_->Drop(HelperProcess::Ending::AtInputEnd);
}

void AmpSpiceClient::HelperFailed(const std::string& reason) {
    helper_->Drop(HelperProcess::Ending::AtOnce);
    if (!inFlight_) return;
    // What was answered before stands.
    if (!partial_.ac) partial_.acReason = reason;
    partial_.tranReason = reason;
    Finish();
}

void AmpSpiceClient::Report() {
    // Only the newest request's figures are shown, and only while no newer
    // one waits.
    if (!inFlight_ || waiting_ || newest_ != inFlight_) return;
    result_ = partial_;
    emit Simulated(*inFlight_, result_);
}

void AmpSpiceClient::Finish() {
    helper_->StopWaiting();
    Report();
    inFlight_.reset();
    if (waiting_) {
        const sim::AmpRequest next = *waiting_;
        waiting_.reset();
        Send(next);
    }
}

}  // namespace ui
