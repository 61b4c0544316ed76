#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "core/Amplifier.h"
#include "core/Calculation.h"
#include "sim/AmpProtocol.h"
#include "sim/AmpReport.h"
#include "ui/spice/SpiceClient.h"

namespace ui {

class HelperProcess;

// The amplifier's side of the simulator helper (sim/AmpProtocol.h): a helper
// of its own, started on the first request and spoken to through QProcess's
// signals only. The newest request wins: one is under way at a time, a newer
// one waits for it, replacing any other that waits, and nothing of a request
// that a newer one replaced is ever reported. Each answer line has the time
// limit of the load line's client; a helper that misses it is killed, and a
// missing, crashed or killed helper is started again by the next request.
class AmpSpiceClient : public QObject {
    Q_OBJECT

public:
    explicit AmpSpiceClient(QString helperPath = SpiceClient::DefaultHelperPath(),
                            QObject* parent = nullptr,
                            int answerMilliseconds = SpiceClient::kAnswerMilliseconds);

    // A Calculate's stage with the amplifier's inputs and a part. A stage the
    // simulator does not take (germanium, values beyond its limits) is
    // reported at once with "no simulation: <reason>" and starts no helper.
    void Simulate(const core::Calculation& calculation, const core::AmplifierInputs& inputs,
                  const std::string& part);
    // The request as it stands; it must have passed sim::CheckAmp.
    void Simulate(const sim::AmpRequest& request);
    // Kills the helper at once and forgets every request; the next request
    // starts it again.
    void Stop();

    // The newest request and what is known of it so far; no request after
    // a refused stage.
    const std::optional<sim::AmpRequest>& Newest() const { return newest_; }
    const sim::AmpResult& Result() const { return result_; }
    bool Busy() const { return inFlight_.has_value(); }

signals:
    // The newest request's result has grown: its quick part is in (the
    // distortion run's still "simulating"), or both are, or it failed.
    void Simulated(const sim::AmpRequest& request, const sim::AmpResult& result);

private:
    void Send(const sim::AmpRequest& request);
    void Read(const QByteArray& line);
    void Take(const sim::AmpAnswer& answer);
    void HelperEnded(const std::string& reason);
    void HelperFailed(const std::string& reason);
    void Report();
    void Finish();

    HelperProcess* helper_;
    std::optional<sim::AmpRequest> newest_;
    std::optional<sim::AmpRequest> inFlight_;
    std::optional<sim::AmpRequest> waiting_;
    // What the request under way has answered so far.
    sim::AmpResult partial_;
    sim::AmpResult result_;
};

}  // namespace ui
