// The diagnostics of the hyperslab movers and time-flag routines when netCDF
// refuses a transfer (provoked by pointing a table entry at a variable id that
// the dataset does not have), and the hand-offs to the other storage kinds.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "support/format.hpp"
#include "transfer/transfer.hpp"
#include "transfer_fixture.hpp"

using namespace orvex;
using namespace transfer_test;
using orvex::detail::slot;

namespace {

constexpr int BADID = 999;
// A blank line of the blocks written straight to the log.
const std::string BLANK = "     ";

// Sets an int of the file table for the life of the object.
class Tamper {
public:
    Tamper(int& field, int value) : field_(field), old_(field) { field_ = value; }
    ~Tamper() { field_ = old_; }
    Tamper(const Tamper&) = delete;
    Tamper& operator=(const Tamper&) = delete;

private:
    int& field_;
    int old_;
};

std::string n6(int v) { return detail::fmt_I(v, 6); }

class Movers : public ::testing::Test {
protected:
    void SetUp() override {
        FileDef def;
        def.vars = {{"O3", QVREAL}, {"NO2", QVREAL}};
        ASSERT_TRUE(create("TAMPER", def));
        ASSERT_TRUE(WRITE3("TAMPER", "ALL", 2020001, 0, buf.data()));
        fid = NAME2FID("TAMPER");
        cdfid = slot(fid).cdfid;
    }
    void TearDown() override { CLOSE3("TAMPER"); }

    std::vector<std::string> write_error(const std::string& vname) const {
        return warning("WRITE3", "Error writing \"" + vname + "\" to \"TAMPER\" for  2020001:000000", 2020001, 0);
    }

    Words buf{48};
    int fid = 0;
    int cdfid = 0;
};

TEST_F(Movers, VariableReadRefused) {
    Tamper t(slot(fid).vars[0].vid, BADID);
    LogMark r;
    EXPECT_FALSE(READ3("TAMPER", "O3", ALLAYS3, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), std::vector<std::string>{logged(
                             "netCDF error number   -49  Error reading variable \"O3              \" from file "
                             "\"TAMPER          \"")});
}

TEST_F(Movers, VariableWriteRefused) {
    Tamper t(slot(fid).vars[0].vid, BADID);
    LogMark w;
    EXPECT_FALSE(WRITE3("TAMPER", "O3", 2020001, 0, buf.data()));
    EXPECT_EQ(w.lines(), (std::vector<std::string>{BLANK, BLANK, logged(">>> WARNING in subroutine WRVARS <<<"),
                                                   logged("Error writing variable O3              to file TAMPER"),
                                                   logged("netCDF error number   -49"),
                                                   logged("ORVEX file ID " + n6(fid)),
                                                   logged("netCDF ID     " + n6(cdfid)),
                                                   logged("variable         999"),
                                                   logged("dims array         1     1     1     1     0"),
                                                   logged("delts array        4     3     2     1     0"), BLANK} +
                          write_error("O3")));
}

TEST_F(Movers, AllVariablesWriteRefusedAtTheSecond) {
    Tamper t(slot(fid).vars[1].vid, BADID);
    LogMark w;
    EXPECT_FALSE(WRITE3("TAMPER", "ALL", 2020001, 10000, buf.data()));
    const auto block = std::vector<std::string>{BLANK, BLANK, logged(">>> WARNING in subroutine WRVARS <<<"),
                                                logged("Error writing variable NO2             to file TAMPER"),
                                                logged("netCDF error number   -49"),
                                                logged("ORVEX ID    " + n6(fid)),
                                                logged("netCDF ID   " + n6(cdfid)),
                                                logged("vble           999"),
                                                logged("dims array       1     1     1     2     0"),
                                                logged("delts array      4     3     2     1     0"),
                                                logged("offset          24"),
                                                logged("WRITE3 request: ALL VARIABLES"), BLANK};
    EXPECT_EQ(w.lines(),
              block + warning("WRITE3", "Error writing \"ALL\" to \"TAMPER\" for  2020001:010000", 2020001, 10000));
    // The first variable and its flag were written before the failure.
    Words out(24);
    EXPECT_TRUE(READ3("TAMPER", "O3", ALLAYS3, 2020001, 10000, out.data()));
}

TEST_F(Movers, TimeFlagWriteRefused) {
    Tamper t(slot(fid).tindx, BADID);
    const std::vector<std::string> block{logged("WRTFLAG:  Error writing time-flag for vble O3              from file TAMPER"),
                                         logged("netCDF error number   -49"),
                                         logged("ORVEX file ID " + n6(fid)),
                                         logged("netCDF ID     " + n6(cdfid)),
                                         logged("variable         999"),
                                         logged("dims array         1     1     1     0     0"),
                                         logged("delts array        2     1     1     0     0"),
                                         BLANK};
    LogMark one;
    EXPECT_FALSE(WRITE3("TAMPER", "O3", 2020001, 0, buf.data()));
    EXPECT_EQ(one.lines(), block + write_error("O3"));
    LogMark all;
    EXPECT_FALSE(WRITE3("TAMPER", "ALL", 2020001, 0, buf.data()));
    EXPECT_EQ(all.lines(), block + std::vector<std::string>{logged("Error writing time-flags for file TAMPER")} +
                               write_error("ALL"));
}

TEST_F(Movers, TimeFlagReadRefused) {
    Tamper t(slot(fid).tindx, BADID);
    LogMark r;
    EXPECT_FALSE(READ3("TAMPER", "ALL", 1, 2020001, 0, buf.data()));
    EXPECT_EQ(r.lines(), std::vector<std::string>{logged("netCDF error number  -49")} +
                             warning("RDTFLAG", "Error reading netCDF time step flag for TAMPER", 2020001, 0));
}

TEST_F(Movers, TimeFlagOfNoVariableOnlyForFilesWithoutVariables) {
    LogMark m;
    EXPECT_FALSE(detail::WRTFLAG(fid, detail::ALLVARS, {2020001, 0}, 1));
    EXPECT_EQ(m.lines(), std::vector<std::string>{logged("Invalid call to WRTFLAG() for file TAMPER")});
}

TEST(IndexParts, ReadAndWriteRefused) {
    FileDef def;
    def.ftype = IDDATA3;
    ASSERT_TRUE(create("TAMPERID", def));
    Words buf(3 + 1 + 3 * 2);
    ASSERT_TRUE(WRITE3("TAMPERID", "ALL", 2020001, 0, buf.data()));
    const int fid = NAME2FID("TAMPERID");
    {
        Tamper t(slot(fid).nindx[1], BADID);
        LogMark r;
        EXPECT_FALSE(READ3("TAMPERID", "O3", ALLAYS3, 2020001, 0, buf.data()));
        EXPECT_EQ(r.lines(), std::vector<std::string>{logged("netCDF error number  -49")} +
                                 warning("READ3/RDIDDATA", "Error reading ID list for file TAMPERID", 0, 0));
    }
    {
        Tamper t(slot(fid).nindx[0], BADID);
        LogMark w;
        EXPECT_FALSE(WRITE3("TAMPERID", "ALL", 2020001, 0, buf.data()));
        EXPECT_EQ(w.lines(), (std::vector<std::string>{BLANK, BLANK, logged(">>> WARNING in subroutine WRIDDATA <<<"),
                                                       logged("netCDF error number  -49"),
                                                       logged("Error writing site count to file TAMPERID")} +
                              warning("WRITE3", "Error writing \"ALL\" to \"TAMPERID\" for  2020001:000000", 2020001,
                                      0)));
    }
    EXPECT_TRUE(CLOSE3("TAMPERID"));
}

// The index part of the other writers refused at one of its arrays: the block
// written straight to the log names the writer and that array, and the record's
// variables are not written.
TEST(IndexParts, WriteRefusedPerWriterAndArray) {
    struct Case {
        int ftype;
        std::size_t array;
        std::string writer, message;
    } cases[] = {
        {PROFIL3, 0, "WRPROFIL", "Error writing site count to file "},
        {PROFIL3, 5, "WRPROFIL", "Error writing Z-coordinate list to file "},
        {GRNEST3, 2, "WRGRNEST", "Error writing site column count list to file "},
        {GRNEST3, 8, "WRGRNEST", "Error writing cellsize DY list to file "},
        {SMATRX3, 0, "WRSMATRX", "Error writing max-col-count array to file "},
        {SMATRX3, 1, "WRSMATRX", "Error writing column-index array to file "},
    };
    for (const Case& c : cases) {
        const std::string lname = "TAMPER" + c.writer.substr(2) + std::to_string(c.array);
        FileDef def;
        def.ftype = c.ftype;
        ASSERT_TRUE(create(lname, def)) << lname;
        const int fid = NAME2FID(lname);
        Words buf(256);
        {
            Tamper t(slot(fid).nindx[c.array], BADID);
            LogMark w;
            EXPECT_FALSE(WRITE3(lname, "ALL", 2020001, 0, buf.data()));
            EXPECT_EQ(w.lines(), (std::vector<std::string>{BLANK, BLANK,
                                                           logged(">>> WARNING in subroutine " + c.writer + " <<<"),
                                                           logged("netCDF error number  -49"),
                                                           logged(c.message + lname)} +
                                  warning("WRITE3", "Error writing \"ALL\" to \"" + lname + "\" for  2020001:000000",
                                          2020001, 0)))
                << lname;
        }
        EXPECT_FALSE(READ3(lname, "O3", ALLAYS3, 2020001, 0, buf.data())) << lname;
        EXPECT_TRUE(CLOSE3(lname));
    }
}

// A file without variables still carries one time-flag pair per record.
TEST(NoVariables, FlagPairOfTheEmptyRecord) {
    FileDef def;
    def.vars.clear();
    ASSERT_TRUE(create("NOVARS", def));
    int dummy = 0;
    EXPECT_TRUE(WRITE3("NOVARS", "ALL", 2020001, 10000, &dummy));
    EXPECT_TRUE(READ3("NOVARS", "ALL", ALLAYS3, 2020001, 10000, &dummy));
    EXPECT_FALSE(READ3("NOVARS", "ALL", ALLAYS3, 2020001, 0, &dummy));
    ASSERT_TRUE(CLOSE3("NOVARS"));
    const int fill = NC_FILL_INT;
    EXPECT_EQ(tflags("NOVARS"), (std::vector<int>{fill, fill, 2020001, 10000}));
}

}  // namespace
