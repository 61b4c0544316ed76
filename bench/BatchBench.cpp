// tindrel calc --csv against the bare calculation and formatting of the same
// rows, in the same run: the batch should cost at most three times the bare
// work, and its peak memory should not grow with the number of rows.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/BiasPoint.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Values = std::array<double, 6>;  // Vcc, Beta, R1, R2, Rc, Re

// Stage `i` of a run: many shapes, every one of them computable. Made on
// the fly rather than held: see RunProgram for why the bench stays small.
Values MakeRow(std::size_t i) {
    return {5.0 + static_cast<double>(i % 25),       10.0 + static_cast<double>(i % 390),
            1e3 * static_cast<double>(10 + i % 90),  1e3 * static_cast<double>(1 + i % 20),
            100.0 * static_cast<double>(5 + i % 95), 10.0 * static_cast<double>(10 + i % 90)};
}

void AppendNumber(std::string& out, double value) {
    std::array<char, 32> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), result.ptr);
}

// The rows as CSV in a temporary file, returned by its name.
std::string WriteCsv(std::size_t rows) {
    std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                       "/tindrel-batch-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    std::FILE* file = ::fdopen(fd, "w");
    std::string text = "Vcc,Beta,R1,R2,Rc,Re\n";
    for (std::size_t r = 0; r < rows; ++r) {
        const Values row = MakeRow(r);
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text += ',';
            AppendNumber(text, row[i]);
        }
        text += '\n';
        if (text.size() > (1 << 20)) {
            std::fwrite(text.data(), 1, text.size(), file);
            text.clear();
        }
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
}

struct ChildRun {
    double seconds = 0;
    long peakKiB = 0;
};

// tindrel calc --csv < input > /dev/null, with no display to be had.
// Linux counts the peak memory of the process that started the program into
// the child's (the spawn shares or copies its memory until exec), so the
// bench holds no rows of its own.
ChildRun RunProgram(const std::string& input) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY=") ||
            entry.starts_with("QT_QPA_PLATFORM="))
            continue;
        environment.push_back(*e);
    }
    environment.push_back(nullptr);
    std::array<char*, 4> argv = {const_cast<char*>(TINDREL_PROGRAM), const_cast<char*>("calc"),
                                 const_cast<char*>("--csv"), nullptr};

    const auto start = Clock::now();
    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, TINDREL_PROGRAM, &files, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&files);
    if (error != 0) throw std::runtime_error("cannot start " TINDREL_PROGRAM);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ChildRun run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;  // KiB on Linux
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("tindrel calc --csv failed");
    return run;
}

// The work the batch cannot do without: each stage computed and its ten
// quantities written as the shortest text that reads back.
double BareSeconds(std::size_t rows) {
    const auto start = Clock::now();
    std::string out;
    out.reserve(1 << 16);
    for (std::size_t r = 0; r < rows; ++r) {
        const Values v = MakeRow(r);
        const core::BiasOutcome outcome =
            core::ComputeBiasPoint(v[0], v[1], v[2], v[3], v[4], v[5], core::kVbeSilicon);
        const core::BiasPoint& p = outcome.point;
        for (double value : {p.Ic, p.Ve, p.Vc, p.PR1, p.PR2, p.PRe, p.PRc, p.Pc, p.Pc0, p.S}) {
            AppendNumber(out, value);
            out += ',';
        }
        out += '\n';
        if (out.size() >= (1 << 16)) {
            benchmark::DoNotOptimize(out.data());
            out.clear();
        }
    }
    benchmark::DoNotOptimize(out.data());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_CalcCsv(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    const std::string input = WriteCsv(rows);
    double batch = 0;
    double bare = 0;
    long peak = 0;
    for (auto _ : state) {
        const ChildRun run = RunProgram(input);
        state.SetIterationTime(run.seconds);
        batch += run.seconds;
        bare += BareSeconds(rows);
        peak = std::max(peak, run.peakKiB);
    }
    ::unlink(input.c_str());
    const double n = static_cast<double>(state.iterations());
    state.counters["batch_s"] = batch / n;
    state.counters["bare_s"] = bare / n;
    state.counters["ratio"] = batch / bare;
    state.counters["peak_KiB"] = static_cast<double>(peak);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CalcCsv)->Arg(1000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcCsv)->Arg(1000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
