// Dictionary files laid out, written and read directly in a table slot:
// CRDICT3, WRDICT3 and RDDICT3 with their log lines.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/gridfile/dict_fixture.hpp"

namespace {

using namespace dict_test;

constexpr int FID = 200;  // a slot no OPEN3 of these tests takes

// Stores description seed under entry in the dictionary of slot FID.
bool store(const std::string& entry, int seed, int ftype = GRDDED3, int nvars = 3, int nlays = 2) {
    FDESC3 = *description(seed, ftype, nvars, nlays);
    return WRDICT3(FID, entry);
}

TEST(DictStore, DescriptionsSurviveCloseAndReopen) {
    const std::vector<Entry>& entries = sample_entries();
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
        say("create", dict.create());
        for (const Entry& e : entries) say(e.name, store(e.name, e.seed, e.ftype, e.nvars, e.nlays));
        std::printf("records %d\n", dict.slot().mxrec);
        say("reopen", dict.reopen(false));
        std::printf("records %d\n", dict.slot().mxrec);
        for (const Entry& e : entries) {
            FDESC3 = Fdesc3{};
            FDESC3.SDATE3D = 1999001;  // fields a dictionary does not store
            FDESC3.VGTOP3D = 5000.0f;
            FDESC3.UPNAM3D = "KEEP";
            say("read", RDDICT3(FID, e.name));
            snapshot(box.path("read.bin"));
        }
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_of(r.out), (std::vector<std::string>{"create 1", "GRIDDED 1", "BOUNDARY_16CHARS 1", "NO VARIABLES 1",
                                                         "ALL_VARIABLES 1", "records 4", "reopen 1", "records 4",
                                                         "read 1", "read 1", "read 1", "read 1"}));
    const std::vector<Fdesc3> read = snapshots(box.path("read.bin"));
    ASSERT_EQ(read.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        SCOPED_TRACE(e.name);
        expect_same_description(*description(e.seed, e.ftype, e.nvars, e.nlays), read[i], 0);
        EXPECT_EQ(read[i].SDATE3D, 1999001);
        EXPECT_EQ(read[i].VGTOP3D, 5000.0f);
        EXPECT_EQ(read[i].UPNAM3D.view(), Text<NAMLEN3>("KEEP").view());
    }
}

TEST(DictStore, ThreeLayersStoreFourSurfaces) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
        dict.create();
        FDESC3 = *description(1, GRDDED3, 1, 3);
        for (std::size_t k = 4; k <= MXLAYS3; ++k) FDESC3.VGLVS3D[k] = 42.0f;
        say("write", WRDICT3(FID, "THREE"));
        std::vector<float> stored(MXLAYS3 + 1);
        int varid = 0;
        const std::size_t start[] = {0, 0}, count[] = {1, MXLAYS3 + 1};
        nc_inq_varid(dict.ncid(), "VGLVS", &varid);
        nc_get_vara_float(dict.ncid(), varid, start, count, stored.data());
        bool four = true;
        for (std::size_t k = 0; k < 4; ++k) four = four && stored[k] == FDESC3.VGLVS3D[k];
        say("four surfaces stored", four);
        say("fifth left unwritten", stored[4] == NC_FILL_FLOAT);
        FDESC3.VGLVS3D.fill(-7.0f);
        say("read", RDDICT3(FID, "THREE"));
        snapshot(box.path("read.bin"));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_of(r.out),
              (std::vector<std::string>{"write 1", "four surfaces stored 1", "fifth left unwritten 1", "read 1"}));
    const std::vector<Fdesc3> read = snapshots(box.path("read.bin"));
    ASSERT_EQ(read.size(), 1u);
    const auto written = description(1, GRDDED3, 1, 3);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(read[0].VGLVS3D[k], written->VGLVS3D[k]) << k;
    EXPECT_EQ(read[0].VGLVS3D[4], -7.0f);
}

TEST(DictStore, CreatedSlotMatchesTheFile) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
        say("create", dict.create());
        const detail::FileSlot& s = dict.slot();
        std::printf("type %d variables %d records %d\n", s.ftype, s.nvars, s.mxrec);
        int flag = -1;
        nc_inq_varid(dict.ncid(), "FLAG", &flag);
        say("flag id", s.tindx == flag);
        std::string varlist(26 * NAMLEN3, '\0');
        nc_get_att_text(dict.ncid(), NC_GLOBAL, "VAR-LIST", varlist.data());
        bool same = s.vars.size() == 26;
        for (std::size_t v = 0; same && v < 26; ++v) {
            int id = -1;
            std::string units(NAMLEN3, '\0');
            nc_inq_varid(dict.ncid(), std::string(s.vars[v].name.trimmed()).c_str(), &id);
            nc_get_att_text(dict.ncid(), id, "units", units.data());
            same = s.vars[v].name.view() == std::string_view(varlist).substr(v * NAMLEN3, NAMLEN3) &&
                   s.vars[v].vid == id && s.vars[v].units.view() == units;
        }
        say("names, ids and units as in the file", same);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_of(r.out), (std::vector<std::string>{"create 1", "type 0 variables 26 records 0", "flag id 1",
                                                         "names, ids and units as in the file 1"}));
}

// ---- Log lines, each case in a child with a fresh layer and log --------------

TEST(DictLog, MissingEntriesAreFalseWithoutMessage) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
        dict.create();
        say("empty", RDDICT3(FID, "GRID_A"));
        store("GRID_A", 1);
        say("unknown", RDDICT3(FID, "GRID_B"));
        say("case", RDDICT3(FID, "grid_a"));
        say("padded", RDDICT3(FID, "GRID_A          "));
        dict.slot().ftype = GRDDED3;
        say("not a dictionary", RDDICT3(FID, "GRID_A"));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_of(r.out), (std::vector<std::string>{"empty 0", "unknown 0", "case 0", "padded 1", "not a dictionary 0"}));
}

TEST(DictLog, FullDictionaryRefusesANewEntry) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
        // 2048 names written straight into the file, without filling the
        // records, keep this quick; the entry count comes from the file.
        dict.create([](int ncid) { nc_set_fill(ncid, NC_NOFILL, nullptr); });
        std::string names;
        for (int i = 1; i <= MXVARS3; ++i) names += Text<NAMLEN3>("E" + std::to_string(i)).view();
        int fname = 0, vtype = 0;
        nc_inq_varid(dict.ncid(), "FNAME", &fname);
        nc_inq_varid(dict.ncid(), "VTYPE", &vtype);
        const std::size_t start[] = {0, 0}, count[] = {MXVARS3, NAMLEN3}, last[] = {MXVARS3 - 1, MXVARS3 - 1};
        const int zero = 0;
        nc_put_vara_text(dict.ncid(), fname, start, count, names.data());
        nc_put_var1_int(dict.ncid(), vtype, last, &zero);
        say("reopen", dict.reopen(true));
        std::printf("records %d\n", dict.slot().mxrec);
        say("new", store("E2049", 1));
        say("existing", store("E2048", 2));
        FDESC3 = Fdesc3{};
        say("read", RDDICT3(FID, "E2048") && FDESC3.GDNAM3D == "GRID_2");
    });
    const std::vector<std::string> want =
        Lines{"reopen 1", "records 2048", "     File description E2049 not stored in dictionary file DICTFILE",
              "     Maximum record number exceeded", "new 0"} +
        overwrite_warning("E2048") + Lines{"existing 1", "read 1"};
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_of(r.out), want);
}

TEST(DictLog, BadCountsStoreNothing) {
    struct Case {
        int nvars, nlays;
        std::string line;
    };
    const std::vector<Case> cases = {
        {-1, 2, "     NVARS3D out of range 0 ... 2048:        -1 in file:  DICTFILE"},
        {MXVARS3 + 1, 2, "     NVARS3D out of range 0 ... 2048:      2049 in file:  DICTFILE"},
        {3, -1, "     NLAYS3D out of range 0 ... 100:        -1 in file:  DICTFILE"},
        {3, MXLAYS3 + 1, "     NLAYS3D out of range 0 ... 100:       101 in file:  DICTFILE"},
    };
    for (const Case& c : cases) {
        Sandbox box;
        const Outcome r = box.run({}, [&] {
            SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
            dict.create();
            store("KEPT", 1);
            FDESC3 = *description(2, GRDDED3, 3, 2);
            FDESC3.NVARS3D = c.nvars;
            FDESC3.NLAYS3D = c.nlays;
            say("overwrite", WRDICT3(FID, "KEPT"));
            say("new", WRDICT3(FID, "NEW"));
            std::printf("records %zu\n", entry_records(dict.ncid()));
            say("kept", RDDICT3(FID, "KEPT") && FDESC3.GDNAM3D == "GRID_1");
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(lines_of(r.out), (std::vector<std::string>{"     Dictionary entry KEPT", c.line, "overwrite 0",
                                                             "     Dictionary entry NEW", c.line, "new 0", "records 1",
                                                             "kept 1"}));
    }
}

TEST(DictLog, FailedOverwriteLeavesNoMixedEntry) {
    Sandbox box;
    const Outcome r = box.run({}, [&] {
        SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
        dict.create();
        store("GRID_A", 1);
        // Replace "VTYPE" by a text variable: the last data write of an entry fails.
        const int ncid = dict.ncid();
        int dims[2] = {0, 0}, vid = 0;
        nc_redef(ncid);
        nc_inq_dimid(ncid, "FINDX3", &dims[0]);
        nc_inq_dimid(ncid, "VINDX", &dims[1]);
        nc_rename_var(ncid, dict.slot().vars[25].vid, "OLDTYPE");
        nc_def_var(ncid, "VTYPE", NC_CHAR, 2, dims, &vid);
        nc_enddef(ncid);
        dict.slot().vars[25].vid = vid;
        say("overwrite", store("GRID_A", 2));
        say("read", RDDICT3(FID, "GRID_A"));
    });
    const std::vector<std::string> want =
        overwrite_warning("GRID_A") +
        Lines{"     netCDF error number  -56", "     Dictionary entry GRID_A",
              "     Error writing netCDF dictionary variable VTYPE in file:  DICTFILE", "overwrite 0",
              "     Dictionary entry requested:GRID_A", "     Record not available in dictionary file DICTFILE", "read 0"};
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_of(r.out), want);
}

TEST(DictLog, StoredCountsBeyondTheRecordAreRefused) {
    struct Case {
        std::string variable;
        int value;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"NVARS", MXVARS3 + 1, "     Error reading netCDF dictionary variable VNAME."},
        {"NVARS", -1, "     Error reading netCDF dictionary variable VNAME."},
        {"NLAYS", MXLAYS3 + 1, "     Error reading variable VGLVS from file DICTFILE"},
        {"NLAYS", -2, "     Error reading variable VGLVS from file DICTFILE"},
    };
    for (const Case& c : cases) {
        Sandbox box;
        const Outcome r = box.run({}, [&] {
            SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
            dict.create();
            store("GRID_A", 1);
            int vid = 0;
            const std::size_t rec0 = 0;
            nc_inq_varid(dict.ncid(), c.variable.c_str(), &vid);
            nc_put_var1_int(dict.ncid(), vid, &rec0, &c.value);
            FDESC3 = Fdesc3{};
            FDESC3.GDNAM3D = "UNTOUCHED";
            say("read", RDDICT3(FID, "GRID_A"));
            say("untouched", FDESC3.GDNAM3D == "UNTOUCHED" && FDESC3.NVARS3D == 0);
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(lines_of(r.out),
                  (std::vector<std::string>{"     netCDF error number  -57",
                                            "     Dictionary file:  DICTFILE; entry requested:GRID_A", c.line, "read 0",
                                            "untouched 1"}))
            << c.variable << " " << c.value;
    }
}

TEST(DictLog, CreationFailureReportsTheStepAndAbandonsTheDataset) {
    struct Case {
        std::string what;
        std::function<void(int)> spoil;  // defines in advance what CRDICT3 will define
        std::vector<std::string> lines;
    };
    const auto dim = [](const char* name, std::size_t len) {
        return [=](int ncid) {
            int id = 0;
            nc_def_dim(ncid, name, len, &id);
        };
    };
    const auto var = [](const char* name) {
        return [=](int ncid) {
            int dim = 0, id = 0;
            nc_def_dim(ncid, "SPOILER", 3, &dim);
            nc_def_var(ncid, name, NC_INT, 1, &dim, &id);
        };
    };
    const std::string file = "     File name DICTFILE";
    const std::vector<Case> cases = {
        {"second unlimited", dim("T", NC_UNLIMITED),
         {"     Error creating netCDF file dimension FINDX3.", file, "     netCDF error number  -54"}},
        {"VINDX", dim("VINDX", 5), {"     Error creating netCDF dimension VINDX", file, "     netCDF error number  -42"}},
        {"ZINDX", dim("ZINDX", 5), {"     Error creating netCDF dimension ZINDX", file, "     netCDF error number  -42"}},
        {"NAME-POS", dim("NAME-POS", 5),
         {"     Error creating netCDF dimension NAME-POS.", file, "     netCDF error number  -42"}},
        {"DESC-POS", dim("DESC-POS", 5),
         {"     Error creating netCDF dimension DESC-POS.", file, "     netCDF error number  -42"}},
        {"DLINE-NUM", dim("DLINE-NUM", 5),
         {"     Error creating netCDF dimension DLINE-NUM.", file, "     netCDF error number  -42"}},
        {"FLAG", var("FLAG"), {"     Error creating netCDF variable FLAG", file, "     netCDF error number  -42"}},
        {"FNAME", var("FNAME"), {"     Error creating netCDF variable FNAME", file, "     netCDF error number  -42"}},
        {"GDNAM", var("GDNAM"), {"     Error creating netCDF variable GDNAM", file, "     netCDF error number  -42"}},
        {"VTYPE", var("VTYPE"), {"     Error creating netCDF variable VTYPE", file, "     netCDF error number  -42"}},
    };
    for (const Case& c : cases) {
        Sandbox box;
        const Outcome r = box.run({}, [&] {
            SlotDictionary dict(FID, "DICTFILE", box.path("dict.nc"));
            say("create", dict.create(c.spoil));
            say("file left", fs::exists(box.path("dict.nc")));
            say("handle kept", dict.slot().cdfid != IMISS3);
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(lines_of(r.out), (c.lines + Lines{"create 0", "file left 0", "handle kept 0"})) << c.what;
    }
}

}  // namespace
