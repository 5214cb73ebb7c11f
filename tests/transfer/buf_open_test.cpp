// Buffered files through the layer's operations: OPEN3, WRITE3, READ3, DESC3,
// SYNCFID, CLOSE3 and SHUT3, their messages, and the memory they hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "buf_fixture.hpp"

using namespace buf_test;

namespace {

// Runs body in a child whose log goes to run.log and BUFH names a buffered
// file; the child's own lines (not indented) and the log.
Outcome run_buffered(const std::function<void()>& body) {
    const Sandbox box("buffered");
    Outcome r = box.run({{"LOGFILE", "run.log"}, {"BUFH", "buffered"}, {"ORVEX_LOG_WRITE", "NO"}}, body);
    r.out = unindented(r.out);
    if (r.status != 0) r.out += "status " + std::to_string(r.status) + "\n";
    return r;
}

void write_at(int jtime, float base, int nvals = 6) {
    const std::vector<float> v = ramp(nvals, base);
    const bool ok = WRITE3("BUFH", "V1", 2020001, jtime, v.data());
    say("write " + std::to_string(jtime) + " " + std::to_string(ok));
}

void read_at(int jtime, int layer = ALLAYS3, int nvals = 6) {
    std::vector<float> v(static_cast<std::size_t>(nvals), -1.0f);
    const bool ok = READ3("BUFH", "V1", layer, 2020001, jtime, v.data());
    say("read " + std::to_string(jtime) + " " + std::to_string(ok) + (ok ? " " + show(v) : ""));
}

}  // namespace

TEST(BufOpen, WindowThroughReadAndWrite) {
    const Outcome o = run_buffered([] {
        describe(Shape{});
        say("open " + std::to_string(OPEN3("BUFH", FSNEW3, "BUFTEST")));
        write_at(0, 0);
        write_at(10000, 10);
        write_at(20000, 20);
        read_at(10000);
        read_at(0);
        write_at(50000, 50);
        write_at(0, 100);
        read_at(0);
        read_at(10000);
        const int fid = NAME2FID("BUFH");
        say("records " + std::to_string(slot(fid).mxrec));
    });
    EXPECT_EQ(o.out,
              "open 1\n"
              "write 0 1\n"
              "write 10000 1\n"
              "write 20000 1\n"
              "read 10000 1 [10 11 12 13 14 15]\n"
              "read 0 0\n"
              "write 50000 0\n"
              "write 0 1\n"
              "read 0 1 [100 101 102 103 104 105]\n"
              "read 10000 1 [10 11 12 13 14 15]\n"
              "records 3\n");
    EXPECT_NE(o.log.find("     Date/time being written to BUFFERED file BUFH            :  2020001:050000\n"
                         "     Last date/time  written:  2020001:010000\n" +
                         warning_text("WRITE3/WRBUF3", "Out-of-order write to BUFFERED file", 2020001, 50000) +
                         warning_text("WRITE3", "Error writing \"V1\" to \"BUFH\" for  2020001:050000", 2020001, 50000)),
              std::string::npos)
        << o.log;
    EXPECT_NE(o.log.find(warning_text("READ3/RDBUF3", "Date and time not available in BUFH", 2020001, 0)),
              std::string::npos);
    EXPECT_NE(o.log.find("     File name \"buffered\"\n     File type GRDDED3 \n"), std::string::npos);
    EXPECT_NE(o.log.find("     BUFFERED \"file\" opened as READWRITE           \n"), std::string::npos);
}

TEST(BufOpen, LayerTwoOfThreeThroughRead3) {
    const Outcome o = run_buffered([] {
        Shape shape;
        shape.nlays = 3;
        describe(shape);
        OPEN3("BUFH", FSUNKN3, "BUFTEST");
        write_at(30000, 1, 18);
        read_at(30000, 2, 6);
        read_at(30000, 0, 6);
    });
    EXPECT_EQ(o.out, "write 30000 1\nread 30000 1 [7 8 9 10 11 12]\nread 30000 0\n");
    EXPECT_NE(o.log.find("     Requested layer:    0\n"), std::string::npos);
}

TEST(BufOpen, RefusedDescriptionsFreeTheSlot) {
    const Outcome o = run_buffered([] {
        Shape dbl;
        dbl.vtypes = {QVDBLE};
        describe(dbl);
        const bool d = OPEN3("BUFH", FSUNKN3, "BUFTEST");
        say("double " + std::to_string(d) + " " + std::to_string(NAME2FID("BUFH")));
        Shape ids;
        ids.ftype = IDDATA3;
        describe(ids);
        const bool i = OPEN3("BUFH", FSRDONLY3, "BUFTEST");
        say("iddata " + std::to_string(i) + " " + std::to_string(NAME2FID("BUFH")));
    });
    EXPECT_EQ(o.out, "double 0 0\niddata 0 0\n");
    EXPECT_NE(o.log.find(warning_text("OPEN3/CRTBUF3", "DOUBLE PRECISION BUFFERRED not supported for V1")),
              std::string::npos);
    EXPECT_NE(o.log.find("     BUFFERED-file creation error for file BUFH\n     ILLEGAL FILE TYPE.        3\n"),
              std::string::npos);
}

TEST(BufOpen, DescribeAndSynchronise) {
    const Outcome o = run_buffered([] {
        describe(Shape{});
        FDESC3.FDESC3D[0] = "kept by the caller";
        OPEN3("BUFH", FSUNKN3, "BUFTEST");
        FDESC3 = Fdesc3{};
        const bool described = DESC3("BUFH");
        say("desc " + std::to_string(described) + " " + std::to_string(FDESC3.FTYPE3D) + " " +
            std::to_string(FDESC3.NCOLS3D) + "x" + std::to_string(FDESC3.NROWS3D) + " " +
            std::to_string(FDESC3.TSTEP3D) + " " + std::string(FDESC3.VNAME3D[0].trimmed()) + " " +
            std::string(FDESC3.UPNAM3D.view()) + " [" + std::string(FDESC3.FDESC3D[0].trimmed()) + "]");
        say("sync " + std::to_string(SYNCFID(NAME2FID("BUFH"))));
    });
    EXPECT_EQ(o.out, "desc 1 1 3x2 10000 V1 ???????????????? []\nsync 1\n");
}

// The memory of a buffered file lives from OPEN3 until CLOSE3 or SHUT3. This
// test runs in the test process itself, so that the sanitizer build's leak
// check at the end of the process covers it.
TEST(BufOpen, MemoryReleasedByCloseAndShutDown) {
    setenv("BUFMEM", "BUFFERED", 1);
    setenv("BUFMEM2", "Buffered", 1);
    Shape shape;
    shape.vtypes = {QVREAL, QVREAL, QVINT};
    describe(shape);
    ASSERT_TRUE(OPEN3("BUFMEM", FSUNKN3, "BUFTEST"));
    const int fid = NAME2FID("BUFMEM");
    const std::vector<float> all = ramp(12, 1);
    EXPECT_TRUE(WRITE3("BUFMEM", "V1", 2020001, 0, all.data()));
    EXPECT_TRUE(WRITE3("BUFMEM", "V2", 2020001, 10000, all.data() + 6));
    EXPECT_EQ(buffer_bytes(fid), 3u * 2 * 6 * 4);
    EXPECT_TRUE(CLOSE3("BUFMEM"));
    EXPECT_EQ(buffer_bytes(fid), 0u);
    EXPECT_EQ(NAME2FID("BUFMEM"), 0);

    // Opened again, the file starts empty.
    describe(shape);
    ASSERT_TRUE(OPEN3("BUFMEM", FSUNKN3, "BUFTEST"));
    std::vector<float> back(6, 0.0f);
    EXPECT_FALSE(READ3("BUFMEM", "V1", ALLAYS3, 2020001, 0, back.data()));
    ASSERT_TRUE(OPEN3("BUFMEM2", FSUNKN3, "BUFTEST"));
    const int fid2 = NAME2FID("BUFMEM2");
    EXPECT_TRUE(WRITE3("BUFMEM2", "V1", 2020001, 0, all.data()));
    EXPECT_GT(buffer_bytes(fid2), 0u);
    EXPECT_TRUE(SHUT3());
    EXPECT_EQ(buffer_bytes(fid), 0u);
    EXPECT_EQ(buffer_bytes(fid2), 0u);
    unsetenv("BUFMEM");
    unsetenv("BUFMEM2");
}
