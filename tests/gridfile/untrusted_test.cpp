// Headers read from disk are untrusted: broken, truncated and foreign files
// and odd attributes are refused with a report, or read safely, never past a
// field of the table or of FDESC3.
#include <functional>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

// The three QVABORT lines of a refused header.
Lines abort_lines(const std::string& message, const std::string& code, const std::string& text) {
    return {"     " + message, "     netCDF error number" + code + "  processing file \"A\"", "     " + text};
}

class Untrusted : public ::testing::Test {
protected:
    // A valid file of the type at path a.nc, then changed by edit in define mode.
    void make(int ftype, const std::function<int(int)>& edit, int nvars = 2) {
        fs::remove(path);
        const Outcome r = box.make(path, ftype, {}, {}, nvars);
        ASSERT_EQ(0, r.status) << r.log;
        if (edit) {
            ASSERT_EQ(NC_NOERR, nc_edit(path, edit));
        }
    }
    // Opens A read-only; the lines logged by the attempt.
    Lines refused() {
        const Outcome r = box.run({{"A", path}}, [] {
            INIT3();
            QVMSG2("MARK");
            EXPECT_FALSE(OPEN3("A", FSRDONLY3, "READER"));
            QVMSG2("END");
            EXPECT_EQ(0, NAME2FID("A"));
            EXPECT_TRUE(detail::slot(1).is_free());
        });
        EXPECT_EQ(0, r.status) << r.log;
        return between(r.log, "MARK", "END");
    }
    // Lines followed by the logged path.
    Lines plus_path(Lines lines) const {
        lines.push_back("     " + path);
        return lines;
    }
    Sandbox box;
    std::string path = box.path("a.nc");
};

TEST_F(Untrusted, ForeignEmptyAndTruncatedFiles) {
    write_file(path, "This is a text file, not a netCDF dataset.\n");
    EXPECT_EQ(plus_path(abort_lines("Error opening file at path-name:", "  -51", "NetCDF: Unknown file format")),
              refused());
    write_file(path, "");
    EXPECT_EQ(plus_path(abort_lines("Error opening file at path-name:", "  -51", "NetCDF: Unknown file format")),
              refused());
    make(GRDDED3, nullptr);
    const std::string whole = read_file(path);
    // Cut inside the header: the header check refuses it before netCDF reads
    // it, with the field it stops in, and the file is refused and closed.
    for (const std::size_t keep : {std::size_t{4}, std::size_t{64}, whole.size() / 2}) {
        write_file(path, whole.substr(0, keep));
        Lines lines = refused();
        ASSERT_GE(lines.size(), 1u) << keep;
        EXPECT_EQ(0u, lines[0].rfind("     Refused netCDF header of " + path + ": ", 0)) << keep;
        lines.erase(lines.begin());
        EXPECT_EQ(plus_path(abort_lines("Error opening file at path-name:", "  -51", "NetCDF: Unknown file format")),
                  lines)
            << keep;
    }
}

TEST_F(Untrusted, VariableCountsBeyondTheTable) {
    make(GRDDED3, [](int ncid) { return put_int_att(ncid, "NVARS", MXVARS3 + 1); });
    EXPECT_EQ(abort_lines("Max value of attribute NVARS exceeded for this build", "  -48", "NetCDF: NC_MAX_VARS exceeded"),
              refused());
    make(GRDDED3, [](int ncid) { return put_int_att(ncid, "NVARS", -1); });
    EXPECT_EQ(abort_lines("Illegal negative value of attribute NVARS", "  -36", "NetCDF: Invalid argument"), refused());
    make(GRDDED3, [](int ncid) { return put_int_att(ncid, "NLAYS", -3); });
    EXPECT_EQ(abort_lines("Illegal negative value of attribute NLAYS", "  -36", "NetCDF: Invalid argument"), refused());
    make(BNDARY3, [](int ncid) { return put_int_att(ncid, "NTHIK", -5); });
    EXPECT_EQ(abort_lines("Illegal layer size for file header dimensions", "  -36", "NetCDF: Invalid argument"),
              refused());
}

struct AttrCase {
    const char* label;
    int ftype;
    std::function<int(int)> edit;
    Lines lines;
};

// Test listings show the case by its label.
void PrintTo(const AttrCase& c, std::ostream* os) { *os << c.label; }

const AttrCase ATTR_CASES[] = {
    {"missing grid name", GRDDED3, [](int ncid) { return nc_del_att(ncid, NC_GLOBAL, "GDNAM"); },
     abort_lines("Error reading file attribute GDNAM", "  -43", "NetCDF: Attribute not found")},
    {"missing file type", GRDDED3, [](int ncid) { return nc_del_att(ncid, NC_GLOBAL, "FTYPE"); },
     abort_lines("Error reading netCDF file attribute FTYPE.", "  -43", "NetCDF: Attribute not found")},
    {"missing vertical top", GRDDED3, [](int ncid) { return nc_del_att(ncid, NC_GLOBAL, "VGTOP"); },
     abort_lines("Error reading file attribute VGTOP.", "  -43", "NetCDF: Attribute not found")},
    {"grid name as a number", GRDDED3,
     [](int ncid) {
         nc_del_att(ncid, NC_GLOBAL, "GDNAM");
         return put_int_att(ncid, "GDNAM", 7);
     },
     abort_lines("Error reading file attribute GDNAM", "  -56", "NetCDF: Attempt to convert between text & numbers")},
    {"columns as text", GRDDED3,
     [](int ncid) {
         nc_del_att(ncid, NC_GLOBAL, "NCOLS");
         return put_text_att(ncid, NC_GLOBAL, "NCOLS", "four");
     },
     abort_lines("Error reading file attribute NCOLS", "  -56", "NetCDF: Attempt to convert between text & numbers")},
    {"columns without a value", GRDDED3,
     [](int ncid) { return nc_put_att_int(ncid, NC_GLOBAL, "NCOLS", NC_INT, 0, nullptr); },
     abort_lines("Error reading file attribute NCOLS", "  -36", "NetCDF: Invalid argument")},
    {"no time flags", GRDDED3, [](int ncid) { return nc_rename_var(ncid, 0, "TFLAGS"); },
     abort_lines("Error reading file attribute TFLAG", "  -49", "NetCDF: Variable not found")},
    {"no site list", IDDATA3,
     [](int ncid) {
         int varid = -1;
         nc_inq_varid(ncid, "ID", &varid);
         return nc_rename_var(ncid, varid, "IDS");
     },
     abort_lines("Error reading netcdf ID for variable ID", "  -49", "NetCDF: Variable not found")},
    {"short variable list", GRDDED3, [](int ncid) { return put_text_att(ncid, NC_GLOBAL, "VAR-LIST", "O3"); },
     abort_lines("Error reading IDs for  variable", "  -49", "NetCDF: Variable not found")},
    {"unknown file type", GRDDED3, [](int ncid) { return put_int_att(ncid, "FTYPE", 42); },
     {"     File opening error:  ILLEGAL FILE TYPE for file A", "     Unknown file type       42"}},
};

class UntrustedAttribute : public Untrusted, public ::testing::WithParamInterface<AttrCase> {};

TEST_P(UntrustedAttribute, Refused) {
    make(GetParam().ftype, GetParam().edit);
    EXPECT_EQ(GetParam().lines, refused());
}

INSTANTIATE_TEST_SUITE_P(Headers, UntrustedAttribute, ::testing::ValuesIn(ATTR_CASES), label_name<AttrCase>);

// Odd but readable headers: read within every field's width.
TEST_F(Untrusted, OversizedAttributesReadWithinTheirFields) {
    make(GRDDED3, [](int ncid) {
        const int nvars[] = {2, 99};
        std::vector<float> levels(150);
        for (std::size_t k = 0; k < levels.size(); ++k) levels[k] = 1.0f - 0.005f * static_cast<float>(k);
        return put_text_att(ncid, NC_GLOBAL, "GDNAM", "A_GRID_NAME_OF_FORTY_CHARACTERS_ALTOGETH") |
               put_int_att(ncid, "NLAYS", 150) |
               nc_put_att_float(ncid, NC_GLOBAL, "VGLVLS", NC_FLOAT, levels.size(), levels.data()) |
               nc_put_att_int(ncid, NC_GLOBAL, "NVARS", NC_INT, 2, nvars) |
               put_text_att(ncid, NC_GLOBAL, "EXEC_ID", std::string(200, 'x')) |
               put_text_att(ncid, NC_GLOBAL, "FILEDESC", std::string(6000, 'd')) |
               put_text_att(ncid, NC_GLOBAL, "HISTORY", "short") | put_text_att(ncid, NC_GLOBAL, "UPNAM", "A_PROGRAM_NAME_LONGER") |
               put_text_att(ncid, 1, "units", "a unit of more than sixteen characters") |
               put_text_att(ncid, 1, "var_desc", std::string(300, 'v'));
    });
    const Outcome r = box.run({{"A", path}}, [] {
        ASSERT_TRUE(OPEN3("A", FSRDONLY3, "READER"));
        FDESC3.VGLVS3D.fill(-1.0f);
        ASSERT_TRUE(DESC3("A"));
        EXPECT_EQ("A_GRID_NAME_OF_F", FDESC3.GDNAM3D.view());
        EXPECT_EQ(150, FDESC3.NLAYS3D);
        EXPECT_EQ(2, FDESC3.NVARS3D);
        for (int k = 0; k <= MXLAYS3; ++k) EXPECT_EQ(1.0f - 0.005f * static_cast<float>(k), FDESC3.VGLVS3D[k]) << k;
        EXPECT_EQ(std::string(80, 'x'), FDESC3.EXECN3D.view());
        for (int l = 0; l < MXDESC3; ++l) EXPECT_EQ(std::string(80, 'd'), FDESC3.FDESC3D[l].view()) << l;
        EXPECT_EQ("short", FDESC3.UPDSC3D[0].trimmed());
        EXPECT_EQ("", FDESC3.UPDSC3D[1].trimmed());
        EXPECT_EQ("A_PROGRAM_NAME_L", FDESC3.UPNAM3D.view());
        EXPECT_EQ("a unit of more t", FDESC3.UNITS3D[0].view());
        EXPECT_EQ(std::string(80, 'v'), FDESC3.VDESC3D[0].view());
    });
    EXPECT_EQ(0, r.status) << r.log;
}

TEST_F(Untrusted, ExtraAttributeCountBeyondTheRecord) {
    make(GRDATT3, [](int ncid) {
        int varid = -1;
        nc_inq_varid(ncid, "O3", &varid);
        int status = NC_NOERR;
        for (int a = 1; a < MXATTS3 + 5; ++a) {
            const float value = static_cast<float>(a);
            status |= nc_put_att_float(ncid, varid, ("EXTRA" + std::to_string(a)).c_str(), NC_FLOAT, 1, &value);
        }
        const int natts = MXATTS3 + 5;
        return status | nc_put_att_int(ncid, varid, "natts", NC_INT, 1, &natts);
    });
    const Outcome r = box.run({{"A", path}}, [] {
        ASSERT_TRUE(OPEN3("A", FSRDONLY3, "READER"));
        QVMSG2("MARK");
        EXPECT_FALSE(DESC3("A"));
        QVMSG2("END");
        EXPECT_EQ(MXATTS3, FDATT3.NATTS3D[0]);
        EXPECT_EQ("ATT0", FDATT3.ATTNAM3D[0][0].trimmed());
        EXPECT_EQ("EXTRA19", FDATT3.ATTNAM3D[0][MXATTS3 - 1].trimmed());
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ((Lines{"     Error reading netCDF dimension \"natts\" for file \"A\"", "     ",
                     "     >>--->> WARNING in subroutine DESC3", "     Error(s) in DESC3(A)", "     "}),
              between(r.log, "MARK", "END"));
}

}  // namespace
}  // namespace gf_test
