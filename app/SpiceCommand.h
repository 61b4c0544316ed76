#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/AmpReport.h"
#include "sim/Protocol.h"

// tindrel calc --spice PART: the simulator helper run directly, without Qt,
// one process for a whole batch.

namespace app {

// What the helper made of one stage: its point, or with the amplifier its
// quick part and its distortion run, each there or not with the reason.
struct SpiceOutcome {
    std::optional<sim::Point> point;
    sim::AmpResult amp;
    // Why there is no point ("no simulation: ...", a failure); empty with one.
    std::string fault;
};

class SpiceRunner {
public:
    explicit SpiceRunner(std::string helperPath, int answerMilliseconds = 5000);
    ~SpiceRunner();
    SpiceRunner(const SpiceRunner&) = delete;
    SpiceRunner& operator=(const SpiceRunner&) = delete;

    SpiceOutcome Op(const sim::Request& request);
    SpiceOutcome Amp(const sim::AmpRequest& request);

private:
    bool Start();
    void Kill();
    // The next answer line, or nullopt with `reason` set.
    std::optional<std::string> Line(std::string& reason);
    bool Send(const std::string& line, std::string& reason);

    std::string helperPath_;
    int answerMilliseconds_;
    int pid_ = -1;
    int to_ = -1;
    int from_ = -1;
    std::string buffer_;
};

// Where the program finds its helper.
std::string HelperPath();

// The figures after the hand's, one row a line, with "SPICE (<part>):" first.
std::string SpiceTable(const std::string& part, const SpiceOutcome& outcome, bool ac);

// The CSV columns after the hand's, and a row's cells under them.
std::vector<std::string> SpiceColumns(bool ac);
std::vector<std::string> SpiceCells(const SpiceOutcome& outcome, bool ac, bool shown);

}  // namespace app
