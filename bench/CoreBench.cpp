#include <benchmark/benchmark.h>

#include <array>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/BiasPoint.h"
#include "core/Design.h"
#include "core/EngineeringFormat.h"
#include "ui/design/DesignText.h"

namespace {

// Values spread over the formatter's whole range, the same for both sides.
std::vector<double> SampleValues() {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    std::uniform_int_distribution<int> decade(-16, 12);
    std::vector<double> values(4096);
    for (double& v : values) {
        const int e = decade(random);
        v = unit(random) * std::pow(10.0, e);
        if (random() & 1) v = -v;
    }
    return values;
}

void BM_FormatEng(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) {
        double value = values[i++ & 4095];
        std::string text;
        std::string field;
        std::string imagField;
        core::FormatEng(value, text, field, imagField);
        benchmark::DoNotOptimize(field);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatEng);

void BM_ToCharsShortest(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) {
        std::array<char, 64> buffer;
        const auto result =
            std::to_chars(buffer.data(), buffer.data() + buffer.size(), values[i++ & 4095]);
        std::string text(buffer.data(), result.ptr);
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ToCharsShortest);

void BM_Calculate(benchmark::State& state) {
    double Vcc = 12.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Vcc);
        const core::BiasOutcome outcome =
            core::ComputeBiasPoint(Vcc, 100, 22000, 4700, 2200, 470, core::kVbeSilicon);
        std::vector<std::string> lines = core::BuildResultLines(outcome);
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_Calculate);

// What the design window does on each keystroke: the design and its
// description, then its spread line, which dominates.
void BM_Design(benchmark::State& state) {
    core::DesignTarget target;
    const bool withSpread = state.range(0) != 0;
    const core::SpreadSettings settings = core::DefaultSpreadSettings(target.Beta);
    for (auto _ : state) {
        // The whole target: given one double member of it, g++ 12 and this
        // library's DoNotOptimize handed back garbage.
        benchmark::DoNotOptimize(target);
        const core::Design design = core::MakeDesign(target);
        std::string text = ui::Describe(design);
        if (withSpread) text += ui::DesignSpreadLine(core::DesignSpread(design, settings));
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Design)->Arg(0)->Arg(1)->ArgName("spread");

}  // namespace
