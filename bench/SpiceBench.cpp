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
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "sim/AmpProtocol.h"
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

// The helper spoken to through plain pipes, as tindrel calc does.
class Pipes {
public:
    Pipes() {
        int in[2];
        int out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::close(in[1]);
            ::close(out[0]);
            ::execl(TINDREL_SPICE_HELPER, TINDREL_SPICE_HELPER, nullptr);
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        requests_ = ::fdopen(in[1], "w");
        answers_ = ::fdopen(out[0], "r");
    }
    ~Pipes() {
        if (requests_ != nullptr) std::fclose(requests_);
        if (answers_ != nullptr) std::fclose(answers_);
        int status = 0;
        if (pid_ > 0) ::waitpid(pid_, &status, 0);
        std::free(line_);
    }
    pid_t pid() const { return pid_; }
    void Send(const std::string& line) {
        std::fprintf(requests_, "%s\n", line.c_str());
        std::fflush(requests_);
    }
    // The next answer line starts with `opening`.
    bool Expect(const char* opening) {
        const ssize_t n = ::getline(&line_, &size_, answers_);
        return n > 0 && std::string_view(line_, static_cast<std::size_t>(n)).starts_with(opening);
    }

private:
    pid_t pid_ = -1;
    FILE* requests_ = nullptr;
    FILE* answers_ = nullptr;
    char* line_ = nullptr;
    std::size_t size_ = 0;
};

// Speaks to the helper through plain pipes, to run as many requests as fast.
void BM_SpiceMemoryOver10000Runs(benchmark::State& state) {
    Pipes helper;
    if (helper.pid() <= 0) {
        state.SkipWithError("no helper");
        return;
    }
    auto ask = [&](double rc) {
        sim::Request request = kWorkedExample;
        request.Rc = rc;
        helper.Send(sim::FormatRequest(request));
        return helper.Expect("TSP/2 ok ");
    };
    for (auto _ : state) {
        bool ok = ask(2200);
        const long start = ResidentKiB(helper.pid());
        for (int run = 0; ok && run < 10000; ++run) ok = ask(2200 + run % 100);
        const long end = ResidentKiB(helper.pid());
        if (!ok) state.SkipWithError("the helper gave no point");
        std::printf(
            "helper resident memory: %ld KiB after the first run, %ld KiB after 10000 more\n",
            start, end);
        state.counters["start_KiB"] = static_cast<double>(start);
        state.counters["end_KiB"] = static_cast<double>(end);
    }
}
BENCHMARK(BM_SpiceMemoryOver10000Runs)->Unit(benchmark::kMillisecond)->Iterations(1);

sim::AmpRequest DefaultAmplifier() {
    return {kWorkedExample, 600, 10e3, 0, 10e-6, 100e-6, 10e-6, 10e-3, 1e3};
}

// The amplifier's quick part (op, sweep, measurements, mid-band point) and
// its distortion run with the default signal, timed apart, with the helper
// running (targets: 30 ms and 300 ms).
void BM_AmpQuickPart(benchmark::State& state) {
    Pipes helper;
    sim::AmpRequest request = DefaultAmplifier();
    helper.Send(sim::FormatAmpRequest(request));
    if (!helper.Expect("TSP/2 ac ") || !helper.Expect("TSP/2 tran ")) {
        state.SkipWithError("the helper gave no amplifier");
        return;
    }
    for (auto _ : state) {
        request.stage.Rc = request.stage.Rc == 2200 ? 2201 : 2200;
        helper.Send(sim::FormatAmpRequest(request));
        const bool quick = helper.Expect("TSP/2 ac ");
        state.PauseTiming();
        const bool tran = helper.Expect("TSP/2 tran ");
        state.ResumeTiming();
        if (!quick || !tran) state.SkipWithError("the helper gave no amplifier");
    }
}
BENCHMARK(BM_AmpQuickPart)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_AmpDistortionRun(benchmark::State& state) {
    Pipes helper;
    sim::AmpRequest request = DefaultAmplifier();
    for (auto _ : state) {
        state.PauseTiming();
        request.stage.Rc = request.stage.Rc == 2200 ? 2201 : 2200;
        helper.Send(sim::FormatAmpRequest(request));
        const bool quick = helper.Expect("TSP/2 ac ");
        state.ResumeTiming();
        const bool tran = helper.Expect("TSP/2 tran ");
        if (!quick || !tran) state.SkipWithError("the helper gave no amplifier");
    }
}
BENCHMARK(BM_AmpDistortionRun)->Unit(benchmark::kMillisecond)->Iterations(30);

// How many amplifiers the memory run simulates: TINDREL_SPICE_RUNS, 10000
// for the full check, fewer by default so that make bench stays short.
int MemoryRuns() {
    const char* text = std::getenv("TINDREL_SPICE_RUNS");
    const int runs = text != nullptr ? std::atoi(text) : 100;
    return runs > 0 ? runs : 100;
}

void BM_AmpMemory(benchmark::State& state) {
    Pipes helper;
    sim::AmpRequest request = DefaultAmplifier();
    const int runs = MemoryRuns();
    for (auto _ : state) {
        helper.Send(sim::FormatAmpRequest(request));
        bool ok = helper.Expect("TSP/2 ac ") && helper.Expect("TSP/2 tran ");
        const long start = ResidentKiB(helper.pid());
        // Halfway too: memory that settles after a first rise differs from
        // memory that keeps growing only in its second half.
        long half = start;
        for (int run = 0; ok && run < runs; ++run) {
            request.stage.Rc = 2200 + run % 100;
            helper.Send(sim::FormatAmpRequest(request));
            ok = helper.Expect("TSP/2 ac ") && helper.Expect("TSP/2 tran ");
            if (run + 1 == runs / 2) half = ResidentKiB(helper.pid());
        }
        const long end = ResidentKiB(helper.pid());
        if (!ok) state.SkipWithError("the helper gave no amplifier");
        std::printf(
            "helper resident memory: %ld KiB after the first amplifier, %ld KiB after %d "
            "more, %ld KiB after %d\n",
            start, half, runs / 2, end, runs);
        state.counters["start_KiB"] = static_cast<double>(start);
        state.counters["half_KiB"] = static_cast<double>(half);
        state.counters["end_KiB"] = static_cast<double>(end);
    }
}
BENCHMARK(BM_AmpMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// tindrel calc --csv --ac --spice over 100 stages, as a user runs it
// (target: under 30 s).
void BM_CsvHundredStagesWithSpice(benchmark::State& state) {
    char path[] = "/tmp/tindrel-spice-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        state.SkipWithError("no temporary file");
        return;
    }
    std::string table = "Vcc,Beta,R1,R2,Rc,Re\n";
    for (int row = 0; row < 100; ++row) {
        table += "12,100,22000,4700," + std::to_string(2000 + 4 * row) + ",470\n";
    }
    if (::write(fd, table.data(), table.size()) != static_cast<ssize_t>(table.size())) {
        state.SkipWithError("could not write the table");
    }
    ::close(fd);
    const std::string command = std::string("'") + TINDREL_PROGRAM +
                                "' calc --csv --ac --spice 2N3904 <" + path + " >/dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("tindrel calc failed");
    }
    ::unlink(path);
}
BENCHMARK(BM_CsvHundredStagesWithSpice)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// The client needs an application object for its event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
