// Files of every type written through the layer itself: the seeds of the
// file-opening targets and the member files of the list target.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "orvex/orvex.hpp"

namespace orvex_fuzz {

struct SeedSpec {
    std::string lname;  // logical name, bound to path in the environment
    std::string path;   // path, with "BIN:" in front for a native binary file
    int ftype = orvex::GRDDED3;
    int ncols = 3, nrows = 2, nlays = 1, nthik = 1;
    int sdate = 2005001, stime = 0, tstep = 10000, nsteps = 2;
    double xorig = -90000.0, yorig = -60000.0, cell = 12000.0;
    std::vector<std::pair<std::string, int>> vars = {{"O3", orvex::QVREAL}, {"NO2", orvex::QVREAL}};
};

// Values of one variable in one record, by file type.
inline long long seed_elements(const SeedSpec& s) {
    using namespace orvex;
    const long long c = s.ncols, r = s.nrows, l = s.nlays, t = s.nthik;
    switch (s.ftype) {
        case CUSTOM3: return c * l;
        case BNDARY3: return 2 * std::llabs(t) * (c + r + 2 * t) * l;
        case IDDATA3: return r * l;
        case GRNEST3: return c * r;
        case SMATRX3: return c;
        default: return c * r * l;
    }
}

// Words of the index part at the front of a record's buffer.
inline long long seed_index_words(const SeedSpec& s) {
    using namespace orvex;
    const long long c = s.ncols, r = s.nrows;
    switch (s.ftype) {
        case IDDATA3: return 1 + r;
        case PROFIL3: return 1 + 5 * r;
        case GRNEST3: return 1 + 12 * r;
        case SMATRX3: return r + c;
        default: return 0;
    }
}

// Fills FDESC3 (and FDATT3) from the seed description.
inline void describe_seed(const SeedSpec& s) {
    using namespace orvex;
    Fdesc3& d = FDESC3;
    d = Fdesc3{};
    d.FTYPE3D = s.ftype;
    d.SDATE3D = s.sdate;
    d.STIME3D = s.stime;
    d.TSTEP3D = s.tstep;
    d.NCOLS3D = s.ncols;
    d.NROWS3D = s.nrows;
    d.NLAYS3D = s.nlays;
    d.NTHIK3D = s.nthik;
    d.NVARS3D = static_cast<int>(s.vars.size());
    d.GDTYP3D = 2;
    d.P_ALP3D = 33.0;
    d.P_BET3D = 45.0;
    d.P_GAM3D = -97.0;
    d.XCENT3D = -97.0;
    d.YCENT3D = 40.0;
    d.XORIG3D = s.xorig;
    d.YORIG3D = s.yorig;
    d.XCELL3D = s.cell;
    d.YCELL3D = s.cell;
    d.VGTYP3D = 2;
    d.VGTOP3D = 10000.0f;
    for (int k = 0; k <= s.nlays && k <= MXLAYS3; ++k)
        d.VGLVS3D[static_cast<std::size_t>(k)] = 1.0f - 0.05f * static_cast<float>(k);
    d.GDNAM3D = "FUZZGRID";
    d.FDESC3D[0] = "orvex fuzz seed " + s.lname;
    for (std::size_t v = 0; v < s.vars.size(); ++v) {
        d.VNAME3D[v] = s.vars[v].first;
        d.UNITS3D[v] = "ppbV";
        d.VDESC3D[v] = "seed variable " + s.vars[v].first;
        d.VTYPE3D[v] = s.vars[v].second;
        FDATT3.NATTS3D[v] = s.ftype == GRDATT3 ? 2 : 0;
        FDATT3.ATTNAM3D[v][0] = "scale";
        FDATT3.ATTNAM3D[v][1] = "offset";
        FDATT3.ATTVAL3D[v][0] = 1.5f;
        FDATT3.ATTVAL3D[v][1] = -2.0f;
    }
}

// Creates the file through OPEN3 and writes its steps: by variable where the
// type allows it, else whole records. Event files get their header only; a
// dictionary gets one entry. Leaves the file closed.
inline bool write_seed(const SeedSpec& s) {
    using namespace orvex;
    ::setenv(s.lname.c_str(), s.path.c_str(), 1);
    describe_seed(s);
    if (!OPEN3(s.lname, FSCREA3, "FUZZSEED")) return false;
    if (s.ftype == DCTNRY3) {
        FDESC3.FTYPE3D = GRDDED3;
        const bool ok = WRITE3(s.lname, "ENTRY1", 0, 0, nullptr);
        return CLOSE3(s.lname) && ok;
    }
    const bool by_variable = s.ftype == CUSTOM3 || s.ftype == GRDDED3 || s.ftype == BNDARY3;
    const long long n = seed_elements(s);
    int jdate = s.sdate, jtime = s.stime;
    for (int step = 0; step < s.nsteps && s.ftype != KFEVNT3; ++step) {
        std::vector<int> record(static_cast<std::size_t>(seed_index_words(s)), 1);
        for (std::size_t v = 0; v < s.vars.size(); ++v) {
            std::vector<int> words;
            for (long long i = 0; i < n; ++i) {
                const float x = static_cast<float>(100 * step + 10 * static_cast<long long>(v) + i);
                if (s.vars[v].second == QVDBLE) {
                    const double y = x;
                    int w[2];
                    std::memcpy(w, &y, sizeof w);
                    words.insert(words.end(), w, w + 2);
                } else if (s.vars[v].second == QVREAL) {
                    int w = 0;
                    std::memcpy(&w, &x, sizeof w);
                    words.push_back(w);
                } else {
                    words.push_back(static_cast<int>(x));
                }
            }
            if (by_variable) {
                if (!WRITE3(s.lname, s.vars[v].first, jdate, jtime, words.data())) return false;
            } else {
                record.insert(record.end(), words.begin(), words.end());
            }
        }
        if (!by_variable && !WRITE3(s.lname, ALLVAR3, jdate, jtime, record.data())) return false;
        NEXTIME(jdate, jtime, std::abs(s.tstep));
    }
    return CLOSE3(s.lname);
}

// The base files of the file-opening targets: one small file of every type
// and of every time-axis kind.
inline std::vector<SeedSpec> seed_specs() {
    using namespace orvex;
    std::vector<SeedSpec> out;
    const auto add = [&out](const std::string& name, auto edit) {
        SeedSpec s;
        s.lname = name;
        edit(s);
        out.push_back(s);
    };
    add("gridded", [](SeedSpec&) {});
    add("layered", [](SeedSpec& s) {
        s.nlays = 3;
        s.vars = {{"TEMP", QVREAL}, {"COUNT", QVINT}, {"PRES", QVDBLE}};
    });
    add("timeless", [](SeedSpec& s) {
        s.tstep = 0;
        s.nsteps = 1;
    });
    add("twostep", [](SeedSpec& s) {
        s.tstep = -10000;
        s.nsteps = 3;
    });
    add("novars", [](SeedSpec& s) { s.vars.clear(); });
    add("custom", [](SeedSpec& s) { s.ftype = CUSTOM3; });
    add("boundary", [](SeedSpec& s) { s.ftype = BNDARY3; });
    add("inner", [](SeedSpec& s) {
        s.ftype = BNDARY3;
        s.nthik = -1;
        s.ncols = 5;
        s.nrows = 4;
    });
    add("iddata", [](SeedSpec& s) { s.ftype = IDDATA3; });
    add("profile", [](SeedSpec& s) { s.ftype = PROFIL3; });
    add("nest", [](SeedSpec& s) { s.ftype = GRNEST3; });
    add("matrix", [](SeedSpec& s) { s.ftype = SMATRX3; });
    add("attrs", [](SeedSpec& s) { s.ftype = GRDATT3; });
    add("flight", [](SeedSpec& s) {
        s.ftype = PTRFLY3;
        s.vars = {{"AIR_LAT", QVREAL}, {"AIR_LON", QVREAL}, {"AIR_ELV", QVREAL}};
    });
    add("event", [](SeedSpec& s) { s.ftype = KFEVNT3; });
    add("dictionary", [](SeedSpec& s) { s.ftype = DCTNRY3; });
    return out;
}

// Whether the native binary form keeps files of this type.
inline bool binary_type(int ftype) {
    using namespace orvex;
    return ftype == CUSTOM3 || ftype == GRDDED3 || ftype == BNDARY3 || ftype == IDDATA3 || ftype == PROFIL3 ||
           ftype == SMATRX3;
}

// Writes the base files into dir, in netCDF form or (for the types it keeps)
// in native binary form, and returns their paths; the layer is shut down
// afterwards. A base that cannot be written is a fault of the set-up.
inline std::vector<std::string> write_bases(const std::string& dir, bool binary) {
    std::vector<std::string> paths;
    for (SeedSpec s : seed_specs()) {
        if (binary && !binary_type(s.ftype)) continue;
        const std::string path = dir + "/base-" + s.lname + (binary ? ".bin" : ".nc");
        std::remove(path.c_str());
        s.path = (binary ? "BIN:" : "") + path;
        s.lname = (binary ? "BASEB_" : "BASE_") + s.lname;
        if (!write_seed(s)) {
            std::fprintf(stderr, "orvex fuzz: cannot write base file %s\n", path.c_str());
            std::abort();
        }
        paths.push_back(path);
    }
    orvex::SHUT3();
    return paths;
}

}  // namespace orvex_fuzz
