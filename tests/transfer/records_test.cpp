// Round trips of every file type's record through WRITE3 and READ3, with the
// index parts found at their documented word positions and the data, index
// arrays and time flags checked in the file through netCDF itself.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <ostream>
#include <string>
#include <vector>

#include "transfer/records.hpp"
#include "transfer/transfer.hpp"
#include "transfer_fixture.hpp"

using namespace orvex;
using namespace transfer_test;

namespace {

constexpr int M = 4;      // NCOLS
constexpr int N = 3;      // NROWS
constexpr int NLAYS = 3;

// One array of an index part: its variable, type, length and 1-based word position.
struct IndexDef {
    const char* var;
    int vtype;
    int length;
    int word;
};

struct Case {
    const char* label;
    int ftype;
    int nthik;
    std::vector<IndexDef> index;
    int data_word;     // word of the first variable's data
    int layer_values;  // values of one layer (all values for a type without layers)
    bool layered;
    bool by_variable;  // WRITE3 of one variable allowed
    std::vector<VarDef> vars;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

const std::vector<VarDef> IDR{{"I", QVINT}, {"D", QVDBLE}, {"R", QVREAL}};

// The word positions below are those of the documented record layouts.
const std::vector<Case> CASES = {
    {"CUSTOM", CUSTOM3, 0, {}, 1, M, true, true, IDR},
    {"GRIDDED", GRDDED3, 0, {}, 1, M * N, true, true, IDR},
    {"BOUNDARY", BNDARY3, 1, {}, 1, 2 * 1 * (M + N + 2), true, true, IDR},
    {"BOUNDARYIN", BNDARY3, -1, {}, 1, 2 * 1 * (M + N - 2), true, true, IDR},
    {"IDDATA", IDDATA3, 0, {{"ID-COUNT", QVINT, 1, 1}, {"ID", QVINT, N, 2}}, N + 2, N, true, false, IDR},
    {"PROFILE",
     PROFIL3,
     0,
     {{"ID-COUNT", QVINT, 1, 1},
      {"ID", QVINT, N, 2},
      {"LEVEL-COUNT", QVINT, N, N + 2},
      {"X", QVREAL, N, 2 * N + 2},
      {"Y", QVREAL, N, 3 * N + 2},
      {"Z", QVREAL, N, 4 * N + 2}},
     5 * N + 2,
     M * N,
     true,
     false,
     IDR},
    {"GRIDNEST",
     GRNEST3,
     0,
     {{"ID-COUNT", QVINT, 1, 1},
      {"ID", QVINT, N, 2},
      {"WIN-COLS", QVINT, N, N + 2},
      {"WIN-ROWS", QVINT, N, 2 * N + 2},
      {"WIN-LEVS", QVINT, N, 3 * N + 2},
      {"X", QVDBLE, N, 4 * N + 2},
      {"Y", QVDBLE, N, 6 * N + 2},
      {"DX", QVDBLE, N, 8 * N + 2},
      {"DY", QVDBLE, N, 10 * N + 2}},
     12 * N + 2,
     M * N,
     false,
     false,
     IDR},
    {"SPARSE", SMATRX3, 5, {{"COL-COUNT", QVINT, N, 1}, {"COEFF-INDEX", QVINT, M, N + 1}}, N + M + 1, M, false, true,
     IDR},
    {"GRIDATT", GRDATT3, 0, {}, 1, M * N, true, false, IDR},
    {"PATHFLY", PTRFLY3, 0, {}, 1, M * N, true, false, {{"AIR_LAT", QVINT}, {"AIR_LON", QVDBLE}, {"AIR_ELV", QVREAL}}},
};

int jtime_of(int s) { return (s - 1) * 10000; }

// Value of element i of layer k of variable v in record s.
int value(int s, int v, int k, int i) { return 100000 * s + 1000 * v + 100 * k + i; }

// The caller's buffer of record s: the index part, then the variables in
// `vars` (0-based positions), each with every layer or only layer `layer`.
Words record(const Case& c, int s, const std::vector<int>& vars, int layer) {
    Words w(static_cast<std::size_t>(c.data_word - 1));
    for (const IndexDef& a : c.index)
        for (int j = 0; j < a.length; ++j) {
            const auto pos = static_cast<std::size_t>(a.word + j * (a.vtype == QVDBLE ? 2 : 1));
            if (a.vtype == QVINT) w.put_int(pos, 10 * s + j + 7);
            if (a.vtype == QVREAL) w.put_real(pos, static_cast<float>(s + j) + 0.5f);
            if (a.vtype == QVDBLE) w.put_double(pos, s + j + 0.25);
        }
    for (const int v : vars) {
        const int vtype = c.vars[static_cast<std::size_t>(v)].vtype;
        const int width = vtype == QVDBLE ? 2 : 1;
        const bool one = c.layered && layer != ALLAYS3;
        const int layers = c.layered ? (one ? 1 : NLAYS) : 1;
        Words part(static_cast<std::size_t>(layers * c.layer_values * width));
        for (int k = 0; k < layers; ++k)
            for (int i = 0; i < c.layer_values; ++i) {
                const int x = value(s, v, one ? layer - 1 : k, i);
                const auto pos = static_cast<std::size_t>((k * c.layer_values + i) * width + 1);
                if (vtype == QVINT) part.put_int(pos, x);
                if (vtype == QVREAL) part.put_real(pos, static_cast<float>(x));
                if (vtype == QVDBLE) part.put_double(pos, x + 0.5);
            }
        w.append(part);
    }
    return w;
}

Words read_back(const std::string& lname, const std::string& vname, int layer, int s, std::size_t words, bool& ok) {
    Words out(words);
    ok = READ3(lname, vname, layer, 2020001, jtime_of(s), out.data());
    return out;
}

class RecordRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RecordRoundTrip, WritesAndReadsEveryShape) {
    const Case& c = GetParam();
    const std::string lname = c.label;
    FileDef def;
    def.ftype = c.ftype;
    def.ncols = M;
    def.nrows = N;
    def.nlays = NLAYS;
    def.nthik = c.nthik;
    def.vars = c.vars;
    ASSERT_TRUE(create(lname, def));

    const std::vector<int> all{0, 1, 2};
    for (int s = 1; s <= 2; ++s) {
        const Words buf = record(c, s, all, ALLAYS3);
        EXPECT_TRUE(WRITE3(lname, "ALL", 2020001, jtime_of(s), buf.data())) << "record " << s;
    }

    bool ok = false;
    Words expect = record(c, 2, all, ALLAYS3);
    EXPECT_EQ(read_back(lname, "ALL", ALLAYS3, 2, expect.size(), ok), expect);
    EXPECT_TRUE(ok);
    expect = record(c, 2, all, 2);
    EXPECT_EQ(read_back(lname, "ALL", 2, 2, expect.size(), ok), expect);
    EXPECT_TRUE(ok);
    expect = record(c, 1, {1}, ALLAYS3);
    EXPECT_EQ(read_back(lname, c.vars[1].name, ALLAYS3, 1, expect.size(), ok), expect);
    EXPECT_TRUE(ok);
    expect = record(c, 2, {2}, 3);
    EXPECT_EQ(read_back(lname, c.vars[2].name, 3, 2, expect.size(), ok), expect);
    EXPECT_TRUE(ok);

    if (c.by_variable) {
        const Words one = record(c, 3, {2}, ALLAYS3);
        EXPECT_TRUE(WRITE3(lname, c.vars[2].name, 2020001, jtime_of(3), one.data()));
        EXPECT_EQ(read_back(lname, c.vars[2].name, ALLAYS3, 3, one.size(), ok), one);
        EXPECT_TRUE(ok);
        read_back(lname, c.vars[0].name, ALLAYS3, 3, one.size() * 2, ok);
        EXPECT_FALSE(ok);
    }
    ASSERT_TRUE(CLOSE3(lname));

    // The file itself, through netCDF.
    int ncid = 0;
    ASSERT_EQ(nc_open(path_of(lname).c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    const Words rec2 = record(c, 2, all, ALLAYS3);
    for (const IndexDef& a : c.index) {
        int varid = 0;
        ASSERT_EQ(nc_inq_varid(ncid, a.var, &varid), NC_NOERR) << a.var;
        for (int j = 0; j < a.length; ++j) {
            const std::size_t at[2] = {1, static_cast<std::size_t>(j)};  // record 2; ID-COUNT uses at[0] only
            const auto pos = static_cast<std::size_t>(a.word + j * (a.vtype == QVDBLE ? 2 : 1));
            double got = 0;
            ASSERT_EQ(nc_get_var1_double(ncid, varid, at, &got), NC_NOERR);
            const double want = a.vtype == QVINT    ? rec2.get_int(pos)
                                : a.vtype == QVREAL ? rec2.get_real(pos)
                                                    : rec2.get_double(pos);
            EXPECT_EQ(got, want) << a.var << " " << j;
        }
    }
    // The first variable (integer) of record 2, the whole record of it.
    int varid = 0, ndims = 0;
    ASSERT_EQ(nc_inq_varid(ncid, c.vars[0].name.c_str(), &varid), NC_NOERR);
    ASSERT_EQ(nc_inq_varndims(ncid, varid, &ndims), NC_NOERR);
    std::vector<int> dimids(static_cast<std::size_t>(ndims));
    ASSERT_EQ(nc_inq_vardimid(ncid, varid, dimids.data()), NC_NOERR);
    std::vector<std::size_t> start(dimids.size(), 0), count(dimids.size(), 1);
    for (std::size_t d = 1; d < dimids.size(); ++d) nc_inq_dimlen(ncid, dimids[d], &count[d]);
    start[0] = 1;
    std::vector<int> data(static_cast<std::size_t>(c.layer_values * (c.layered ? NLAYS : 1)));
    ASSERT_EQ(nc_get_vara_int(ncid, varid, start.data(), count.data(), data.data()), NC_NOERR);
    for (std::size_t i = 0; i < data.size(); ++i)
        EXPECT_EQ(data[i], rec2.get_int(static_cast<std::size_t>(c.data_word) + i)) << "element " << i;
    nc_close(ncid);

    const int fill = NC_FILL_INT;
    std::vector<int> flags{2020001, 0, 2020001, 0, 2020001, 0, 2020001, 10000, 2020001, 10000, 2020001, 10000};
    if (c.by_variable) flags.insert(flags.end(), {fill, fill, fill, fill, 2020001, 20000});
    EXPECT_EQ(tflags(lname), flags);

    // And once more through a read-only open.
    ASSERT_TRUE(OPEN3(lname, FSRDONLY3, "TRTEST"));
    expect = record(c, 2, all, ALLAYS3);
    EXPECT_EQ(read_back(lname, "ALL", ALLAYS3, 2, expect.size(), ok), expect);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(CLOSE3(lname));
}

INSTANTIATE_TEST_SUITE_P(EveryFileType, RecordRoundTrip, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.label); });

// The movers never hand netCDF vectors of another rank than the variable's.
TEST(Hyperslab, RankMustMatchTheVariable) {
    const fs::path p = ProcessLog::dir() / "rank.nc";
    int ncid = 0, dims[6] = {}, v2 = 0, v6 = 0;
    ASSERT_EQ(nc_create(p.c_str(), NC_CLOBBER, &ncid), NC_NOERR);
    for (int d = 0; d < 6; ++d) nc_def_dim(ncid, ("D" + std::to_string(d)).c_str(), 2, &dims[d]);
    nc_def_var(ncid, "TWO", NC_FLOAT, 2, dims, &v2);
    nc_def_var(ncid, "SIX", NC_FLOAT, 6, dims, &v6);
    ASSERT_EQ(nc_enddef(ncid), NC_NOERR);

    const float in[4] = {1, 2, 3, 4};
    float out[4] = {};
    detail::Hyperslab two;
    two.add(1, 2);
    two.add(1, 2);
    detail::Hyperslab three = two;
    three.add(1, 1);
    detail::Hyperslab five = three;
    five.add(1, 1);
    five.add(1, 1);
    EXPECT_EQ(detail::put_slab(ncid, v2, two, QVREAL, in), NC_NOERR);
    EXPECT_EQ(detail::get_slab(ncid, v2, two, QVREAL, out), NC_NOERR);
    EXPECT_EQ(out[3], 4.0f);
    EXPECT_EQ(detail::get_slab(ncid, v2, three, QVREAL, out), NC_EINVAL);
    EXPECT_EQ(detail::put_slab(ncid, v2, three, QVREAL, in), NC_EINVAL);
    EXPECT_EQ(detail::get_slab(ncid, v6, five, QVREAL, out), NC_EINVAL);
    nc_close(ncid);
}

}  // namespace
