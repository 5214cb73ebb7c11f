// The C interface against the C++ operations it fronts, and the C++ side of
// the mixed-language run: the file the Fortran program wrote, read again with
// READ3, against what the C program read and against every time flag.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "orvex/orvex.h"
#include "orvex/orvex.hpp"
#include "tests/kit/files.hpp"
#include "tests/kit/netcdf.hpp"

using namespace orvex;

namespace {

// ---- One record, one implementation ------------------------------------------

TEST(CInterface, TheRecordIsTheCxxRecord) {
    struct orvex_fdesc3* c = orvex_fdesc3();
    ASSERT_EQ(static_cast<void*>(c), static_cast<void*>(&FDESC3));
    c->NCOLS3D = 123;
    c->VGLVS3D[MXLAYS3] = 0.5f;
    std::memcpy(c->VNAME3D[MXVARS3 - 1], "LASTVAR         ", NAMLEN3);
    std::memcpy(c->VDESC3D[MXVARS3 - 1], "last", 4);
    EXPECT_EQ(FDESC3.NCOLS3D, 123);
    EXPECT_EQ(FDESC3.VGLVS3D[MXLAYS3], 0.5f);
    EXPECT_TRUE(FDESC3.VNAME3D[MXVARS3 - 1] == "LASTVAR");
    EXPECT_EQ(FDESC3.VDESC3D[MXVARS3 - 1].view().substr(0, 4), "last");
    FDESC3 = Fdesc3{};
    EXPECT_EQ(c->NCOLS3D, 0);
    EXPECT_EQ(c->VNAME3D[MXVARS3 - 1][0], ' ');
}

// The time entries give what the C++ operations give, over steps of both
// signs, year ends, leap days and dates out of range.
TEST(CInterface, TimeEntriesAgreeWithTheOperations) {
    const int dates[] = {2023365, 2024060, 2024366, 1999001, 0, 2024999};
    const int times[] = {0, 235959, 123456, 10203, -10000};
    const int steps[] = {10000, -20000, 1000000, 13000, 0};
    for (int d : dates)
        for (int t : times) {
            char dt[25], md[15], hm[11];
            orvex_dt2str(d, t, dt);
            orvex_mmddyy(d, md);
            orvex_hhmmss(t, hm);
            EXPECT_EQ(std::string(dt), DT2STR(d, t)) << d << ":" << t;
            EXPECT_EQ(std::string(md), MMDDYY(d)) << d;
            EXPECT_EQ(std::string(hm), HHMMSS(t)) << t;
            EXPECT_EQ(orvex_time2sec(t), TIME2SEC(t));
            EXPECT_EQ(orvex_sec2time(t), SEC2TIME(t));
            EXPECT_EQ(orvex_secsdiff(2024001, 0, d, t), SECSDIFF(2024001, 0, d, t));
            for (int s : steps) {
                int cd = d, ct = t, jd = d, jt = t;
                orvex_nextime(&cd, &ct, s);
                NEXTIME(jd, jt, s);
                EXPECT_EQ(cd, jd);
                EXPECT_EQ(ct, jt);
                EXPECT_EQ(orvex_jstep3(d, t, 2023365, 120000, s), JSTEP3(d, t, 2023365, 120000, s));
                int c1 = -7, c2 = -7, k1 = -7, k2 = -7;
                EXPECT_EQ(orvex_currec(d, t, 2023365, 120000, s, &c1, &c2),
                          CURREC(d, t, 2023365, 120000, s, k1, k2));
                EXPECT_EQ(c1, k1);
                EXPECT_EQ(c2, k2);
            }
        }
}

// ---- The mixed-language run ---------------------------------------------------

constexpr int NC = 5, NR = 4, NL = 3, NSTEPS = 6, CELLS = NC * NR * NL;

double expected(int var, int n, int c, int r, int l) {
    return (var == 3 ? 30000.125 : 10000.0 * var) + 1000 * n + 100 * l + 10 * r + c;
}

class MixedRun : public ::testing::Test {
protected:
    void SetUp() override {
        const char* dir = std::getenv("ORVEX_MIXED_DIR");
        if (dir == nullptr) GTEST_SKIP() << "not in the mixed-language run";
        file_ = std::filesystem::path(dir) / "mixed.nc";
        dump_ = kit::read_file(std::filesystem::path(dir) / "mixed_read.dump");
        ASSERT_TRUE(SETENVVAR("MIXED_FILE", file_.string()));
        ASSERT_TRUE(OPEN3("MIXED_FILE", FSRDONLY3, "MIXED_CHECK"));
        ASSERT_TRUE(DESC3("MIXED_FILE"));
    }
    void TearDown() override { SHUT3(); }

    std::filesystem::path file_;
    std::string dump_;
};

TEST_F(MixedRun, TheDescriptionIsTheOneFortranSet) {
    const Fdesc3& d = FDESC3;
    EXPECT_EQ(d.FTYPE3D, GRDDED3);
    EXPECT_EQ(d.SDATE3D, 2023365);
    EXPECT_EQ(d.STIME3D, 200000);
    EXPECT_EQ(d.TSTEP3D, 20000);
    EXPECT_EQ(d.MXREC3D, NSTEPS);
    EXPECT_EQ(d.NTHIK3D, 1);
    EXPECT_EQ(d.P_GAM3D, -90.75);
    EXPECT_EQ(d.YCELL3D, 24000.0);
    EXPECT_EQ(d.VGTOP3D, 10000.0f);
    EXPECT_EQ(d.VGLVS3D[3], 0.8f);
    EXPECT_TRUE(d.GDNAM3D == "MIXED_24K");
    EXPECT_TRUE(d.UPNAM3D == "MIXED_WRITE");
    EXPECT_TRUE(d.FDESC3D[1] == "read from C and C++");
    EXPECT_TRUE(d.VNAME3D[1] == "COUNT");
    EXPECT_TRUE(d.UNITS3D[2] == "Pa");
    EXPECT_TRUE(d.VDESC3D[0] == "air temperature");
    EXPECT_EQ(d.VTYPE3D[2], QVDBLE);
}

TEST_F(MixedRun, EveryValueAsFortranWroteAndCRead) {
    constexpr std::size_t step_bytes = CELLS * (sizeof(float) + sizeof(int) + sizeof(double));
    ASSERT_EQ(dump_.size(), NSTEPS * step_bytes);
    std::vector<float> temp(CELLS);
    std::vector<int> counts(CELLS);
    std::vector<double> pres(CELLS);
    int jdate = 2023365, jtime = 200000;
    for (int n = 1; n <= NSTEPS; ++n) {
        ASSERT_TRUE(READ3("MIXED_FILE", "TEMP", ALLAYS3, jdate, jtime, temp.data()));
        ASSERT_TRUE(READ3("MIXED_FILE", "COUNT", ALLAYS3, jdate, jtime, counts.data()));
        ASSERT_TRUE(READ3("MIXED_FILE", "PRES", ALLAYS3, jdate, jtime, pres.data()));
        for (int i = 0; i < CELLS; ++i) {
            const int c = i % NC + 1, r = i / NC % NR + 1, l = i / (NC * NR) + 1;
            ASSERT_EQ(temp[i], static_cast<float>(expected(1, n, c, r, l))) << "step " << n << " cell " << i;
            ASSERT_EQ(counts[i], static_cast<int>(expected(2, n, c, r, l))) << "step " << n << " cell " << i;
            ASSERT_EQ(pres[i], expected(3, n, c, r, l)) << "step " << n << " cell " << i;
        }
        const char* read_by_c = dump_.data() + (n - 1) * step_bytes;
        EXPECT_EQ(std::memcmp(read_by_c, temp.data(), CELLS * sizeof(float)), 0) << "step " << n;
        read_by_c += CELLS * sizeof(float);
        EXPECT_EQ(std::memcmp(read_by_c, counts.data(), CELLS * sizeof(int)), 0) << "step " << n;
        read_by_c += CELLS * sizeof(int);
        EXPECT_EQ(std::memcmp(read_by_c, pres.data(), CELLS * sizeof(double)), 0) << "step " << n;
        NEXTIME(jdate, jtime, 20000);
    }
}

TEST_F(MixedRun, EveryTimeFlagIsItsStep) {
    const std::vector<int> flags = kit::NcFile(file_).ints("TFLAG");
    ASSERT_EQ(flags.size(), static_cast<std::size_t>(NSTEPS * 3 * 2));
    int jdate = 2023365, jtime = 200000;
    for (int n = 0; n < NSTEPS; ++n) {
        for (int v = 0; v < 3; ++v) {
            EXPECT_EQ(flags[static_cast<std::size_t>((n * 3 + v) * 2)], jdate) << "step " << n + 1 << " var " << v;
            EXPECT_EQ(flags[static_cast<std::size_t>((n * 3 + v) * 2 + 1)], jtime) << "step " << n + 1 << " var " << v;
        }
        NEXTIME(jdate, jtime, 20000);
    }
    EXPECT_EQ(jdate, 2024001);  // the steps crossed the year's end
}

}  // namespace
