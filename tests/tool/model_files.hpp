// Input model files for the runs of pondra, written through the library in
// the test process, and read-back helpers for the output files.
#pragma once

#include <netcdf.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "orvex/orvex.hpp"

namespace pondra::testing {

struct ModelVar {
    std::string name, units, desc;
    int vtype = orvex::QVREAL;
};

struct ModelFile {
    std::string lname;  // logical name, bound to `path` in the environment
    std::filesystem::path path;
    int ftype = orvex::GRDDED3;
    int ncols = 1, nrows = 1, nlays = 1;
    double xorig = 0, yorig = 0, xcell = 1, ycell = 1;
    int sdate = 2005032, stime = 0, tstep = 10000, nsteps = 1;
    std::vector<ModelVar> vars;
    // Value of variable v at step s, column c, row r (all 0-based).
    std::function<double(int v, int s, int c, int r)> value = [](int, int, int, int) { return 0.0; };
    int unwritten_var = -1;  // 0-based variable left out of the first step
};

// Keeps the test process's own log out of standard output.
inline void use_test_log() {
    if (std::getenv("LOGFILE") != nullptr) return;
    std::string tmpl = (std::filesystem::temp_directory_path() / "pondra-testlog-XXXXXX").string();
    const std::filesystem::path dir(mkdtemp(tmpl.data()));
    ::setenv("LOGFILE", (dir / "test.log").c_str(), 1);
}

// Creates the file through OPEN3 (FSCREA3), writes its steps and closes it.
inline bool write_model_file(const ModelFile& f) {
    using namespace orvex;
    use_test_log();
    ::setenv(f.lname.c_str(), f.path.c_str(), 1);
    Fdesc3& d = FDESC3;
    d.FTYPE3D = f.ftype;
    d.SDATE3D = f.sdate;
    d.STIME3D = f.stime;
    d.TSTEP3D = f.tstep;
    d.NCOLS3D = f.ncols;
    d.NROWS3D = f.nrows;
    d.NLAYS3D = f.nlays;
    d.NTHIK3D = 1;
    d.NVARS3D = static_cast<int>(f.vars.size());
    d.GDTYP3D = 2;
    d.P_ALP3D = 30.0;
    d.P_BET3D = 60.0;
    d.P_GAM3D = -100.0;
    d.XCENT3D = -100.0;
    d.YCENT3D = 40.0;
    d.XORIG3D = f.xorig;
    d.YORIG3D = f.yorig;
    d.XCELL3D = f.xcell;
    d.YCELL3D = f.ycell;
    d.VGTYP3D = 2;
    d.VGTOP3D = 10000.0f;
    for (int k = 0; k <= f.nlays; ++k) d.VGLVS3D[static_cast<std::size_t>(k)] = 1.0f - 0.1f * static_cast<float>(k);
    d.GDNAM3D = "TESTGRID";
    for (auto& line : d.FDESC3D) line = "";
    d.FDESC3D[0] = "pondra test input " + f.lname;
    for (std::size_t v = 0; v < f.vars.size(); ++v) {
        d.VNAME3D[v] = f.vars[v].name;
        d.UNITS3D[v] = f.vars[v].units;
        d.VDESC3D[v] = f.vars[v].desc;
        d.VTYPE3D[v] = f.vars[v].vtype;
    }
    if (!OPEN3(f.lname, FSCREA3, "PONDTEST")) return false;
    const int per_layer = f.ftype == CUSTOM3 ? f.ncols : f.ncols * f.nrows;
    const int rows = f.ftype == CUSTOM3 ? 1 : f.nrows;
    int jdate = f.sdate, jtime = f.stime;
    for (int s = 0; s < f.nsteps; ++s) {
        for (int v = 0; v < static_cast<int>(f.vars.size()); ++v) {
            if (s == 0 && v == f.unwritten_var) continue;
            std::vector<float> fbuf;
            std::vector<double> dbuf;
            for (int l = 0; l < f.nlays; ++l)
                for (int r = 0; r < rows; ++r)
                    for (int c = 0; c < per_layer / rows; ++c) {
                        const double x = f.value(v, s, c, r);
                        fbuf.push_back(static_cast<float>(x));
                        dbuf.push_back(x);
                    }
            const bool dble = f.vars[static_cast<std::size_t>(v)].vtype == QVDBLE;
            const void* buf = dble ? static_cast<const void*>(dbuf.data()) : static_cast<const void*>(fbuf.data());
            if (!WRITE3(f.lname, f.vars[static_cast<std::size_t>(v)].name, jdate, jtime, buf)) return false;
        }
        NEXTIME(jdate, jtime, f.tstep);
    }
    return CLOSE3(f.lname);
}

// ---- Reading the output files back ------------------------------------------------

struct NcFile {
    explicit NcFile(const std::filesystem::path& p) { status = nc_open(p.c_str(), NC_NOWRITE, &id); }
    ~NcFile() {
        if (status == NC_NOERR) nc_close(id);
    }
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;

    int varid(const std::string& name) const {
        int v = -1;
        nc_inq_varid(id, name.c_str(), &v);
        return v;
    }
    std::vector<float> floats(const std::string& name) const {
        const int v = varid(name);
        int ndims = 0;
        nc_inq_varndims(id, v, &ndims);
        std::vector<int> dims(static_cast<std::size_t>(ndims));
        nc_inq_vardimid(id, v, dims.data());
        std::size_t n = 1;
        for (int d : dims) {
            std::size_t len = 0;
            nc_inq_dimlen(id, d, &len);
            n *= len;
        }
        std::vector<float> out(n);
        nc_get_var_float(id, v, out.data());
        return out;
    }
    // The time flags (date, time per variable) of the first record.
    std::vector<int> first_flags() const {
        const int v = varid("TFLAG");
        int dims[3] = {0, 0, 0};
        nc_inq_vardimid(id, v, dims);
        std::size_t nvar = 0;
        nc_inq_dimlen(id, dims[1], &nvar);
        const std::size_t start[3] = {0, 0, 0}, count[3] = {1, nvar, 2};
        std::vector<int> out(nvar * 2, -1);
        nc_get_vara_int(id, v, start, count, out.data());
        return out;
    }
    std::string text_att(const std::string& var, const std::string& att) const {
        const int v = var.empty() ? NC_GLOBAL : varid(var);
        std::size_t len = 0;
        if (nc_inq_attlen(id, v, att.c_str(), &len) != NC_NOERR) return "<missing>";
        std::string s(len, '\0');
        nc_get_att_text(id, v, att.c_str(), s.data());
        return s;
    }
    int int_att(const std::string& att) const {
        int x = -1;
        nc_get_att_int(id, NC_GLOBAL, att.c_str(), &x);
        return x;
    }
    double double_att(const std::string& att) const {
        double x = -1;
        nc_get_att_double(id, NC_GLOBAL, att.c_str(), &x);
        return x;
    }

    int id = -1;
    int status = -1;
};

}  // namespace pondra::testing
