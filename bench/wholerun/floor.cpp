// The floor of a whole pondra run: only the netCDF work that no implementation
// can avoid. Reads every variable's first record of every input, creates the
// two outputs with the same dimensions and writes every variable once.
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: wholerun_floor OUT1 OUT2 NCOLS NROWS IN1 [IN2 ...]\n");
        return 2;
    }
    const std::size_t ncols = std::strtoul(argv[3], nullptr, 10), nrows = std::strtoul(argv[4], nullptr, 10);
    std::vector<float> layer;
    std::vector<std::string> names;
    for (int a = 5; a < argc; ++a) {
        int nc = 0, nvars = 0, dimids[4];
        check(nc_open(argv[a], NC_NOWRITE, &nc), "open input");
        check(nc_inq_nvars(nc, &nvars), "inquire");
        names.clear();
        for (int v = 0; v < nvars; ++v) {
            char name[NC_MAX_NAME + 1];
            int ndims = 0;
            check(nc_inq_var(nc, v, name, nullptr, &ndims, dimids, nullptr), "inquire variable");
            if (ndims != 4) continue;  // the time flags
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
        int nc = 0, dims[4], var = 0;
        check(nc_create(argv[out], NC_CLOBBER | NC_SHARE, &nc), "create output");
        check(nc_def_dim(nc, "TSTEP", NC_UNLIMITED, &dims[0]), "dim");
        check(nc_def_dim(nc, "LAY", 1, &dims[1]), "dim");
        check(nc_def_dim(nc, "ROW", nrows, &dims[2]), "dim");
        check(nc_def_dim(nc, "COL", ncols, &dims[3]), "dim");
        for (const std::string& name : names) check(nc_def_var(nc, name.c_str(), NC_FLOAT, 4, dims, &var), "def");
        check(nc_enddef(nc), "enddef");
        const std::size_t start[4] = {0, 0, 0, 0}, count[4] = {1, 1, nrows, ncols};
        for (int v = 0; v < static_cast<int>(names.size()); ++v)
            check(nc_put_vara_float(nc, v, start, count, totals.data()), "write");
        check(nc_close(nc), "close output");
    }
    return 0;
}
