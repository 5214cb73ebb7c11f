// Matching one variable onto a 2000 x 2000 output layer from a 500 x 500 input
// grid with MESH 3, against a plain copy of the same number of bytes. Prints
// the ratio of the two times at the end (target: at most 2).
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "tool/gridding.hpp"

namespace {

constexpr int OUT_N = 2000;
constexpr int IN_N = 500;
constexpr std::size_t LAYER = static_cast<std::size_t>(OUT_N) * OUT_N;

const pondra::OutputGrid OUT{OUT_N, OUT_N, -1000000.0f, -1000000.0f, 12000.0f};
const pondra::InputGrid IN{IN_N, IN_N, -1000000.0, -1000000.0, 36000.0, 36000.0};

std::vector<float> input_grid(bool with_missing) {
    std::vector<float> g(static_cast<std::size_t>(IN_N) * IN_N);
    for (std::size_t k = 0; k < g.size(); ++k)
        g[k] = with_missing && k % 97 == 0 ? pondra::MISSING : static_cast<float>(k % 1000) * 0.5f;
    return g;
}

void BM_GriddingLayer(benchmark::State& state) {
    const std::vector<float> grid = input_grid(state.range(0) != 0);
    std::vector<float> layer(LAYER, 0.0f);
    const pondra::GridMatch match(OUT, IN, pondra::mesh_factor(IN.XCELL3D, OUT.CELL));
    for (auto _ : state) {
        match.apply(grid.data(), layer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(LAYER * sizeof(float)));
}
BENCHMARK(BM_GriddingLayer)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GriddingWithTables(benchmark::State& state) {
    const std::vector<float> grid = input_grid(false);
    std::vector<float> layer(LAYER, 0.0f);
    for (auto _ : state) {
        pondra::match_grid(OUT, IN, pondra::mesh_factor(IN.XCELL3D, OUT.CELL), grid.data(), layer.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GriddingWithTables)->Unit(benchmark::kMillisecond);

void BM_CopyLayer(benchmark::State& state) {
    std::vector<float> src(LAYER, 1.0f), dst(LAYER, 0.0f);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), LAYER * sizeof(float));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(LAYER * sizeof(float)));
}
BENCHMARK(BM_CopyLayer)->Unit(benchmark::kMillisecond);

// Console output plus the time per iteration of every run, by name.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.iterations > 0) seconds[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto grid = reporter.seconds.find("BM_GriddingLayer/0");
    const auto copy = reporter.seconds.find("BM_CopyLayer");
    if (grid != reporter.seconds.end() && copy != reporter.seconds.end() && copy->second > 0)
        std::cout << "gridding / copy time ratio: " << grid->second / copy->second << " (target: at most 2)\n";
    benchmark::Shutdown();
    return 0;
}
