#include "ui/spice/HelperProcess.h"

#include <QProcess>
#include <QTimer>

#include "sim/Report.h"

namespace ui {
namespace {

// The loader's status for a program whose libraries are missing.
constexpr int kLibraryMissing = 127;

}  // namespace

HelperProcess::HelperProcess(QString path, int answerMilliseconds, std::size_t maxLine,
                             QObject* parent)
    : QObject(parent),
      path_(std::move(path)),
      answerMilliseconds_(answerMilliseconds),
      maxLine_(maxLine),
      deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this,
            [this] { emit Failed(sim::HelperTimedOutReason((answerMilliseconds_ + 999) / 1000)); });
}

HelperProcess::~HelperProcess() {
    if (process_ == nullptr) return;
    // Only as the window goes: a killed process ends at once.
    process_->disconnect(this);
    process_->kill();
    process_->waitForFinished(1000);
}

void HelperProcess::Start() {
    if (process_ != nullptr) return;
    process_ = new QProcess(this);
    // What ngspice says on its error output is of no use to the window.
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &HelperProcess::ReadLines);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) emit Failed(sim::HelperMissingReason());
    });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        emit Ended(status == QProcess::NormalExit && code == kLibraryMissing
                       ? sim::HelperMissingReason()
                       : sim::HelperStoppedReason());
    });
    process_->start(path_, QStringList());
}

void HelperProcess::Write(const std::string& line) {
    if (process_ == nullptr) return;
    // Held by QProcess until the helper has started.
    process_->write(QByteArray::fromStdString(line + "\n"));
    AwaitAnswer();
}

void HelperProcess::AwaitAnswer() { deadline_->start(answerMilliseconds_); }

void HelperProcess::StopWaiting() { deadline_->stop(); }

void HelperProcess::ReadLines() {
    while (process_ != nullptr && process_->canReadLine()) {
        const QByteArray line = process_->readLine(qint64(maxLine_) + 1);
        if (!line.endsWith('\n')) {
            emit Failed(sim::FailureReason(sim::Failure::Request));
            return;
        }
        emit LineRead(line.chopped(1));
    }
    // A line longer than any answer is never waited for to its end.
    if (process_ != nullptr && process_->bytesAvailable() > qint64(maxLine_)) {
        emit Failed(sim::FailureReason(sim::Failure::Request));
    }
}

void HelperProcess::Drop(Ending ending) {
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
    if (ending == Ending::AtOnce) {
        process->kill();
    } else {
        process->closeWriteChannel();
        QTimer::singleShot(answerMilliseconds_, process, &QProcess::kill);
    }
}

}  // namespace ui
