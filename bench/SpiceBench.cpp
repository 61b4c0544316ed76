// The simulator helper: the round trip of one Calculate's request through the
// window's client with the helper already running (target: a median under
// 50 ms), and the helper's resident memory over 10,000 runs, which is to stay
// flat.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "sim/Protocol.h"
#include "ui/spice/SpiceClient.h"

namespace {

const sim::Request kWorkedExample{"2N3904", 12, 22000, 4700, 2200, 470};

// Runs the event loop until the client answers `request`.
bool RoundTrip(ui::SpiceClient& client, const sim::Request& request) {
    QEventLoop loop;
    bool simulated = false;
    const auto connection = QObject::connect(&client, &ui::SpiceClient::Simulated,
                                             [&](const sim::Request&, const sim::Status& status) {
                                                 simulated = status.point.has_value();
                                                 loop.quit();
                                             });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    client.Simulate(request);
    loop.exec();
    QObject::disconnect(connection);
    return simulated;
}

void BM_SpiceRoundTrip(benchmark::State& state) {
    ui::SpiceClient client(TINDREL_SPICE_HELPER);
    if (!RoundTrip(client, kWorkedExample)) {
        state.SkipWithError("the helper gave no point");
        return;
    }
    sim::Request request = kWorkedExample;
    for (auto _ : state) {
        // A new value each time, as a Calculate after an edit sends.
        request.Rc = request.Rc == 2200 ? 2201 : 2200;
        if (!RoundTrip(client, request)) {
            state.SkipWithError("the helper gave no point");
            return;
        }
    }
}
BENCHMARK(BM_SpiceRoundTrip)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end());
    });

// The helper's resident set in KiB, from /proc.
long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// Speaks to the helper through plain pipes, to run as many requests as fast.
void BM_SpiceMemoryOver10000Runs(benchmark::State& state) {
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) {
        state.SkipWithError("no pipe");
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::close(in[1]);
        ::close(out[0]);
        ::execl(TINDREL_SPICE_HELPER, TINDREL_SPICE_HELPER, nullptr);
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    FILE* requests = ::fdopen(in[1], "w");
    FILE* answers = ::fdopen(out[0], "r");
    char line[512];
    auto ask = [&](double rc) {
        sim::Request request = kWorkedExample;
        request.Rc = rc;
        std::fprintf(requests, "%s\n", sim::FormatRequest(request).c_str());
        std::fflush(requests);
        return std::fgets(line, sizeof line, answers) != nullptr &&
               std::string(line).rfind("TSP/2 ok ", 0) == 0;
    };
    for (auto _ : state) {
        bool ok = ask(2200);
        const long start = ResidentKiB(pid);
        for (int run = 0; ok && run < 10000; ++run) ok = ask(2200 + run % 100);
        const long end = ResidentKiB(pid);
        if (!ok) state.SkipWithError("the helper gave no point");
        std::printf(
            "helper resident memory: %ld KiB after the first run, %ld KiB after 10000 more\n",
            start, end);
        state.counters["start_KiB"] = static_cast<double>(start);
        state.counters["end_KiB"] = static_cast<double>(end);
    }
    std::fclose(requests);
    std::fclose(answers);
    int status = 0;
    ::waitpid(pid, &status, 0);
}
BENCHMARK(BM_SpiceMemoryOver10000Runs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// The client needs an application object for its event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
