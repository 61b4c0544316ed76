#include "ui/spice/AmpSpiceClient.h"

#include <QProcess>
#include <QTimer>

#include "sim/Report.h"

namespace ui {
namespace {

// The loader's status for a program whose libraries are missing.
constexpr int kLibraryMissing = 127;

}  // namespace

AmpSpiceClient::AmpSpiceClient(QString helperPath, QObject* parent, int answerMilliseconds)
    : QObject(parent),
      helperPath_(std::move(helperPath)),
      answerMilliseconds_(answerMilliseconds),
      deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] {
        HelperFailed(sim::HelperTimedOutReason((answerMilliseconds_ + 999) / 1000));
    });
}

AmpSpiceClient::~AmpSpiceClient() {
    if (process_ == nullptr) return;
    process_->disconnect(this);
    process_->kill();
    process_->waitForFinished(1000);
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
    deadline_->stop();
    DropHelper(true);
}

void AmpSpiceClient::Send(const sim::AmpRequest& request) {
    inFlight_ = request;
    partial_ = sim::AmpResult::Because(std::string(sim::kSimulating));
    if (process_ == nullptr) StartHelper();
    // A helper that cannot start may have answered the request already.
    if (process_ == nullptr || inFlight_ != request) return;
    process_->write(QByteArray::fromStdString(sim::FormatAmpRequest(request) + "\n"));
    deadline_->start(answerMilliseconds_);
}

void AmpSpiceClient::StartHelper() {
    process_ = new QProcess(this);
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &AmpSpiceClient::ReadAnswers);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) HelperFailed(sim::HelperMissingReason());
    });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (!inFlight_) {
            DropHelper(false);
            return;
        }
        HelperFailed(status == QProcess::NormalExit && code == kLibraryMissing
                         ? sim::HelperMissingReason()
                         : sim::HelperStoppedReason());
    });
    process_->start(helperPath_, QStringList());
}

void AmpSpiceClient::ReadAnswers() {
    while (process_ != nullptr && process_->canReadLine()) {
        const QByteArray line = process_->readLine(sim::kMaxAnswerLine + 1);
        const std::optional<sim::AmpAnswer> answer =
            line.endsWith('\n') ? sim::ParseAmpAnswer(line.chopped(1).toStdString()) : std::nullopt;
        if (!inFlight_ || !answer) {
            // Not a helper of this program's: no later line can be trusted.
            HelperFailed(sim::FailureReason(sim::Failure::Request));
            return;
        }
        Take(*answer);
    }
    // A line longer than any answer is never waited for to its end.
    if (process_ != nullptr && process_->bytesAvailable() > qint64(sim::kMaxAnswerLine)) {
        HelperFailed(sim::FailureReason(sim::Failure::Request));
    }
}

void AmpSpiceClient::Take(const sim::AmpAnswer& answer) {
    const bool quickPart = !partial_.ac && partial_.acReason == sim::kSimulating;
    if (const auto* ac = std::get_if<sim::AmpAc>(&answer); ac && quickPart) {
        partial_.ac = *ac;
        partial_.acReason.clear();
        deadline_->start(answerMilliseconds_);
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
        if (*failure == sim::Failure::Exit) DropHelper(false);
        if (quickPart) partial_.acReason = sim::FailureReason(*failure);
        partial_.tranReason = sim::FailureReason(*failure);
        Finish();
        return;
    }
    HelperFailed(sim::FailureReason(sim::Failure::Request));
}

void AmpSpiceClient::HelperFailed(const std::string& reason) {
    DropHelper(true);
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
    deadline_->stop();
    Report();
    inFlight_.reset();
    if (waiting_) {
        const sim::AmpRequest next = *waiting_;
        waiting_.reset();
        Send(next);
    }
}

void AmpSpiceClient::DropHelper(bool atOnce) {
    if (process_ == nullptr) return;
    QProcess* process = process_;
    process_ = nullptr;
    process->disconnect(this);
    deadline_->stop();
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    if (atOnce || inFlight_) {
        process->kill();
    } else {
        process->closeWriteChannel();
        QTimer::singleShot(answerMilliseconds_, process, &QProcess::kill);
    }
}

}  // namespace ui
