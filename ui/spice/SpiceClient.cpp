#include "ui/spice/SpiceClient.h"

#include <QProcess>
#include <QTimer>
#include <system_error>

#include "platform/ExecutableDir.h"

namespace ui {
namespace {

// The loader's status for a program whose libraries are missing.
constexpr int kLibraryMissing = 127;

sim::Status StatusOf(const sim::Answer& answer) {
    if (answer.point) return sim::Status::Of(*answer.point);
    return sim::Status::Because(sim::FailureReason(answer.failure));
}

}  // namespace

SpiceClient::SpiceClient(QString helperPath, QObject* parent, int answerMilliseconds)
    : QObject(parent),
      helperPath_(std::move(helperPath)),
      answerMilliseconds_(answerMilliseconds),
      deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] {
        HelperFailed(sim::HelperTimedOutReason((answerMilliseconds_ + 999) / 1000));
    });
}

SpiceClient::~SpiceClient() {
    if (process_ == nullptr) return;
    // Only as the window goes: a killed process ends at once.
    process_->disconnect(this);
    process_->kill();
    process_->waitForFinished(1000);
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
    deadline_->stop();
    DropHelper(Ending::AtOnce);
}

void SpiceClient::Send(const sim::Request& request) {
    inFlight_ = request;
    if (process_ == nullptr) StartHelper();
    // A helper that cannot start may have answered the request already.
    if (process_ == nullptr || inFlight_ != request) return;
    // Held by QProcess until the helper has started.
    process_->write(QByteArray::fromStdString(sim::FormatRequest(request) + "\n"));
    deadline_->start(answerMilliseconds_);
}

void SpiceClient::StartHelper() {
    process_ = new QProcess(this);
    // What ngspice says on its error output is of no use to the window.
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &SpiceClient::ReadAnswers);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) HelperFailed(sim::HelperMissingReason());
    });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (!inFlight_) {
            // It ended after its last answer (ngspice gave up): the next
            // request starts a fresh one.
            DropHelper(Ending::AtInputEnd);
            return;
        }
        HelperFailed(status == QProcess::NormalExit && code == kLibraryMissing
                         ? sim::HelperMissingReason()
                         : sim::HelperStoppedReason());
    });
    process_->start(helperPath_, QStringList());
}

void SpiceClient::ReadAnswers() {
    while (process_ != nullptr && process_->canReadLine()) {
        const QByteArray line = process_->readLine().chopped(1);
        const std::optional<sim::Answer> answer = sim::ParseAnswer(line.toStdString());
        if (!inFlight_ || !answer) {
            // Not a helper of this program's: no later line can be trusted.
            HelperFailed(sim::FailureReason(sim::Failure::Request));
            return;
        }
        // A helper whose ngspice gave up ends: the next request goes to a
        // fresh one.
        if (!answer->point && answer->failure == sim::Failure::Exit) DropHelper(Ending::AtInputEnd);
        Finish(StatusOf(*answer));
    }
}

void SpiceClient::HelperFailed(const std::string& reason) {
    DropHelper(Ending::AtOnce);
    // The reason is the request's that was sent; one that waits goes to a
    // fresh helper.
    if (inFlight_) Finish(sim::Status::Because(reason));
}

void SpiceClient::Finish(const sim::Status& status) {
    deadline_->stop();
    const sim::Request done = *inFlight_;
    inFlight_.reset();
    if (waiting_) {
        const sim::Request next = *waiting_;
        waiting_.reset();
        Send(next);
    }
    emit Simulated(done, status);
}

void SpiceClient::DropHelper(Ending ending) {
    if (process_ == nullptr) return;
    QProcess* process = process_;
    process_ = nullptr;
    process->disconnect(this);
    deadline_->stop();
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // A helper between requests ends at the end of its input; one that is
    // busy, hung or no longer wanted is killed. Either way nothing here waits
    // for it.
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    if (ending == Ending::AtOnce || inFlight_) {
        process->kill();
    } else {
        process->closeWriteChannel();
        QTimer::singleShot(answerMilliseconds_, process, &QProcess::kill);
    }
}

}  // namespace ui
