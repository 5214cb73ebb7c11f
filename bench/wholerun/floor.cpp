// The floor of a whole pondra run: the netCDF reads and writes pondra makes,
// one file after another, with nothing else. Opens every input and reads its
// header (every attribute of the file and of its variables), reads the time
// flags and the first record of every variable, creates the two outputs in the
// layer's sharing mode with the same dimensions, time-flag variable and
// attributes (copied from the last input), and writes the time flags and
// every variable once.
//
//   wholerun_floor OUT1 OUT2 NCOLS NROWS IN1 [IN2 ...]
#include <netcdf.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(int status, const char* what) {
    if (status != NC_NOERR) {
        std::fprintf(stderr, "wholerun_floor: %s: %s\n", what, nc_strerror(status));
        std::exit(2);
    }
}

struct Attribute {
    std::string name;
    nc_type type = NC_NAT;
    std::size_t len = 0;
    std::vector<char> value;
};

// Reads every attribute of variable varid (NC_GLOBAL for the file's own).
std::vector<Attribute> read_attributes(int nc, int varid) {
    int natts = 0;
    check(varid == NC_GLOBAL ? nc_inq_natts(nc, &natts) : nc_inq_varnatts(nc, varid, &natts), "attributes");
    std::vector<Attribute> atts(static_cast<std::size_t>(natts));
    for (int a = 0; a < natts; ++a) {
        Attribute& at = atts[static_cast<std::size_t>(a)];
        char name[NC_MAX_NAME + 1];
        check(nc_inq_attname(nc, varid, a, name), "attribute name");
        at.name = name;
        check(nc_inq_att(nc, varid, name, &at.type, &at.len), "attribute");
        at.value.resize((at.len + 1) * 8);
        check(nc_get_att(nc, varid, name, at.value.data()), "read attribute");
    }
    return atts;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: wholerun_floor OUT1 OUT2 NCOLS NROWS IN1 [IN2 ...]\n");
        return 2;
    }
    const std::size_t ncols = std::strtoul(argv[3], nullptr, 10), nrows = std::strtoul(argv[4], nullptr, 10);
    std::vector<float> layer;
    std::vector<std::string> names;
    std::vector<Attribute> globals;
    int flags[2];
    for (int a = 5; a < argc; ++a) {
        int nc = 0, nvars = 0, dimids[4], tflag = -1;
        check(nc_open(argv[a], NC_NOWRITE, &nc), "open input");
        globals = read_attributes(nc, NC_GLOBAL);
        check(nc_inq_nvars(nc, &nvars), "inquire");
        check(nc_inq_varid(nc, "TFLAG", &tflag), "TFLAG");
        names.clear();
        for (int v = 0; v < nvars; ++v) {
            read_attributes(nc, v);
            char name[NC_MAX_NAME + 1];
            int ndims = 0;
            check(nc_inq_var(nc, v, name, nullptr, &ndims, dimids, nullptr), "inquire variable");
            if (ndims != 4) continue;  // the time flags
            // The time flag of the record, then the record.
            const std::size_t fstart[3] = {0, names.size(), 0}, fcount[3] = {1, 1, 2};
            check(nc_get_vara_int(nc, tflag, fstart, fcount, flags), "read time flag");
            std::size_t rows = 0, cols = 0;
            check(nc_inq_dimlen(nc, dimids[2], &rows), "rows");
            check(nc_inq_dimlen(nc, dimids[3], &cols), "cols");
            layer.resize(rows * cols);
            const std::size_t start[4] = {0, 0, 0, 0}, count[4] = {1, 1, rows, cols};
            check(nc_get_vara_float(nc, v, start, count, layer.data()), "read");
            names.push_back(name);
        }
        check(nc_close(nc), "close input");
    }
    std::vector<float> totals(ncols * nrows, 1.0f);
    for (int out = 1; out <= 2; ++out) {
        int nc = 0, dims[6], tflag = 0, var = 0;
        check(nc_create(argv[out], NC_CLOBBER | NC_SHARE, &nc), "create output");
        check(nc_def_dim(nc, "TSTEP", NC_UNLIMITED, &dims[0]), "dim");
        check(nc_def_dim(nc, "DATE-TIME", 2, &dims[1]), "dim");
        check(nc_def_dim(nc, "LAY", 1, &dims[2]), "dim");
        check(nc_def_dim(nc, "VAR", names.size(), &dims[3]), "dim");
        check(nc_def_dim(nc, "ROW", nrows, &dims[4]), "dim");
        check(nc_def_dim(nc, "COL", ncols, &dims[5]), "dim");
        // The header: the last input's global attributes, the time flags and
        // the variables with their three attributes.
        for (const Attribute& at : globals)
            check(nc_put_att(nc, NC_GLOBAL, at.name.c_str(), at.type, at.len, at.value.data()), "write attribute");
        const int flag_dims[3] = {dims[0], dims[3], dims[1]};
        check(nc_def_var(nc, "TFLAG", NC_INT, 3, flag_dims, &tflag), "def");
        const int data_dims[4] = {dims[0], dims[2], dims[4], dims[5]};
        for (const std::string& name : names) {
            check(nc_def_var(nc, name.c_str(), NC_FLOAT, 4, data_dims, &var), "def");
            for (const char* att : {"long_name", "units", "var_desc"})
                check(nc_put_att_text(nc, var, att, 16, "                "), "write attribute");
        }
        for (const char* att : {"units", "long_name", "var_desc"})
            check(nc_put_att_text(nc, tflag, att, 16, "                "), "write attribute");
        check(nc_enddef(nc), "enddef");
        const std::size_t start[4] = {0, 0, 0, 0}, count[4] = {1, 1, nrows, ncols};
        for (std::size_t v = 0; v < names.size(); ++v) {
            const std::size_t fstart[3] = {0, v, 0}, fcount[3] = {1, 1, 2};
            check(nc_put_vara_int(nc, tflag, fstart, fcount, flags), "write time flag");
            check(nc_put_vara_float(nc, static_cast<int>(v) + 1, start, count, totals.data()), "write");
        }
        check(nc_close(nc), "close output");
    }
    return 0;
}
