// Native binary files: refused descriptions, refused requests, and hostile or
// truncated files, each refused with its message and without a crash.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "support/bin_fixture.hpp"
#include "orvex/operations.hpp"

using namespace orvex;
using namespace orvex::detail;
using namespace bin_test;

namespace {

// A gridded file of 2 x 2 cells, 2 layers, an integer and a double variable,
// with records 1 and 2 written; returns its bytes.
std::string two_record_file(const Sandbox& box) {
    gridded_desc(2);
    FDESC3.NCOLS3D = 2;
    FDESC3.NROWS3D = 2;
    FDESC3.VTYPE3D[1] = QVDBLE;
    bind_slot();
    const std::string path = box.path("good.bin");
    EXPECT_TRUE(CRTBIN3(path, FID));
    const std::vector<char> data(4 * 4 * 2 + 4 * 8 * 2, 'd');
    for (int rec = 1; rec <= 2; ++rec) {
        EXPECT_TRUE(WRBVARS(FID, 0, rec, data.data()));
        EXPECT_TRUE(WRBFLAG(FID, 0, rec, std::array<int, 2>{2020001, 10000 * rec}));
    }
    EXPECT_TRUE(CLOSEBIN3(FID));
    return read_file(path);
}

// Opens the file in a child and, when it opens, uses it; the output ends with
// "open=1" or "open=0".
Outcome open_and_use(const Sandbox& box, const std::string& path) {
    return box.run({}, [&] {
        bind_slot();
        const bool ok = OPNBIN3(path, FID, FSRDWR3, "HOSTILE");
        if (ok) {
            DSCBIN3(FID);
            std::vector<int> flags(2 * MXVARS3);
            RDBFLAG(FID, 0, 1, flags);
            const long long n = detail::bin_read_bytes(FID, 0, 0);
            if (n >= 0 && n < (1 << 20)) {
                std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
                RDBVARS(FID, 0, 0, 2, buffer.data());
            }
            CLOSEBIN3(FID);
        }
        std::printf("open=%d\n", ok ? 1 : 0);
    });
}

}  // namespace

TEST(BinRefusals, UnsupportedDescriptions) {
    Sandbox box;
    const std::string path = box.path("refused.bin");
    struct Case {
        std::function<void()> edit;
        std::string expected;
    } cases[] = {
        {[] { FDESC3.FTYPE3D = GRNEST3; },
         "     CRTBIN3():  unsupported FTYPE 5\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.FTYPE3D = DCTNRY3; },
         "     CRTBIN3():  unsupported FTYPE 0\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.FTYPE3D = GRDATT3; },
         "     CRTBIN3():  unsupported FTYPE 7\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.VTYPE3D[0] = 1; },
         "     Variable 0:  invalid type 1\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.VTYPE3D[0] = 0, FDESC3.VTYPE3D[2] = 7; },
         "     Variable 0:  invalid type 0\n     Variable 2:  invalid type 7\n"
         "     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.NCOLS3D = -4; },
         "     Invalid dimensions:  NCOLS -4  NROWS 3\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.NLAYS3D = -1; }, "     Invalid NLAYS -1\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.NVARS3D = -2; }, "     Invalid NVARS -2\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.FTYPE3D = BNDARY3, FDESC3.NTHIK3D = -4; },
         "     Invalid boundary thickness NTHIK -4\n     CRTBIN3:  invalid file specification\n"},
        {[] { FDESC3.NCOLS3D = INT_MAX, FDESC3.NROWS3D = INT_MAX; },
         "     Record size too large\n     CRTBIN3:  invalid file specification\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({}, [&] {
            gridded_desc();
            c.edit();
            bind_slot();
            const bool created = CRTBIN3(path, FID);
            std::printf("%d %d\n", created ? 1 : 0, detail::bin_state(FID) == nullptr ? 1 : 0);
        });
        EXPECT_EQ(r.out, c.expected + "0 1\n");
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "a refused description creates nothing";
}

TEST(BinRefusals, OperationsNeedAnOpenFile) {
    Sandbox box;
    std::array<int, 2> pair{};
    char buffer[8];
    struct Case {
        std::string name;
        std::function<bool(int)> call;
    } cases[] = {
        {"DSCBIN3", [](int f) { return DSCBIN3(f); }},
        {"RDBFLAG", [&](int f) { return RDBFLAG(f, 1, 1, pair); }},
        {"WRBFLAG", [&](int f) { return WRBFLAG(f, 1, 1, pair); }},
        {"RDBVARS", [&](int f) { return RDBVARS(f, 1, 1, 1, buffer); }},
        {"WRBVARS", [&](int f) { return WRBVARS(f, 1, 1, buffer); }},
        {"FLUSHBIN3", [](int f) { return FLUSHBIN3(f); }},
        {"CLOSEBIN3", [](int f) { return CLOSEBIN3(f); }},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({}, [&] {
            const bool a = c.call(FID);
            const bool b = c.call(0);
            const bool d = c.call(MXFILE3 + 1);
            std::printf("%d %d %d\n", a, b, d);
        });
        EXPECT_EQ(r.out, "     " + c.name + ":  file not yet open\n     " + c.name + ":  bad FID\n     " + c.name +
                             ":  bad FID\n0 0 0\n");
    }
}

TEST(BinRefusals, BadRequestsOnAnOpenFile) {
    Sandbox box;
    two_record_file(box);
    const std::string path = box.path("good.bin");
    std::array<int, 2> pair{};
    std::vector<char> buffer(4096);
    struct Case {
        std::function<bool()> call;
        std::string expected;
    } cases[] = {
        {[&] { return RDBFLAG(FID, 1, 0, pair); }, "     RDBFLAG:  invalid record number 0\n"},
        {[&] { return WRBFLAG(FID, 3, 1, pair); }, "     WRBFLAG:  invalid variable number 3\n"},
        {[&] { return RDBVARS(FID, 3, 0, 1, buffer.data()); }, "     RDBVARS:  invalid variable number 3\n"},
        {[&] { return RDBVARS(FID, 1, 3, 1, buffer.data()); }, "     RDBVARS:  invalid layer number 3\n"},
        {[&] { return RDBFLAG(FID, 1, 3, pair); }, "     RDBFLAG:  fread( TIMESTEP HEADER ) failure\n"},
        {[&] { return RDBVARS(FID, 0, 0, 3, buffer.data()); }, "     RDBVARS:  fread( TIMESTEP ) failure\n"},
        {[&] { return RDBVARS(FID, 2, 1, 3, buffer.data()); }, "     RDBVARS:  fread( V-TIMESTEP ) failure\n"},
        {[&] { return RDBFLAG(FID, 0, 1, std::span<int>(pair)); }, "     RDBFLAG:  flag buffer too small\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = box.run({}, [&] {
            bind_slot();
            if (!OPNBIN3(path, FID, FSRDWR3, "REQUESTS")) return;
            std::printf("%d\n", c.call() ? 1 : 0);
        });
        EXPECT_EQ(r.out, c.expected + "0\n");
    }

    const Outcome ro = box.run({}, [&] {
        bind_slot();
        if (!OPNBIN3(path, FID, FSRDONLY3, "READONLY")) return;
        std::printf("%d\n", WRBVARS(FID, 1, 1, buffer.data()) ? 1 : 0);
    });
    EXPECT_EQ(ro.out, "     WRBVARS:  fwrite( TIMESTEP ) failure\n0\n");

    const Outcome missing = box.run({}, [&] {
        bind_slot();
        std::printf("%d\n", OPNBIN3(box.path("none.bin"), FID, FSRDONLY3, "MISSING") ? 1 : 0);
    });
    EXPECT_EQ(missing.out, "     OPNBIN3:  fopen() failure\n0\n");
}

TEST(BinRefusals, RecordOffsetsThatOverflowAreRefused) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        gridded_desc(MXVARS3);
        FDESC3.NCOLS3D = 40000;
        FDESC3.NROWS3D = 40000;
        FDESC3.NLAYS3D = 100;
        for (int v = 0; v < MXVARS3; ++v) FDESC3.VTYPE3D[v] = QVDBLE;
        bind_slot();
        if (!CRTBIN3(box.path("huge.bin"), FID)) return;
        std::array<int, 2> pair{};
        const bool read = RDBFLAG(FID, 1, INT_MAX, pair);
        const bool written = WRBFLAG(FID, 1, 2000000, pair);
        std::printf("%d %d\n", read ? 1 : 0, written ? 1 : 0);
    });
    EXPECT_EQ(r.out,
              "     RDBFLAG:  invalid record number 2147483647\n     WRBFLAG:  invalid record number 2000000\n0 0\n");
}

TEST(BinHostile, EveryHeaderFieldSetToAHostileValue) {
    Sandbox box;
    const std::string good = two_record_file(box);
    const std::string path = box.path("hostile.bin");
    struct Case {
        std::size_t off;
        std::string bytes;
        bool opens;
        std::string message;  // a line the log must hold
    } cases[] = {
        {0, le_bytes(-1), false, "Invalid record count -1"},
        {0, le_bytes(3), false, "OPNBIN3:  record count 3 beyond the end of the file"},
        {0, le_bytes(INT_MAX), false, "OPNBIN3:  record count 2147483647 beyond the end of the file"},
        {0, le_bytes(1), true, ""},
        {4, std::string(16, '\xff'), true, ""},
        {20, le_bytes(12345), true, "Byte-order mismatch"},
        {24, le_bytes(0), false, "Invalid sizes:  INT 0  REAL 4  DOUBLE 8"},
        {28, le_bytes(8), false, "Invalid sizes:  INT 4  REAL 8  DOUBLE 8"},
        {32, le_bytes(-8), false, "Invalid sizes:  INT 4  REAL 4  DOUBLE -8"},
        {36, le_bytes(INT_MIN), true, ""},
        {52, le_bytes(GRNEST3), false, "CRTBIN3():  unsupported FTYPE 5"},
        {52, le_bytes(INT_MIN), false, "CRTBIN3():  unsupported FTYPE -2147483648"},
        {52, le_bytes(CUSTOM3), true, ""},
        {56, le_bytes(INT_MAX), true, ""},
        {60, le_bytes(-1), true, ""},
        {64, le_bytes(-1), false, "Invalid dimensions:  NCOLS -1  NROWS 2"},
        {64, le_bytes(INT_MAX), false, "Record size too large"},
        {68, le_bytes(INT_MIN), false, "Invalid dimensions:  NCOLS 2  NROWS -2147483648"},
        {72, le_bytes(-1), false, "Invalid NLAYS -1"},
        {72, le_bytes(INT_MAX), false, "OPNBIN3:  bad number text in HEADER"},
        {72, le_bytes(0), true, ""},
        {76, le_bytes(INT_MIN), true, ""},
        {80, le_bytes(-1), false, "Invalid NVARS -1"},
        {80, le_bytes(INT_MIN), false, "Invalid NVARS -2147483648"},
        {80, le_bytes(MXVARS3 + 1), false, "CRTBIN3:  max NVARS exceeded for this build"},
        {80, le_bytes(INT_MAX), false, "CRTBIN3:  max NVARS exceeded for this build"},
        {80, le_bytes(3), false, "Variable 2:  invalid type 0"},
        {80, le_bytes(MXVARS3), false, "Variable 2:  invalid type 0"},
        {80, le_bytes(0), true, ""},
        {84, le_bytes(INT_MIN), true, ""},
        {92, le_bytes(INT_MIN), true, ""},
        {96, "garbage", false, "OPNBIN3:  bad number text in HEADER"},
        {96, std::string(28, '9'), true, ""},
        {96 + 8 * 28, std::string(28, '\xff'), false, "OPNBIN3:  bad number text in HEADER"},
        {348, "1.0e+00 x", false, "OPNBIN3:  bad number text in HEADER"},
        {348, std::string(16, '1'), true, ""},
        {364 + 2 * 16, std::string(16, '7'), true, ""},
        {364 + 2 * 16, zeros(16), false, "OPNBIN3:  bad number text in HEADER"},
        {1980, le_bytes(1), false, "Variable 0:  invalid type 1"},
        {1984, le_bytes(INT_MIN), false, "Variable 1:  invalid type -2147483648"},
        {1988, le_bytes(99), true, ""},
        {10172, zeros(16), true, ""},
        {10204, std::string(80, '\xff'), true, ""},
        {19884, std::string(32, '\0'), true, ""},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        bytes.replace(c.off, c.bytes.size(), c.bytes);
        write_file(path, bytes);
        const Outcome r = open_and_use(box, path);
        EXPECT_EQ(r.status, 0) << "offset " << c.off;
        const std::string end = c.opens ? "open=1\n" : "open=0\n";
        EXPECT_TRUE(r.out.size() >= end.size() && r.out.compare(r.out.size() - end.size(), end.size(), end) == 0)
            << "offset " << c.off << ":\n" << r.out;
        if (!c.message.empty()) {
            EXPECT_NE(r.out.find("     " + c.message + "\n"), std::string::npos) << "offset " << c.off << ":\n" << r.out;
        }
    }
}

TEST(BinHostile, TruncatedFiles) {
    Sandbox box;
    const std::string good = two_record_file(box);
    const std::string path = box.path("short.bin");
    const std::size_t hdr = 19884 + 2 * 112;
    struct Case {
        std::size_t size;
        std::string message;
    } cases[] = {
        {0, "OPNBIN3:  fread( HEADER ) failure"},
        {1, "OPNBIN3:  fread( HEADER ) failure"},
        {19883, "OPNBIN3:  fread( HEADER ) failure"},
        {19884, "CRTBIN3:  fread( HEADER VNAME ) failure"},
        {19884 + 31, "CRTBIN3:  fread( HEADER VNAME ) failure"},
        {19884 + 40, "OPNBIN3:  fread( HEADER UNITS ) failure"},
        {hdr, "OPNBIN3:  record count 2 beyond the end of the file"},
        {hdr + 100, "OPNBIN3:  record count 2 beyond the end of the file"},
    };
    for (const Case& c : cases) {
        write_file(path, good.substr(0, c.size));
        const Outcome r = open_and_use(box, path);
        EXPECT_EQ(r.out, "     " + c.message + "\nopen=0\n") << "size " << c.size;
    }
}

TEST(BinHostile, DescribeRereadsTheHeaderWithCare) {
    Sandbox box;
    const std::string good = two_record_file(box);
    const std::string path = box.path("changed.bin");
    struct Case {
        std::size_t off;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {80, le_bytes(5), "     DSCBIN3:  HEADER changed since the file was opened\n0\n"},
        {0, le_bytes(-7), "     DSCBIN3:  invalid record count -7\n0\n"},
        {0, le_bytes(9), "     DSCBIN3:  invalid record count 9\n0\n"},
        {348, "?", "     DSCBIN3:  bad number text in HEADER\n0\n"},
        {0, le_bytes(1), "1\n"},
    };
    for (const Case& c : cases) {
        write_file(path, good);
        const Outcome r = box.run({}, [&] {
            bind_slot();
            if (!OPNBIN3(path, FID, FSRDONLY3, "DESCRIBE")) return;
            patch_file(path, c.off, c.bytes);
            std::printf("%d\n", DSCBIN3(FID) ? 1 : 0);
        });
        EXPECT_EQ(r.out, c.expected) << "offset " << c.off;
    }
}

TEST(BinHostile, EveryIntegerFieldSweptWithoutACrash) {
    Sandbox box;
    const std::string good = two_record_file(box);
    const std::string path = box.path("sweep.bin");
    const int values[] = {INT_MIN, -1, 0, 1, MXVARS3 + 1, INT_MAX};
    for (std::size_t off = 0; off <= 92; off += 4) {
        for (const int v : values) {
            std::string bytes = good;
            bytes.replace(off, 4, le_bytes(v));
            write_file(path, bytes);
            const Outcome r = open_and_use(box, path);
            EXPECT_EQ(r.status, 0) << "offset " << off << " value " << v;
            EXPECT_NE(r.out.find("open="), std::string::npos) << "offset " << off << " value " << v;
        }
    }
}
