// The stage as an amplifier: one stage's analysis, corners included, and a
// 2,000-row table with the amplifier's columns against the bare analysis of
// the same rows, in the same run (the table should cost at most three times
// the bare work).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>

#include "core/Amplifier.h"
#include "core/BatchCalc.h"
#include "core/BiasPoint.h"

namespace {

using Clock = std::chrono::steady_clock;
using Values = std::array<double, 6>;  // Vcc, Beta, R1, R2, Rc, Re

// Stage `i`: many shapes, most of them in the active region.
Values MakeRow(std::size_t i) {
    return {9.0 + static_cast<double>(i % 16),        50.0 + static_cast<double>(i % 250),
            1e3 * static_cast<double>(20 + i % 40),   1e3 * static_cast<double>(3 + i % 5),
            100.0 * static_cast<double>(10 + i % 20), 10.0 * static_cast<double>(30 + i % 40)};
}

core::Calculation Calculate(const Values& v) {
    core::Calculation c;
    c.stage = {v[0], v[1], v[2], v[3], v[4], v[5], core::Material::Silicon};
    c.outcome = core::ComputeBiasPoint(v[0], v[1], v[2], v[3], v[4], v[5], core::kVbeSilicon);
    return c;
}

void AppendNumber(std::string& out, double value) {
    std::array<char, 32> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), result.ptr);
    out += ',';
}

void BM_AmplifierAnalysis(benchmark::State& state) {
    std::array<core::AmplifierDc, 64> stages;
    for (std::size_t i = 0; i < stages.size(); ++i)
        stages[i] = core::AmplifierDcOf(Calculate(MakeRow(i))).value();
    core::AmplifierInputs inputs;
    inputs.VA = 100;
    inputs.Re1 = 10;
    std::size_t i = 0;
    for (auto _ : state) {
        const core::AmplifierAnalysis analysis = core::Analyse(stages[i++ & 63], inputs);
        benchmark::DoNotOptimize(analysis.figures.fH);
    }
}
BENCHMARK(BM_AmplifierAnalysis)->Unit(benchmark::kMicrosecond);

constexpr std::size_t kRows = 2000;

std::string TableText() {
    std::string text = "Vcc,Beta,R1,R2,Rc,Re\n";
    for (std::size_t r = 0; r < kRows; ++r) {
        const Values v = MakeRow(r);
        for (double value : v) AppendNumber(text, value);
        text.back() = '\n';
    }
    return text;
}

// The work the table cannot do without: each stage computed and analysed,
// its numbers written as the shortest text that reads back.
double BareSeconds() {
    const auto start = Clock::now();
    std::string out;
    out.reserve(1 << 16);
    const core::AmplifierInputs inputs;
    for (std::size_t r = 0; r < kRows; ++r) {
        const core::Calculation c = Calculate(MakeRow(r));
        const core::BiasPoint& p = c.outcome.point;
        for (double value : {p.Ic, p.Ve, p.Vc, p.PR1, p.PR2, p.PRe, p.PRc, p.Pc, p.Pc0, p.S})
            AppendNumber(out, value);
        const core::AmplifierAnalysis a = core::Analyse(c, inputs);
        if (a.ok()) {
            for (const core::AmplifierRow& row : core::AmplifierRows(a.figures))
                AppendNumber(out, row.value.value_or(0));
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

// The table through the batch that tindrel calc --csv --ac runs.
double TableSeconds(std::string_view input) {
    const auto start = Clock::now();
    const auto source = [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min(size, input.size());
        std::memcpy(buffer, input.data(), n);
        input.remove_prefix(n);
        return n;
    };
    std::size_t written = 0;
    const auto sink = [&](std::string_view bytes) {
        written += bytes.size();
        return true;
    };
    const auto message = [](std::string_view) {};
    core::BatchOptions options;
    options.ac = true;
    options.acFault = [](const core::AmplifierAnalysis&) { return std::string("no analysis"); };
    core::RunBatch(source, sink, message, options);
    benchmark::DoNotOptimize(written);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_AmplifierCsv(benchmark::State& state) {
    const std::string input = TableText();
    double table = 0;
    double bare = 0;
    for (auto _ : state) {
        const double seconds = TableSeconds(input);
        state.SetIterationTime(seconds);
        table += seconds;
        bare += BareSeconds();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["table_ms"] = 1e3 * table / n;
    state.counters["bare_ms"] = 1e3 * bare / n;
    state.counters["ratio"] = table / bare;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
}
BENCHMARK(BM_AmplifierCsv)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
