// pondra end to end on native binary files: a "BIN:" model file in, both
// outputs to "BIN:" paths, read back through the layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvex/operations.hpp"
#include "support/bin_fixture.hpp"

using namespace orvex;
using namespace bin_test;

namespace {

constexpr int NCOLS = 10, NROWS = 8;  // the output grid; the model grid has a cell more on every side
constexpr float VALUES[] = {5.0f, 7.5f};

// A one-layer gridded model file of two real variables, each constant, at
// 2005001:000000 on a 12 km grid with its south-west corner at (-132 km, -108 km).
void write_model_file(const Sandbox& box, const std::string& path) {
    const Outcome r = box.run({{"MODELIN", "BIN:" + path}, {"LOGFILE", box.path("model.log")}}, [&] {
        Desc d = binary_sample(2);
        d.ncols = NCOLS + 2;
        d.nrows = NROWS + 2;
        d.nlays = 1;
        d.sdate = 2005001;
        d.stime = 0;
        d.xorig = -132000.0;
        d.yorig = -108000.0;
        d.xcell = d.ycell = 12000.0;
        d.vars[0].vtype = d.vars[1].vtype = QVREAL;
        ASSERT_TRUE(write_steps("MODELIN", d, FSNEW3, "MODELGEN", 1, [](int v, int, int, int) { return VALUES[v]; }));
    });
    ASSERT_EQ(r.status, 0) << r.out;
}

}  // namespace

TEST(BinPondra, ReadsAndWritesNativeBinaryFiles) {
    Sandbox box;
    const std::string in = box.path("model.bin");
    const std::string qa = box.path("qa.bin");
    const std::string aq = box.path("aq.bin");
    write_model_file(box, in);
    const RunResult run = run_pondra(box.dir(), "33. 45. -97. -97. 10 8 -120 -96 12\n2005\nQAOUT\nAQOUT\n1\nMODELIN\n",
                               {{"MODELIN", "BIN:" + in}, {"QAOUT", "BIN:" + qa}, {"AQOUT", "BIN:" + aq}});
    ASSERT_EQ(run.status, 0) << run.out << run.err << run.log;
    EXPECT_NE(run.log.find("Native-binary file opened as "), std::string::npos);

    struct Output {
        const char* name;
        std::string path;
        const char* units;
        const char* desc;
    } outputs[] = {{"QAOUT", qa, "tons", "Gridded emissions"}, {"AQOUT", aq, "ug/m3", "NLIN2.0"}};
    for (const Output& o : outputs) {
        const Outcome r = box.run({{o.name, "BIN:" + o.path}, {"LOGFILE", box.path(std::string(o.name) + ".log")}}, [&] {
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
        EXPECT_EQ(r.status, 0) << r.out;
    }
}
