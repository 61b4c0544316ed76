#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "sim/Protocol.h"
#include "sim/Report.h"

namespace ui {

class HelperProcess;

// The window's side of the simulator helper, tindrel-spice (sim/Protocol.h):
// starts it on the first request, talks to it through QProcess's signals
// only and never waits for it. One request is under way at a time; a newer
// one waits for it, replacing any other that waits. A helper that does not
// answer in time is killed and only the request sent is answered with the
// reason; the one that waits then goes to a fresh helper. A missing, crashed
// or killed helper is started again by the next request.
class SpiceClient : public QObject {
    Q_OBJECT

public:
    static constexpr int kAnswerMilliseconds = 5000;

    explicit SpiceClient(QString helperPath = DefaultHelperPath(), QObject* parent = nullptr,
                         int answerMilliseconds = kAnswerMilliseconds);

    // Where the program looks for the helper: beside itself, or in the
    // packaged build under /usr/libexec/tindrel.
    static QString DefaultHelperPath();

    void Simulate(const sim::Request& request);
    // Kills the helper at once; the next request starts it again.
    void Stop();

signals:
    // The outcome of a request: a point, or why there is none.
    void Simulated(const sim::Request& request, const sim::Status& status);

private:
    void Send(const sim::Request& request);
    void Take(const QByteArray& line);
    void HelperEnded(const std::string& reason);
    void HelperFailed(const std::string& reason);
    void Finish(const sim::Status& status);

    HelperProcess* helper_;
    std::optional<sim::Request> inFlight_;
    std::optional<sim::Request> waiting_;
};

}  // namespace ui
