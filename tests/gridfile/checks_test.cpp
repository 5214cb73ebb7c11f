// CKNAME, CKDESC3 and CKFILE3 with header checks off and on, and the warning
// blocks of CHKFIL3.
#include <functional>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

TEST(Checks, VariableNames) {
    for (const char* legal : {"O3", "O3      ", "_a-1", "$x", "#y", "@z", "-w", "A234567890123456", "aZ_09"})
        EXPECT_TRUE(CKNAME(legal)) << legal;
    for (const char* illegal : {"", "    ", "1ABC", "A B", "a.b", "x/y", " O3", "O3!"}) EXPECT_FALSE(CKNAME(illegal)) << illegal;
}

// CKDESC3 with header checks off: only the always-made reports.
TEST(Checks, DescriptionChecksOff) {
    Sandbox box;
    const Outcome r = box.run({}, [] {
        INIT3();
        describe(GRDDED3, 3);
        FDESC3.NCOLS3D = 0;
        FDESC3.VNAME3D[2] = "O3";
        QVMSG2("MARK");
        EXPECT_TRUE(CKDESC3("A"));
        FDESC3.NVARS3D = -2;
        EXPECT_TRUE(CKDESC3("A"));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ((Lines{"     Variable name VNAME3D(    3  ) = \"O3\" duplicates VNAME3D(    1  ) = \"O3\" in file \"A\"",
                     "     Illegal negative number of variables:        -2  in file \"A\""}),
              between(r.log, "MARK", "END"));
}

struct DescCase {
    const char* label;
    int ftype;
    std::function<void()> adjust;
    bool result;
    Lines lines;
};

// Test listings show the case by its label.
void PrintTo(const DescCase& c, std::ostream* os) { *os << c.label; }

const Lines BAD = warning("CKDESC", "Bad file description found");

const DescCase DESC_CASES[] = {
    {"good", GRDDED3, [] {}, true, {}},
    {"columns", GRDDED3, [] { FDESC3.NCOLS3D = 0; }, false, Lines{"     Bad NCOLS         0  in file \"A\""} + BAD},
    {"rows and columns", GRDATT3, [] { FDESC3.NCOLS3D = FDESC3.NROWS3D = -1; }, false,
     Lines{"     Bad NCOLS        -1  in file \"A\"", "     Bad NROWS        -1  in file \"A\""} + BAD},
    {"boundary", BNDARY3, [] { FDESC3.NTHIK3D = -5; }, false,
     Lines{"     Bad boundary width NTHIK        -5  in file \"A\""} + BAD},
    {"boundary at its limit", BNDARY3, [] { FDESC3.NTHIK3D = 4; }, true, {}},
    {"sites", IDDATA3, [] { FDESC3.NROWS3D = 0; }, false,
     Lines{"     Bad max site count NROWS         0  in file \"A\""} + BAD},
    {"profiles", PROFIL3, [] { FDESC3.NCOLS3D = 0; }, false,
     Lines{"     Bad max level count NCOLS         0  in file \"A\""} + BAD},
    {"nests", GRNEST3, [] { FDESC3.NCOLS3D = FDESC3.NROWS3D = 0; }, false,
     Lines{"     Bad max cell-count NCOLS         0  in file \"A\"", "     Bad max nest count NROWS         0  in file \"A\""} + BAD},
    {"sparse matrix", SMATRX3, [] { FDESC3.NROWS3D = 0; FDESC3.NTHIK3D = 0; }, false,
     Lines{"     Bad matrux NROWS         0  in file \"A\"", "     Bad full-matrix col-count NTHIK         0  in file \"A\""} + BAD},
    {"custom", CUSTOM3, [] { FDESC3.NCOLS3D = 0; FDESC3.NROWS3D = 0; }, false,
     Lines{"     Bad blob-size NCOLS         0  in file \"A\""} + BAD},
    {"events", KFEVNT3, [] { FDESC3.NROWS3D = 0; FDESC3.NLAYS3D = 0; }, false,
     Lines{"     Bad NROWS         0  in file \"A\""} + BAD},
    {"flight variables", PTRFLY3, [] { FDESC3.NVARS3D = 3; }, false,
     Lines{"     Variable AIR_LON not found in PTRFLY3-type file \"A\"",
           "     Variable AIR_ELV not found in PTRFLY3-type file \"A\""} + BAD},
    {"illegal type", 12, [] {}, false, warning("CKDESC3", "Illegal file type:        12  in file \"A\"")},
    {"no layout, no checks", DGRAPH3, [] { FDESC3.NCOLS3D = 0; }, true, {}},
    {"dictionary, no checks", DCTNRY3, [] { FDESC3.NCOLS3D = 0; }, true, {}},
    {"no variables", GRDDED3, [] { FDESC3.NVARS3D = 0; }, true,
     {"     WARNING:  number of variables:         0  in file \"A\""}},
    {"variable name", GRDDED3, [] { FDESC3.VNAME3D[1] = "2NO"; }, false,
     Lines{"     Illegal variable name \"2NO\" in file A"} + BAD},
    {"data type", GRDDED3, [] { FDESC3.VTYPE3D[0] = 3; }, false,
     Lines{"     Illegal data type          3 for variable \"O3\" in file \"A\""} + BAD},
    {"units", GRDDED3, [] { FDESC3.UNITS3D[0] = ""; }, false,
     Lines{"     No UNITS specifier for variable \"O3\" in file \"A\""} + BAD},
    {"grid origin", GRDDED3, [] { FDESC3.GDTYP3D = 1; FDESC3.XORIG3D = 181.0; }, false,
     Lines{"     Bad grid origin 1.81000000000000000E+02-2.00050000000000000E+03  in file \"A\""} + BAD},
    {"projection centre", GRDDED3, [] { FDESC3.YCENT3D = 91.0; }, false,
     Lines{"     Bad X-Y origin-9.00000000000000000E+01 9.10000000000000000E+01  in file \"A\""} + BAD},
    {"standard latitudes", GRDDED3, [] { FDESC3.P_BET3D = 20.0; }, false,
     Lines{"     Bad PROJ-BETA 2.00000000000000000E+01  in file \"A\""} + BAD},
    {"central meridian", GRDDED3, [] { FDESC3.GDTYP3D = 3; FDESC3.P_GAM3D = 190.0; }, false,
     Lines{"     Bad PROJ-GAMMA 1.90000000000000000E+02  in file \"A\""} + BAD},
    {"zone", GRDDED3, [] { FDESC3.GDTYP3D = 5; FDESC3.P_ALP3D = 10.5; }, false,
     Lines{"     Bad PROJ-ALPHA 1.05000000000000000E+01  in file \"A\""} + BAD},
    {"zone number", GRDDED3, [] { FDESC3.GDTYP3D = 5; FDESC3.P_ALP3D = 17.005; }, true, {}},
    {"pole", GRDDED3, [] { FDESC3.GDTYP3D = 6; FDESC3.P_ALP3D = -1.0; FDESC3.P_BET3D = 45.0; }, true, {}},
    {"grid type", GRDDED3, [] { FDESC3.GDTYP3D = 11; }, false,
     Lines{"     Illegal horizontal grid/coordinate type:        11  in file \"A\""} + BAD},
    {"layers", GRDDED3, [] { FDESC3.NLAYS3D = 0; }, false,
     Lines{"     Illegal vertical layer dimension:         0  in file \"A\""} + BAD},
    {"vertical type", GRDDED3, [] { FDESC3.VGTYP3D = 9; }, false,
     Lines{"     Unknown vertical grid/coordinate type:         9  in file \"A\""} + BAD},
    {"monotonicity", GRDDED3,
     [] {
         FDESC3.NLAYS3D = 3;
         FDESC3.VGLVS3D[2] = 0.95f;
         FDESC3.VGLVS3D[3] = 0.2f;
     },
     false, Lines{"     Bad layer monotonicity at layer         2  in file \"A\""} + BAD},
    {"missing vertical type", GRDDED3, [] { FDESC3.VGTYP3D = IMISS3; }, true,
     {"     WARNING:  Vertical grid/coordinate type:     -9999 \"MISSING\" in file \"A\""}},
    {"one layer, any vertical type", GRDDED3, [] { FDESC3.NLAYS3D = 1; FDESC3.VGTYP3D = 77; }, true, {}},
};

class DescriptionChecks : public ::testing::TestWithParam<DescCase> {};

TEST_P(DescriptionChecks, RulesAndMessages) {
    const DescCase& c = GetParam();
    Sandbox box;
    const Outcome r = box.run({{"ORVEX_CHECK_HEADERS", "Yes"}}, [&] {
        INIT3();
        describe(c.ftype, c.ftype == PTRFLY3 ? 5 : 2);
        c.adjust();
        QVMSG2("MARK");
        EXPECT_EQ(c.result, CKDESC3("A"));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(c.lines, between(r.log, "MARK", "END"));
}

INSTANTIATE_TEST_SUITE_P(ChecksOn, DescriptionChecks, ::testing::ValuesIn(DESC_CASES),
                         label_name<DescCase>);

TEST(Checks, SwitchWithAnInvalidValue) {
    Sandbox box;
    const Outcome r = box.run({{"ORVEX_CHECK_HEADERS", "1"}}, [] {
        INIT3();
        describe(GRDDED3);
        FDESC3.NCOLS3D = 0;
        EXPECT_TRUE(CKDESC3("A"));
        QVMSG2("MARK");
        EXPECT_TRUE(CKDESC3("A"));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    const Lines lines = lines_of(r.log);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     "     Invalid value for environment vble \"ORVEX_CHECK_HEADERS\""));
    // Read once per run: the second check neither reads nor reports it again.
    EXPECT_EQ(Lines{}, between(r.log, "MARK", "END"));
}

// A file whose header is changed on disk after creation, opened with the
// header checks on (refused with the first failed rule) and off (accepted).
struct FileCase {
    const char* label;
    int ftype;
    std::function<int(int)> edit;  // in define mode
    Lines lines;
};

// Test listings show the case by its label.
void PrintTo(const FileCase& c, std::ostream* os) { *os << c.label; }

const FileCase FILE_CASES[] = {
    {"grid type", GRDDED3, [](int ncid) { return put_int_att(ncid, "GDTYP", 11); },
     warning("CKFILE3", "Illegal horizontal grid/coordinate type:        11  in file \"A\"")},
    {"boundary half width", BNDARY3, [](int ncid) { return put_int_att(ncid, "NTHIK", 2); },
     warning("CKFILE3", "Bad boundary width NTHIK         2  in file \"A\"")},
    {"first failure only", GRDDED3,
     [](int ncid) {
         put_int_att(ncid, "NCOLS", 0);
         return put_int_att(ncid, "NROWS", 0);
     },
     warning("CKFILE3", "Bad NCOLS         0  in file \"A\"")},
    {"surfaces read again", GRDDED3,
     [](int ncid) {
         const float levels[] = {1.0f, 0.9f, 0.95f};
         return nc_put_att_float(ncid, NC_GLOBAL, "VGLVLS", NC_FLOAT, 3, levels);
     },
     warning("CKFILE3", "Bad layer monotonicity at layer         2  in file \"A\"")},
};

class FileChecks : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileChecks, OpenRefusedWithChecksOnly) {
    const FileCase& c = GetParam();
    Sandbox box;
    const std::string path = box.path("a.nc");
    const Outcome made = box.make(path, c.ftype);
    ASSERT_EQ(0, made.status) << made.log;
    ASSERT_EQ(NC_NOERR, nc_edit(path, c.edit));
    const Outcome on = box.run({{"A", path}, {"ORVEX_CHECK_HEADERS", "T"}}, [] {
        INIT3();
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("A", FSRDONLY3, "CHECKS"));
        QVMSG2("END");
        EXPECT_EQ(0, NAME2FID("A"));
    });
    EXPECT_EQ(0, on.status) << on.log;
    EXPECT_EQ(c.lines, between(on.log, "MARK", "END"));
    const Outcome off = box.run({{"A", path}}, [] { EXPECT_TRUE(OPEN3("A", FSRDONLY3, "CHECKS")); });
    EXPECT_EQ(0, off.status) << off.log;
}

INSTANTIATE_TEST_SUITE_P(ChecksOn, FileChecks, ::testing::ValuesIn(FILE_CASES),
                         label_name<FileCase>);

// Reports that do not refuse the file.
TEST(Checks, FileReportsThatPass) {
    Sandbox box;
    const std::string path = box.path("a.nc");
    const Outcome made = box.make(path, GRDDED3, [] {
        FDESC3.NLAYS3D = 1;
        FDESC3.GDTYP3D = IMISS3;
    });
    ASSERT_EQ(0, made.status) << made.log;
    ASSERT_EQ(NC_NOERR, nc_edit(path, [](int ncid) {
                  const std::string list = "O3              O3              ";
                  return nc_put_att_text(ncid, NC_GLOBAL, "VAR-LIST", list.size(), list.data());
              }));
    const Outcome r = box.run({{"A", path}, {"ORVEX_CHECK_HEADERS", "T"}}, [] {
        INIT3();
        QVMSG2("MARK");
        EXPECT_TRUE(OPEN3("A", FSRDONLY3, "CHECKS"));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    const Lines lines = between(r.log, "MARK", "END");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ((Lines{"     Variable name VLIST3D(    2  ) = \"O3\" duplicates VLIST3D(    1  ) = \"O3\" in file \"A\"",
                     "     WARNING:  Horizontal grid/coordinate type:     -9999 \"MISSING\"  in file \"A\""}),
              Lines(lines.begin(), lines.begin() + 2));
}

// CHKFIL3: one block per difference, in the order of the comparisons.
TEST(Checks, CallerAgainstFile) {
    Sandbox box;
    const std::string path = box.path("a.nc");
    const Outcome r = box.run({{"A", path}}, [&] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSNEW3, "CHECKS"));
        const int fid = NAME2FID("A");
        EXPECT_TRUE(CHKFIL3(fid));
        FDESC3.TSTEP3D = 20000;
        FDESC3.STIME3D = 3000;
        FDESC3.NROWS3D = 5;
        FDESC3.P_ALP3D = 31.0;
        FDESC3.YCELL3D = 12000.000001;  // within the tolerance
        FDESC3.XCELL3D = AMISS3;        // missing (at 32-bit width): not compared
        FDESC3.YORIG3D = DMISS3;        // missing: not compared
        FDESC3.VGTOP3D = 5000.0f;
        FDESC3.VGLVS3D[2] = 0.4f;
        FDESC3.GDNAM3D = "OTHERGRID";
        FDESC3.VNAME3D[1] = "NOX";
        FDESC3.VTYPE3D[0] = QVDBLE;
        QVMSG2("MARK");
        EXPECT_FALSE(CHKFIL3(fid));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    const auto block = [](const std::string& text, const std::string& file, const std::string& caller) {
        return Lines{"     ", "     ", "     >>> WARNING in subroutine CHKFIL3 <<<", "     " + text, "     " + file, "     " + caller};
    };
    Lines want;
    for (const Lines& b :
         {block("Inconsistent file attribute TSTEP for file A", "Value from file:      10000", "Value from caller:    20000"),
          block("Inconsistent SDATE:STIME for file A", "Value from file:    2020001:000000",
                "Value from caller:  2020001:003000"),
          block("Inconsistent file attribute NROWS for file A", "Value from file:          3",
                "Value from caller:        5"),
          block("Inconsistent file attribute P_ALP for file A", "Value from file:   3.00000000000000000E+01",
                "Value from caller: 3.10000000000000000E+01"),
          block("Inconsistent file attribute VGTOP for file A", "Value from file:   1.00000E+04",
                "Value from caller: 5.00000E+03"),
          Lines{"     ", "     ", "     >>> WARNING in subroutine CHKFIL3 <<<", "     Inconsistent attribute VGLVLS for file A",
                "     Error at level            3", "     Value from file:   5.00000E-01",
                "     Value from caller: 4.00000E-01"},
          block("Inconsistent grid name for file A", "Value from file:  TESTGRID", "Value from caller:OTHERGRID"),
          block("Inconsistent type for variable O3 from file A", "Value from file:          5",
                "Value from caller:        6"),
          block("Inconsistent variable list for file A", "Value from file:   NO2", "Value from caller: NOX")})
        want.insert(want.end(), b.begin(), b.end());
    EXPECT_EQ(want, between(r.log, "MARK", "END"));
}

// CHKFIL3 compares only the sizes a type's file is shaped by: NTHIK for the
// boundary, NCOLS except for id-data, NROWS except for the custom type.
TEST(Checks, CallerAgainstFileSizesByType) {
    Sandbox box;
    const struct {
        int ftype;
        const char* name;
        Lines compared;
    } cases[] = {
        {GRDDED3, "G", {"NCOLS", "NROWS"}},         {BNDARY3, "B", {"NTHIK", "NCOLS", "NROWS"}},
        {IDDATA3, "I", {"NROWS"}},                  {CUSTOM3, "C", {"NCOLS"}},
        {SMATRX3, "S", {"NCOLS", "NROWS"}},         {KFEVNT3, "K", {"NCOLS", "NROWS"}},
    };
    for (const auto& c : cases) {
        const Outcome r = box.run({{c.name, box.path(std::string(c.name) + ".nc")}}, [&] {
            describe(c.ftype);
            ASSERT_TRUE(OPEN3(c.name, FSNEW3, "CHECKS"));
            FDESC3.NCOLS3D += 1;
            FDESC3.NROWS3D += 1;
            FDESC3.NTHIK3D += 1;
            QVMSG2("MARK");
            EXPECT_FALSE(CHKFIL3(NAME2FID(c.name)));
            QVMSG2("END");
        });
        EXPECT_EQ(0, r.status) << r.log;
        Lines sizes;
        const std::string head = "     Inconsistent file attribute ";
        for (const std::string& line : between(r.log, "MARK", "END"))
            if (line.rfind(head, 0) == 0) sizes.push_back(line.substr(head.size(), 5));
        EXPECT_EQ(c.compared, sizes) << c.name;
    }
}

}  // namespace
}  // namespace gf_test
