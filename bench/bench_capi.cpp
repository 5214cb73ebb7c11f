// The C interface's cost: 10,000 orvex_read3 calls of a 100 x 100 layer
// against the same 10,000 READ3 calls, in the same run on the same open file.
// The two take turns round by round (which goes first alternates, so drift in
// a shared machine's load falls on both); the medians of the rounds are
// compared.
//
//   bench_capi [ROUNDS]     (default 9)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "orvex/orvex.h"
#include "orvex/orvex.hpp"

namespace fs = std::filesystem;
using namespace orvex;

namespace {

constexpr int kCalls = 10000, kCols = 100, kRows = 100, kDate = 2020001;

bool make_file(const fs::path& path) {
    FDESC3 = Fdesc3{};
    FDESC3.FTYPE3D = GRDDED3;
    FDESC3.SDATE3D = kDate;
    FDESC3.TSTEP3D = 10000;
    FDESC3.NCOLS3D = kCols;
    FDESC3.NROWS3D = kRows;
    FDESC3.NLAYS3D = 1;
    FDESC3.NVARS3D = 1;
    FDESC3.GDTYP3D = 1;
    FDESC3.VGTYP3D = 2;
    FDESC3.GDNAM3D = "BENCH";
    FDESC3.VNAME3D[0] = "O3";
    FDESC3.UNITS3D[0] = "ppm";
    FDESC3.VDESC3D[0] = "ozone";
    FDESC3.VTYPE3D[0] = QVREAL;
    std::vector<float> values(kCols * kRows);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i % 997) * 0.25f;
    return SETENVVAR("CAPIBENCH", path.string()) && OPEN3("CAPIBENCH", FSCREA3, "BENCH") &&
           WRITE3("CAPIBENCH", "O3", kDate, 0, values.data()) && CLOSE3("CAPIBENCH") &&
           OPEN3("CAPIBENCH", FSRDONLY3, "BENCH");
}

// Seconds for kCalls reads through the C entry (c) or the C++ operation.
double round_of(bool c, float* out) {
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = true;
    if (c)
        for (int i = 0; i < kCalls; ++i) ok &= orvex_read3("CAPIBENCH", "O3", 1, kDate, 0, out) == 1;
    else
        for (int i = 0; i < kCalls; ++i) ok &= READ3("CAPIBENCH", "O3", 1, kDate, 0, out);
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    if (!ok) {
        std::fprintf(stderr, "bench_capi: a read failed\n");
        std::exit(1);
    }
    return dt.count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::string templ = (fs::temp_directory_path() / "orvex-bench-capi-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) return 1;
    const fs::path dir = templ;
    setenv("LOGFILE", (dir / "bench.log").c_str(), 1);
    if (!make_file(dir / "capi.nc")) {
        std::fprintf(stderr, "bench_capi: could not create the file in %s\n", dir.c_str());
        return 1;
    }
    std::vector<float> out(kCols * kRows);
    round_of(true, out.data());  // warm-up: caches, the file's pages
    round_of(false, out.data());
    std::vector<double> c_times, cxx_times;
    for (int r = 0; r < rounds; ++r) {
        const bool c_first = r % 2 == 0;
        const double first = round_of(c_first, out.data());
        const double second = round_of(!c_first, out.data());
        c_times.push_back(c_first ? first : second);
        cxx_times.push_back(c_first ? second : first);
    }
    const double c = median(c_times), cxx = median(cxx_times);
    std::printf("%d x orvex_read3 of a %d x %d layer: median %.4f s over %d rounds (%.2f us a call)\n", kCalls,
                kCols, kRows, c, rounds, c / kCalls * 1e6);
    std::printf("%d x READ3       of a %d x %d layer: median %.4f s over %d rounds (%.2f us a call)\n", kCalls,
                kCols, kRows, cxx, rounds, cxx / kCalls * 1e6);
    std::printf("C / C++ = %.4f (%+.2f %%)\n", c / cxx, (c / cxx - 1) * 100);
    SHUT3();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
