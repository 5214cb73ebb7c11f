// Native binary files: the header as created, byte for byte, and as read back.
#include <gtest/gtest.h>

#include <string>

#include "support/bin_fixture.hpp"
#include "orvex/operations.hpp"

using namespace orvex;
using namespace orvex::detail;
using namespace bin_test;

namespace {

// Creates the file of the current FDESC3 in the sandbox and returns its bytes.
std::string created_bytes(const Sandbox& box, const std::string& name = "grid.bin") {
    bind_slot();
    const std::string path = box.path(name);
    EXPECT_TRUE(CRTBIN3(path, FID));
    EXPECT_TRUE(CLOSEBIN3(FID));
    return read_file(path);
}

}  // namespace

TEST(BinHeader, EveryOffsetOfCreatedHeader) {
    Sandbox box;
    gridded_desc();
    const std::string h = created_bytes(box);
    ASSERT_EQ(h.size(), 19884u + 3 * 112u);

    const struct {
        std::size_t off;
        int value;
    } ints[] = {
        {0, 0},         {20, 0},      {24, 4},       {28, 4},  {32, 8},  {36, 0},  {40, 0},
        {44, 0},        {48, 0},      {52, GRDDED3}, {56, 2},  {60, 7},  {64, 4},  {68, 3},
        {72, 2},        {76, 1},      {80, 3},       {84, 2020001}, {88, 10000}, {92, 10000},
        {1980, QVINT},  {1984, QVREAL}, {1988, QVDBLE}, {1992, 0}, {1980 + 4 * 2047, 0},
    };
    for (const auto& c : ints) EXPECT_EQ(le32(h, c.off), c.value) << "offset " << c.off;

    EXPECT_EQ(h.substr(4, 16), zeros(16)) << "version text of the format settings";
    const char* grid[] = {
        "  3.0000000000000000000e+01", "  6.0000000000000000000e+01", " -9.0000000000000000000e+01",
        " -9.0000000000000000000e+01", "  4.0000000000000000000e+01", " -1.5360000000000000000e+06",
        " -1.2000000000000000000e+06", "  1.2000000000000000000e+04", "  1.0000000000000000555e-01",
    };
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(h.substr(96 + 28 * i, 28), std::string(grid[i]) + '\0') << "grid double " << i;
    EXPECT_EQ(h.substr(348, 16), std::string("5.000000000e+03") + '\0');
    EXPECT_EQ(h.substr(364, 16), std::string("1.000000000e+00") + '\0');
    EXPECT_EQ(h.substr(380, 16), std::string("5.000000000e-01") + '\0');
    EXPECT_EQ(h.substr(396, 16), "-2.500000000e-01") << "a negative level fills its slot";
    EXPECT_EQ(h.substr(412, 1980 - 412), zeros(1980 - 412)) << "levels beyond NLAYS + 1";

    EXPECT_EQ(h.substr(10172, 16), "LAMBERT_12      ");
    EXPECT_EQ(h.substr(10188, 16), "BINWRITER       ");
    EXPECT_EQ(h.substr(10204, 80), Text<80>("exec-2020").str());
    EXPECT_EQ(h.substr(10284, 80), Text<80>("first description line").str());
    EXPECT_EQ(h.substr(10284 + 80, 80), std::string(80, ' '));
    EXPECT_EQ(h.substr(10284 + 59 * 80, 80), Text<80>("last description line").str());
    EXPECT_EQ(h.substr(15084, 80), std::string(80, ' '));
    EXPECT_EQ(h.substr(15084 + 80, 80), Text<80>("history line").str());

    EXPECT_EQ(h.substr(19884, 48), "O3              NO2             TEMP            ");
    EXPECT_EQ(h.substr(19932, 48), "ppm             ppb             K               ");
    EXPECT_EQ(h.substr(19980, 80), Text<80>("description of O3").str());
    EXPECT_EQ(h.substr(20140, 80), Text<80>("description of TEMP").str());
}

TEST(BinHeader, FormatSettingsGoIntoLaterHeaders) {
    Sandbox box;
    const auto r = box.run({}, [&] {
        detail::bin_settings() = detail::BinSettings{};
        INITBIN3("BINIO v2 format settings", 2021123, 134500);
        gridded_desc(1);
        const std::string h = created_bytes(box);
        std::printf("%s|%d %d %d %d %d %d %d %d %d\n", h.substr(4, 16).c_str(), h[20], h[21], h[22], h[23],
                    le32(h, 20), le32(h, 36), le32(h, 40), le32(h, 44), le32(h, 48));
    });
    EXPECT_EQ(r.out, "BINIO v2 format |0 1 2 3 50462976 2021123 134500 2021123 134500\n");
}

TEST(BinHeader, OpenFillsSlotAndDescribeFillsRecord) {
    Sandbox box;
    gridded_desc();
    const std::string path = box.path("grid.bin");
    created_bytes(box);

    bind_slot();
    ASSERT_TRUE(OPNBIN3(path + "   ", FID, FSRDONLY3, "READER"));
    const detail::FileSlot& s = detail::slot(FID);
    EXPECT_EQ(s.ftype, GRDDED3);
    EXPECT_EQ(s.ncols, 4);
    EXPECT_EQ(s.nrows, 3);
    EXPECT_EQ(s.nlays, 2);
    EXPECT_EQ(s.nthik, 1);
    EXPECT_EQ(s.nvars, 3);
    EXPECT_EQ(s.mxrec, 0);
    EXPECT_EQ(s.gdtyp, 2);
    EXPECT_EQ(s.laysz, 12);
    EXPECT_EQ(s.sdate, 2020001);
    EXPECT_EQ(s.stime, 10000);
    EXPECT_EQ(s.tstep, 10000);
    EXPECT_EQ(s.p_gam, -90.0);
    EXPECT_EQ(s.xorig, -1536000.0);
    EXPECT_EQ(s.ycell, 0.1) << "19 digits carry a double exactly";
    EXPECT_EQ(s.gdnam, "LAMBERT_12");
    ASSERT_EQ(s.vars.size(), 3u);
    EXPECT_EQ(s.vars[2].name, "TEMP");
    EXPECT_EQ(s.vars[1].units, "ppb");
    EXPECT_EQ(s.vars[2].vtype, QVDBLE);

    const detail::BinState* st = detail::bin_state(FID);
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->hdrsize, 19884 + 3 * 112);
    EXPECT_EQ(st->recsize, 24 + 2 * 48 + 2 * 48 + 2 * 96);
    EXPECT_EQ(st->offset[0], 24);
    EXPECT_EQ(st->offset[1], 24 + 96);
    EXPECT_EQ(st->offset[2], 24 + 192);
    EXPECT_EQ(st->laysize[2], 96);

    FDESC3 = Fdesc3{};
    ASSERT_TRUE(DSCBIN3(FID));
    EXPECT_EQ(FDESC3.UPNAM3D, "BINWRITER");
    EXPECT_EQ(FDESC3.EXECN3D, "exec-2020");
    EXPECT_EQ(FDESC3.FDESC3D[59], "last description line");
    EXPECT_EQ(FDESC3.UPDSC3D[1], "history line");
    EXPECT_EQ(FDESC3.VGTYP3D, 7);
    EXPECT_EQ(FDESC3.VGTOP3D, 5000.0f);
    EXPECT_EQ(FDESC3.VGLVS3D[1], 0.5f);
    EXPECT_EQ(FDESC3.VGLVS3D[2], -0.25f) << "a level text without its zero byte";
    EXPECT_EQ(FDESC3.VGLVS3D[3], 0.0f) << "only NLAYS + 1 levels are read";
    EXPECT_EQ(FDESC3.VNAME3D[1], "NO2");
    EXPECT_EQ(FDESC3.UNITS3D[2], "K");
    EXPECT_EQ(FDESC3.VDESC3D[0], "description of O3");
    EXPECT_EQ(FDESC3.MXREC3D, 0);
    EXPECT_TRUE(CLOSEBIN3(FID));
}

TEST(BinHeader, PathEndsAtFirstWhiteSpace) {
    Sandbox box;
    gridded_desc(1);
    bind_slot();
    const std::string path = box.path("cut.bin");
    ASSERT_TRUE(CRTBIN3(path + " -v", FID));
    EXPECT_TRUE(CLOSEBIN3(FID));
    EXPECT_EQ(read_file(path).size(), 19884u + 112u);
}
