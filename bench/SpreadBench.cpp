// The spread (128 corners and 10,000 samples, each the first six steps of the
// calculation) against as many plain bias-point calculations of all thirteen,
// and the ratio of the two: the draws, regions and extremes should add little
// to the arithmetic.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/BiasPoint.h"
#include "core/Spread.h"

namespace {

const core::Stage kStage{12, 100, 22000, 4700, 2200, 470, core::Material::Silicon};

// Seven quantities with two ends each: 128 corners.
core::SpreadSettings AllSeven() {
    core::SpreadSettings settings = core::DefaultSpreadSettings(kStage.Beta);
    settings.vccTolerance = 10;
    settings.temperatureFrom = 0;
    settings.temperatureTo = 50;
    return settings;
}

void BM_Spread(benchmark::State& state) {
    const core::SpreadSettings settings = AllSeven();
    core::Spread spread;
    core::ComputeSpread(kStage, settings, spread);
    if (spread.corners != core::kMaxCorners) state.SkipWithError("not 128 corners");
    for (auto _ : state) {
        core::ComputeSpread(kStage, settings, spread);
        benchmark::DoNotOptimize(spread.activeSamples);
    }
}
BENCHMARK(BM_Spread);

// As many calculations as the spread makes, over inputs read from memory as
// the spread's draws are, so that none is folded away.
void BM_PlainCalculations(benchmark::State& state) {
    constexpr int kCount = core::kMaxCorners + core::kSpreadSamples;
    std::vector<double> beta(kCount);
    for (int i = 0; i < kCount; ++i) beta[i] = 50 + (i % 150);
    for (auto _ : state) {
        double sum = 0;
        for (double b : beta) {
            sum += core::ComputeBiasPoint(kStage.Vcc, b, kStage.R1, kStage.R2, kStage.Rc, kStage.Re,
                                          kStage.Vbe())
                       .point.Ic;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainCalculations);

// The console's report, keeping each benchmark's time for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) {
                times_[run.benchmark_name()] = {run.GetAdjustedCPUTime(),
                                                run.GetAdjustedRealTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // CPU and real time of one iteration; zeros for a benchmark not run.
    std::pair<double, double> Times(const std::string& name) const {
        const auto it = times_.find(name);
        return it == times_.end() ? std::pair{0.0, 0.0} : it->second;
    }

private:
    std::map<std::string, std::pair<double, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // CPU time first: on a shared machine the real time also counts others' work.
    const auto [spreadCpu, spreadReal] = reporter.Times("BM_Spread");
    const auto [plainCpu, plainReal] = reporter.Times("BM_PlainCalculations");
    if (plainCpu > 0 && plainReal > 0) {
        std::printf(
            "Spread / plain calculations: %.2f in CPU time, %.2f in real time (target at "
            "most 1.30)\n",
            spreadCpu / plainCpu, spreadReal / plainReal);
    }
    return 0;
}
