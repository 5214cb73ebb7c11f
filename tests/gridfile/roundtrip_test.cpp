// Every file type: created, closed, reopened read-only and read/write; the
// table and DESC3 give back the description that was written.
#include <memory>
#include <string>

#include "gridfile/state3.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

struct TypeCase {
    const char* label;
    int ftype;
    int nvars;
    int laysz;  // layer size in the table after creation and after opening
    int laysz_open;
};

// Test listings show the case by its label.
void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.label; }

// 4 columns, 3 rows, NTHIK 1 (5 for events): the layer sizes of the layout table.
const TypeCase TYPES[] = {
    {"KFEVNT3", KFEVNT3, 2, IMISS3, 3}, {"CUSTOM3", CUSTOM3, 2, 4, 4},   {"GRDDED3", GRDDED3, 3, 12, 12},
    {"BNDARY3", BNDARY3, 2, 18, 18},    {"IDDATA3", IDDATA3, 2, 3, 3},   {"PROFIL3", PROFIL3, 2, 12, 12},
    {"GRNEST3", GRNEST3, 2, 12, 12},    {"SMATRX3", SMATRX3, 2, 4, 4},   {"GRDATT3", GRDATT3, 3, 12, 12},
    {"PTRFLY3", PTRFLY3, 5, 12, 12},
};

class RoundTrip : public ::testing::TestWithParam<TypeCase> {};

TEST_P(RoundTrip, CreateCloseReopenDescribe) {
    const TypeCase& tc = GetParam();
    Sandbox box;
    const Outcome r = box.run({{"OUTF", box.path("out.nc")}, {"ORVEX_CHECK_HEADERS", "Y"}}, [&] {
        describe(tc.ftype, tc.nvars);
        auto want = std::make_unique<Fdesc3>(FDESC3);
        auto atts = std::make_unique<Fdatt3>(FDATT3);
        ASSERT_TRUE(OPEN3("OUTF", FSNEW3, "CREATOR"));
        const int fid = NAME2FID("OUTF");
        EXPECT_EQ(tc.laysz, detail::slot(fid).laysz);
        ASSERT_TRUE(CLOSE3("OUTF"));

        for (const int status : {FSRDONLY3, FSRDWR3}) {
            const char* program = status == FSRDONLY3 ? "READER" : "WRITER";
            ASSERT_TRUE(OPEN3("OUTF", status, program)) << status;
            EXPECT_EQ(tc.laysz_open, detail::slot(NAME2FID("OUTF")).laysz);
            EXPECT_EQ(status == FSRDONLY3, detail::slot(NAME2FID("OUTF")).ronly);
            FDESC3 = Fdesc3{};
            FDATT3 = Fdatt3{};
            ASSERT_TRUE(DESC3("OUTF"));
            expect_same_description(*want, FDESC3, START | TOP);
            EXPECT_EQ(0, FDESC3.MXREC3D);
            // The read/write open has rewritten the program name.
            EXPECT_EQ(status == FSRDONLY3 ? "CREATOR" : "WRITER", FDESC3.UPNAM3D.trimmed());
            EXPECT_EQ("gridfile-test", FDESC3.EXECN3D.trimmed());
            EXPECT_EQ("Scenario line one", FDESC3.UPDSC3D[0].trimmed());
            EXPECT_EQ("Scenario line two", FDESC3.UPDSC3D[1].trimmed());
            EXPECT_EQ(FDESC3.CDATE3D, FDESC3.WDATE3D);
            EXPECT_EQ(FDESC3.CTIME3D, FDESC3.WTIME3D);
            if (tc.ftype == GRDATT3)
                for (int v = 0; v < tc.nvars; ++v) {
                    EXPECT_EQ(atts->NATTS3D[v], FDATT3.NATTS3D[v]);
                    for (int a = 0; a < atts->NATTS3D[v]; ++a) {
                        EXPECT_EQ(atts->ATTNAM3D[v][a].view(), FDATT3.ATTNAM3D[v][a].view());
                        EXPECT_EQ(atts->ATTVAL3D[v][a], FDATT3.ATTVAL3D[v][a]);
                    }
                }
            ASSERT_TRUE(CLOSE3("OUTF"));
        }
    });
    EXPECT_EQ(0, r.status) << r.log;
}

INSTANTIATE_TEST_SUITE_P(EveryType, RoundTrip, ::testing::ValuesIn(TYPES),
                         [](const auto& info) { return std::string(info.param.label); });

// The creation and write stamps are the clock of the creating run.
TEST(RoundTrip, StampsAreTheCreatingRunsClock) {
    Sandbox box;
    const Outcome r = box.run({{"OUTF", box.path("out.nc")}}, [&] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("OUTF", FSNEW3, "CREATOR"));
        ASSERT_TRUE(DESC3("OUTF"));
        EXPECT_EQ(detail::LAYER_STATE.curdate, FDESC3.CDATE3D);
        EXPECT_EQ(detail::LAYER_STATE.curtime, FDESC3.CTIME3D);
        EXPECT_EQ(detail::LAYER_STATE.curdate, FDESC3.WDATE3D);
        EXPECT_EQ(detail::LAYER_STATE.curtime, FDESC3.WTIME3D);
        EXPECT_GT(FDESC3.CDATE3D, 2000000);
    });
    EXPECT_EQ(0, r.status) << r.log;
}

// A dictionary is handed to its own piece and reopened through OPNFIL3.
TEST(RoundTrip, DictionaryCreatedAndReopened) {
    Sandbox box;
    const Outcome r = box.run({{"DICT", box.path("dict.nc")}}, [&] {
        FDESC3 = Fdesc3{};
        FDESC3.FTYPE3D = DCTNRY3;
        ASSERT_TRUE(OPEN3("DICT", FSNEW3, "CREATOR"));
        ASSERT_TRUE(CLOSE3("DICT"));
        ASSERT_TRUE(OPEN3("DICT", FSRDONLY3, "READER"));
        FDESC3 = Fdesc3{};
        ASSERT_TRUE(DESC3("DICT"));
        EXPECT_EQ(DCTNRY3, FDESC3.FTYPE3D);
        EXPECT_EQ(26, FDESC3.NVARS3D);
        EXPECT_EQ("FNAME", FDESC3.VNAME3D[0].trimmed());
        EXPECT_EQ(0, detail::slot(NAME2FID("DICT")).mxrec);
    });
    EXPECT_EQ(0, r.status) << r.log;
}

}  // namespace
}  // namespace gf_test
