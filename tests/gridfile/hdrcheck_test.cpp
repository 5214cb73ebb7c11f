// The header check before nc_open: a classic header that claims more than its
// file holds (values, dimension lengths, list entries, name lengths, variables
// past the end) is refused with the field and its claim, without netCDF ever
// reading it; sound files of every format, and a header that lies only about
// its record count, still open.
//
// Every hostile open runs in a child with its address space limited, so that
// a header that reaches netCDF again fails fast instead of taking gigabytes.
#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gridfile/hdrcheck.hpp"
#include "gridfile/state3.hpp"
#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

using Lines = std::vector<std::string>;

std::string be32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
    return {b, 4};
}

std::uint32_t get32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}

// A name as a header holds it: its length, its characters, zero padding.
std::string name_field(const std::string& name) {
    return be32(static_cast<std::uint32_t>(name.size())) + name + std::string((4 - name.size() % 4) % 4, '\0');
}

// Offset just past the first occurrence of pattern at or after from; the
// occurrence must exist.
std::size_t after(const std::string& bytes, const std::string& pattern, std::size_t from = 0) {
    const std::size_t at = bytes.find(pattern, from);
    EXPECT_NE(std::string::npos, at);
    return at == std::string::npos ? 0 : at + pattern.size();
}

// Overwrites the 32-bit number at offset at of the file.
void patch32(const std::string& path, std::size_t at, std::uint32_t value) {
    std::string bytes = read_file(path);
    ASSERT_LE(at + 4, bytes.size());
    bytes.replace(at, 4, be32(value));
    write_file(path, bytes);
}

// Keeps a child's address space to 1 GiB (not under the address sanitizer,
// whose shadow memory needs far more address space).
#if defined(__SANITIZE_ADDRESS__)
#define HDRCHECK_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HDRCHECK_TEST_ASAN 1
#endif
#endif

void limit_memory() {
#if !defined(HDRCHECK_TEST_ASAN)
    const rlimit lim{rlim_t{1} << 30, rlim_t{1} << 30};
    setrlimit(RLIMIT_AS, &lim);
#endif
}

class HeaderCheck : public ::testing::Test {
protected:
    // A layer-written gridded file at path (4 x 3 x 2 cells, O3 real and NO2
    // integer) with the given number of hourly records.
    void make_gridded(int steps = 0) {
        fs::remove(path);
        const Outcome r = box.run({{"A", path}}, [&] {
            describe(GRDDED3);
            ASSERT_TRUE(OPEN3("A", FSNEW3, "MAKER"));
            int jdate = 2020001, jtime = 0;
            for (int s = 0; s < steps; ++s) {
                std::vector<float> o3(24);
                std::vector<int> no2(24);
                for (int i = 0; i < 24; ++i) {
                    o3[static_cast<std::size_t>(i)] = static_cast<float>(100 * s + i);
                    no2[static_cast<std::size_t>(i)] = 1000 * s + i;
                }
                ASSERT_TRUE(WRITE3("A", "O3", jdate, jtime, o3.data()));
                ASSERT_TRUE(WRITE3("A", "NO2", jdate, jtime, no2.data()));
                NEXTIME(jdate, jtime, 10000);
            }
            ASSERT_TRUE(CLOSE3("A"));
        });
        ASSERT_EQ(0, r.status) << r.log;
        bytes = read_file(path);
    }

    // A file written through netCDF alone: dimensions T (record), Y = 2 and
    // X = 3; the fixed-size variable GRID(Y, X) of floats and the record
    // variables R1(T, X) of floats and R2(T, X) of integers, none with
    // attributes; two records.
    void make_plain() {
        int ncid = -1, t = -1, y = -1, x = -1, grid = -1, r1 = -1, r2 = -1;
        ASSERT_EQ(NC_NOERR, nc_create(path.c_str(), NC_CLOBBER, &ncid));
        nc_def_dim(ncid, "T", NC_UNLIMITED, &t);
        nc_def_dim(ncid, "Y", 2, &y);
        nc_def_dim(ncid, "X", 3, &x);
        const int yx[] = {y, x}, tx[] = {t, x};
        nc_def_var(ncid, "GRID", NC_FLOAT, 2, yx, &grid);
        nc_def_var(ncid, "R1", NC_FLOAT, 2, tx, &r1);
        nc_def_var(ncid, "R2", NC_INT, 2, tx, &r2);
        ASSERT_EQ(NC_NOERR, nc_enddef(ncid));
        const float values[] = {1, 2, 3, 4, 5, 6};
        const int ints[] = {1, 2, 3, 4, 5, 6};
        const std::size_t start[] = {0, 0}, count[] = {2, 3};
        nc_put_var_float(ncid, grid, values);
        nc_put_vara_float(ncid, r1, start, count, values);
        nc_put_vara_int(ncid, r2, start, count, ints);
        ASSERT_EQ(NC_NOERR, nc_close(ncid));
        bytes = read_file(path);
    }

    // Offset of the begin field of a variable of make_plain (no attributes).
    std::size_t begin_of(const std::string& name, std::uint32_t dim0, std::uint32_t dim1, std::uint32_t type) {
        // name, 2 dimensions, their ids, an empty attribute list, type, size
        return after(bytes, name_field(name) + be32(2) + be32(dim0) + be32(dim1) + be32(0) + be32(0) + be32(type)) + 4;
    }

    // Offset of the value count of an attribute of the given type, looked
    // for from offset from (the global ones come first).
    std::size_t count_of(const std::string& att, nc_type type, std::size_t from = 0) {
        return after(bytes, name_field(att) + be32(static_cast<std::uint32_t>(type)), from);
    }

    // Opens A (at path) with the status in a child; the lines it logged.
    Lines open_lines(int fstatus = FSRDONLY3) {
        const Outcome r = box.run({{"A", path}}, [fstatus] {
            INIT3();
            limit_memory();
            QVMSG2("MARK");
            EXPECT_FALSE(OPEN3("A", fstatus, "READER"));
            QVMSG2("END");
            EXPECT_EQ(0, NAME2FID("A"));
            EXPECT_TRUE(detail::slot(1).is_free());
        });
        EXPECT_EQ(0, r.status) << r.log;
        return between(r.log, "MARK", "END");
    }

    // The lines of a refused header: the claim, then those of a failed nc_open.
    Lines refusal(const std::string& claim) const {
        return {"     Refused netCDF header of " + path + ": " + claim, "     Error opening file at path-name:",
                "     netCDF error number  -51  processing file \"A\"", "     NetCDF: Unknown file format",
                "     " + path};
    }

    // The file patched at offset at with value: its refusal lines.
    Lines patched(std::size_t at, std::uint32_t value, int fstatus = FSRDONLY3) {
        write_file(path, bytes);
        patch32(path, at, value);
        return open_lines(fstatus);
    }

    Sandbox box;
    std::string path = box.path("a.nc");
    std::string bytes;  // the file as written, before any patch
};

// Files that netCDF itself writes, in every format it has, with and without
// records, with aligned and padded sections, a one-byte record variable, a
// name of the longest length: nothing is refused. Foreign files, HDF5-based
// ones and paths that are no regular file are left to netCDF.
TEST_F(HeaderCheck, SoundFilesPass) {
    const struct {
        const char* label;
        int mode;
    } formats[] = {
        {"CDF-1", NC_CLASSIC_MODEL},
        {"CDF-2", NC_64BIT_OFFSET},
        {"CDF-5", NC_64BIT_DATA},
        {"netCDF-4", NC_NETCDF4},
        {"netCDF-4 classic model", NC_NETCDF4 | NC_CLASSIC_MODEL},
    };
    for (const auto& f : formats)
        for (const int records : {0, 3})
            for (const bool aligned : {false, true}) {
                SCOPED_TRACE(std::string(f.label) + " records " + std::to_string(records) + (aligned ? " aligned" : ""));
                int ncid = -1, t = -1, x = -1, y = -1, longest = -1;
                ASSERT_EQ(NC_NOERR, nc_create(path.c_str(), NC_CLOBBER | f.mode, &ncid));
                nc_def_dim(ncid, "T", NC_UNLIMITED, &t);
                nc_def_dim(ncid, "X", 5, &x);
                nc_def_dim(ncid, "Y", 3, &y);
                nc_def_dim(ncid, std::string(NC_MAX_NAME, 'L').c_str(), 1, &longest);
                nc_put_att_text(ncid, NC_GLOBAL, "empty", 0, "");
                nc_put_att_text(ncid, NC_GLOBAL, "title", 5, "sound");
                const double d[] = {1.5, -2.5, 3.5};
                nc_put_att_double(ncid, NC_GLOBAL, "doubles", NC_DOUBLE, 3, d);
                const short s[] = {1, 2, 3};
                nc_put_att_short(ncid, NC_GLOBAL, "shorts", NC_SHORT, 3, s);
                const int yx[] = {y, x}, tx[] = {t, x}, ty[] = {t, y}, tl[] = {t, longest};
                int v = -1;
                nc_def_var(ncid, "fixed_short", NC_SHORT, 2, yx, &v);  // 30 bytes, padded to 32
                nc_put_att_text(ncid, v, "units", 1, "m");
                nc_def_var(ncid, "scalar", NC_DOUBLE, 0, nullptr, &v);
                nc_def_var(ncid, "rec_byte", NC_BYTE, 2, ty, &v);  // 3 bytes a record
                nc_def_var(ncid, "rec_float", NC_FLOAT, 2, tx, &v);
                nc_def_var(ncid, "rec_char", NC_CHAR, 2, tl, &v);
                if (f.mode == NC_64BIT_DATA) nc_def_var(ncid, "rec_int64", NC_INT64, 2, tx, &v);
                ASSERT_EQ(NC_NOERR, aligned ? nc__enddef(ncid, 1000, 512, 0, 4096) : nc_enddef(ncid));
                const std::vector<float> values(static_cast<std::size_t>(records) * 5, 2.0f);
                const std::size_t start[] = {0, 0}, count[] = {static_cast<std::size_t>(records), 5};
                if (records > 0) {
                    ASSERT_EQ(NC_NOERR, nc_put_vara_float(ncid, 3, start, count, values.data()));
                }
                ASSERT_EQ(NC_NOERR, nc_close(ncid));
                EXPECT_EQ("", detail::classic_header_lie(path));
            }
    // Only one record variable, of an odd size: its records are not padded.
    int ncid = -1, t = -1, x = -1, v = -1;
    ASSERT_EQ(NC_NOERR, nc_create(path.c_str(), NC_CLOBBER, &ncid));
    nc_def_dim(ncid, "T", NC_UNLIMITED, &t);
    nc_def_dim(ncid, "X", 3, &x);
    const int tx[] = {t, x};
    nc_def_var(ncid, "bytes", NC_BYTE, 2, tx, &v);
    nc_enddef(ncid);
    const signed char b[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::size_t start[] = {0, 0}, count[] = {3, 3};
    nc_put_vara_schar(ncid, v, start, count, b);
    ASSERT_EQ(NC_NOERR, nc_close(ncid));
    EXPECT_EQ("", detail::classic_header_lie(path));

    write_file(path, "CDF");
    EXPECT_EQ("", detail::classic_header_lie(path));
    write_file(path, "This is a text file, not a netCDF dataset.\n");
    EXPECT_EQ("", detail::classic_header_lie(path));
    EXPECT_EQ("", detail::classic_header_lie(box.dir().string()));
    EXPECT_EQ("", detail::classic_header_lie(box.path("none.nc")));
}

// A value count whose values cannot fit in the file: the cases of an integer
// NVARS claiming 4294967295 and 2^30 values, the HISTORY text claiming 2^31-1
// characters (each taking gigabytes and many seconds in netCDF), and a
// variable's attribute; refused for read/write opens too.
TEST_F(HeaderCheck, ValueCountBeyondTheFile) {
    make_gridded(1);
    const std::size_t nvars = count_of("NVARS", NC_INT);
    EXPECT_EQ(refusal("attribute NVARS claims 4294967295 values"), patched(nvars, 4294967295u));
    EXPECT_EQ(refusal("attribute NVARS claims 1073741824 values"), patched(nvars, 1u << 30));
    EXPECT_EQ(refusal("attribute NVARS claims 4294967295 values"), patched(nvars, 4294967295u, FSRDWR3));
    EXPECT_EQ(refusal("attribute HISTORY claims 2147483647 characters"),
              patched(count_of("HISTORY", NC_CHAR), 2147483647u));
    const std::size_t o3 = after(bytes, name_field("O3") + be32(4));  // O3 has 4 dimensions
    EXPECT_EQ(refusal("attribute units of variable O3 claims 100000 characters"),
              patched(count_of("units", NC_CHAR, o3), 100000u));
}

// A dimension length that makes a fixed-size variable larger than the file,
// or the size of a record variable overflow.
TEST_F(HeaderCheck, DimensionLengthBeyondTheFile) {
    make_plain();
    const std::size_t begin = get32(bytes, begin_of("GRID", 1, 2, NC_FLOAT));
    EXPECT_EQ(refusal("variable GRID claims 8589934592 bytes at offset " + std::to_string(begin)),
              patched(after(bytes, name_field("X")), 1u << 30));
    make_gridded();
    write_file(path, bytes);
    for (const char* dim : {"LAY", "ROW", "COL"}) patch32(path, after(bytes, name_field(dim)), 0x7fffffff);
    bytes = read_file(path);
    EXPECT_EQ(refusal("variable O3 claims more than 9223372036854775807 bytes"), open_lines());
}

// A list count whose entries cannot fit in the file: the dimension list of
// 2^31-1 entries (which crashes netCDF), the attribute and variable lists, a
// variable's attribute list and its dimension count.
TEST_F(HeaderCheck, ListCountBeyondTheFile) {
    make_gridded(1);
    int ncid = -1, natts = 0, nvars = 0, tflag_atts = 0;
    char first[NC_MAX_NAME + 1] = {};
    ASSERT_EQ(NC_NOERR, nc_open(path.c_str(), NC_NOWRITE, &ncid));
    nc_inq_natts(ncid, &natts);
    nc_inq_nvars(ncid, &nvars);
    nc_inq_varnatts(ncid, 0, &tflag_atts);
    nc_inq_attname(ncid, NC_GLOBAL, 0, first);
    nc_close(ncid);
    ASSERT_EQ(be32(10), bytes.substr(8, 4));  // the dimension list's tag
    EXPECT_EQ(refusal("dimension list claims 2147483647 entries"), patched(12, 0x7fffffff));
    const auto list_count = [](std::uint32_t tag, int n) { return be32(tag) + be32(static_cast<std::uint32_t>(n)); };
    EXPECT_EQ(refusal("attribute list claims 1000000 entries"),
              patched(after(bytes, list_count(12, natts) + name_field(first)) - name_field(first).size() - 4,
                      1000000));
    EXPECT_EQ(refusal("variable list claims 65536 entries"),
              patched(after(bytes, list_count(11, nvars) + name_field("TFLAG")) - name_field("TFLAG").size() - 4,
                      65536));
    const std::size_t tflag = after(bytes, name_field("TFLAG"));
    EXPECT_EQ(refusal("attribute list of variable TFLAG claims 4294967295 entries"),
              patched(after(bytes, list_count(12, tflag_atts), tflag) - 4, 4294967295u));
    EXPECT_EQ(refusal("variable O3 claims 2147483647 dimensions"),
              patched(after(bytes, name_field("O3")), 0x7fffffff));
}

// A name longer than the file holds, or longer than NC_MAX_NAME though it fits.
TEST_F(HeaderCheck, NameLengthBeyondTheLimit) {
    make_gridded(1);
    int ncid = -1;
    char first[NC_MAX_NAME + 1] = {};
    ASSERT_EQ(NC_NOERR, nc_open(path.c_str(), NC_NOWRITE, &ncid));
    nc_inq_attname(ncid, NC_GLOBAL, 0, first);
    nc_close(ncid);
    EXPECT_EQ(refusal("name of attribute 1 claims 2147483647 characters"),
              patched(after(bytes, name_field(first)) - name_field(first).size(), 0x7fffffff));
    EXPECT_EQ(refusal("name of dimension 1 claims 257 characters"),
              patched(after(bytes, name_field("TSTEP")) - name_field("TSTEP").size(), NC_MAX_NAME + 1));
    EXPECT_EQ(refusal("name of variable 2 claims 4096 characters"),
              patched(after(bytes, name_field("O3") + be32(4)) - name_field("O3").size() - 4, 4096));
}

// Variables placed where the file cannot hold them: a fixed-size variable
// past the end or inside the header, a record variable past the first
// record, a dimension id outside the list.
TEST_F(HeaderCheck, VariablePlacementBeyondTheFile) {
    make_plain();
    const std::size_t grid = begin_of("GRID", 1, 2, NC_FLOAT);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    EXPECT_EQ(refusal("variable GRID claims 24 bytes at offset " + std::to_string(size)), patched(grid, size));
    EXPECT_EQ(refusal("variable GRID claims 24 bytes at offset " + std::to_string(size - 20)),
              patched(grid, size - 20));
    EXPECT_EQ(refusal("variable GRID claims offset 8 inside the header"), patched(grid, 8));
    EXPECT_EQ(refusal("variable R2 claims offset 2147418112 past the first record"),
              patched(begin_of("R2", 0, 2, NC_INT), 0x7fff0000));
    EXPECT_EQ(refusal("variable R1 claims offset 16 inside the header"), patched(begin_of("R1", 0, 2, NC_FLOAT), 16));
    EXPECT_EQ(refusal("variable GRID claims dimension id 7"),
              patched(after(bytes, name_field("GRID") + be32(2) + be32(1)), 7));
}

// A list tag or a data type the format does not have: netCDF reads a string
// type in a CDF-5 header and takes the values that follow for string lengths.
TEST_F(HeaderCheck, TagOrTypeOutsideTheFormat) {
    make_gridded(1);
    EXPECT_EQ(refusal("dimension list claims tag 11"), patched(8, 11));
    EXPECT_EQ(refusal("attribute NVARS claims type 99"), patched(count_of("NVARS", NC_INT) - 4, 99));
    EXPECT_EQ(refusal("variable O3 claims type 0"),
              patched(count_of("var_desc", NC_CHAR, after(bytes, name_field("O3") + be32(4))) +
                          4 + 80,  // past the 80 characters of O3's last attribute
                      0));
    int ncid = -1;
    ASSERT_EQ(NC_NOERR, nc_create(path.c_str(), NC_CLOBBER | NC_64BIT_DATA, &ncid));
    const float levels[] = {1.0f, 0.95f, 0.9f};
    nc_put_att_float(ncid, NC_GLOBAL, "VGLVLS", NC_FLOAT, 3, levels);
    ASSERT_EQ(NC_NOERR, nc_close(ncid));
    bytes = read_file(path);
    EXPECT_EQ(refusal("attribute VGLVLS claims type 12"),
              patched(after(bytes, std::string(4, '\0') + name_field("VGLVLS")), NC_STRING));  // 64-bit length
}

// A member of a file-set list goes through the same check.
TEST_F(HeaderCheck, HostileListMemberRefused) {
    make_gridded(1);
    const std::string good = box.path("good.nc");
    write_file(good, bytes);
    patch32(path, count_of("NVARS", NC_INT), 4294967295u);
    const Outcome r = box.run({{"L", "LIST:GOOD,A"}, {"GOOD", good}, {"A", path}}, [] {
        limit_memory();
        EXPECT_FALSE(OPEN3("L", FSRDONLY3, "READER"));
        EXPECT_EQ(0, NAME2FID("L"));
    });
    EXPECT_EQ(0, r.status) << r.log;
    std::string lines;
    for (const std::string& l : refusal("attribute NVARS claims 4294967295 values")) lines += l + "\n";
    EXPECT_NE(std::string::npos, r.log.find(lines)) << r.log;
}

// More records claimed than the file holds: the file opens, the records that
// are there read back, the others are refused as missing time steps.
TEST_F(HeaderCheck, RecordCountLieOpensAndReadsWhatIsThere) {
    make_gridded(2);
    for (const std::uint32_t numrecs : {3u, 0x7fffffffu}) {
        write_file(path, bytes);
        patch32(path, 4, numrecs);
        const Outcome r = box.run({{"A", path}}, [numrecs] {
            limit_memory();
            ASSERT_TRUE(OPEN3("A", FSRDONLY3, "READER"));
            ASSERT_TRUE(DESC3("A"));
            EXPECT_EQ(static_cast<int>(numrecs), detail::slot(1).mxrec);
            std::vector<float> o3(24);
            int jdate = 2020001, jtime = 0;
            for (int s = 0; s < 2; ++s) {
                ASSERT_TRUE(READ3("A", "O3", ALLAYS3, jdate, jtime, o3.data())) << s;
                EXPECT_EQ(static_cast<float>(100 * s + 23), o3[23]) << s;
                NEXTIME(jdate, jtime, 10000);
            }
            EXPECT_FALSE(READ3("A", "O3", ALLAYS3, jdate, jtime, o3.data()));
            EXPECT_FALSE(READ3("A", "NO2", ALLAYS3, 2020002, 0, o3.data()));
            EXPECT_TRUE(CLOSE3("A"));
        });
        EXPECT_EQ(0, r.status) << r.log;
        EXPECT_EQ(std::string::npos, r.log.find("Refused")) << r.log;
        EXPECT_NE(std::string::npos, r.log.find("Time step not available in file A for variable O3")) << r.log;
    }
}

}  // namespace
}  // namespace gf_test
