// Parallel files, run by mpirun at several rank counts: every rank runs every
// test, and the collective calls of the layer are made by all of them.
#include <gtest/gtest.h>
#include <mpi.h>
#include <netcdf.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kit/describe.hpp"
#include "kit/program.hpp"
#include "orvex/orvex.hpp"
#include "orvex/parallel.hpp"

namespace {

namespace fs = std::filesystem;
using namespace orvex;

int rank_ = 0, size_ = 1;
// The log test's mode (PARTEST_LOG: "file" or "unset"; empty for the other
// tests) and the directory of its logs.
std::string log_mode, log_dir;

struct Tile {
    int col0, ncols, row0, nrows;
};

// The tiles of the runs: even (bands or 2 x 2 blocks of a grid that divides
// evenly) and uneven (unequal bands and blocks, on a grid that divides badly).
Tile even_tile(int ncols, int nrows) {
    if (size_ == 4) return {1 + (rank_ % 2) * ncols / 2, ncols / 2, 1 + (rank_ / 2) * nrows / 2, nrows / 2};
    const int first = rank_ * nrows / size_, next = (rank_ + 1) * nrows / size_;
    return {1, ncols, 1 + first, next - first};
}

Tile uneven_tile(int ncols, int nrows) {
    if (size_ == 4) {
        const int c = rank_ % 2 == 0 ? 1 : 4, nc = rank_ % 2 == 0 ? 3 : ncols - 3;
        const int r = rank_ / 2 == 0 ? 1 : 3, nr = rank_ / 2 == 0 ? 2 : nrows - 2;
        return {c, nc, r, nr};
    }
    static const std::vector<std::vector<int>> widths{{0}, {2}, {1, 3}};  // all but the last band's
    int c0 = 1;
    for (int r = 0; r < rank_; ++r) c0 += widths[static_cast<std::size_t>(size_ - 1)][static_cast<std::size_t>(r)];
    const int nc = rank_ == size_ - 1 ? ncols - c0 + 1 : widths[static_cast<std::size_t>(size_ - 1)][static_cast<std::size_t>(rank_)];
    return {c0, nc, 1, nrows};
}

bool start(const Tile& t) { return parallel::start(MPI_COMM_WORLD, t.col0, t.ncols, t.row0, t.nrows); }

// Where the scratch directories go: memory when the machine has it.
fs::path scratch_root() { return fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path(); }

// A scratch directory shared by the ranks (rank 0 makes and removes it).
class Scratch {
public:
    Scratch() {
        std::array<char, 256> name{};
        if (rank_ == 0) {
            std::string tmpl = (scratch_root() / "orvex-mpi-XXXXXX").string();
            if (mkdtemp(tmpl.data()) != nullptr) std::copy(tmpl.begin(), tmpl.end(), name.begin());
        }
        MPI_Bcast(name.data(), static_cast<int>(name.size()), MPI_CHAR, 0, MPI_COMM_WORLD);
        dir_ = name.data();
    }
    ~Scratch() {
        MPI_Barrier(MPI_COMM_WORLD);
        if (rank_ == 0) fs::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

private:
    fs::path dir_;
};

// Binds logical name lname to value on this rank.
void bind_name(const std::string& lname, const std::string& value) { setenv(lname.c_str(), value.c_str(), 1); }

// Three variables of the three types, three layers, hourly.
kit::Desc grid(int ncols, int nrows) {
    kit::Desc d;
    d.ncols = ncols;
    d.nrows = nrows;
    d.nlays = 3;
    d.vars = {kit::Var("O3"), kit::Var("COUNT", orvex::QVINT), kit::Var("TEMP", orvex::QVDBLE)};
    return d;
}

double value(int var, int step, int lay, int col, int row) { return var * 1000 + step * 100 + lay * 10 + col + row * 0.01; }

// One variable's values (0-based var) of the columns and rows of tile t, in a
// caller's buffer (4-byte words).
void put_var(std::vector<int>& words, int var, int vtype, int step, int nlays, const Tile& t) {
    for (int k = 0; k < nlays; ++k)
        for (int r = 0; r < t.nrows; ++r)
            for (int c = 0; c < t.ncols; ++c) {
                const double v = value(var, step, k, t.col0 + c, t.row0 + r);
                if (vtype == QVDBLE) {
                    words.resize(words.size() + 2);
                    std::memcpy(&words[words.size() - 2], &v, 8);
                } else if (vtype == QVINT) {
                    words.push_back(static_cast<int>(v));
                } else {
                    const float f = static_cast<float>(v);
                    words.resize(words.size() + 1);
                    std::memcpy(&words.back(), &f, 4);
                }
            }
}

std::vector<int> record(const kit::Desc& d, int step, const Tile& t, int only = -1) {
    std::vector<int> words;
    for (int v = 0; v < static_cast<int>(d.vars.size()); ++v)
        if (only < 0 || v == only) put_var(words, v, d.vars[static_cast<std::size_t>(v)].vtype, step, d.nlays, t);
    return words;
}

// Writes the 24 steps of the test's pattern to lname (created from d) with
// tile t: most steps whole, some variable by variable with a variable left
// out, step 10 left out and step 11 written before step 9 (records filled
// beyond the end).
bool write_pattern(const std::string& lname, const kit::Desc& d, const Tile& t) {
    kit::describe(d);
    if (!OPEN3(lname, FSUNKN3, "PARTEST")) return false;
    bool ok = true;
    std::vector<int> order;
    for (int s = 0; s < 24; ++s)
        if (s != 9 && s != 10) order.push_back(s);
    order.insert(order.begin() + 9, {11, 9});
    order.erase(std::find(order.begin() + 11, order.end(), 11));
    for (const int s : order) {
        int date = d.sdate, time = d.stime;
        for (int i = 0; i < s; ++i) NEXTIME(date, time, d.tstep);
        if (s % 5 == 3) {
            for (int v = 0; v < static_cast<int>(d.vars.size()); ++v) {
                if (v == s % 3) continue;
                const std::vector<int> words = record(d, s, t, v);
                ok = WRITE3(lname, d.vars[static_cast<std::size_t>(v)].name, date, time, words.data()) && ok;
            }
        } else {
            const std::vector<int> words = record(d, s, t);
            ok = WRITE3(lname, ALLVAR3, date, time, words.data()) && ok;
        }
    }
    return CLOSE3(lname) && ok;
}

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every rank's answer: whether all ranks gave `want`.
bool all_ranks(bool got) {
    int mine = got ? 1 : 0, all = 0;
    MPI_Allreduce(&mine, &all, 1, MPI_INT, MPI_LAND, MPI_COMM_WORLD);
    return all != 0;
}

class Parallel : public ::testing::TestWithParam<bool> {
protected:
    // The grid and this rank's tile of the parameter's scheme (even or not).
    int ncols() const { return GetParam() ? 8 : 7; }
    int nrows() const { return GetParam() ? 6 : 5; }
    Tile tile() const { return GetParam() ? even_tile(ncols(), nrows()) : uneven_tile(ncols(), nrows()); }
    void SetUp() override { ASSERT_TRUE(start(tile())); }
    Scratch scratch_;
};

TEST_P(Parallel, WrittenByTheRanksIsTheFileOneProcessWrites) {
    const kit::Desc d = grid(ncols(), nrows());
    bind_name("PFILE", "MPI:" + scratch_.path("par.nc"));
    EXPECT_TRUE(all_ranks(write_pattern("PFILE", d, tile())));
    if (rank_ == 0) {
        bind_name("SFILE", scratch_.path("ser.nc"));
        EXPECT_TRUE(write_pattern("SFILE", d, {1, ncols(), 1, nrows()}));
        const std::string par = bytes_of(scratch_.path("par.nc")), ser = bytes_of(scratch_.path("ser.nc"));
        EXPECT_GT(ser.size(), 1000u);
        EXPECT_TRUE(par == ser) << "sizes " << par.size() << " and " << ser.size();
    }
}

TEST_P(Parallel, TilesReadBackAndTheDescriptionIsTheWholeGrid) {
    const kit::Desc d = grid(ncols(), nrows());
    bind_name("PFILE", "MPI:" + scratch_.path("back.nc"));
    ASSERT_TRUE(all_ranks(write_pattern("PFILE", d, tile())));
    ASSERT_TRUE(OPEN3("PFILE", FSRDONLY3, "PARTEST"));
    ASSERT_TRUE(DESC3("PFILE"));
    EXPECT_EQ(FDESC3.NCOLS3D, ncols());
    EXPECT_EQ(FDESC3.NROWS3D, nrows());
    EXPECT_EQ(FDESC3.NVARS3D, 3);
    EXPECT_EQ(FDESC3.VNAME3D[2].trimmed(), "TEMP");
    const Tile t = tile();
    int date = d.sdate, time = d.stime;
    for (int s = 0; s < 24; ++s, NEXTIME(date, time, d.tstep)) {
        if (s % 5 == 3 || s == 10) continue;  // steps with a variable left out, and the step never written
        std::vector<int> got(record(d, s, t).size() + 1, -7);
        EXPECT_TRUE(READ3("PFILE", ALLVAR3, ALLAYS3, date, time, got.data()));
        EXPECT_EQ(got.back(), -7) << "the read went past the tile";
        got.pop_back();
        EXPECT_EQ(got, record(d, s, t)) << "step " << s;
    }
    // One layer of one variable.
    std::vector<float> layer(static_cast<std::size_t>(t.ncols * t.nrows));
    EXPECT_TRUE(READ3("PFILE", "O3", 2, d.sdate, d.stime, layer.data()));
    for (int r = 0; r < t.nrows; ++r)
        for (int c = 0; c < t.ncols; ++c)
            EXPECT_EQ(layer[static_cast<std::size_t>(r * t.ncols + c)],
                      static_cast<float>(value(0, 0, 1, t.col0 + c, t.row0 + r)));
    // The step never written is no step of the file, on every rank.
    int date10 = d.sdate, time10 = d.stime;
    for (int i = 0; i < 10; ++i) NEXTIME(date10, time10, d.tstep);
    EXPECT_FALSE(READ3("PFILE", "O3", 1, date10, time10, layer.data()));
    EXPECT_TRUE(CLOSE3("PFILE"));
}

INSTANTIATE_TEST_SUITE_P(Tiles, Parallel, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Even" : "Uneven"; });

// The failures: every rank returns false, none waits forever, and the run
// goes on.
class Failures : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(start(even_tile(8, 6))); }
    void TearDown() override { start(even_tile(8, 6)); }
    Scratch scratch_;
};

TEST_F(Failures, ARankWithATileOutsideTheGridOpensNothing) {
    Tile t = even_tile(8, 6);
    if (rank_ == size_ - 1) t.ncols += 1;
    ASSERT_TRUE(start(t));
    bind_name("PFILE", "MPI:" + scratch_.path("wrong.nc"));
    kit::describe(grid(8, 6));
    EXPECT_FALSE(OPEN3("PFILE", FSNEW3, "PARTEST"));
    EXPECT_FALSE(fs::exists(scratch_.path("wrong.nc")));
}

TEST_F(Failures, OverlappingTilesOpenNothing) {
    if (size_ < 2) GTEST_SKIP() << "one rank cannot overlap another";
    // Rank 1 takes the first two rows, which rank 0's tile holds too.
    ASSERT_TRUE(start(rank_ == 1 ? Tile{1, 8, 1, 2} : even_tile(8, 6)));
    kit::describe(grid(8, 6));
    bind_name("PFILE", "MPI:" + scratch_.path("overlap.nc"));
    EXPECT_FALSE(OPEN3("PFILE", FSNEW3, "PARTEST"));
}

TEST_F(Failures, AWriteThatFailsOnOneRankFailsOnEvery) {
    const kit::Desc d = grid(8, 6);
    kit::describe(d);
    bind_name("PFILE", "MPI:" + scratch_.path("fail.nc"));
    ASSERT_TRUE(all_ranks(OPEN3("PFILE", FSNEW3, "PARTEST")));
    const std::vector<int> words = record(d, 0, even_tile(8, 6), 0);
    // The last rank names a variable the file does not hold.
    EXPECT_FALSE(WRITE3("PFILE", rank_ == size_ - 1 ? "NOPE" : "O3", d.sdate, d.stime, words.data()));
    EXPECT_TRUE(WRITE3("PFILE", "O3", d.sdate, d.stime, words.data()));
    // A read asking one rank for a layer the file lacks.
    std::vector<int> back(words.size());
    EXPECT_FALSE(READ3("PFILE", "O3", rank_ == 0 ? 9 : 1, d.sdate, d.stime, back.data()));
    EXPECT_TRUE(READ3("PFILE", "O3", ALLAYS3, d.sdate, d.stime, back.data()));
    EXPECT_EQ(back, words);
    EXPECT_TRUE(CLOSE3("PFILE"));
}

TEST_F(Failures, OnlyGriddedFilesAreParallel) {
    kit::Desc d = grid(8, 6);
    d.ftype = CUSTOM3;
    kit::describe(d);
    bind_name("PFILE", "MPI:" + scratch_.path("custom.nc"));
    EXPECT_FALSE(OPEN3("PFILE", FSNEW3, "PARTEST"));
}

// pondra, a serial program, reads a model file that the ranks wrote.
TEST(Pondra, ReadsAFileTheRanksWrote) {
    constexpr int NCOLS = 12, NROWS = 10;
    ASSERT_TRUE(start(even_tile(NCOLS, NROWS)));
    const Scratch scratch;
    kit::Desc d = kit::binary_sample(2);
    d.ncols = NCOLS;
    d.nrows = NROWS;
    d.nlays = 1;
    d.sdate = 2005001;
    d.stime = 0;
    d.xorig = -132000.0;
    d.yorig = -108000.0;
    d.xcell = d.ycell = 12000.0;
    d.vars[0].vtype = d.vars[1].vtype = QVREAL;
    kit::describe(d);
    const std::string model = scratch.path("model.nc");
    bind_name("MODELIN", "MPI:" + model);
    ASSERT_TRUE(all_ranks(OPEN3("MODELIN", FSNEW3, "MODELGEN")));
    const Tile t = even_tile(NCOLS, NROWS);
    std::vector<float> values(static_cast<std::size_t>(2 * t.ncols * t.nrows), 5.0f);
    std::fill(values.begin() + t.ncols * t.nrows, values.end(), 7.5f);
    EXPECT_TRUE(WRITE3("MODELIN", ALLVAR3, d.sdate, d.stime, values.data()));
    ASSERT_TRUE(CLOSE3("MODELIN"));
    if (rank_ != 0) return;
    const kit::RunResult run =
        kit::run_pondra(scratch.path(""), "33. 45. -97. -97. 10 8 -120 -96 12\n2005\nQAOUT\nAQOUT\n1\nMODELIN\n",
                        {{"MODELIN", model}, {"QAOUT", scratch.path("qa.nc")}, {"AQOUT", scratch.path("aq.nc")}});
    EXPECT_EQ(run.status, 0) << run.out << run.err << run.log;
    EXPECT_NE(run.log.find("File name \"" + model + "\""), std::string::npos) << run.log;
    EXPECT_TRUE(fs::exists(scratch.path("aq.nc")));
}

// The logs of the ranks, in the runs that set PARTEST_LOG (the log is fixed
// at the first call of the layer, so each mode has a run of its own).
TEST(RankLogs, EveryRankWritesTheLogOfTheSameCalls) {
    if (log_mode != "file") GTEST_SKIP() << "a run with PARTEST_LOG=file";
    // Tiles declared twice before the layer's first call: one log name all the same.
    ASSERT_TRUE(start(uneven_tile(7, 5)));
    ASSERT_TRUE(start(even_tile(8, 6)));
    const std::string path = log_dir + "/data.nc";
    bind_name("PFILE", "MPI:" + path);
    const kit::Desc d = grid(8, 6);
    EXPECT_TRUE(all_ranks(write_pattern("PFILE", d, even_tile(8, 6))));
    std::fflush(nullptr);
    MPI_Barrier(MPI_COMM_WORLD);
    if (rank_ != 0) return;
    const std::string first = bytes_of(log_dir + "/run.log");
    EXPECT_NE(first.find("     File name \"" + path + "\"\n"), std::string::npos) << first;
    EXPECT_NE(first.find("     Execution ID \""), std::string::npos) << first;
    EXPECT_NE(first.find("Timestep written to PFILE"), std::string::npos) << first;
    // The dataset's id as a serial run shows its first dataset.
    int serial = -1;
    ASSERT_EQ(nc_create((log_dir + "/serial.nc").c_str(), NC_CLOBBER, &serial), NC_NOERR);
    nc_close(serial);
    const std::string id = std::to_string(serial);
    EXPECT_NE(first.find("     NetCDF ID: " + std::string(9 - id.size(), ' ') + id + "  opened as "), std::string::npos)
        << first;
    for (int r = 1; r < size_; ++r) EXPECT_EQ(bytes_of(log_dir + "/run.log." + std::to_string(r)), first) << "rank " << r;
    EXPECT_FALSE(fs::exists(log_dir + "/run.log." + std::to_string(size_)));
}

TEST(RankLogs, WithoutALogFileOtherRanksWriteOnlyTheirWarnings) {
    if (log_mode != "unset") GTEST_SKIP() << "a run with PARTEST_LOG=unset";
    ASSERT_TRUE(start(even_tile(8, 6)));
    QVMSG2("an ordinary line");
    QVWARN("PARTEST", 0, 0, "a warning of rank " + std::to_string(rank_));
    QVMSG2("another ordinary line");
    std::fflush(nullptr);
    MPI_Barrier(MPI_COMM_WORLD);
    if (rank_ != 0) return;
    for (int r = 1; r < size_; ++r) {
        const std::string err = bytes_of(log_dir + "/stderr." + std::to_string(r));
        EXPECT_EQ(err, "     \n     >>--->> WARNING in subroutine PARTEST\n     a warning of rank " + std::to_string(r) +
                           "\n     \n")
            << "rank " << r;
    }
}

}  // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
    ::testing::InitGoogleTest(&argc, argv);
    // The log tests' settings, made before the first call of the layer.
    if (const char* mode = std::getenv("PARTEST_LOG"); mode != nullptr) {
        log_mode = mode;
        std::array<char, 256> name{};
        if (rank_ == 0) {
            std::string tmpl = (scratch_root() / "orvex-mpilog-XXXXXX").string();
            if (mkdtemp(tmpl.data()) != nullptr) std::copy(tmpl.begin(), tmpl.end(), name.begin());
        }
        MPI_Bcast(name.data(), static_cast<int>(name.size()), MPI_CHAR, 0, MPI_COMM_WORLD);
        log_dir = name.data();
        if (log_mode == "file") setenv("LOGFILE", (log_dir + "/run.log").c_str(), 1);
        if (log_mode == "unset") {
            unsetenv("LOGFILE");
            if (rank_ != 0 && std::freopen((log_dir + "/stderr." + std::to_string(rank_)).c_str(), "w", stderr) == nullptr)
                return 1;
        }
    }
    // One rank's report is enough; the others speak only of their failures.
    if (rank_ != 0) {
        auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
        delete listeners.Release(listeners.default_result_printer());
    }
    const int status = RUN_ALL_TESTS();
    SHUT3();
    int worst = 0;
    MPI_Allreduce(&status, &worst, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
    if (rank_ == 0 && !log_dir.empty()) fs::remove_all(log_dir);
    if (rank_ != 0 && status != 0) std::fprintf(stderr, "rank %d: tests failed\n", rank_);
    MPI_Finalize();
    return worst;
}
