// netCDF-4 files on request: ORVEX_NETCDF4 and ORVEX_DEFLATE, read with the
// creation mode; the format, the chunks and filters of the data variables,
// the settings' reports, and a log without them when they are not set.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

std::optional<std::string> opt(const char* v) { return v ? std::optional<std::string>(v) : std::nullopt; }

// Position of a line in the lines, or -1.
long line_at(const Lines& lines, const std::string& line) {
    const auto it = std::find(lines.begin(), lines.end(), logged(line));
    return it == lines.end() ? -1 : it - lines.begin();
}

TEST(NetCdf4, FormatAndReportsOfTheSettings) {
    Sandbox box;
    const std::string offset_no = "Value for ORVEX_OFFSET_64 not defined;returning default:   FALSE";
    const struct {
        const char* file;
        const char* netcdf4;
        const char* offset64;
        const char* deflate;
        int format;
        Lines reports;  // right after the ORVEX_OFFSET_64 report
    } cases[] = {
        {"plain.nc", nullptr, nullptr, nullptr, NC_FORMAT_CLASSIC, {}},
        {"no.nc", "N", nullptr, nullptr, NC_FORMAT_CLASSIC, {logged("Value for ORVEX_NETCDF4:  N returning FALSE")}},
        {"yes.nc", "Y", nullptr, nullptr, NC_FORMAT_NETCDF4_CLASSIC, {logged("Value for ORVEX_NETCDF4:  Y returning TRUE")}},
        {"both.nc", "Y", "Y", "6", NC_FORMAT_NETCDF4_CLASSIC,
         {logged("Value for ORVEX_NETCDF4:  Y returning TRUE"), logged("Value for ORVEX_DEFLATE:  6")}},
        {"level.nc", nullptr, nullptr, "6", NC_FORMAT_CLASSIC, {logged("Value for ORVEX_DEFLATE:  6")}},
        {"bad.nc", "1", nullptr, nullptr, NC_FORMAT_CLASSIC,
         warning("envync", "Value for ORVEX_NETCDF4 not T,F,Y, or N : '1', returning defaultval    FALSE") +
             Lines{logged("Bad environment vble \"ORVEX_NETCDF4\"")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = box.path(c.file);
        const Env env{{"ORVEX_NETCDF4", opt(c.netcdf4)}, {"ORVEX_OFFSET_64", opt(c.offset64)},
                      {"ORVEX_DEFLATE", opt(c.deflate)}};
        const Outcome r = box.make(path, GRDDED3, {}, env);
        ASSERT_EQ(0, r.status) << r.log;
        const NcFile nc(path);
        ASSERT_EQ(NC_NOERR, nc.status);
        int format = -1;
        nc_inq_format(nc.id, &format);
        EXPECT_EQ(c.format, format);

        const Lines lines = lines_of(r.log);
        const std::string offset = c.offset64 ? "Value for ORVEX_OFFSET_64:  Y returning TRUE" : offset_no;
        const long at = line_at(lines, offset);
        ASSERT_GE(at, 0) << r.log;
        const Lines after(lines.begin() + at + 1, lines.begin() + std::min<long>(at + 1 + c.reports.size(), lines.size()));
        EXPECT_EQ(c.reports, after) << r.log;
        // An unset setting leaves no trace in the log.
        if (!c.netcdf4) {
            EXPECT_EQ(std::string::npos, r.log.find("ORVEX_NETCDF4"));
        }
        if (!c.deflate) {
            EXPECT_EQ(std::string::npos, r.log.find("ORVEX_DEFLATE"));
        }
    }
}

// Storage of a variable: chunk lengths, shuffle and deflate level (-1: none).
struct Storage {
    std::vector<std::size_t> chunks;
    int shuffle = 0;
    int level = -1;
};
Storage storage(const NcFile& nc, const std::string& var) {
    Storage s;
    const int id = nc.varid(var);
    int ndims = 0, contiguous = 0, deflate = 0;
    nc_inq_varndims(nc.id, id, &ndims);
    s.chunks.resize(static_cast<std::size_t>(ndims));
    nc_inq_var_chunking(nc.id, id, &contiguous, s.chunks.data());
    if (contiguous != NC_CHUNKED) s.chunks.clear();
    int level = 0;
    nc_inq_var_deflate(nc.id, id, &s.shuffle, &deflate, &level);
    s.level = deflate ? level : -1;
    return s;
}

TEST(NetCdf4, DataVariablesChunkedByLayerAndDeflated) {
    Sandbox box;
    const struct {
        const char* file;
        int ftype;
        const char* deflate;
        std::vector<std::size_t> chunks;  // of O3
        int shuffle, level;
    } cases[] = {
        {"grid.nc", GRDDED3, nullptr, {1, 1, 3, 4}, 1, 4},
        {"grid9.nc", GRDDED3, "9", {1, 1, 3, 4}, 1, 9},
        {"chunks.nc", GRDDED3, "0", {1, 1, 3, 4}, 0, -1},
        {"high.nc", GRDDED3, "12", {1, 1, 3, 4}, 1, 4},
        {"junk.nc", GRDDED3, "abc", {1, 1, 3, 4}, 1, 4},
        {"bnd.nc", BNDARY3, nullptr, {1, 1, 2 * 1 * (4 + 3 + 2)}, 1, 4},
        {"nest.nc", GRNEST3, nullptr, {1, 3, 4}, 1, 4},
        {"events.nc", KFEVNT3, nullptr, {1, 2}, 1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = box.path(c.file);
        const Outcome r = box.make(path, c.ftype, {}, {{"ORVEX_NETCDF4", "Y"}, {"ORVEX_DEFLATE", opt(c.deflate)}});
        ASSERT_EQ(0, r.status) << r.log;
        const NcFile nc(path);
        ASSERT_EQ(NC_NOERR, nc.status);
        const Storage s = storage(nc, "O3");
        EXPECT_EQ(c.chunks, s.chunks);
        EXPECT_EQ(c.shuffle, s.shuffle);
        EXPECT_EQ(c.level, s.level);
        const std::string bad = c.deflate ? c.deflate : "";
        if (bad == "12") {
            EXPECT_TRUE(contains(lines_of(r.log),
                                 warning("envintc", "Value for ORVEX_DEFLATE not in 0 to 9: '12', returning default  4")))
                << r.log;
        }
        if (bad == "abc") {
            EXPECT_NE(std::string::npos, r.log.find("Value for ORVEX_DEFLATE not an integer")) << r.log;
        }
    }
}

}  // namespace
}  // namespace gf_test

namespace gf_test {
namespace {

// The second run of the layer's tests with ORVEX_NETCDF4=Y in their
// environment: the files its sandboxes create are netCDF-4 files indeed.
TEST(NetCdf4, SettingOfTheTestRunReachesTheFiles) {
    if (std::getenv("ORVEX_NETCDF4") == nullptr) GTEST_SKIP() << "only in the run with ORVEX_NETCDF4 set";
    Sandbox box;
    const std::string path = box.path("inherited.nc");
    ASSERT_EQ(0, box.make(path).status);
    const NcFile nc(path);
    int format = -1;
    nc_inq_format(nc.id, &format);
    EXPECT_EQ(NC_FORMAT_NETCDF4_CLASSIC, format);
}

}  // namespace
}  // namespace gf_test
