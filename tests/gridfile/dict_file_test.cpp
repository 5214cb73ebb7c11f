// Dictionary files through the layer's public operations: OPEN3 creates and
// opens them, WRITE3 and READ3 store and fetch descriptions by entry name,
// DESC3 describes them and CLOSE3/SHUT3 drop their entry-name lists.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/gridfile/dict_fixture.hpp"

namespace {

using namespace dict_test;

constexpr std::string_view MARK = "-- mark";

int dummy_buffer[4] = {};

// Creates the dictionary of logical name lname with OPEN3.
bool create_dictionary(std::string_view lname) {
    FDESC3 = Fdesc3{};
    FDESC3.FTYPE3D = DCTNRY3;
    return OPEN3(lname, FSNEW3, "DICTTEST");
}

bool write_entry(std::string_view lname, const std::string& entry, int seed, int nlays = 2) {
    FDESC3 = *description(seed, GRDDED3, 3, nlays);
    return WRITE3(lname, entry, 0, 0, dummy_buffer);
}

void mark() { std::printf("%s\n", std::string(MARK).c_str()); }

// The parts of a child's output that follow each mark (the log runs on
// standard output, so the start-up block and the open reports come before
// the first mark).
std::vector<std::vector<std::string>> marked_parts(const std::string& out) {
    std::vector<std::vector<std::string>> parts;
    for (const std::string& line : lines_of(out)) {
        if (line == MARK) parts.emplace_back();
        else if (!parts.empty()) parts.back().push_back(line);
    }
    return parts;
}

std::vector<std::string> after_mark(const std::string& out) {
    const auto parts = marked_parts(out);
    return parts.empty() ? std::vector<std::string>{} : parts.back();
}

TEST(DictFile, DescriptionsReadBackFieldByFieldAfterReopen) {
    const std::vector<Entry>& entries = sample_entries();
    Sandbox box;
    const Outcome r = box.run({{"DICT", box.path("dict.nc")}}, [&] {
        create_dictionary("DICT");
        bool stored = true;
        for (const Entry& e : entries) {
            FDESC3 = *description(e.seed, e.ftype, e.nvars, e.nlays);
            stored = WRITE3("DICT", e.name, 0, 0, dummy_buffer) && stored;
        }
        CLOSE3("DICT");
        OPEN3("DICT", FSRDONLY3, "DICTTEST");
        mark();
        say("stored", stored);
        for (const Entry& e : entries) {
            FDESC3 = Fdesc3{};
            FDESC3.VGLVS3D.fill(-7.0f);  // beyond NLAYS3D + 1 surfaces: left alone
            FDESC3.SDATE3D = 1999001;    // not stored in a dictionary: left alone
            FDESC3.VGTOP3D = 5000.0f;
            say("read", READ3("DICT", e.name, ALLAYS3, 0, 0, dummy_buffer));
            snapshot(box.path("read.bin"));
        }
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(after_mark(r.out), (std::vector<std::string>{"stored 1", "read 1", "read 1", "read 1", "read 1"}));
    const std::vector<Fdesc3> read = snapshots(box.path("read.bin"));
    ASSERT_EQ(read.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        SCOPED_TRACE(e.name);
        expect_same_description(*description(e.seed, e.ftype, e.nvars, e.nlays), read[i], 0);
        if (e.nlays < MXLAYS3) {
            EXPECT_EQ(read[i].VGLVS3D[static_cast<std::size_t>(e.nlays + 1)], -7.0f);
        }
        EXPECT_EQ(read[i].SDATE3D, 1999001);
        EXPECT_EQ(read[i].VGTOP3D, 5000.0f);
    }
}

// A dictionary holds only the first seven global attributes: DESC3 reads
// those, fills the table's part and succeeds, after either kind of open.
TEST(DictFile, DescribeGivesTheDictionaryTable) {
    for (const int status : {FSRDONLY3, FSRDWR3}) {
        Sandbox box;
        const Outcome r = box.run({{"DICT", box.path("dict.nc")}, {"EXECUTION_ID", "dict run 7"}}, [&] {
            create_dictionary("DICT");
            CLOSE3("DICT");
            OPEN3("DICT", status, "DICTTEST");
            FDESC3 = Fdesc3{};
            FDESC3.FDESC3D[0] = "kept";
            mark();
            say("describe", DESC3("DICT"));
            say("stamps", FDESC3.CDATE3D == detail::LAYER_STATE.curdate && FDESC3.CTIME3D == detail::LAYER_STATE.curtime &&
                              FDESC3.WDATE3D == detail::LAYER_STATE.curdate && FDESC3.WTIME3D == detail::LAYER_STATE.curtime);
            snapshot(box.path("desc.bin"));
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(after_mark(r.out), (std::vector<std::string>{"describe 1", "stamps 1"})) << status;
        const std::vector<Fdesc3> got = snapshots(box.path("desc.bin"));
        ASSERT_EQ(got.size(), 1u);
        const Fdesc3& d = got[0];
        EXPECT_EQ(d.FTYPE3D, DCTNRY3);
        EXPECT_EQ(d.NVARS3D, 26);
        for (std::size_t v = 0; v < detail::DICT_VARS.size(); ++v) {
            EXPECT_EQ(d.VNAME3D[v].view(), Text<NAMLEN3>(detail::DICT_VARS[v].name).view());
            EXPECT_EQ(d.UNITS3D[v].view(), Text<NAMLEN3>(detail::DICT_VARS[v].units).view());
            EXPECT_EQ(d.VTYPE3D[v], detail::DICT_VARS[v].type);
        }
        EXPECT_EQ(d.EXECN3D.view(), Text<MXDLEN3>("dict run 7").view());
        EXPECT_EQ(d.FDESC3D[0].view(), Text<MXDLEN3>("kept").view());
    }
}

TEST(DictFile, OverwriteKeepsOneRecordAndWarns) {
    Sandbox box;
    const Outcome r = box.run({{"DICT", box.path("dict.nc")}}, [&] {
        create_dictionary("DICT");
        write_entry("DICT", "GRID_A", 1);
        write_entry("DICT", "GRID_B", 2);
        mark();
        say("overwrite", write_entry("DICT", "GRID_A", 3, 4));
        CLOSE3("DICT");
        int ncid = -1;
        nc_open(box.path("dict.nc").c_str(), NC_NOWRITE, &ncid);
        std::printf("records %zu\n", entry_records(ncid));
        nc_close(ncid);
        mark();  // the open report follows
        OPEN3("DICT", FSRDONLY3, "DICTTEST");
        FDESC3 = Fdesc3{};
        mark();
        say("read", READ3("DICT", "GRID_A", ALLAYS3, 0, 0, dummy_buffer));
        snapshot(box.path("read.bin"));
    });
    EXPECT_EQ(r.status, 0);
    const auto parts = marked_parts(r.out);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0], (overwrite_warning("GRID_A") + Lines{"overwrite 1", "     Closing file DICT", "records 2"}));
    EXPECT_EQ(parts[2], std::vector<std::string>{"read 1"});
    const std::vector<Fdesc3> read = snapshots(box.path("read.bin"));
    ASSERT_EQ(read.size(), 1u);
    expect_same_description(*description(3, GRDDED3, 3, 4), read[0], 0);
}

TEST(DictFile, UnknownEntryIsFalseWithoutMessage) {
    Sandbox box;
    const Outcome r = box.run({{"DICT", box.path("dict.nc")}}, [&] {
        create_dictionary("DICT");
        write_entry("DICT", "GRID_A", 1);
        mark();
        say("unknown", READ3("DICT", "GRID_B", ALLAYS3, 0, 0, dummy_buffer));
        say("known", READ3("DICT", "GRID_A", ALLAYS3, 0, 0, dummy_buffer));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(after_mark(r.out), (std::vector<std::string>{"unknown 0", "known 1"}));
}

// A kept name list belongs to the file, not to the slot: after CLOSE3 or SHUT3
// another dictionary in the same slot must not be looked up by the old names.
TEST(DictFile, NameListIsDroppedWhenTheFileCloses) {
    for (const bool shut : {false, true}) {
        Sandbox box;
        const Outcome r = box.run({{"DICTA", box.path("a.nc")}, {"DICTB", box.path("b.nc")}}, [&] {
            create_dictionary("DICTB");
            write_entry("DICTB", "ONLY_IN_B", 2);
            CLOSE3("DICTB");
            create_dictionary("DICTA");
            write_entry("DICTA", "ONLY_IN_A", 1);
            const int fid = NAME2FID("DICTA");
            if (shut) SHUT3(); else CLOSE3("DICTA");
            OPEN3("DICTB", FSRDWR3, "DICTTEST");
            mark();
            std::printf("same slot %d\n", NAME2FID("DICTB") == fid ? 1 : 0);
            say("old name", READ3("DICTB", "ONLY_IN_A", ALLAYS3, 0, 0, dummy_buffer));
            say("new name", write_entry("DICTB", "ANOTHER", 3));
            FDESC3 = Fdesc3{};
            say("own entry", READ3("DICTB", "ONLY_IN_B", ALLAYS3, 0, 0, dummy_buffer) && FDESC3.GDNAM3D == "GRID_2");
            CLOSE3("DICTB");
            int ncid = -1;
            nc_open(box.path("b.nc").c_str(), NC_NOWRITE, &ncid);
            std::printf("records %zu\n", entry_records(ncid));
            nc_close(ncid);
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(after_mark(r.out), (std::vector<std::string>{"same slot 1", "old name 0", "new name 1", "own entry 1",
                                                               "     Closing file DICTB", "records 2"}))
            << (shut ? "SHUT3" : "CLOSE3");
    }
}

// Every distinct entry a dictionary can hold, through WRITE3; the next is
// refused. About four seconds and a file of some 490 MB while it runs.
TEST(DictFile, The2049thDistinctEntryIsRefused) {
    Sandbox box;
    const Outcome r = box.run({{"DICT", box.path("dict.nc")}}, [&] {
        create_dictionary("DICT");
        FDESC3 = *description(1, GRDDED3, 3, 2);
        int stored = 0;
        for (int i = 1; i <= MXVARS3; ++i) stored += WRITE3("DICT", "E" + std::to_string(i), 0, 0, dummy_buffer) ? 1 : 0;
        std::printf("stored %d\n", stored);
        mark();
        say("next", WRITE3("DICT", "E2049", 0, 0, dummy_buffer));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(after_mark(r.out), (std::vector<std::string>{"     File description E2049 not stored in dictionary file DICT",
                                                           "     Maximum record number exceeded", "next 0"}));
    EXPECT_NE(r.out.find("stored 2048\n"), std::string::npos);
}

// The header of a new dictionary, with the creation stamps and the execution
// identifier masked.
TEST(DictFile, HeaderOfANewDictionary) {
    Sandbox box;
    const Outcome r = box.run({{"DICT", box.path("dict.nc")}}, [&] {
        create_dictionary("DICT");
        CLOSE3("DICT");
    });
    ASSERT_EQ(r.status, 0);
    const std::string cmd = "ncdump -h " + box.path("dict.nc") + " > " + box.path("dict.cdl");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string header = read_file(box.path("dict.cdl"));
    header = std::regex_replace(header, std::regex(R"(:([CW](DATE|TIME)) = -?[0-9]+ ;)"), ":$1 = <masked> ;");
    header = std::regex_replace(header, std::regex(R"(:EXEC_ID = "[^"]*" ;)"), ":EXEC_ID = \"<masked>\" ;");
    const std::string expected =
        read_file(std::string(ORVEX_SOURCE_DIR) + "/tests/gridfile/expected/dict_header.cdl");
    EXPECT_EQ(header, expected);
}

}  // namespace
