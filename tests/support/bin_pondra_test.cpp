// pondra end to end on native binary files: a "BIN:" model file in, both
// outputs to "BIN:" paths, read back through the layer.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "orvex/operations.hpp"
#include "support/bin_fixture.hpp"

using namespace orvex;
using namespace bin_test;
using support_test::ChildResult;
using support_test::read_file;
using support_test::Sandbox;
using support_test::write_file;

namespace {

constexpr int NCOLS = 10, NROWS = 8;  // the output grid; the model grid has a cell more on every side
constexpr float VALUES[] = {5.0f, 7.5f};

// A one-layer gridded model file of two real variables, each constant, at
// 2005001:000000 on a 12 km grid with its south-west corner at (-132 km, -108 km).
void write_model_file(const Sandbox& box, const std::string& path) {
    const ChildResult r =
        checked_run(box, {{"MODELIN", "BIN:" + path}, {"LOGFILE", box.path("model.log").string()}}, [&] {
            gridded_desc(2);
            Fdesc3& d = FDESC3;
            d.NCOLS3D = NCOLS + 2;
            d.NROWS3D = NROWS + 2;
            d.NLAYS3D = 1;
            d.SDATE3D = 2005001;
            d.STIME3D = 0;
            d.XORIG3D = -132000.0;
            d.YORIG3D = -108000.0;
            d.XCELL3D = d.YCELL3D = 12000.0;
            d.VTYPE3D[0] = d.VTYPE3D[1] = QVREAL;
            ASSERT_TRUE(OPEN3("MODELIN", FSNEW3, "MODELGEN"));
            for (int v = 0; v < 2; ++v) {
                const std::vector<float> grid((NCOLS + 2) * (NROWS + 2), VALUES[v]);
                ASSERT_TRUE(WRITE3("MODELIN", d.VNAME3D[v], 2005001, 0, grid.data()));
            }
            ASSERT_TRUE(CLOSE3("MODELIN"));
        });
    ASSERT_EQ(r.out.find("CHILD FAILED"), std::string::npos) << r.out;
}

}  // namespace

TEST(BinPondra, ReadsAndWritesNativeBinaryFiles) {
    Sandbox box;
    const std::string in = box.path("model.bin").string();
    const std::string qa = box.path("qa.bin").string();
    const std::string aq = box.path("aq.bin").string();
    write_model_file(box, in);
    write_file(box.path("dialogue.txt"), "33. 45. -97. -97. 10 8 -120 -96 12\n2005\nQAOUT\nAQOUT\n1\nMODELIN\n");
    const std::string cmd = "cd '" + box.dir().string() + "' && env -u EXECUTION_ID -u SCENFILE MODELIN='BIN:" + in +
                            "' QAOUT='BIN:" + qa + "' AQOUT='BIN:" + aq + "' LOGFILE=pondra.log '" + ORVEX_PONDRA_EXE +
                            "' < dialogue.txt > pondra.out 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << read_file(box.path("pondra.out")) << read_file(box.path("pondra.log"));
    EXPECT_NE(read_file(box.path("pondra.log")).find("Native-binary file opened as "), std::string::npos);

    struct Output {
        const char* name;
        std::string path;
        const char* units;
        const char* desc;
    } outputs[] = {{"QAOUT", qa, "tons", "Gridded emissions"}, {"AQOUT", aq, "ug/m3", "NLIN2.0"}};
    for (const Output& o : outputs) {
        const ChildResult r = checked_run(
            box, {{o.name, "BIN:" + o.path}, {"LOGFILE", box.path(std::string(o.name) + ".log").string()}}, [&] {
                ASSERT_TRUE(OPEN3(o.name, FSRDONLY3, "CHECKER"));
                ASSERT_TRUE(DESC3(o.name));
                EXPECT_EQ(FDESC3.FTYPE3D, GRDDED3);
                EXPECT_EQ(FDESC3.NCOLS3D, NCOLS);
                EXPECT_EQ(FDESC3.NROWS3D, NROWS);
                EXPECT_EQ(FDESC3.SDATE3D, 2005001);
                EXPECT_EQ(FDESC3.TSTEP3D, 240000);
                EXPECT_EQ(FDESC3.MXREC3D, 1);
                EXPECT_EQ(FDESC3.XORIG3D, -120000.0);
                EXPECT_EQ(FDESC3.XCELL3D, 12000.0);
                ASSERT_EQ(FDESC3.NVARS3D, 2);
                for (int v = 0; v < 2; ++v) {
                    EXPECT_EQ(FDESC3.UNITS3D[v], o.units);
                    EXPECT_EQ(FDESC3.VDESC3D[v], o.desc);
                    std::vector<float> grid(NCOLS * NROWS, -1.0f);
                    ASSERT_TRUE(READ3(o.name, FDESC3.VNAME3D[v], ALLAYS3, 2005001, 0, grid.data()));
                    EXPECT_EQ(grid, std::vector<float>(NCOLS * NROWS, VALUES[v])) << o.name << " variable " << v;
                }
            });
        EXPECT_EQ(r.out.find("CHILD FAILED"), std::string::npos) << r.out;
    }
}
