#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/AmpProtocol.h"
#include "sim/Protocol.h"

namespace sim {

// ngspice's shared library, which is one instance per process and not
// re-entrant: made once, and called from one thread only.
class Ngspice {
public:
    // Called when ngspice gives up (its ControlledExit): from then on every
    // circuit would fail, so the caller answers and ends the process. It must
    // not return.
    using GaveUp = std::function<void()>;

    explicit Ngspice(GaveUp gaveUp);
    Ngspice(const Ngspice&) = delete;
    Ngspice& operator=(const Ngspice&) = delete;

    // One operating point at ngspice's default 27 °C, the temperature the
    // model cards are fitted at. The values must have passed CheckValues:
    // ngspice itself checks none. A PNP part's figures are those of the
    // mirrored stage, and so magnitudes.
    Answer Run(const Request& request);

    // The amplifier: its operating point, sweep, mid-band point and
    // distortion run, each answer handed to `answer` as soon as it is made
    // (sim/AmpProtocol.h). The request must have passed CheckAmp.
    using AmpAnswerer = std::function<void(const AmpAnswer&)>;
    void RunAmp(const AmpRequest& request, const AmpAnswerer& answer);

private:
    static int OnChar(char* line, int id, void* self);
    static int OnExit(int status, bool immediate, bool quit, int id, void* self);

    bool Command(const char* command);
    std::optional<Failure> ReportedFailure() const;
    Answer Read(const std::string& plot, bool pnp);
    void Clear();
    std::optional<Failure> Load(std::vector<std::string> netlist);
    // Runs an analysis; the name of the new plot it made, empty when it
    // made none or ngspice reported a failure.
    std::string Analyse(const std::string& command, std::string_view kind);
    std::optional<AmpPoint> ReadAmpPoint(const std::string& plot, const Request& request);
    AmpAc RunAc(const AmpRequest& request, const AmpPoint& op);
    AmpTran RunTran(const AmpRequest& request);

    GaveUp gaveUp_;
    // What ngspice wrote to its standard error during the current run.
    std::vector<std::string> errors_;
    unsigned runs_ = 0;
};

}  // namespace sim
