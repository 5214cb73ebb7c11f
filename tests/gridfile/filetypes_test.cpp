// The file-type table: the facts its readers rely on without checking them,
// and the sizes and names it gives for each type.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "gridfile/filetypes.hpp"
#include "orvex/parms3.hpp"

namespace {

using namespace orvex;
using namespace orvex::detail;
using enum Extent;

// Every code from below the first type to beyond the last.
constexpr int FIRST = KFEVNT3 - 2, LAST = PTRFLY3 + 2;

// Creation names a dimension by its extent: a shape naming an extent the type
// has no dimension of would lose that dimension without a word.
TEST(FileTypes, EveryShapeNamesDimensionsOfItsType) {
    for (int code = FIRST; code <= LAST; ++code) {
        const FileType* t = laid_out_type(code);
        if (t == nullptr) continue;
        for (const Extent e : t->data.extents) EXPECT_FALSE(dim_name(*t, e).empty()) << t->name << " data";
        for (const AuxVar& a : t->aux)
            for (const Extent e : a.shape) EXPECT_FALSE(dim_name(*t, e).empty()) << t->name << " " << a.name;
        for (std::size_t i = 0; i < t->dims.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_NE(t->dims[i].length, t->dims[j].length) << t->name << ": two dimensions of one extent";
    }
}

// The index part is what the record dimension runs through: every auxiliary
// variable of a type with records is per record, none of the others is, and
// the table slot has room for them all.
TEST(FileTypes, IndexPartIsTheAuxiliaryVariablesOfRecordTypes) {
    for (int code = FIRST; code <= LAST; ++code) {
        const FileType* t = file_type(code);
        if (t == nullptr) continue;
        const bool records = record_type(code) != nullptr;
        for (const AuxVar& a : t->aux) {
            EXPECT_EQ(a.per_record, records) << t->name << " " << a.name;
            EXPECT_TRUE(a.type == QVINT || a.type == QVREAL || a.type == QVDBLE) << t->name << " " << a.name;
            EXPECT_EQ(a.read_msg.empty(), !records) << t->name << " " << a.name;
            EXPECT_EQ(a.write_msg.empty(), !records) << t->name << " " << a.name;
        }
        EXPECT_LE(t->aux.size(), 10u) << t->name;
        EXPECT_EQ(index_part(*t).size(), records ? t->aux.size() : 0u) << t->name;
        EXPECT_TRUE(!records || t->laid_out) << t->name;
        EXPECT_TRUE(records || !(t->buffered || t->binary)) << t->name;
    }
}

// A native binary record moves the integers of its index part in one run and
// then its reals, widened to doubles in the file.
TEST(FileTypes, BinaryIndexPartsHoldIntegersBeforeReals) {
    for (int code = FIRST; code <= LAST; ++code) {
        const FileType* t = file_type(code);
        if (t == nullptr || !t->binary) continue;
        bool reals = false;
        for (const AuxVar& a : index_part(*t)) {
            EXPECT_NE(a.type, QVDBLE) << t->name << " " << a.name;
            EXPECT_FALSE(reals && a.type == QVINT) << t->name << " " << a.name;
            reals = reals || a.type == QVREAL;
        }
    }
}

// Words of each type's index part, as the record layouts document them
// (N rows, M columns): the data of the first variable follows them.
TEST(FileTypes, IndexWordsOfEachType) {
    const int N = 7, M = 3;
    const struct {
        int code;
        long long words;
    } cases[] = {{CUSTOM3, 0},           {GRDDED3, 0},           {BNDARY3, 0},  {IDDATA3, N + 1},
                 {PROFIL3, 5 * N + 1},   {GRNEST3, 12 * N + 1},  {SMATRX3, N + M}, {GRDATT3, 0},
                 {PTRFLY3, 0}};
    for (const auto& c : cases) {
        const FileType* t = record_type(c.code);
        ASSERT_NE(t, nullptr) << c.code;
        long long words = 0;
        for (const AuxVar& a : index_part(*t)) words += aux_length(a, M, N, 1) * (a.type == QVDBLE ? 2 : 1);
        EXPECT_EQ(words, c.words) << t->name;
    }
    for (const int code : {KFEVNT3, DGRAPH3, DCTNRY3, 9, -4}) EXPECT_EQ(record_type(code), nullptr) << code;
}

TEST(FileTypes, LayerSizeOfEachType) {
    const int C = 10, R = 5;
    const struct {
        int code;
        int nthik;
        long long created, opened;
    } cases[] = {
        {CUSTOM3, 1, C, C},          {GRDDED3, 1, C * R, C * R}, {GRDATT3, 1, C * R, C * R},
        {PTRFLY3, 1, C * R, C * R},  {PROFIL3, 1, C * R, C * R}, {GRNEST3, 1, C * R, C * R},
        {IDDATA3, 1, R, R},          {SMATRX3, 4, C, C},         {BNDARY3, 1, 34, 34},
        {BNDARY3, -1, 26, 26},       {KFEVNT3, 2, IMISS3, R},
    };
    for (const auto& c : cases) {
        const FileType* t = laid_out_type(c.code);
        ASSERT_NE(t, nullptr) << c.code;
        EXPECT_EQ(layer_size(*t, false, C, R, c.nthik), c.created) << t->name << " " << c.nthik;
        EXPECT_EQ(layer_size(*t, true, C, R, c.nthik), c.opened) << t->name << " " << c.nthik;
    }
    for (const int code : {DGRAPH3, DCTNRY3, 9}) EXPECT_EQ(laid_out_type(code), nullptr) << code;
}

// A hostile header's ring beyond 64 bits counts as the largest size, which no
// caller accepts.
TEST(FileTypes, BoundaryRingBeyondSixtyFourBits) {
    long long cells = 0;
    EXPECT_TRUE(perim_cells(INT_MAX, INT_MAX, 1 << 20, cells));
    EXPECT_EQ(cells, (2LL << 20) * (2LL * INT_MAX + (2LL << 20)));
    EXPECT_FALSE(perim_cells(INT_MAX, INT_MAX, INT_MAX, cells));
    EXPECT_EQ(perim_size(INT_MAX, INT_MAX, INT_MAX), LLONG_MAX);
    EXPECT_EQ(extent_length(Perim, 10, 20, 1), 64);
}

TEST(FileTypes, SizesTheRecordsDependOn) {
    const struct {
        int code;
        bool cols, rows, thik;
    } cases[] = {{CUSTOM3, true, false, false}, {IDDATA3, false, true, false}, {SMATRX3, true, true, false},
                 {BNDARY3, true, true, true},   {GRDDED3, true, true, false},  {PROFIL3, true, true, false}};
    for (const auto& c : cases) {
        const FileType& t = *file_type(c.code);
        EXPECT_EQ(uses(t, Cols), c.cols) << t.name;
        EXPECT_EQ(uses(t, Rows), c.rows) << t.name;
        EXPECT_EQ(uses(t, Thik), c.thik) << t.name;
    }
}

// What opening says of each missing auxiliary variable, in the table's order.
TEST(FileTypes, OpeningMessagesOfMissingAuxiliaryVariables) {
    const std::string id = "Error reading ID for variable ";
    const struct {
        int code;
        std::vector<std::string> msgs;
    } cases[] = {
        {KFEVNT3,
         {"Error reading netCDF ID for variable ID-COUNT", "Error reading netCDF variable ID",
          "Error reading netCDF ID for variable LEVEL-COUNT", "Error reading netCDF ID for variable KFSDATE",
          "Error reading netCDF ID for variable KFLNGTH"}},
        {IDDATA3, {id + "ID-COUNT", "Error reading netcdf ID for variable ID"}},
        {PROFIL3,
         {id + "ID-COUNT", "Error reading netcdf ID for variable ID", id + "LEVEL-COUNT", id + "X", id + "Y",
          id + "Z"}},
        {GRNEST3,
         {id + "ID-COUNT", "Error reading netcdf ID for variable ID", id + "WIN-COLS", id + "WIN-ROWST",
          id + "WIN-LEVS", id + "X", id + "Y", id + "DX", id + "DY"}},
        {SMATRX3, {id + "COL-COUNT", id + "COEFF-INDEX"}},
    };
    for (const auto& c : cases) {
        const FileType& t = *file_type(c.code);
        std::vector<std::string> msgs;
        for (const AuxVar& a : t.aux) msgs.push_back(open_message(a));
        EXPECT_EQ(msgs, c.msgs) << t.name;
    }
    for (const int code : {CUSTOM3, GRDDED3, BNDARY3, GRDATT3, PTRFLY3}) EXPECT_TRUE(file_type(code)->aux.empty());
}

TEST(FileTypes, NamesInLogLines) {
    const struct {
        int code;
        const char* name;
    } cases[] = {{-5, "UNKNOWN"},     {-4, "UNKNOWN"},     {KFEVNT3, "KFEVNT3"}, {DGRAPH3, "DGRAPH3"},
                 {CUSTOM3, "CUSTOM3"}, {DCTNRY3, "DCTNRY3"}, {GRDDED3, "GRDDED3"}, {BNDARY3, "BNDARY3"},
                 {IDDATA3, "IDDATA3"}, {PROFIL3, "PROFIL3"}, {GRNEST3, "GRNEST3"}, {SMATRX3, "SMATRX3"},
                 {GRDATT3, "UNKNOWN"}, {PTRFLY3, "UNKNOWN"}, {9, "UNKNOWN"}};
    for (const auto& c : cases) EXPECT_EQ(logged_type_name(c.code), c.name) << c.code;
}

}  // namespace
