// OPEN3: the statuses, the re-open rules, the slot limit and the path options.
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

// The open report's heading line for logical name A.
std::string opened_as(const std::string& mode) { return "     \"A\" opened as " + mode; }

class OpenRules : public ::testing::Test {
protected:
    Sandbox box;
    std::string pa = box.path("a.nc");
};

// Every open of an already open read-only name, in order, with its log lines.
TEST_F(OpenRules, AlreadyOpenReadOnly) {
    ASSERT_EQ(0, box.make(pa).status);
    const Outcome r = box.run({{"A", pa}}, [] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSRDONLY3, "RULES"));
        const struct {
            int status;
            bool result;
            Lines lines;
        } cases[] = {
            {FSRDONLY3, true, {}},
            {FSRDWR3, false,
             warning("OPEN3", "File A already opened READONLY; cannot subsequently open it for READ/WRITE.")},
            {FSUNKN3, false,
             warning("OPEN3", "File A already opened READONLY; Cannot subsequently open it \"UNKNOWN\".")},
            {FSNEW3, false, warning("OPEN3", "File A already opened; cannot subsequently create it \"NEW\".")},
            {9, true, {}},
        };
        for (const auto& c : cases) {
            QVMSG2("MARK");
            EXPECT_EQ(c.result, OPEN3("A", c.status, "RULES")) << c.status;
            QVMSG2("END");
            std::fflush(nullptr);
            EXPECT_EQ(c.lines, between(read_file(std::getenv("LOGFILE")), "MARK", "END")) << c.status;
        }
        EXPECT_EQ(1, NAME2FID("A"));
        EXPECT_TRUE(detail::slot(1).ronly);
    });
    EXPECT_EQ(0, r.status) << r.log;
}

TEST_F(OpenRules, NewOnAnExistingPathFailsSilently) {
    ASSERT_EQ(0, box.make(pa).status);
    const Outcome r = box.run({{"A", pa}}, [] {
        describe(GRDDED3);
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("A", FSNEW3, "RULES"));
        QVMSG2("END");
        EXPECT_EQ(0, NAME2FID("A"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(Lines{}, between(r.log, "MARK", "END"));
}

TEST_F(OpenRules, CreateReplacesAnExistingFile) {
    ASSERT_EQ(0, box.make(pa).status);
    const Outcome r = box.run({{"A", pa}}, [] {
        describe(GRDDED3);
        FDESC3.NCOLS3D = 7;
        QVMSG2("MARK");
        EXPECT_TRUE(OPEN3("A", FSCREA3, "RULES"));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(7, NcFile(pa).int_att("NCOLS"));
    const Lines lines = between(r.log, "MARK", "END");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(opened_as("NEW(CREAT/TRUNC)"), lines[1]);
}

TEST_F(OpenRules, CreateOnAnOpenNameClosesAndReopens) {
    const Outcome r = box.run({{"A", pa}}, [&] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSNEW3, "RULES"));
        FDESC3.NCOLS3D = 9;
        QVMSG2("MARK");
        EXPECT_TRUE(OPEN3("A", FSCREA3, "RULES"));
        QVMSG2("END");
        EXPECT_EQ(1, NAME2FID("A"));
        EXPECT_EQ(9, detail::slot(1).ncols);
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(9, NcFile(pa).int_att("NCOLS"));
    const Lines lines = between(r.log, "MARK", "END");
    const Lines head = Lines{"     Closing file A"} +
                       warning("OPEN3", "File A already opened. Closing, deleting, and re-opening it") +
                       Lines{"     ", opened_as("NEW(CREAT/TRUNC)")};
    ASSERT_GE(lines.size(), head.size());
    EXPECT_EQ(head, Lines(lines.begin(), lines.begin() + static_cast<long>(head.size())));
}

TEST_F(OpenRules, CreateOnAnOpenNameNeedsAGoodDescription) {
    const Outcome r = box.run({{"A", pa}, {"ORVEX_CHECK_HEADERS", "Y"}}, [&] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSNEW3, "RULES"));
        FDESC3.NROWS3D = 0;
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("A", FSCREA3, "RULES"));
        QVMSG2("END");
        EXPECT_EQ(1, NAME2FID("A"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(Lines{"     Bad NROWS         0  in file \"A\""} + warning("CKDESC", "Bad file description found") +
                  warning("OPEN3", "Error:  bad file description in FDESC"),
              between(r.log, "MARK", "END"));
}

TEST_F(OpenRules, NotOpenBadDescriptionRefused) {
    const Outcome r = box.run({{"A", pa}, {"ORVEX_CHECK_HEADERS", "Y"}}, [&] {
        describe(GRDDED3);
        FDESC3.NCOLS3D = 0;
        for (const int status : {FSNEW3, FSUNKN3, FSCREA3}) {
            QVMSG2("MARK");
            EXPECT_FALSE(OPEN3("A", status, "RULES"));
            QVMSG2("END");
            std::fflush(nullptr);
            EXPECT_EQ(Lines{"     Bad NCOLS         0  in file \"A\""} + warning("CKDESC", "Bad file description found") +
                          warning("OPEN3", "Error:   bad file description in FDESC"),
                      between(read_file(std::getenv("LOGFILE")), "MARK", "END"))
                << status;
        }
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_FALSE(fs::exists(pa));
}

TEST_F(OpenRules, UnknownCreatesOrOpensAndChecks) {
    const std::string pb = box.path("b.nc");
    ASSERT_EQ(0, box.make(pb).status);
    const Outcome r = box.run({{"A", pa}, {"B", pb}}, [&] {
        describe(GRDDED3);
        // Not there: created.
        EXPECT_TRUE(OPEN3("A", FSUNKN3, "RULES"));
        EXPECT_TRUE(fs::exists(std::getenv("A")));
        // Open for writing already: the description is compared.
        EXPECT_TRUE(OPEN3("A", FSUNKN3, "RULES"));
        // There and matching: opened read/write.
        EXPECT_TRUE(OPEN3("B", FSUNKN3, "RULES"));
        EXPECT_FALSE(detail::slot(NAME2FID("B")).ronly);
        EXPECT_TRUE(CLOSE3("B"));
        // There and not matching: refused, the slot freed.
        FDESC3.NCOLS3D = 5;
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("B", FSUNKN3, "RULES"));
        QVMSG2("END");
        EXPECT_EQ(0, NAME2FID("B"));
        EXPECT_EQ(1, NAME2FID("A"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ((Lines{"     ", "     ", "     >>> WARNING in subroutine CHKFIL3 <<<", "     Inconsistent file attribute NCOLS for file B",
                     "     Value from file:          4", "     Value from caller:        5"}),
              between(r.log, "MARK", "END"));
    const Lines all = lines_of(r.log);
    EXPECT_EQ(1, std::count(all.begin(), all.end(), opened_as("UNKNOWN(R-W)    ")));
}

TEST_F(OpenRules, MissingFileNotAvailable) {
    const std::string missing = box.path("missing.nc");
    const Outcome r = box.run({{"A", missing}}, [] {
        for (const int status : {FSRDONLY3, FSRDWR3}) {
            QVMSG2("MARK");
            EXPECT_FALSE(OPEN3("A", status, "RULES"));
            QVMSG2("END");
            EXPECT_EQ(0, NAME2FID("A"));
        }
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(Lines{"     A               :" + missing} + warning("OPEN3", "File not available."), between(r.log, "MARK", "END"));
}

TEST_F(OpenRules, IllegalStatus) {
    const Outcome r = box.run({{"A", pa}}, [] {
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("A", 7, "RULES"));
        QVMSG2("END");
        EXPECT_EQ(0, NAME2FID("A"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ((warning("OPEN3", "File opening error:  illegal FSTATUS argument.") +
               Lines{"     Legal values: 1-READONLY, 2-READ/WRITE, 3-NEW, 4-UNKNOWN",
                     "     Value supplied by caller:        7"}),
              between(r.log, "MARK", "END"));
}

TEST_F(OpenRules, TwoHundredAndFirstRefusedAndSlotsReused) {
    ASSERT_EQ(0, box.make(pa).status);
    Env env;
    for (int i = 1; i <= MXFILE3 + 1; ++i) env.emplace_back("F" + std::to_string(i), pa);
    const Outcome r = box.run(env, [] {
        for (int i = 1; i <= MXFILE3; ++i) ASSERT_TRUE(OPEN3("F" + std::to_string(i), FSRDONLY3, "RULES")) << i;
        EXPECT_EQ(MXFILE3, detail::STATE3.count);
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("F201", FSRDONLY3, "RULES"));
        QVMSG2("END");
        EXPECT_TRUE(CLOSE3("F50"));
        EXPECT_TRUE(CLOSE3("F7"));
        EXPECT_EQ(0, NAME2FID("F50"));
        // The lowest free slot is taken; the highest slot used does not shrink.
        EXPECT_TRUE(OPEN3("F201", FSRDONLY3, "RULES"));
        EXPECT_EQ(7, NAME2FID("F201"));
        EXPECT_TRUE(OPEN3("F50", FSRDONLY3, "RULES"));
        EXPECT_EQ(50, NAME2FID("F50"));
        EXPECT_EQ(MXFILE3, detail::STATE3.count);
    });
    EXPECT_EQ(0, r.status) << r.log.substr(r.log.size() > 3000 ? r.log.size() - 3000 : 0);
    EXPECT_EQ(warning("OPEN3", "Could not open F201            Maximum number of files already have been opened."),
              between(r.log, "MARK", "END"));
}

TEST_F(OpenRules, VolatileMarkCutFromThePath) {
    ASSERT_EQ(0, box.make(pa).status);
    const Outcome r = box.run({{"A", pa + " -v"}, {"B", box.path("b.nc") + " -V extra"}}, [] {
        describe(GRDDED3);
        ASSERT_TRUE(OPEN3("A", FSRDONLY3, "RULES"));
        EXPECT_TRUE(detail::slot(NAME2FID("A")).volat);
        ASSERT_TRUE(OPEN3("B", FSNEW3, "RULES"));
        EXPECT_TRUE(detail::slot(NAME2FID("B")).volat);
        EXPECT_TRUE(DESC3("B"));
        EXPECT_TRUE(SYNCFID(NAME2FID("B")));
    });
    EXPECT_EQ(0, r.status) << r.log;
    const Lines lines = lines_of(r.log);
    for (const std::string& want : {"     File name \"" + pa + "\"", "     File name \"" + box.path("b.nc") + "\""})
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), want)) << want;
    EXPECT_TRUE(fs::exists(box.path("b.nc")));
}

// Kinds recognised on the path after lookup, in any case.
TEST_F(OpenRules, PathOptions) {
    const struct {
        const char* label;
        std::string value;
        int status;
        bool result;
        Lines lines;
    } cases[] = {
        {"virtual", "VIRTUAL somewhere", FSRDONLY3, false,
         warning("OPEN3", "VIRTUAL files not implemented in this ORVEX version")},
        {"list for writing", "list:X,Y", FSRDWR3, false,
         Lines{"     A               :list:X,Y"} + warning("OPEN3", "LIST-File not readonly.")},
        {"binary path tested after its prefix", "bin:" + pa + ".bin", FSRDONLY3, false,
         Lines{"     A               :" + pa + ".bin"} + warning("OPEN3", "File not available.")},
    };
    ASSERT_EQ(0, box.make(pa).status);
    ASSERT_TRUE(fs::exists(pa));
    for (const auto& c : cases) {
        const Outcome r = box.run({{"A", c.value}}, [&] {
            describe(GRDDED3);
            QVMSG2("MARK");
            EXPECT_EQ(c.result, OPEN3("A", c.status, "RULES")) << c.label;
            QVMSG2("END");
            EXPECT_EQ(0, NAME2FID("A")) << c.label;
            EXPECT_TRUE(detail::slot(1).is_free()) << c.label;
        });
        EXPECT_EQ(0, r.status) << c.label << r.log;
        EXPECT_EQ(c.lines, between(r.log, "MARK", "END")) << c.label;
    }
}

TEST_F(OpenRules, BufferedFileInMemory) {
    const Outcome r = box.run({{"A", "Buffered"}}, [] {
        describe(GRDDED3);
        FDESC3.VTYPE3D[1] = QVREAL;
        ASSERT_TRUE(OPEN3("A", FSRDWR3, "RULES"));
        EXPECT_EQ(BUFFIL3, detail::slot(NAME2FID("A")).cdfid);
        EXPECT_TRUE(SYNCFID(NAME2FID("A")));
        ASSERT_TRUE(DESC3("A"));
        EXPECT_EQ(CMISS3, FDESC3.UPNAM3D.view());
        EXPECT_EQ("", FDESC3.FDESC3D[0].trimmed());
        EXPECT_TRUE(CLOSE3("A"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    const Lines lines = lines_of(r.log);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "     BUFFERED \"file\" opened as READWRITE           "));
    EXPECT_FALSE(fs::exists(box.dir() / "Buffered"));
}

TEST_F(OpenRules, NameLongerThanATableEntry) {
    const Outcome r = box.run({}, [] {
        INIT3();
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("ABCDEFGHIJKLMNOPQ", FSRDONLY3, "RULES"));
        EXPECT_EQ(0, NAME2FID("ABCDEFGHIJKLMNOP  "));
        QVMSG2("END");
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ((Lines{"     Bad file name length for \"ABCDEFGHIJKLMNOPQ\":  max length        16 actual        17"}),
              between(r.log, "MARK", "END"));
}

// Without the parallel library an "MPI:" name is refused, with the way to it.
TEST_F(OpenRules, ParallelNamesNeedTheParallelLibrary) {
    const Outcome r = box.run({{"A", "MPI:" + pa}}, [] {
        describe(GRDDED3);
        QVMSG2("MARK");
        EXPECT_FALSE(OPEN3("A", FSUNKN3, "RULES"));
        QVMSG2("END");
        EXPECT_EQ(0, NAME2FID("A"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    EXPECT_EQ(Lines{logged(orvex::Text<16>("A").str() + ":MPI:" + pa)} +
                  warning("OPEN3", "MPI: files need the parallel library: link orvex_mpi and call orvex::parallel::start"),
              between(r.log, "MARK", "END"));
    EXPECT_FALSE(std::filesystem::exists(pa));
}

}  // namespace
}  // namespace gf_test
