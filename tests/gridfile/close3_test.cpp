// DESC3's failures, CLOSE3, SYNCFID, SHUT3, and QVEXIT closing every file.
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

TEST(Describe, NameNotOpen) {
    Sandbox box;
    const Outcome r = box.run({}, [] {
        INIT3();
        QVMSG2("MARK");
        EXPECT_FALSE(DESC3("NOSUCH  "));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(warning("DESC3", "Invalid file name argument \"NOSUCH\""), between(r.log, "MARK", "END"));
}

TEST(Describe, UnreadableHeaderFieldsCounted) {
    Sandbox box;
    const std::string path = box.path("a.nc");
    const Outcome made = box.make(path, GRDDED3);
    ASSERT_EQ(0, made.status) << made.log;
    ASSERT_EQ(NC_NOERR, nc_edit(path, [](int ncid) {
                  int varid = -1;
                  nc_inq_varid(ncid, "NO2", &varid);
                  return nc_del_att(ncid, NC_GLOBAL, "CDATE") | nc_del_att(ncid, NC_GLOBAL, "HISTORY") |
                         nc_del_att(ncid, varid, "var_desc");
              }));
    const Outcome r = box.run({{"A", path}}, [] {
        ASSERT_TRUE(OPEN3("A", FSRDONLY3, "DESCRIBE"));
        FDESC3.UPDSC3D[0] = "kept";
        QVMSG2("MARK");
        EXPECT_FALSE(DESC3("A"));
        QVMSG2("END");
        // Table fields are filled whatever the header reads gave.
        EXPECT_EQ(4, FDESC3.NCOLS3D);
        EXPECT_EQ("NO2", FDESC3.VNAME3D[1].trimmed());
        EXPECT_EQ("kept", FDESC3.UPDSC3D[0].trimmed());
        EXPECT_EQ("Variable O3", FDESC3.VDESC3D[0].trimmed());
    });
    EXPECT_EQ(0, r.status) << r.log;
    Lines want{"     netCDF error number      -43", "     netCDF file header attribute CDATE  not available for file \"A\"",
               "     netCDF error number      -43", "     netCDF file header attribute UPDSC  not available for file \"A\"",
               "     netCDF error number      -43",
               "     Error reading netCDF variable attribute \"var_desc\" for file \"A\""};
    const Lines tail = warning("DESC3", "Error(s) in DESC3(A)");
    want.insert(want.end(), tail.begin(), tail.end());
    EXPECT_EQ(want, between(r.log, "MARK", "END"));
}

// A dictionary fills only its type, variable count and variables; the rest of
// the record keeps what it held.
TEST(Describe, DictionaryKeepsTheOtherFields) {
    Sandbox box;
    const Outcome r = box.run({{"D", box.path("d.nc")}}, [] {
        FDESC3 = Fdesc3{};
        FDESC3.FTYPE3D = DCTNRY3;
        ASSERT_TRUE(OPEN3("D", FSNEW3, "DESCRIBE"));
        FDESC3.SDATE3D = 1234;
        FDESC3.NCOLS3D = 77;
        FDESC3.VDESC3D[0] = "kept";
        ASSERT_TRUE(DESC3("D"));
        EXPECT_EQ(1234, FDESC3.SDATE3D);
        EXPECT_EQ(77, FDESC3.NCOLS3D);
        EXPECT_EQ("kept", FDESC3.VDESC3D[0].trimmed());
        EXPECT_EQ(26, FDESC3.NVARS3D);
    });
    EXPECT_EQ(0, r.status) << r.log;
}

TEST(Close, NotOpenAndClosed) {
    Sandbox box;
    const Outcome r = box.run({{"A", box.path("a.nc")}}, [] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSNEW3, "CLOSER"));
        QVMSG2("MARK");
        EXPECT_FALSE(CLOSE3("B  "));
        EXPECT_TRUE(CLOSE3("A"));
        EXPECT_FALSE(CLOSE3("A"));
        QVMSG2("END");
        // The slot is free; its variables are unnamed and their bookkeeping reset;
        // the other fields stay until the next open rewrites them.
        const detail::FileSlot& s = detail::slot(1);
        EXPECT_TRUE(s.is_free());
        EXPECT_EQ(CMISS3, s.vars[0].name.view());
        EXPECT_EQ(IMISS3, s.vars[1].ldate);
        EXPECT_EQ(4, s.ncols);
        EXPECT_EQ(1, detail::STATE3.count);
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ((Lines{"     File \"B  \" not currently open", "     Closing file A", "     File \"A\" not currently open"}),
              between(r.log, "MARK", "END"));
}

TEST(Close, SynchronisingByIndex) {
    Sandbox box;
    const Outcome r = box.run({{"A", box.path("a.nc")}}, [] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSNEW3, "SYNC"));
        EXPECT_TRUE(SYNCFID(1));
        QVMSG2("MARK");
        EXPECT_FALSE(SYNCFID(2));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(Lines{"     SYNCFID:  file index not open:        2"}, between(r.log, "MARK", "END"));
}

TEST(Close, ShutDownTwiceAndStartAgain) {
    Sandbox box;
    const Outcome r = box.run({{"A", box.path("a.nc")}, {"B", box.path("b.nc")}}, [] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSNEW3, "SHUT"));
        ASSERT_TRUE(OPEN3("B", FSNEW3, "SHUT"));
        QVMSG2("MARK");
        EXPECT_TRUE(SHUT3());
        EXPECT_TRUE(SHUT3());
        QVMSG2("END");
        EXPECT_FALSE(detail::LAYER_STATE.finit);
        EXPECT_EQ(IMISS3, detail::STATE3.count);
        EXPECT_TRUE(detail::slot(1).is_free());
        EXPECT_TRUE(detail::slot(2).is_free());
        // The next look-up starts the layer again; the closed files reopen.
        EXPECT_EQ(0, NAME2FID("A"));
        EXPECT_TRUE(detail::LAYER_STATE.finit);
        EXPECT_TRUE(OPEN3("A", FSRDONLY3, "SHUT"));
        EXPECT_EQ(1, NAME2FID("A"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    // No "Closing file" lines.
    EXPECT_EQ(Lines{}, between(r.log, "MARK", "END"));
    EXPECT_NE(std::string::npos, r.log.find("     INIT3() called subsequent to SHUT3()\n"));
}

// QVEXIT ends the run through SHUT3: a record written just before is on disk.
TEST(Close, ExitClosesEveryFile) {
    Sandbox box;
    const std::string path = box.path("a.nc");
    const Outcome r = box.run({{"A", path}}, [] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSNEW3, "EXITER"));
        const detail::FileSlot& s = detail::slot(1);
        const std::size_t start[] = {2, 0, 0};
        const std::size_t count[] = {1, 1, 2};
        const int flags[] = {2020001, 20000};
        ASSERT_EQ(NC_NOERR, nc_put_vara_int(s.cdfid, s.tindx, start, count, flags));
        QVEXIT("EXITER", 0, 0, "All done", 0);
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_NE(std::string::npos, r.log.find("     --->> Normal Completion of program EXITER\n     All done\n"));
    EXPECT_EQ(std::string::npos, r.log.find("Could not shut down"));
    const NcFile nc(path);
    ASSERT_EQ(NC_NOERR, nc.status);
    EXPECT_EQ(3, nc.records());
}

}  // namespace
}  // namespace gf_test
