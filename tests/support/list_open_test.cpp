// File-set lists opened through OPEN3: the member table, the list's time axis,
// reading through the members, the comparisons and every failure path.
#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "list_fixture.hpp"

using namespace list_test;

TEST(ListOpen, ThreeMonthlyMembersReadAtADateInEach) {
    const Outcome r = run_child({{"MONTHS", "LIST:JAN_FILE,FEB_FILE, MAR_FILE"}}, [] {
        if (!make_months()) say("members not written");
        say("open " + std::to_string(OPEN3("MONTHS", FSRDONLY3, "LISTTEST")));
        say("members " + members_of("MONTHS"));
        const bool described = DESC3("MONTHS");
        say("desc " + std::to_string(described) + " " + std::to_string(FDESC3.SDATE3D) + " " +
            std::to_string(FDESC3.TSTEP3D) + " " + std::to_string(FDESC3.MXREC3D) + " " +
            std::string(FDESC3.GDNAM3D.trimmed()) + " " + std::string(FDESC3.VNAME3D[0].trimmed()) + " " +
            std::string(FDESC3.UNITS3D[0].trimmed()));
        read_at("MONTHS", 2020015);
        read_at("MONTHS", 2020045);
        read_at("MONTHS", 2020075);
        // the last record of each member and the first of the next
        read_at("MONTHS", 2020031);
        read_at("MONTHS", 2020032);
        read_at("MONTHS", 2020060);
        read_at("MONTHS", 2020061);
        read_at("MONTHS", 2020091);
        read_at("MONTHS", 2020092);
        say("sync " + std::to_string(SYNCFID(NAME2FID("MONTHS"))));
        say("close " + std::to_string(CLOSE3("MONTHS")));
        say("open " + open_names());
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "open 1\n"
              "members 2:1-31 3:32-60 4:61-91\n"
              "desc 1 2020001 240000 91 LISTGRID V1 ppm\n"
              "read 2020015 1 15\n"
              "read 2020045 1 45\n"
              "read 2020075 1 75\n"
              "read 2020031 1 31\n"
              "read 2020032 1 32\n"
              "read 2020060 1 60\n"
              "read 2020061 1 61\n"
              "read 2020091 1 91\n"
              "read 2020092 0\n"
              "sync 1\n"
              "close 1\n"
              "open JAN_FILE FEB_FILE MAR_FILE\n");
    EXPECT_NE(r.log.find("     \"MONTHS\" opened as OLD:READ-ONLY   \n"
                         "     File name \"LIST:JAN_FILE,FEB_FILE, MAR_FILE\"\n"),
              std::string::npos);
    EXPECT_NE(r.log.find("     LIST-FILE SEQUENCE opened as READONLY            \n"), std::string::npos) << r.log;
}

TEST(ListOpen, DateBeyondEveryMemberIsReported) {
    const Outcome r = run_child({{"MONTHS", "LIST:JAN_FILE"}}, [] {
        make_member("JAN_FILE", 2020001, 31);
        OPEN3("MONTHS", FSRDONLY3, "LISTTEST");
        read_at("MONTHS", 2020040);
        std::vector<float> all(4);
        say("all " + std::to_string(READ3("MONTHS", "ALL", ALLAYS3, 2020040, 120000, all.data())));
    });
    EXPECT_EQ(r.out, "read 2020040 0\nall 0\n");
    // The date and time, then the warning; for all variables the name is ALL.
    const auto report = [](const std::string& date_time, const std::string& var) {
        return "     Requested date & time:  " + date_time + "\n     \n     >>--->> WARNING in subroutine RDTFLAG\n" +
               "     Variable " + var + " not available in file-set MONTHS\n";
    };
    EXPECT_NE(r.log.find(report("2020040:000000", "V1              ")), std::string::npos) << r.log;
    // The time is not on the list's daily axis either.
    EXPECT_NE(r.log.find(report("2020040:120000", "ALL             ")), std::string::npos) << r.log;
}

// The list starts at its earliest member even when that is not the first;
// members keep their order.
TEST(ListOpen, EarliestStartNotInTheFirstMember) {
    const Outcome r = run_child({{"MONTHS", "List:MAR_FILE,JAN_FILE,FEB_FILE"}}, [] {
        make_months();
        say("open " + std::to_string(OPEN3("MONTHS", FSRDONLY3, "LISTTEST")));
        say("members " + members_of("MONTHS"));
        DESC3("MONTHS");
        say("start " + std::to_string(FDESC3.SDATE3D) + " records " + std::to_string(FDESC3.MXREC3D));
        read_at("MONTHS", 2020010);
        read_at("MONTHS", 2020070);
    });
    EXPECT_EQ(r.out,
              "open 1\n"
              "members 2:61-91 3:1-31 4:32-60\n"
              "start 2020001 records 91\n"
              "read 2020010 1 10\n"
              "read 2020070 1 70\n");
}

// Members whose record ranges overlap: the first in list order answers.
TEST(ListOpen, OverlappingMembersFirstInListOrder) {
    const Outcome r = run_child({{"TWICE", "LIST:JAN_FILE,FEB_FILE"}, {"FEB_FILE", "late.nc"}}, [] {
        make_member("JAN_FILE", 2020001, 31);
        make_member("FEB_FILE", 2020021, 20);
        OPEN3("TWICE", FSRDONLY3, "LISTTEST");
        say("members " + members_of("TWICE"));
        read_at("TWICE", 2020025);
        read_at("TWICE", 2020035);
    });
    EXPECT_EQ(r.out, "members 2:1-31 3:21-40\nread 2020025 1 25\nread 2020035 1 35\n");
}

TEST(ListOpen, MemberWithAnotherTimeStepRefused) {
    const Outcome r = run_child({{"MIXED", "LIST:JAN_FILE,HOURS,FEB_FILE,MAR_FILE"}, {"HOURS", "hours.nc"}}, [] {
        make_months();
        make_member("HOURS", 2020001, 5, 10000);
        say("open " + std::to_string(OPEN3("MIXED", FSRDONLY3, "LISTTEST")));
        say("named " + open_names());
        say("used " + std::to_string(STATE3.nlist_used));
        say("list slot " + std::to_string(slot(1).cdfid) + " " + std::to_string(slot(1).is_free()));
    });
    EXPECT_EQ(r.out, "open 0\nnamed \nused 0\nlist slot -9999 1\n");
    // One warning; the members after it are opened but no longer compared.
    EXPECT_NE(r.log.find(warning_text("OPEN3", "Bad TSTEP for HOURS            in file list MIXED")), std::string::npos);
    EXPECT_EQ(r.log.find("Bad ", r.log.find("Bad TSTEP") + 1), std::string::npos);
}

// Every field of the comparison, one member differing in each.
TEST(ListOpen, ComparisonWarnings) {
    const Outcome r = run_child({{"WIDE", "LIST:JAN_FILE,WIDE_FILE"}, {"WIDE_FILE", "wide.nc"}}, [] {
        make_member("JAN_FILE", 2020001, 3);
        make_member("WIDE_FILE", 2020004, 3, DAILY, 0, 3);
        say("open " + std::to_string(OPEN3("WIDE", FSRDONLY3, "LISTTEST")));
    });
    EXPECT_EQ(r.out, "open 0\n");
    EXPECT_NE(r.log.find(warning_text("OPEN3", "Bad NCOLS for WIDE_FILE        in file list WIDE")), std::string::npos);
}

TEST(ListOpen, MemberOffTheListAxisRefused) {
    const Outcome r = run_child({{"NOON", "LIST:JAN_FILE,NOON_FILE"}, {"NOON_FILE", "noon.nc"}}, [] {
        make_member("JAN_FILE", 2020001, 3);
        make_member("NOON_FILE", 2020004, 3, DAILY, 120000);
        say("open " + std::to_string(OPEN3("NOON", FSRDONLY3, "LISTTEST")));
        say("named " + open_names());
    });
    EXPECT_EQ(r.out, "open 0\nnamed \n");
    EXPECT_NE(r.log.find(warning_text("OPEN3", "Bad SDATE for NOON_FILE        in file list NOON")), std::string::npos);
}

TEST(ListOpen, BadListSyntax) {
    struct Case {
        std::string value, log;
    } cases[] = {
        {"LIST:JAN_FILE,,FEB_FILE", "     ODD             :LIST:JAN_FILE,,FEB_FILE\n"},
        {"LIST:JAN_FILE,ABCDEFGHIJKLMNOPQ", "     ODD             :LIST:JAN_FILE,ABCDEFGHIJKLMNOPQ\n"},
        {"LIST:", "     ODD             :LIST:\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = run_child({{"ODD", c.value}}, [] {
            make_months();
            say("open " + std::to_string(OPEN3("ODD", FSRDONLY3, "LISTTEST")));
            say("named " + open_names());
        });
        EXPECT_EQ(r.out, "open 0\nnamed \n") << c.value;
        EXPECT_NE(r.log.find(c.log + warning_text("OPEN3", "Bad FILE_LIST.")), std::string::npos) << c.value << r.log;
    }
}

TEST(ListOpen, TrailingCommaAndLowerCasePrefix) {
    const Outcome r = run_child({{"TAIL", "list:JAN_FILE,FEB_FILE,"}}, [] {
        make_months();
        say("open " + std::to_string(OPEN3("TAIL", FSRDONLY3, "LISTTEST")));
        say("members " + members_of("TAIL"));
    });
    EXPECT_EQ(r.out, "open 1\nmembers 2:1-31 3:32-60\n");
}

TEST(ListOpen, OnlyReadOnly) {
    const Outcome r = run_child({{"MONTHS", "LIST:JAN_FILE"}}, [] {
        make_months();
        say("open " + std::to_string(OPEN3("MONTHS", FSRDWR3, "LISTTEST")));
        say("named " + open_names());
    });
    EXPECT_EQ(r.out, "open 0\nnamed \n");
    EXPECT_NE(r.log.find("     MONTHS          :LIST:JAN_FILE\n" + warning_text("OPEN3", "LIST-File not readonly.")),
              std::string::npos);
}

// A member that is not there fails the list; the members opened before it are
// closed again. A member path with " -v" is tested as it stands.
TEST(ListOpen, MissingMemberReleasesEverything) {
    const Outcome r = run_child({{"GAPS", "LIST:JAN_FILE,NOWHERE,FEB_FILE,VOLAT"}, {"NOWHERE", "nowhere.nc"},
                             {"VOLAT", "mar.nc -v"}},
                            [] {
                                make_months();
                                say("open " + std::to_string(OPEN3("GAPS", FSRDONLY3, "LISTTEST")));
                                say("named " + open_names());
                                say("used " + std::to_string(STATE3.nlist_used));
                            });
    EXPECT_EQ(r.out, "open 0\nnamed \nused 0\n");
    EXPECT_NE(r.log.find("     NOWHERE         :nowhere.nc\n" + warning_text("OPNLIST3", "File not available.")),
              std::string::npos);
    EXPECT_NE(r.log.find("     VOLAT           :mar.nc -v\n" + warning_text("OPNLIST3", "File not available.")),
              std::string::npos);
}

// With the table nearly full, a member that finds no free slot fails the list.
TEST(ListOpen, NoFreeSlotForAMember) {
    const Outcome r = run_child({{"MONTHS", "LIST:JAN_FILE,FEB_FILE"}}, [] {
        make_months();
        FDESC3.FTYPE3D = GRDDED3;
        FDESC3.TSTEP3D = 0;
        int opened = 0;
        for (int k = 1; k <= MXFILE3 - 2; ++k) {
            const std::string name = "BUF" + std::to_string(k);
            setenv(name.c_str(), "BUFFERED", 1);
            opened += OPEN3(name, FSUNKN3, "LISTTEST");
        }
        say("buffered " + std::to_string(opened));
        say("open " + std::to_string(OPEN3("MONTHS", FSRDONLY3, "LISTTEST")));
        say("free " + std::to_string(slot(MXFILE3).is_free()) + " " + std::to_string(slot(MXFILE3 - 1).is_free()));
    });
    EXPECT_EQ(r.out, "buffered 198\nopen 0\nfree 1 1\n");
    EXPECT_NE(r.log.find("     Could not open FEB_FILE         Max # of files already opened.\n"), std::string::npos);
}

// The member table serves the whole run: once its 200 entries are used, a
// list is refused before any member is opened.
TEST(ListOpen, MemberTableFull) {
    const Outcome r = run_child({{"ONE", "LIST:JAN_FILE"}, {"TWO", "LIST:JAN_FILE,FEB_FILE"}}, [] {
        make_months();
        int opened = 0;
        for (int k = 1; k <= MXFILE3; ++k) {
            opened += OPEN3("ONE", FSRDONLY3, "LISTTEST");
            CLOSE3("ONE");
            CLOSE3("JAN_FILE");
        }
        say("opened " + std::to_string(opened) + " used " + std::to_string(STATE3.nlist_used));
        say("again " + std::to_string(OPEN3("ONE", FSRDONLY3, "LISTTEST")));
        say("named " + open_names());
    });
    EXPECT_EQ(r.out, "opened 200 used 200\nagain 0\nnamed \n");
    EXPECT_NE(r.log.find(warning_text("OPEN3", "File-list member table full; cannot open file list ONE")),
              std::string::npos);
}

// SHUT3 closes the members with everything else.
TEST(ListOpen, ShutDownClosesMembers) {
    const Outcome r = run_child({{"MONTHS", "LIST:JAN_FILE,FEB_FILE"}}, [] {
        make_months();
        OPEN3("MONTHS", FSRDONLY3, "LISTTEST");
        say("before " + open_names());
        const bool shut = SHUT3();
        say("shut " + std::to_string(shut) + " used " + std::to_string(STATE3.nlist_used));
        say("after " + open_names());
    });
    EXPECT_EQ(r.out, "before MONTHS JAN_FILE FEB_FILE\nshut 1 used 0\nafter \n");
}

// A member stays open while its list is: closing it is refused with a warning
// naming the list, so no other file can take its slot and the list keeps
// reading the member's own records. Once the list is closed the member closes.
TEST(ListOpen, MemberCloseRefusedWhileTheListIsOpen) {
    const Outcome r = run_child({{"TWO", "LIST:JAN_FILE,FEB_FILE"}}, [] {
        make_months();
        OPEN3("TWO", FSRDONLY3, "LISTTEST");
        say("close member " + std::to_string(CLOSE3("FEB_FILE")));
        say("open other " + std::to_string(OPEN3("MAR_FILE", FSRDONLY3, "LISTTEST")));
        say("named " + open_names());
        read_at("TWO", 2020045);
        read_at("TWO", 2020015);
        say("close list " + std::to_string(CLOSE3("TWO")));
        say("close member " + std::to_string(CLOSE3("FEB_FILE")));
        say("named " + open_names());
    });
    EXPECT_EQ(r.out,
              "close member 0\n"
              "open other 1\n"
              "named TWO JAN_FILE FEB_FILE MAR_FILE\n"
              "read 2020045 1 45\n"
              "read 2020015 1 15\n"
              "close list 1\n"
              "close member 1\n"
              "named JAN_FILE MAR_FILE\n");
    EXPECT_NE(r.log.find(warning_text("CLOSE3", "File \"FEB_FILE\" is a member of the open file list \"TWO\"; "
                                           "it stays open until the list is closed")),
              std::string::npos)
        << r.log;
    // Closed once when written, once after the list: never by the refused call.
    const std::size_t refused = r.log.find("WARNING in subroutine CLOSE3");
    const std::size_t list_closed = r.log.find("Closing file TWO");
    ASSERT_NE(list_closed, std::string::npos);
    EXPECT_EQ(r.log.find("Closing file FEB_FILE", refused), r.log.find("Closing file FEB_FILE", list_closed));
}
