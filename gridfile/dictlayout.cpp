// The dictionary layout (dimensions and the 26 description variables), the
// slab of one entry record, and the entry-name lists kept per slot.
#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

#include "gridfile/dictionary.hpp"
#include "gridfile/hyperslab.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex::detail {

const std::array<DictDimDef, DICT_NDIMS> DICT_DIMS = {{
    {"FINDX3", NC_UNLIMITED, "Error creating netCDF file dimension FINDX3."},
    {"VINDX", MXVARS3, "Error creating netCDF dimension VINDX"},
    {"ZINDX", MXLAYS3 + 1, "Error creating netCDF dimension ZINDX"},
    {"NAME-POS", NAMLEN3, "Error creating netCDF dimension NAME-POS."},
    {"DESC-POS", MXDLEN3, "Error creating netCDF dimension DESC-POS."},
    {"DLINE-NUM", MXDESC3, "Error creating netCDF dimension DLINE-NUM."},
}};

namespace {

constexpr std::array<int, 3> ONE = {DIM_FINDX3, 0, 0};
constexpr std::array<int, 3> NAME = {DIM_FINDX3, DIM_NAMEPOS, 0};

}  // namespace

const std::array<DictVarDef, DICT_NVARS> DICT_VARS = {{
    {"FNAME", NC_CHAR, 2, NAME, "name text", "File-schema name variable", "FNAME",
     [](DictRecord& r) { return r.text(r.entry()); }},
    {"FTYPE", NC_INT, 1, ONE, "-1...5", "file type variable", "FTYPE",
     [](DictRecord& r) { return r.scalar(r.desc().FTYPE3D); }},
    {"TSTEP", NC_INT, 1, ONE, "hhmmss", "time step variable", "TSTEP",
     [](DictRecord& r) { return r.scalar(r.desc().TSTEP3D); }},
    {"NVARS", NC_INT, 1, ONE, "count", "variables-count variable", "NVARS",
     [](DictRecord& r) { return r.scalar(r.desc().NVARS3D); }},
    {"NLAYS", NC_INT, 1, ONE, "count", "layers-count variable", "NLAYS",
     [](DictRecord& r) { return r.scalar(r.desc().NLAYS3D); }},
    {"NROWS", NC_INT, 1, ONE, "count", "rows-count variable", "NROWS",
     [](DictRecord& r) { return r.scalar(r.desc().NROWS3D); }},
    {"NCOLS", NC_INT, 1, ONE, "count", "columns-count variable", "NCOLS",
     [](DictRecord& r) { return r.scalar(r.desc().NCOLS3D); }},
    {"NTHIK", NC_INT, 1, ONE, "count", "bdy perimeter thickness variable", "NTHIK",
     [](DictRecord& r) { return r.scalar(r.desc().NTHIK3D); }},
    {"GDTYP", NC_INT, 1, ONE, "token", "horizontal grid type (see FDESC3.EXT)", "GDTYP",
     [](DictRecord& r) { return r.scalar(r.desc().GDTYP3D); }},
    {"VGTYP", NC_INT, 1, ONE, "token", "vertical grid type (see FDESC3.EXT)", "VGTYP",
     [](DictRecord& r) { return r.scalar(r.desc().VGTYP3D); }},
    {"VGLVS", NC_FLOAT, 2, {DIM_FINDX3, DIM_ZINDX, 0}, "vert.proj", "level surfaces", "VGLVS",
     [](DictRecord& r) { return r.list(r.desc().VGLVS3D, r.desc().NLAYS3D + 1); }},
    {"P_ALP", NC_DOUBLE, 1, ONE, "deg", "First map projection parameter angle", "P_ALP",
     [](DictRecord& r) { return r.scalar(r.desc().P_ALP3D); }},
    {"P_BET", NC_DOUBLE, 1, ONE, "deg", "Second map projection parameter angle", "P_BET",
     [](DictRecord& r) { return r.scalar(r.desc().P_BET3D); }},
    {"P_GAM", NC_DOUBLE, 1, ONE, "deg", "Third map projection parameter angle", "P_GAM",
     [](DictRecord& r) { return r.scalar(r.desc().P_GAM3D); }},
    {"XCENT", NC_DOUBLE, 1, ONE, "deg.lon", "X-coordinate map coord origin variable", "XCENT",
     [](DictRecord& r) { return r.scalar(r.desc().XCENT3D); }},
    {"YCENT", NC_DOUBLE, 1, ONE, "deg.lat", "Y-coordinate map coord origin variable", "YCENT",
     [](DictRecord& r) { return r.scalar(r.desc().YCENT3D); }},
    {"XORIG", NC_DOUBLE, 1, ONE, "position", "X-coordinate grid origin variable", "XORIG",
     [](DictRecord& r) { return r.scalar(r.desc().XORIG3D); }},
    {"YORIG", NC_DOUBLE, 1, ONE, "position", "Y-coordinate grid origin variable", "YORIG",
     [](DictRecord& r) { return r.scalar(r.desc().YORIG3D); }},
    {"XCELL", NC_DOUBLE, 1, ONE, "size", "X-coordinate cell size variable", "XCELL",
     [](DictRecord& r) { return r.scalar(r.desc().XCELL3D); }},
    {"YCELL", NC_DOUBLE, 1, ONE, "size", "Y-coordinate cell size  variable", "YCELL",
     [](DictRecord& r) { return r.scalar(r.desc().YCELL3D); }},
    {"GDNAM", NC_CHAR, 2, NAME, "name text", "grid domain name variable", "GDNAM",
     [](DictRecord& r) { return r.text(r.desc().GDNAM3D); }},
    {"FDESC", NC_CHAR, 3, {DIM_FINDX3, DIM_DLINE, DIM_DESCPOS}, "desc text", "file description variable", "FILEDESC",
     [](DictRecord& r) { return r.texts(r.desc().FDESC3D, MXDESC3); }},
    {"VNAME", NC_CHAR, 3, {DIM_FINDX3, DIM_VINDX, DIM_NAMEPOS}, "name text", "variable-names-list variable", "VNAME",
     [](DictRecord& r) { return r.texts(r.desc().VNAME3D, r.desc().NVARS3D); }},
    {"VUNIT", NC_CHAR, 3, {DIM_FINDX3, DIM_VINDX, DIM_NAMEPOS}, "name text", "variable-units-list  variable", "UNITS",
     [](DictRecord& r) { return r.texts(r.desc().UNITS3D, r.desc().NVARS3D); }},
    {"VDESC", NC_CHAR, 3, {DIM_FINDX3, DIM_VINDX, DIM_DESCPOS}, "desc text", "variable-descriptions-list  variable",
     "VDESC", [](DictRecord& r) { return r.texts(r.desc().VDESC3D, r.desc().NVARS3D); }},
    {"VTYPE", NC_INT, 2, {DIM_FINDX3, DIM_VINDX, 0}, "basic datatype",
     "QVINT, QVREAL, or QVDBLE for INTEGER, REAL, or DOUBLE PRECISION types", "VTYPE",
     [](DictRecord& r) { return r.list(r.desc().VTYPE3D, r.desc().NVARS3D); }},
}};

namespace {

// The entry names of a dictionary, kept by its slot once read.
struct KeptNames final : KindState {
    std::vector<Text<NAMLEN3>> names;
};

}  // namespace

template <class T>
int DictRecord::io(std::size_t a, std::size_t b, T* p) {
    NcSlab s;
    s.start[0] = rec0_;
    if (rank_ >= 2) s.count[1] = a;
    if (rank_ >= 3) s.count[2] = b;
    return write_ ? put_values(ncid_, varid_, s, p) : get_values(ncid_, varid_, s, p);
}

template int DictRecord::io<int>(std::size_t, std::size_t, int*);
template int DictRecord::io<float>(std::size_t, std::size_t, float*);
template int DictRecord::io<double>(std::size_t, std::size_t, double*);
template int DictRecord::io<char>(std::size_t, std::size_t, char*);

int dict_varid(const FileSlot& s, int i, int& varid) {
    const DictVarDef& def = DICT_VARS[static_cast<std::size_t>(i)];
    if (static_cast<std::size_t>(i) < s.vars.size() && s.vars[static_cast<std::size_t>(i)].name == def.name) {
        varid = s.vars[static_cast<std::size_t>(i)].vid;
        return NC_NOERR;
    }
    return NcFile(s.cdfid).inq_varid(std::string(def.name).c_str(), varid, "");
}

int dict_get_flag(const FileSlot& s, int rec, int& flag) {
    NcSlab slab;
    slab.start[0] = static_cast<std::size_t>(rec - 1);
    return get_values(s.cdfid, s.tindx, slab, &flag);
}

int dict_put_flag(const FileSlot& s, int rec, int flag) {
    NcSlab slab;
    slab.start[0] = static_cast<std::size_t>(rec - 1);
    return put_values(s.cdfid, s.tindx, slab, &flag);
}

std::string dict_ncerr(int status) { return "netCDF error number" + fmt_I(status, 5); }

void dict_names_failed(int status, std::string_view fname, std::string_view entry) {
    QVMSG2(dict_ncerr(status));
    QVMSG2("Dictionary file:  " + std::string(fname) + "; entry requested:" + std::string(entry));
    QVMSG2("Error reading the entry names (variable FNAME) of dictionary file " + std::string(fname));
}

void dictionary_forget(int fid) {
    if (fid >= 1 && fid <= MXFILE3 && slot(fid).state_as<KeptNames>() != nullptr) slot(fid).state.reset();
}

int dictionary_names(int fid, const std::vector<Text<NAMLEN3>>*& names) {
    FileSlot& s = slot(fid);
    KeptNames* kept = s.state_as<KeptNames>();
    if (kept == nullptr) {
        const std::size_t n = static_cast<std::size_t>(std::clamp(s.mxrec, 0, MXVARS3));
        std::string buf(n * NAMLEN3, ' ');
        if (n > 0) {
            NcSlab slab;
            slab.count[0] = n;
            slab.count[1] = NAMLEN3;
            int varid = 0;
            int status = dict_varid(s, 0, varid);
            if (status == NC_NOERR) status = get_values(s.cdfid, varid, slab, buf.data());
            if (status != NC_NOERR) return status;
        }
        auto list = std::make_unique<KeptNames>();
        list->names.resize(n);
        for (std::size_t i = 0; i < n; ++i) list->names[i] = std::string_view(buf).substr(i * NAMLEN3, NAMLEN3);
        kept = list.get();
        s.state = std::move(list);
    }
    names = &kept->names;
    return NC_NOERR;
}

void dictionary_add_name(int fid, const Text<NAMLEN3>& name) {
    if (KeptNames* kept = slot(fid).state_as<KeptNames>()) kept->names.push_back(name);
}

bool dictionary_opened(int fid) {
    FileSlot& s = slot(fid);
    dictionary_forget(fid);
    const NcFile nc(s.cdfid, s.flist, fid);
    int dimid = 0;
    std::size_t len = 0;
    if (nc.inq_dimid("FINDX3", dimid, "Error reading netCDF dimension FINDX3") != NC_NOERR ||
        nc.inq_dimlen(dimid, len, "Error reading number of dictionary entries") != NC_NOERR)
        return false;
    s.mxrec = static_cast<int>(std::min<std::size_t>(len, static_cast<std::size_t>(std::numeric_limits<int>::max())));
    return true;
}

}  // namespace orvex::detail
