// Buffered files: creation from a description, the two-step window of each
// variable, and the all-variables forms, as transcripts of the log.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "buf_fixture.hpp"

using namespace buf_test;

namespace {

std::string hhmmss(int t) {
    char s[16];
    std::snprintf(s, sizeof s, "%06d", t);
    return s;
}

// Writes and reads variable 1 of one buffered file on 2020001, saying what happened.
struct Probe {
    int fid;
    int nvals;

    void write(int jtime, int record, float base, int jdate = 2020001) const {
        const std::vector<float> v = ramp(nvals, base);
        const bool ok = WRBUF3(fid, 1, jdate, jtime, record, v.data());
        say("write " + hhmmss(jtime) + " " + std::to_string(ok));
    }
    void read(int jtime, int layer = -1, int jdate = 2020001) const {
        std::vector<float> v(static_cast<std::size_t>(nvals), -1.0f);
        const bool ok = RDBUF3(fid, 1, layer, jdate, jtime, v.data());
        if (layer > 0) v.resize(static_cast<std::size_t>(nvals / slot(fid).nlays));
        say("read " + hhmmss(jtime) + " " + std::to_string(ok) + (ok ? " " + show(v) : ""));
    }
};

Probe probe(const std::string& name, const Shape& shape) {
    const int fid = make_buffered(name, shape);
    return Probe{fid, shape.ncols * shape.nrows * shape.nlays};
}

}  // namespace

TEST(BufWindow, HourlyStepsSlideForwardAndBack) {
    const std::string out = transcript([] {
        const Probe p = probe("BUFHOUR", Shape{});
        p.write(0, 1, 100);
        p.write(10000, 2, 200);
        p.write(20000, 3, 300);
        p.read(10000);
        p.read(20000);
        p.read(0);
        p.write(0, 1, 400);  // the step before the earlier one: the window slides back
        p.read(0);
        p.read(10000);
        p.read(20000);
    });
    EXPECT_EQ(out,
              "write 000000 1\n"
              "write 010000 1\n"
              "write 020000 1\n"
              "read 010000 1 [200 201 202 203 204 205]\n"
              "read 020000 1 [300 301 302 303 304 305]\n" +
                  warning_text("READ3/RDBUF3", "Date and time not available in BUFHOUR", 2020001, 0) +
                  "read 000000 0\n"
                  "write 000000 1\n"
                  "read 000000 1 [400 401 402 403 404 405]\n"
                  "read 010000 1 [200 201 202 203 204 205]\n" +
                  warning_text("READ3/RDBUF3", "Date and time not available in BUFHOUR", 2020001, 20000) +
                  "read 020000 0\n");
}

TEST(BufWindow, OutOfOrderWriteRefusedAndRewriteAccepted) {
    const std::string out = transcript([] {
        const Probe p = probe("BUFOOO", Shape{});
        p.write(10000, 2, 100);
        p.write(20000, 3, 200);
        p.write(50000, 6, 500);  // neither a held step nor a neighbour
        p.write(20000, 3, 250);  // a rewrite of the later held step
        p.read(10000);
        p.read(20000);
    });
    EXPECT_EQ(out,
              "write 010000 1\n"
              "write 020000 1\n"
              "     Date/time being written to BUFFERED file BUFOOO          :  2020001:050000\n"
              "     Last date/time  written:  2020001:010000\n" +
                  warning_text("WRITE3/WRBUF3", "Out-of-order write to BUFFERED file ", 2020001, 50000) +
                  "write 050000 0\n"
                  "write 020000 1\n"
                  "read 010000 1 [100 101 102 103 104 105]\n"
                  "read 020000 1 [250 251 252 253 254 255]\n");
}

// With one step held, a step that is neither it nor a neighbour is refused
// like any out-of-order write, and the held step keeps its values even when
// the refused step would have used the same half.
TEST(BufWindow, OneStepHeldOutOfOrderRefused) {
    const std::string out = transcript([] {
        const Probe p = probe("BUFONE", Shape{});
        p.write(10000, 2, 100);
        p.write(50000, 6, 500);
        p.read(10000);
        p.read(50000);
        p.write(0, 1, 0);  // the neighbour before is still welcome
        p.read(0);
        p.read(10000);
    });
    EXPECT_EQ(out,
              "write 010000 1\n"
              "     Date/time being written to BUFFERED file BUFONE          :  2020001:050000\n"
              "     Last date/time  written:  2020001:010000\n" +
                  warning_text("WRITE3/WRBUF3", "Out-of-order write to BUFFERED file ", 2020001, 50000) +
                  "write 050000 0\n"
                  "read 010000 1 [100 101 102 103 104 105]\n" +
                  warning_text("READ3/RDBUF3", "Date and time not available in BUFONE", 2020001, 50000) +
                  "read 050000 0\n"
                  "write 000000 1\n"
                  "read 000000 1 [0 1 2 3 4 5]\n"
                  "read 010000 1 [100 101 102 103 104 105]\n");
}

// A step given as 24:00 of the day before is the same step as 00:00 of the
// next day for the neighbour tests, but reads compare the pair as written.
TEST(BufWindow, DatesAreComparedAsWritten) {
    const std::string out = transcript([] {
        const Probe p = probe("BUFMID", Shape{});
        p.write(230000, 24, 100);
        p.write(240000, 25, 200);
        p.read(240000);
        p.read(0, -1, 2020002);
    });
    EXPECT_EQ(out,
              "write 230000 1\n"
              "write 240000 1\n"
              "read 240000 1 [200 201 202 203 204 205]\n" +
                  warning_text("READ3/RDBUF3", "Date and time not available in BUFMID", 2020002, 0) + "read 000000 0\n");
}

// A time-independent variable holds one record: every write replaces it,
// whatever date and time the caller passes, and a read before the first
// write fails without a message.
TEST(BufWindow, TimeIndependentRewrittenAtAnyDate) {
    Shape shape;
    shape.tstep = 0;
    const std::string out = transcript([shape] {
        const Probe p = probe("BUFCONST", shape);
        p.read(0);
        p.write(0, 1, 100, 2020001);
        p.write(120000, 1, 200, 2020005);
        p.write(0, 1, 300, 0);
        p.read(0, -1, 1999365);
        const VarSlot& w = slot(p.fid).vars[0];
        say("pairs " + std::to_string(w.ldate) + " " + std::to_string(w.ltime) + " " + std::to_string(w.ndate) +
            " " + std::to_string(w.ntime) + " half " + std::to_string(w.ilast));
    });
    EXPECT_EQ(out,
              "read 000000 0\n"
              "write 000000 1\n"
              "write 120000 1\n"
              "write 000000 1\n"
              "read 000000 1 [300 301 302 303 304 305]\n"
              "pairs 0 0 0 0 half 0\n");
}

TEST(BufWindow, LayerTwoOfThree) {
    Shape shape;
    shape.ncols = 2;
    shape.nrows = 2;
    shape.nlays = 3;
    const std::string out = transcript([shape] {
        const Probe p = probe("BUFLAYS", shape);
        p.write(0, 1, 1);
        p.read(0, 2);
        p.read(0, 3);
        p.read(0);
    });
    EXPECT_EQ(out,
              "write 000000 1\n"
              "read 000000 1 [5 6 7 8]\n"
              "read 000000 1 [9 10 11 12]\n"
              "read 000000 1 [1 2 3 4 5 6 7 8 9 10 11 12]\n");
}

TEST(BufCreate, RefusedDescriptions) {
    const std::string out = transcript([] {
        Shape dbl;
        dbl.vtypes = {QVREAL, QVDBLE};
        say("double " + std::to_string(make_buffered("BUFDBL", dbl)));
        Shape ids;
        ids.ftype = IDDATA3;
        say("iddata " + std::to_string(make_buffered("BUFIDS", ids)));
        Shape fly;
        fly.ftype = PTRFLY3;
        say("ptrfly " + std::to_string(make_buffered("BUFFLY", fly)));
        say("held " + std::to_string(buffer_bytes(1)));
    });
    EXPECT_EQ(out, warning_text("OPEN3/CRTBUF3", "DOUBLE PRECISION BUFFERRED not supported for V2") +
                       "double -1\n"
                       "     BUFFERED-file creation error for file BUFIDS\n"
                       "     ILLEGAL FILE TYPE.        3\n"
                       "iddata -1\n"
                       "     BUFFERED-file creation error for file BUFFLY\n"
                       "     ILLEGAL FILE TYPE.        8\n"
                       "ptrfly -1\n"
                       "held 0\n");
}

// Values per layer and the table entry of each type a buffered file can hold.
TEST(BufCreate, TableEntryAndLayerSize) {
    struct Case {
        int ftype, ncols, nrows, nthik, laysz;
    } cases[] = {
        {GRDDED3, 4, 3, 0, 12},
        {GRDATT3, 4, 3, 0, 12},
        {CUSTOM3, 7, 3, 0, 7},
        {BNDARY3, 10, 5, 1, 34},
        {BNDARY3, 10, 5, -1, 26},
    };
    for (const Case& c : cases) {
        Shape shape;
        shape.ftype = c.ftype;
        shape.ncols = c.ncols;
        shape.nrows = c.nrows;
        shape.nthik = c.nthik;
        shape.nlays = 2;
        shape.vtypes = {QVREAL, QVINT};
        const int fid = make_buffered("BUFSHAPE", shape);
        ASSERT_GT(fid, 0) << c.ftype;
        const FileSlot& s = slot(fid);
        EXPECT_EQ(s.cdfid, BUFFIL3);
        EXPECT_EQ(s.laysz, c.laysz) << c.ftype << " " << c.nthik;
        EXPECT_EQ(s.mxrec, 0);
        EXPECT_EQ(s.tindx, IMISS3);
        EXPECT_EQ(s.vars[1].vtype, QVINT);
        EXPECT_EQ(s.vars[1].name, "V2");
        EXPECT_EQ(s.vars[1].ilast, 0);
        EXPECT_EQ(s.vars[1].ldate, IMISS3);
        EXPECT_EQ(s.vars[1].ntime, IMISS3);
        // two variables of two halves of laysz x 2 layers, 4 bytes each
        EXPECT_EQ(buffer_bytes(fid), static_cast<std::size_t>(2 * 2 * c.laysz * 2 * 4));
        drop_buffered(fid);
        EXPECT_EQ(buffer_bytes(fid), 0u);
    }
}

TEST(BufAllVariables, RealVariablesBackToBack) {
    Shape shape;
    shape.ncols = 2;
    shape.nrows = 1;
    shape.vtypes = {QVREAL, QVREAL, QVREAL};
    const int fid = make_buffered("BUFALL", shape);
    ASSERT_GT(fid, 0);
    const std::vector<float> in = ramp(6, 1);
    EXPECT_TRUE(WRBUF3(fid, -1, 2020001, 30000, 4, in.data()));
    EXPECT_EQ(slot(fid).mxrec, 4);
    std::vector<float> all(6, 0.0f);
    EXPECT_TRUE(RDBUF3(fid, -1, -1, 2020001, 30000, all.data()));
    EXPECT_EQ(all, in);
    std::vector<float> one(2, 0.0f);
    EXPECT_TRUE(RDBUF3(fid, 2, 1, 2020001, 30000, one.data()));
    EXPECT_EQ(one, (std::vector<float>{3, 4}));
    drop_buffered(fid);
}

TEST(BufAllVariables, NonRealVariablesRefused) {
    const std::string out = transcript([] {
        Shape shape;
        shape.vtypes = {QVREAL, QVINT};
        const int fid = make_buffered("BUFMIX", shape);
        const std::vector<int> ints = {7, 8, 9, 10, 11, 12};
        say("int " + std::to_string(WRBUF3(fid, 2, 2020001, 0, 1, ints.data())));
        std::vector<int> back(6, 0);
        const bool read = RDBUF3(fid, 2, -1, 2020001, 0, back.data());
        say("int back " + std::to_string(read) + " " + std::to_string(back[0]) + " " + std::to_string(back[5]));
        const std::vector<float> all(12, 1.0f);
        say("all " + std::to_string(WRBUF3(fid, -1, 2020001, 0, 1, all.data())));
        std::vector<float> out(12, 0.0f);
        say("all back " + std::to_string(RDBUF3(fid, -1, -1, 2020001, 0, out.data())));
    });
    EXPECT_EQ(out, "int 1\n"
                   "int back 1 7 12\n" +
                       warning_text("WRITE3/WRBUF3", "ALLVAR3 non-REAL types not supported", 2020001, 0) + "all 0\n" +
                       warning_text("READ3/RDBUF3", "ALLVAR3 non-REAL types not supported", 2020001, 0) + "all back 0\n");
}

// A failed variable of an all-variables write names the variable; the
// variables before it are stored.
TEST(BufAllVariables, FailureNamesTheVariable) {
    const std::string out = transcript([] {
        Shape shape;
        shape.ncols = 1;
        shape.nrows = 1;
        shape.vtypes = {QVREAL, QVREAL};
        const int fid = make_buffered("BUFFAIL", shape);
        const std::vector<float> v2 = {9};
        say("v2 " + std::to_string(WRBUF3(fid, 2, 2020001, 0, 1, v2.data())));
        say("v2 " + std::to_string(WRBUF3(fid, 2, 2020001, 10000, 2, v2.data())));
        const std::vector<float> all = {1, 2};
        say("all " + std::to_string(WRBUF3(fid, -1, 2020001, 50000, 6, all.data())));
        std::vector<float> back(1, 0.0f);
        const bool read = RDBUF3(fid, 1, -1, 2020001, 50000, back.data());
        say("v1 " + std::to_string(read) + " " + std::to_string(static_cast<int>(back[0])));
    });
    EXPECT_EQ(out, "v2 1\n"
                   "v2 1\n"
                   "     Date/time being written to BUFFERED file BUFFAIL         :  2020001:050000\n"
                   "     Last date/time  written:  2020001:000000\n" +
                       warning_text("WRITE3/WRBUF3", "Out-of-order write to BUFFERED file ", 2020001, 50000) +
                       warning_text("WRITE3/WRBUF3", "Failure writing V2               to BUFFAIL", 2020001, 50000) +
                       "all 0\n"
                       "v1 1 1\n");
}
