// READ3 and WRITE3 against the bare netCDF hyperslab call they wrap, on the
// same open dataset in the same run: a 1000 x 1000 real variable and a 10 x 10
// one. After the runs the ratios and the per-call overhead are printed, with
// the cost of the steps the layer adds to a small transfer (name lookup, time
// axis, variable lookup, time-flag read or write).
#include <benchmark/benchmark.h>
#include <netcdf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "tests/transfer/file_def.hpp"
#include "transfer/transfer.hpp"

namespace fs = std::filesystem;
using namespace orvex;

namespace {

constexpr int SDATE = 2020001;

fs::path g_dir;

struct Grid {
    const char* read_name;   // opened read-only
    const char* write_name;  // opened read/write
    int ncols, nrows;
    std::vector<float> data;
};

Grid g_big{"BIGREAD", "BIGWRITE", 1000, 1000, {}};
Grid g_small{"SMALLREAD", "SMALLWRITE", 10, 10, {}};

void describe(const Grid& g) {
    transfer_test::FileDef d;
    d.ncols = g.ncols;
    d.nrows = g.nrows;
    d.nlays = 1;
    d.sdate = SDATE;
    transfer_test::describe(d);
}

void bind(const char* lname, const fs::path& p) { setenv(lname, p.c_str(), 1); }

bool make_files(Grid& g) {
    g.data.resize(static_cast<std::size_t>(g.ncols) * static_cast<std::size_t>(g.nrows));
    for (std::size_t i = 0; i < g.data.size(); ++i) g.data[i] = static_cast<float>(i % 977) * 0.5f;
    const fs::path rpath = g_dir / (std::string(g.read_name) + ".nc");
    const fs::path wpath = g_dir / (std::string(g.write_name) + ".nc");
    bind(g.read_name, rpath);
    bind(g.write_name, wpath);
    describe(g);
    if (!OPEN3(g.read_name, FSNEW3, "BENCH")) return false;
    if (!WRITE3(g.read_name, "O3", SDATE, 0, g.data.data())) return false;
    if (!CLOSE3(g.read_name) || !OPEN3(g.read_name, FSRDONLY3, "BENCH")) return false;
    describe(g);
    if (!OPEN3(g.write_name, FSNEW3, "BENCH")) return false;
    return WRITE3(g.write_name, "O3", SDATE, 0, g.data.data());
}

// The netCDF dataset and variable behind a logical name.
void handles(const char* lname, int& ncid, int& varid) {
    const detail::FileSlot& s = detail::slot(NAME2FID(lname));
    ncid = s.cdfid;
    varid = s.vars[0].vid;
}

void counters(benchmark::State& state, const Grid& g) {
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(g.data.size()) * 4);
}

void BM_READ3(benchmark::State& state, Grid* g) {
    std::vector<float> out(g->data.size());
    for (auto _ : state) {
        if (!READ3(g->read_name, "O3", 1, SDATE, 0, out.data())) state.SkipWithError("READ3 failed");
        benchmark::DoNotOptimize(out.data());
    }
    counters(state, *g);
}

void BM_nc_get_vara_float(benchmark::State& state, Grid* g) {
    std::vector<float> out(g->data.size());
    int ncid = 0, varid = 0;
    handles(g->read_name, ncid, varid);
    const std::size_t start[4] = {0, 0, 0, 0};
    const std::size_t count[4] = {1, 1, static_cast<std::size_t>(g->nrows), static_cast<std::size_t>(g->ncols)};
    for (auto _ : state) {
        if (nc_get_vara_float(ncid, varid, start, count, out.data()) != NC_NOERR) state.SkipWithError("get failed");
        benchmark::DoNotOptimize(out.data());
    }
    counters(state, *g);
}

void BM_WRITE3(benchmark::State& state, Grid* g) {
    for (auto _ : state)
        if (!WRITE3(g->write_name, "O3", SDATE, 0, g->data.data())) state.SkipWithError("WRITE3 failed");
    counters(state, *g);
}

void BM_nc_put_vara_float(benchmark::State& state, Grid* g) {
    int ncid = 0, varid = 0;
    handles(g->write_name, ncid, varid);
    const std::size_t start[4] = {0, 0, 0, 0};
    const std::size_t count[4] = {1, 1, static_cast<std::size_t>(g->nrows), static_cast<std::size_t>(g->ncols)};
    for (auto _ : state)
        if (nc_put_vara_float(ncid, varid, start, count, g->data.data()) != NC_NOERR) state.SkipWithError("put failed");
    counters(state, *g);
}

// ---- The steps a small READ3 or WRITE3 adds to the bare transfer ----------------

void BM_step_NAME2FID(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(NAME2FID(g_small.read_name));
}

void BM_step_JSTEP3(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(JSTEP3(SDATE, 0, SDATE, 0, 10000));
}

void BM_step_variable_lookup(benchmark::State& state) {
    const detail::FileSlot& s = detail::slot(NAME2FID(g_small.read_name));
    for (auto _ : state) benchmark::DoNotOptimize(detail::find_variable(s, "O3"));
}

void BM_step_tflag_read(benchmark::State& state) {
    const detail::FileSlot& s = detail::slot(NAME2FID(g_small.read_name));
    const detail::Hyperslab slab = detail::flag_slab(1, 1, 1);
    int pair[2];
    for (auto _ : state) benchmark::DoNotOptimize(detail::get_slab(s.cdfid, s.tindx, slab, QVINT, pair));
}

void BM_step_tflag_write(benchmark::State& state) {
    const detail::FileSlot& s = detail::slot(NAME2FID(g_small.write_name));
    const detail::Hyperslab slab = detail::flag_slab(1, 1, 1);
    const int pair[2] = {SDATE, 0};
    for (auto _ : state) benchmark::DoNotOptimize(detail::put_slab(s.cdfid, s.tindx, slab, QVINT, pair));
}

void BM_step_rank_check(benchmark::State& state) {
    int ncid = 0, varid = 0, ndims = 0;
    handles(g_small.read_name, ncid, varid);
    for (auto _ : state) benchmark::DoNotOptimize(nc_inq_varndims(ncid, varid, &ndims));
}

// Keeps each run's wall-clock and CPU time per iteration (nanoseconds) by name.
class Collector : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real = 0, cpu = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred && (r.run_type == Run::RT_Iteration || r.aggregate_name == "min"))
                times_[r.benchmark_name()] = {r.GetAdjustedRealTime() * factor(r.time_unit),
                                              r.GetAdjustedCPUTime() * factor(r.time_unit)};
        ConsoleReporter::ReportRuns(runs);
    }
    // The fastest of repeated runs when there are repetitions (the machine
    // may be shared: the least disturbed run is the fairest), else the one run.
    Times of(const std::string& name) const {
        auto it = times_.find(name + "_min");
        if (it == times_.end()) it = times_.find(name);
        return it == times_.end() ? Times{} : it->second;
    }

private:
    static double factor(benchmark::TimeUnit u) {
        switch (u) {
            case benchmark::kSecond: return 1e9;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kMicrosecond: return 1e3;
            default: return 1.0;
        }
    }
    std::map<std::string, Times> times_;
};

void compare(const Collector& c, const char* what, const std::string& layer, const std::string& bare) {
    const Collector::Times a = c.of(layer), b = c.of(bare);
    if (a.real <= 0 || b.real <= 0 || a.cpu <= 0 || b.cpu <= 0) return;
    std::printf("%-17s wall %9.2f / %9.2f us = %5.3fx (%+8.2f us)   cpu %9.2f / %9.2f us = %5.3fx (%+8.2f us)\n",
                what, a.real / 1e3, b.real / 1e3, a.real / b.real, (a.real - b.real) / 1e3, a.cpu / 1e3,
                b.cpu / 1e3, a.cpu / b.cpu, (a.cpu - b.cpu) / 1e3);
}

}  // namespace

double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Every benchmark also reports the fastest of its repetitions.
benchmark::internal::Benchmark* reg(benchmark::internal::Benchmark* b) {
    return b->ComputeStatistics("min", fastest);
}

int main(int argc, char** argv) {
    std::string templ = (fs::temp_directory_path() / "orvex-bench-XXXXXX").string();
    g_dir = mkdtemp(templ.data());
    setenv("LOGFILE", (g_dir / "bench.log").c_str(), 1);
    setenv("ORVEX_LOG_WRITE", "N", 1);
    if (!make_files(g_big) || !make_files(g_small)) {
        std::fprintf(stderr, "could not create the benchmark files in %s\n", g_dir.c_str());
        return 1;
    }

    reg(benchmark::RegisterBenchmark("READ3/1000x1000", BM_READ3, &g_big))->Unit(benchmark::kMicrosecond);
    reg(benchmark::RegisterBenchmark("nc_get_vara_float/1000x1000", BM_nc_get_vara_float, &g_big))
        ->Unit(benchmark::kMicrosecond);
    reg(benchmark::RegisterBenchmark("READ3/10x10", BM_READ3, &g_small));
    reg(benchmark::RegisterBenchmark("nc_get_vara_float/10x10", BM_nc_get_vara_float, &g_small));
    reg(benchmark::RegisterBenchmark("WRITE3/1000x1000", BM_WRITE3, &g_big))->Unit(benchmark::kMicrosecond);
    reg(benchmark::RegisterBenchmark("nc_put_vara_float/1000x1000", BM_nc_put_vara_float, &g_big))
        ->Unit(benchmark::kMicrosecond);
    reg(benchmark::RegisterBenchmark("WRITE3/10x10", BM_WRITE3, &g_small));
    reg(benchmark::RegisterBenchmark("nc_put_vara_float/10x10", BM_nc_put_vara_float, &g_small));
    reg(benchmark::RegisterBenchmark("step/NAME2FID", BM_step_NAME2FID));
    reg(benchmark::RegisterBenchmark("step/JSTEP3", BM_step_JSTEP3));
    reg(benchmark::RegisterBenchmark("step/variable_lookup", BM_step_variable_lookup));
    reg(benchmark::RegisterBenchmark("step/rank_check", BM_step_rank_check));
    reg(benchmark::RegisterBenchmark("step/tflag_read", BM_step_tflag_read));
    reg(benchmark::RegisterBenchmark("step/tflag_write", BM_step_tflag_write));

    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    std::printf("\nlayer call / bare netCDF call, per call (overhead in parentheses)\n");
    compare(collector, "READ3 1000x1000", "READ3/1000x1000", "nc_get_vara_float/1000x1000");
    compare(collector, "READ3 10x10", "READ3/10x10", "nc_get_vara_float/10x10");
    compare(collector, "WRITE3 1000x1000", "WRITE3/1000x1000", "nc_put_vara_float/1000x1000");
    compare(collector, "WRITE3 10x10", "WRITE3/10x10", "nc_put_vara_float/10x10");

    SHUT3();
    std::error_code ec;
    fs::remove_all(g_dir, ec);
    benchmark::Shutdown();
    return 0;
}
