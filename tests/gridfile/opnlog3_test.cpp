// OPNLOG3: the open report, line by line, for every kind of file.
#include <string>
#include <vector>

#include "gridfile/layer.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

using namespace orvex::detail;

class OpenReport : public ::testing::Test {
protected:
    // Creates A at path from the test description changed by adjust.
    void make(const std::function<void()>& adjust, int ftype = GRDDED3) {
        const Outcome r = box.make(path, ftype, adjust);
        ASSERT_EQ(0, r.status) << r.log;
    }
    // Opens A with the status; the report's lines and the dataset id.
    Lines report(int status, const Env& extra = {}, const std::function<void()>& before = [] {}) {
        Env env{{"A", path}};
        env.insert(env.end(), extra.begin(), extra.end());
        const Outcome r = box.run(env, [&] {
            INIT3();
            before();
            QVMSG2("MARK");
            ASSERT_TRUE(OPEN3("A", status, "REPORT"));
            QVMSG2("END");
            std::printf("\nCDFID=%d\n", detail::slot(NAME2FID("A")).cdfid);
        });
        EXPECT_EQ(0, r.status) << r.log;
        const std::size_t at = r.out.rfind("CDFID=");
        ncid = at == std::string::npos ? "" : std::to_string(std::stoi(r.out.substr(at + 6)));
        return between(r.log, "MARK", "END");
    }
    std::string netcdf_line(const std::string& access) const {
        return "     NetCDF ID: " + std::string(9 - std::min<std::size_t>(ncid.size(), 9), ' ') + ncid + "  opened as " +
               access;
    }
    Sandbox box;
    std::string path = box.path("a.nc");
    std::string ncid;
};

// Appends records to an unlimited time axis by writing the last one's flags.
void grow_to(const std::string& path, int records) {
    int ncid = -1;
    int varid = -1;
    ASSERT_EQ(NC_NOERR, nc_open(path.c_str(), NC_WRITE, &ncid));
    ASSERT_EQ(NC_NOERR, nc_inq_varid(ncid, "TFLAG", &varid));
    const std::size_t start[] = {static_cast<std::size_t>(records - 1), 0, 0};
    const std::size_t count[] = {1, 1, 2};
    const int flags[] = {2020001, 230000};
    ASSERT_EQ(NC_NOERR, nc_put_vara_int(ncid, varid, start, count, flags));
    ASSERT_EQ(NC_NOERR, nc_close(ncid));
}

TEST_F(OpenReport, HourlyFileReadOnly) {
    make([] {});
    grow_to(path, 24);
    const Lines lines = report(FSRDONLY3);
    EXPECT_EQ((Lines{"     ", "     \"A\" opened as OLD:READ-ONLY   ", "     File name \"" + path + "\"",
                     "     File type GRDDED3 ", "     Execution ID \"gridfile-test\"", "     Grid name \"TESTGRID\"",
                     "     Dimensions: 3 rows, 4 cols, 2 lays, 2 vbles", netcdf_line("READONLY            "),
                     "     Starting date and time  2020001:000000 (0:00:00   Jan. 1, 2020)",
                     "     Timestep                          010000 (1:00:00 hh:mm:ss)",
                     "     Maximum current record number        24"}),
              lines);
}

TEST_F(OpenReport, TimeIndependentReadWrite) {
    make([] {
        FDESC3.TSTEP3D = 0;
        FDESC3.SDATE3D = 0;
    });
    const Lines lines = report(FSRDWR3);
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ("     \"A\" opened as OLD:READ-WRITE  ", lines[1]);
    EXPECT_EQ(netcdf_line("READWRITE           "), lines[7]);
    EXPECT_EQ("     Time-independent data.", lines[8]);
}

TEST_F(OpenReport, NegativeStepCreatedUnknownVolatile) {
    const Lines lines = report(FSUNKN3, {{"A", path + " -v"}}, [] {
        describe(BNDARY3);
        FDESC3.TSTEP3D = -20000;
        FDESC3.STIME3D = 120000;
    });
    EXPECT_EQ((Lines{"     ", "     \"A\" opened as UNKNOWN(R-W)    ", "     File name \"" + path + "\"",
                     "     File type BNDARY3 ", "     Execution ID \"gridfile-test\"", "     Grid name \"TESTGRID\"",
                     "     Dimensions: 3 rows, 4 cols, 2 lays, 2 vbles, 1 cells thick",
                     netcdf_line("VOLATILE READWRITE  "),
                     "     Starting date and time  2020001:120000 (12:00:00  Jan. 1, 2020)",
                     "     Timestep                         -020000 (2:00:00 hh:mm:ss)",
                     "     Maximum current record number         0"}),
              lines);
}

TEST_F(OpenReport, EventFile) {
    const Lines lines = report(FSCREA3, {}, [] { describe(KFEVNT3); });
    ASSERT_EQ(10u, lines.size());
    EXPECT_EQ("     \"A\" opened as NEW(CREAT/TRUNC)", lines[1]);
    EXPECT_EQ("     File type KFEVNT3 ", lines[3]);
    EXPECT_EQ("     Dimensions: 3 rows, 4 cols, 2 lays, 2 vbles, 5 max recs/cell, 0 total recs", lines[6]);
    EXPECT_EQ(netcdf_line("READWRITE           "), lines[7]);
    EXPECT_EQ("     Starting date and time  2020001:000000 (0:00:00   Jan. 1, 2020)", lines[8]);
    EXPECT_EQ("     Maximum current record number       0", lines[9]);
}

TEST_F(OpenReport, MissingExecutionId) {
    make([] {});
    ASSERT_EQ(NC_NOERR, nc_edit(path, [](int ncid) { return nc_del_att(ncid, NC_GLOBAL, "EXEC_ID"); }));
    const Lines lines = report(FSRDONLY3);
    EXPECT_EQ((Lines{"", "", "     >>> WARNING in subroutine OPNLOG3 <<<",
                     "     Warning netCDF file header attribute EXEC_ID.", "     Not available for file:  A               ",
                     "     netCDF error number  -43", "", "", "     ", "     \"A\" opened as OLD:READ-ONLY   ",
                     "     File name \"" + path + "\"", "     File type GRDDED3 ", "     Grid name \"TESTGRID\"",
                     "     Dimensions: 3 rows, 4 cols, 2 lays, 2 vbles", netcdf_line("READONLY            "),
                     "     Starting date and time  2020001:000000 (0:00:00   Jan. 1, 2020)",
                     "     Timestep                          010000 (1:00:00 hh:mm:ss)",
                     "     Maximum current record number         0"}),
              lines);
    // DESC3 still succeeds, with the missing-name marker.
    const Outcome r = box.run({{"A", path}}, [] {
        ASSERT_TRUE(OPEN3("A", FSRDONLY3, "REPORT"));
        QVMSG2("MARK");
        EXPECT_TRUE(DESC3("A"));
        QVMSG2("END");
        EXPECT_EQ(std::string(CMISS3) + std::string(64, ' '), FDESC3.EXECN3D.view());
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ((Lines{"     netCDF error number      -43",
                     "     netCDF file header attribute EXEC_ID  not available for file \"A\""}),
              between(r.log, "MARK", "END"));
}

TEST_F(OpenReport, ExecutionIdOfZeroBytes) {
    make([] {});
    ASSERT_EQ(NC_NOERR, nc_edit(path, [](int ncid) {
                  const std::string zeros(80, '\0');
                  return nc_put_att_text(ncid, NC_GLOBAL, "EXEC_ID", zeros.size(), zeros.data());
              }));
    const Lines lines = report(FSRDONLY3);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ("     Execution ID \"????????????????\"", lines[4]);
}

TEST_F(OpenReport, BufferedFile) {
    const Lines lines = report(FSUNKN3, {{"A", "BUFFERED"}, {"EXECUTION_ID", "run-42"}}, [] {
        describe(CUSTOM3);
        FDESC3.VTYPE3D[1] = QVREAL;
    });
    EXPECT_EQ((Lines{"     ", "     \"A\" opened as UNKNOWN(R-W)    ", "     File name \"BUFFERED\"",
                     "     File type CUSTOM3 ", "     Execution ID \"run-42\"", "     Grid name \"TESTGRID\"",
                     "     Dimensions: 3 rows, 4 cols, 2 lays, 2 vbles",
                     "     BUFFERED \"file\" opened as READWRITE           ",
                     "     Starting date and time  2020001:000000 (0:00:00   Jan. 1, 2020)",
                     "     Timestep                          010000 (1:00:00 hh:mm:ss)",
                     "     Maximum current record number         0"}),
              lines);
}

// The name tables and the access lines of every handle kind, on one slot.
TEST_F(OpenReport, NameTablesAndHandleKinds) {
    make([] {});
    const Outcome r = box.run({{"A", path}}, [] {
        ASSERT_TRUE(OPEN3("A", FSRDONLY3, "REPORT"));
        detail::FileSlot& s = detail::slot(NAME2FID("A"));
        const detail::StorageKind* kind = s.kind;
        const auto second_line = [&](int status) {
            QVMSG2("MARK");
            OPNLOG3(1, "path", status);
            QVMSG2("END");
            std::fflush(nullptr);
            return between(read_file(std::getenv("LOGFILE")), "MARK", "END").at(1);
        };
        for (const int status : {-4, 0, 6, 99}) EXPECT_EQ("     \"A\" opened as ????????????????", second_line(status));
        const auto type_line = [&](int ftype) {
            s.ftype = ftype;
            QVMSG2("MARK");
            OPNLOG3(1, "path", FSRDONLY3);
            QVMSG2("END");
            std::fflush(nullptr);
            return between(read_file(std::getenv("LOGFILE")), "MARK", "END").at(3);
        };
        for (const int ftype : {-9, -4, 7, 8, 100}) EXPECT_EQ("     File type UNKNOWN ", type_line(ftype)) << ftype;
        EXPECT_EQ("     File type DGRAPH3 ", type_line(DGRAPH3));
        EXPECT_EQ("     File type DCTNRY3 ", type_line(DCTNRY3));
        EXPECT_EQ("     File type SMATRX3 ", type_line(SMATRX3));
        s.ftype = GRDDED3;
        const struct {
            const detail::StorageKind* kind;
            const char* line;  // nullptr: no access line
        } kinds[] = {
            {&detail::list_kind(), "LIST-FILE SEQUENCE opened as READONLY            "},
            {&detail::binary_kind(), "Native-binary file opened as READONLY            "},
            {&detail::virtual_kind(), "VIRTUAL \"file\" opened as READONLY            "},
            {nullptr, nullptr},
        };
        for (const auto& k : kinds) {
            s.kind = k.kind;
            QVMSG2("MARK");
            OPNLOG3(1, "path", FSRDONLY3);
            QVMSG2("END");
            std::fflush(nullptr);
            const Lines lines = between(read_file(std::getenv("LOGFILE")), "MARK", "END");
            ASSERT_GE(lines.size(), 8u);
            // Without a header, the layer's own execution identifier.
            EXPECT_EQ("     Execution ID \"gridfile-test\"", lines[4]) << k.line;
            if (k.line != nullptr) EXPECT_EQ("     " + std::string(k.line), lines[7]) << k.line;
            else EXPECT_EQ("     Starting date and time  2020001:000000 (0:00:00   Jan. 1, 2020)", lines[7]);
        }
        s.kind = kind;
    });
    EXPECT_EQ(0, r.status) << r.log;
}

}  // namespace
}  // namespace gf_test
