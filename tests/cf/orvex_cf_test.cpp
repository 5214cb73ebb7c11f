// The orvex-cf tool: the CF copy of gridded, boundary and binary files, its
// time axis, fill values and mapping, its netCDF-4 output, and its refusals.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "orvex/orvex.hpp"
#include "tests/kit/kit.hpp"

namespace {

using namespace orvex;
using kit::Desc;
using kit::Var;

// Value of a cell of the sample: a -9 hole in the first column, AMISS3 in
// the cell of column 2, row 1 of the first step.
double sample_value(int var, int step, int col, int row) {
    if (col == 0) return -9.0;
    if (step == 0 && col == 1 && row == 0) return var == 2 ? IMISS3 : AMISS3;
    return 100.0 * var + 10.0 * step + col + 0.5 * row;
}

Desc hourly() {
    Desc d;
    d.nlays = 1;
    d.p_alp = 33, d.p_bet = 45, d.p_gam = -97, d.xcent = -97, d.ycent = 40;
    d.sdate = 2020366, d.stime = 120000;
    d.vars = {Var("O3", "ppb", "ozone"), Var("NOX", "ppm", "nitrogen oxides", QVDBLE), Var("CNT", "1", "count", QVINT)};
    d.lines = {"", "  Hourly sample", "second line"};
    return d;
}

struct CfRun {
    int status;
    std::string err;
};

class OrvexCf : public ::testing::Test {
protected:
    kit::Sandbox box{"orvex-cf"};

    // Writes a file of description d with `steps` steps through the layer,
    // under the logical value `where` (a path or "BIN:path").
    void write(const Desc& d, const std::string& where, int steps) {
        const kit::Outcome o = box.run({{"LOGFILE", box.path("make.log")}, {"F", where}}, [&] {
            ASSERT_TRUE(kit::write_steps("F", d, FSNEW3, "CFTEST", steps, sample_value));
        });
        ASSERT_EQ(0, o.status) << o.log;
        std::filesystem::remove(box.path("make.log"));
    }
    CfRun cf(const std::string& args, const std::string& env = "") {
        const std::string err = box.path("err.txt");
        const std::string status = kit::shell("cd " + box.dir().string() + " && " + env +
                                              " LOGFILE=cf.log " ORVEX_CF_EXE " " + args + " > out.txt 2> " + err +
                                              "; echo $?");
        std::filesystem::remove(box.path("cf.log"));
        return {std::stoi(status), kit::read_file(err)};
    }
};

std::string text_att(int nc, int var, const char* name) {
    std::size_t len = 0;
    if (nc_inq_attlen(nc, var, name, &len) != NC_NOERR) return "<missing>";
    std::string s(len, ' ');
    nc_get_att_text(nc, var, name, s.data());
    return s;
}
std::vector<double> doubles(int nc, const char* var) {
    int id = -1;
    if (nc_inq_varid(nc, var, &id) != NC_NOERR) return {};
    int ndims = 0;
    nc_inq_varndims(nc, id, &ndims);
    std::vector<int> dims(static_cast<std::size_t>(ndims));
    nc_inq_vardimid(nc, id, dims.data());
    std::size_t n = 1;
    for (const int d : dims) {
        std::size_t len = 0;
        nc_inq_dimlen(nc, d, &len);
        n *= len;
    }
    std::vector<double> v(n);
    nc_get_var_double(nc, id, v.data());
    return v;
}
int varid(int nc, const char* name) {
    int id = -1;
    nc_inq_varid(nc, name, &id);
    return id;
}
double num_att(int nc, int var, const char* name) {
    double v = std::nan("");
    nc_get_att_double(nc, var, name, &v);
    return v;
}
nc_type att_type(int nc, int var, const char* name) {
    nc_type t = NC_NAT;
    nc_inq_atttype(nc, var, name, &t);
    return t;
}

TEST_F(OrvexCf, HourlyFileWithItsTimeAxisMappingAndFillValues) {
    write(hourly(), box.path("in.nc"), 36);
    const CfRun r = cf("in.nc out.nc");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("36 record(s) of 3 variable(s)")) << r.err;
    const kit::NcFile f(box.path("out.nc"));
    ASSERT_EQ(NC_NOERR, f.status);
    const int nc = f.id;
    EXPECT_EQ(-2, f.dim_len("time"));
    EXPECT_EQ(36, f.records());
    EXPECT_EQ(1, f.dim_len("layer"));
    EXPECT_EQ(3, f.dim_len("y"));
    EXPECT_EQ(4, f.dim_len("x"));

    std::vector<double> want_time;
    for (int s = 0; s < 36; ++s) want_time.push_back(3600.0 * s);
    EXPECT_EQ(want_time, doubles(nc, "time"));
    const int time = varid(nc, "time");
    EXPECT_EQ("seconds since 2020-12-31 12:00:00", text_att(nc, time, "units"));
    EXPECT_EQ("standard", text_att(nc, time, "calendar"));
    EXPECT_EQ((std::vector<double>{-94000, -82000, -70000, -58000}), doubles(nc, "x"));
    EXPECT_EQ((std::vector<double>{0.5 * (1.0 + static_cast<double>(0.9f))}), doubles(nc, "layer"));

    const int crs = varid(nc, "crs");
    ASSERT_GE(crs, 0);
    EXPECT_EQ("lambert_conformal_conic", text_att(nc, crs, "grid_mapping_name"));
    EXPECT_EQ(-97.0, num_att(nc, crs, "longitude_of_central_meridian"));
    EXPECT_EQ(12u, doubles(nc, "lon").size());

    // Values and fills: AMISS3 becomes the fill of each type, -9 stays without --missing.
    const struct {
        const char* name;
        nc_type type;
        double fill;
        const char* units;
    } vars[] = {{"O3", NC_FLOAT, AMISS3, "ppb"}, {"NOX", NC_DOUBLE, DMISS3, "ppm"}, {"CNT", NC_INT, IMISS3, "1"}};
    for (int v = 0; v < 3; ++v) {
        SCOPED_TRACE(vars[v].name);
        const int id = varid(nc, vars[v].name);
        ASSERT_GE(id, 0);
        EXPECT_EQ(vars[v].type, att_type(nc, id, "_FillValue"));
        EXPECT_EQ(vars[v].fill, num_att(nc, id, "_FillValue"));
        EXPECT_EQ(vars[v].units, text_att(nc, id, "units"));
        EXPECT_EQ(vars[v].name, text_att(nc, id, "long_name"));
        EXPECT_EQ("crs", text_att(nc, id, "grid_mapping"));
        EXPECT_EQ("lat lon", text_att(nc, id, "coordinates"));
        const std::vector<double> all = doubles(nc, vars[v].name);
        ASSERT_EQ(36u * 12u, all.size());
        EXPECT_EQ(-9.0, all[0]);
        EXPECT_EQ(vars[v].fill, all[1]);
        EXPECT_EQ(sample_value(v, 35, 3, 2), all[35 * 12 + 11]);
    }

    EXPECT_EQ("CF-1.8", text_att(nc, NC_GLOBAL, "Conventions"));
    EXPECT_EQ("  Hourly sample", text_att(nc, NC_GLOBAL, "title"));
    const std::string history = text_att(nc, NC_GLOBAL, "history");
    EXPECT_NE(std::string::npos, history.find("orvex-cf in.nc out.nc")) << history;
    EXPECT_EQ(2, f.int_att("GDTYP"));
    EXPECT_EQ(2020366, f.int_att("SDATE"));
    EXPECT_EQ("TESTGRID        ", text_att(nc, NC_GLOBAL, "GDNAM"));
}

TEST_F(OrvexCf, MissingValueJoinsTheFillValue) {
    write(hourly(), box.path("in.nc"), 2);
    const CfRun r = cf("--missing -9 in.nc out.nc");
    ASSERT_EQ(0, r.status) << r.err;
    const kit::NcFile f(box.path("out.nc"));
    const struct {
        const char* name;
        double fill;
    } vars[] = {{"O3", AMISS3}, {"NOX", DMISS3}, {"CNT", IMISS3}};
    for (const auto& v : vars) {
        const std::vector<double> all = doubles(f.id, v.name);
        ASSERT_EQ(24u, all.size());
        long fills = 0;
        for (const double x : all) fills += x == v.fill;
        EXPECT_EQ(2 * 3 + 1, fills) << v.name;  // the first column of both steps and the one AMISS3 cell
    }
}

TEST_F(OrvexCf, BinaryInputAndCompressedOutput) {
    write(hourly(), "BIN:" + box.path("in.bin"), 3);
    const CfRun r = cf("--deflate 5 BIN:in.bin out.nc");
    ASSERT_EQ(0, r.status) << r.err;
    const kit::NcFile f(box.path("out.nc"));
    ASSERT_EQ(NC_NOERR, f.status);
    int format = 0;
    nc_inq_format(f.id, &format);
    EXPECT_EQ(NC_FORMAT_NETCDF4_CLASSIC, format);
    const int o3 = varid(f.id, "O3");
    int shuffle = 0, deflate = 0, level = 0, storage = 0;
    std::size_t chunks[4] = {};
    nc_inq_var_deflate(f.id, o3, &shuffle, &deflate, &level);
    nc_inq_var_chunking(f.id, o3, &storage, chunks);
    EXPECT_EQ(1, shuffle);
    EXPECT_EQ(5, level);
    EXPECT_EQ((std::vector<std::size_t>{1, 1, 3, 4}), std::vector<std::size_t>(chunks, chunks + 4));
    EXPECT_EQ(3, f.records());
    EXPECT_EQ(sample_value(0, 2, 3, 2), doubles(f.id, "O3")[2 * 12 + 11]);
}

// A file-set list of two files of two hours each is one file of four records.
TEST_F(OrvexCf, ListOfFilesIsOneTimeAxis) {
    Desc d = hourly();
    write(d, box.path("a.nc"), 2);
    d.stime = 140000;
    write(d, box.path("b.nc"), 2);
    const CfRun r = cf("LIST:A,B list.nc", "A=a.nc B=b.nc");
    ASSERT_EQ(0, r.status) << r.err;
    const kit::NcFile f(box.path("list.nc"));
    EXPECT_EQ((std::vector<double>{0, 3600, 7200, 10800}), doubles(f.id, "time"));
    const std::vector<double> o3 = doubles(f.id, "O3");
    ASSERT_EQ(4u * 12u, o3.size());
    EXPECT_EQ(sample_value(0, 1, 3, 2), o3[1 * 12 + 11]);  // a.nc's second step
    EXPECT_EQ(sample_value(0, 0, 2, 2), o3[2 * 12 + 10]);  // b.nc's first step
}

TEST_F(OrvexCf, BoundaryFileOnItsPerimeter) {
    Desc d = hourly();
    d.ftype = BNDARY3;
    d.nthik = 1;
    d.vars = {Var("O3")};
    write(d, box.path("bnd.nc"), 2);
    const CfRun r = cf("bnd.nc out.nc");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("perim")) << r.err;
    const kit::NcFile f(box.path("out.nc"));
    EXPECT_EQ(2 * (4 + 3 + 2), f.dim_len("perim"));
    EXPECT_EQ(-1, f.dim_len("x"));
    EXPECT_EQ(2, f.records());
}

TEST_F(OrvexCf, GridTypeWithoutMappingKeepsItsAxes) {
    Desc d = hourly();
    d.gdtyp = 5;
    d.p_alp = 17;
    write(d, box.path("utm.nc"), 1);
    const CfRun r = cf("utm.nc out.nc");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("grid type 5 has no CF grid mapping")) << r.err;
    const kit::NcFile f(box.path("out.nc"));
    EXPECT_LT(f.varid("crs"), 0);
    EXPECT_LT(f.varid("lon"), 0);
    EXPECT_EQ(4u, doubles(f.id, "x").size());
    EXPECT_EQ("<missing>", text_att(f.id, f.varid("O3"), "grid_mapping"));
}

// A refused copy leaves what stood at the output path as it was.
TEST_F(OrvexCf, RefusalsLeaveTheOutputAlone) {
    Desc site = kit::sample(IDDATA3);
    const kit::Outcome o = box.run({{"LOGFILE", box.path("make.log")}, {"F", box.path("sites.nc")}}, [&] {
        kit::describe(site);
        ASSERT_TRUE(OPEN3("F", FSNEW3, "CFTEST"));
        ASSERT_TRUE(CLOSE3("F"));
    });
    ASSERT_EQ(0, o.status) << o.log;
    kit::write_file(box.path("out.nc"), "keep");
    const struct {
        const char* args;
        int status;
        const char* says;
    } cases[] = {
        {"sites.nc out.nc", 1, "file type 3 has no CF copy"},
        {"absent.nc out.nc", 1, "cannot open absent.nc"},
        {"--deflate 12 sites.nc out.nc", 2, "a level 0 to 9"},
        {"--missing x sites.nc out.nc", 2, "not a number: x"},
        {"--bogus sites.nc out.nc", 2, "unknown option --bogus"},
        {"sites.nc", 2, "INPUT and OUTPUT are needed"},
    };
    for (const auto& c : cases) {
        const CfRun r = cf(c.args);
        EXPECT_EQ(c.status, r.status) << c.args;
        EXPECT_NE(std::string::npos, r.err.find(c.says)) << c.args << ": " << r.err;
        EXPECT_EQ("keep", kit::read_file(box.path("out.nc"))) << c.args;
    }
    // Nothing but the files of the test remains in the directory.
    for (const auto& e : std::filesystem::directory_iterator(box.dir()))
        EXPECT_EQ(std::string::npos, e.path().filename().string().find(".orvex-cf-")) << e.path();
}

}  // namespace
