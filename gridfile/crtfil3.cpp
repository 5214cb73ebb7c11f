// CRTFIL3: creates the file of a table slot from FDESC3, with the whole header.
#include <netcdf.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "gridfile/dictionary.hpp"
#include "gridfile/filetypes.hpp"
#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

namespace {

// Creation mode, fixed by ORVEX_OFFSET_64 on the first creation of the run.
// ORVEX_NETCDF4 and ORVEX_DEFLATE are read only when they are set, so that a
// run without them logs what it always did; netCDF-4 (classic model) wins
// over the 64-bit offsets, which the netCDF library refuses with it.
void read_create_mode() {
    int& create_mode = LAYER_STATE.create_mode;
    if (create_mode >= 0) return;
    int status = 0;
    const bool offset64 = ENVYN("ORVEX_OFFSET_64", "Use NF_64BIT_OFFSET or not", false, status);
    if (status > 0) QVMSG2("Bad environment vble \"ORVEX_OFFSET_64\"");
    LAYER_STATE.offset64 = offset64;
    bool netcdf4 = false;
    if (std::getenv("ORVEX_NETCDF4") != nullptr) {
        netcdf4 = ENVYN("ORVEX_NETCDF4", "Create netCDF-4 classic-model files or not", false, status);
        if (status > 0) QVMSG2("Bad environment vble \"ORVEX_NETCDF4\"");
    }
    constexpr int DEFAULT_LEVEL = 4;
    LAYER_STATE.deflate_level = DEFAULT_LEVEL;
    if (std::getenv("ORVEX_DEFLATE") != nullptr) {
        const int level = ENVINT("ORVEX_DEFLATE", "Deflate level 0-9 of netCDF-4 files", DEFAULT_LEVEL, status);
        if (level >= 0 && level <= 9)
            LAYER_STATE.deflate_level = level;
        else
            QVWARN("envintc", 0, 0,
                   "Value for ORVEX_DEFLATE not in 0 to 9: '" + std::to_string(level) + "', returning default  " +
                       std::to_string(DEFAULT_LEVEL));
    }
    create_mode = NC_NOCLOBBER | NC_SHARE;
    if (netcdf4)
        create_mode |= NC_NETCDF4 | NC_CLASSIC_MODEL;
    else if (offset64)
        create_mode |= NC_64BIT_OFFSET;
}

// Chunks of one layer of one record of a data variable of this shape (dims
// and their lengths): one along "TSTEP" and along "LAY" when other extents
// follow, the whole length of every other dimension.
std::vector<std::size_t> layer_chunks(const FileType& t, const Fdesc3& d) {
    std::vector<std::size_t> chunks{1};
    const auto length = [](long long n) { return static_cast<std::size_t>(std::max(n, 1LL)); };
    if (t.data.layered) chunks.push_back(t.data.extents.begin() == t.data.extents.end() ? length(d.NLAYS3D) : 1);
    for (const Extent e : t.data.extents) chunks.push_back(length(extent_length(e, d.NCOLS3D, d.NROWS3D, d.NTHIK3D)));
    return chunks;
}

// Dimension ids by name, for the shapes of the file-type table.
class DimIds {
public:
    void add(std::string_view name, int id) { ids_.push_back({name, id}); }
    std::vector<int> shape(std::initializer_list<std::string_view> names) const {
        std::vector<int> out;
        for (const std::string_view n : names) add_id(n, out);
        return out;
    }
    // "TSTEP" when per record, "LAY" when layered, then the type's own
    // dimensions of the extents.
    std::vector<int> shape(const FileType& t, bool per_record, bool layered, const Extents& extents) const {
        std::vector<int> out;
        if (per_record) add_id("TSTEP", out);
        if (layered) add_id("LAY", out);
        for (const Extent e : extents) add_id(dim_name(t, e), out);
        return out;
    }

private:
    void add_id(std::string_view name, std::vector<int>& out) const {
        for (const auto& [n, id] : ids_)
            if (n == name) out.push_back(id);
    }
    struct Entry {
        std::string_view name;
        int id;
    };
    std::vector<Entry> ids_;
};

int clamp_int(long long v) { return v < INT_MIN || v > INT_MAX ? IMISS3 : static_cast<int>(v); }

std::string attr_msg(std::string_view name) { return "Error creating netCDF file attribute " + std::string(name); }

// The creation steps of a netCDF file. Unless they all succeed, the dataset is
// abandoned, so that no handle outlives the slot and no half-made header stays.
class Creator {
public:
    Creator(int fid, std::string_view pgname)
        : fid_(fid), s_(slot(fid)), d_(FDESC3), pgname_(pgname), nc_(s_.cdfid, s_.flist, fid),
          made_(nc_, s_.cdfid, DatasetGuard::Undo::abandon) {}

    bool run();

private:
    bool put_int(const char* name, int value, int* store = nullptr) {
        if (store != nullptr) *store = value;
        return nc_.put_int(NC_GLOBAL, name, value, attr_msg(name)) == NC_NOERR;
    }
    bool put_double(const char* name, double value, double& store) {
        store = value;
        return nc_.put_double(NC_GLOBAL, name, value, attr_msg(name)) == NC_NOERR;
    }
    bool put_text(const char* name, std::string_view text) {
        return nc_.put_text(NC_GLOBAL, name, text, attr_msg(name)) == NC_NOERR;
    }
    bool opening_attributes();
    bool description_attributes();
    bool base_dimensions_and_flags();
    bool type_layout(const FileType& t);
    bool data_variables(const FileType& t);
    bool extra_attributes();
    bool finish(const FileType& t);
    bool steps();

    int fid_;
    FileSlot& s_;
    const Fdesc3& d_;
    std::string_view pgname_;
    NcFile nc_;
    DatasetGuard made_;
    DimIds dims_;
};

// Global attributes 1 to 7.
bool Creator::opening_attributes() {
    return put_text("ORVEX_VERSION", VERSION_TEXT) && put_text("EXEC_ID", LAYER_STATE.execid.view()) &&
           put_int("FTYPE", d_.FTYPE3D, &s_.ftype) && put_int("CDATE", LAYER_STATE.curdate) &&
           put_int("CTIME", LAYER_STATE.curtime) && put_int("WDATE", LAYER_STATE.curdate) && put_int("WTIME", LAYER_STATE.curtime);
}

// Global attributes 8 to 33, each value kept in the slot as it is written.
bool Creator::description_attributes() {
    int sdate = d_.SDATE3D;
    int stime = d_.STIME3D;
    // A time-independent file keeps its conventional date: normalising 0:0
    // would turn it into a date of the year before year 0.
    if (d_.TSTEP3D != 0) NEXTIME(sdate, stime, 0);
    const int nlvls = std::clamp(d_.NLAYS3D, -1, MXLAYS3 - 1) + 1;  // min(NLAYS+1, 100), at least 0
    std::string varlist;
    for (int v = 0; v < d_.NVARS3D; ++v) varlist += d_.VNAME3D[static_cast<std::size_t>(v)].view();
    std::string filedesc;
    for (const auto& line : d_.FDESC3D) filedesc += line.view();
    s_.mxrec = 0;

    bool ok = put_int("SDATE", sdate, &s_.sdate) && put_int("STIME", stime, &s_.stime) &&
              put_int("TSTEP", d_.TSTEP3D, &s_.tstep) && put_int("NTHIK", d_.NTHIK3D, &s_.nthik) &&
              put_int("NCOLS", d_.NCOLS3D, &s_.ncols) && put_int("NROWS", d_.NROWS3D, &s_.nrows) &&
              put_int("NLAYS", d_.NLAYS3D, &s_.nlays) && put_int("NVARS", d_.NVARS3D, &s_.nvars) &&
              put_int("GDTYP", d_.GDTYP3D, &s_.gdtyp) && put_double("P_ALP", d_.P_ALP3D, s_.p_alp) &&
              put_double("P_BET", d_.P_BET3D, s_.p_bet) && put_double("P_GAM", d_.P_GAM3D, s_.p_gam) &&
              put_double("XCENT", d_.XCENT3D, s_.xcent) && put_double("YCENT", d_.YCENT3D, s_.ycent) &&
              put_double("XORIG", d_.XORIG3D, s_.xorig) && put_double("YORIG", d_.YORIG3D, s_.yorig) &&
              put_double("XCELL", d_.XCELL3D, s_.xcell) && put_double("YCELL", d_.YCELL3D, s_.ycell) &&
              put_int("VGTYP", d_.VGTYP3D, &s_.vgtyp);
    if (!ok) return false;
    s_.vgtop = d_.VGTOP3D;
    if (nc_.put_floats(NC_GLOBAL, "VGTOP", {&d_.VGTOP3D, 1}, attr_msg("VGTOP")) != NC_NOERR) return false;
    std::copy_n(d_.VGLVS3D.begin(), nlvls, s_.vglvs.begin());
    if (nc_.put_floats(NC_GLOBAL, "VGLVLS", {d_.VGLVS3D.data(), static_cast<std::size_t>(nlvls)},
                       attr_msg("VGLVLS")) != NC_NOERR)
        return false;
    s_.gdnam = d_.GDNAM3D;
    return put_text("GDNAM", d_.GDNAM3D.view()) && put_text("UPNAM", Text<NAMLEN3>(pgname_).view()) &&
           (d_.NVARS3D <= 0 || put_text("VAR-LIST", varlist)) && put_text("FILEDESC", filedesc) &&
           put_text("HISTORY", {LAYER_STATE.scenario.data(), LAYER_STATE.scenario.size()});
}

// "TSTEP", "DATE-TIME", "LAY", "VAR" and the time-flag variable.
bool Creator::base_dimensions_and_flags() {
    const bool events = d_.FTYPE3D == KFEVNT3;
    const std::size_t tsteps = (events || d_.TSTEP3D > 0) ? NC_UNLIMITED : (d_.TSTEP3D == 0 ? 1 : 2);
    const struct {
        const char* name;
        long long len;
    } base[] = {{"TSTEP", static_cast<long long>(tsteps)},
                {"DATE-TIME", events ? 5 : 2},
                {"LAY", d_.NLAYS3D},
                {"VAR", std::max(d_.NVARS3D, 1)}};
    for (const auto& [name, len] : base) {
        int id = 0;
        if (nc_.def_dim(name, static_cast<std::size_t>(len), id,
                        "Error creating netCDF dimension " + std::string(name)) != NC_NOERR)
            return false;
        dims_.add(name, id);
    }
    const std::vector<int> ids = events ? dims_.shape({"TSTEP", "DATE-TIME"}) : dims_.shape({"TSTEP", "VAR", "DATE-TIME"});
    if (nc_.def_var("TFLAG", NC_INT, ids, s_.tindx, "Error creating netCDF variable TFLAG") != NC_NOERR) return false;
    const std::string_view units = events ? "<YYYYDDD,HHMMSS,C,R,H*MMSS>" : "<YYYYDDD,HHMMSS>";
    const std::string_view desc = events ? "Event-valid flags:  start YYYYDDD,HHMMSS; COL,ROW; duration H*MMSS>"
                                         : "Timestep-valid flags:  (1) YYYYDDD or (2) HHMMSS";
    return nc_.put_text(s_.tindx, "units", units.substr(0, NAMLEN3), "Error creating FLAG attribute \"units\"") ==
               NC_NOERR &&
           nc_.put_text(s_.tindx, "long_name", Text<NAMLEN3>("TFLAG").view(),
                        "Error creating FLAG attribute \"long_name\" ") == NC_NOERR &&
           nc_.put_text(s_.tindx, "var_desc", Text<MXDLEN3>(desc).view(),
                        "Error creating FLAG attribute VAR_DESC ") == NC_NOERR;
}

// The type's own dimensions and auxiliary variables, and the layer size.
bool Creator::type_layout(const FileType& t) {
    for (const Dim& dim : t.dims) {
        const std::string name(dim.name);
        const long long len = extent_length(dim.length, d_.NCOLS3D, d_.NROWS3D, d_.NTHIK3D);
        int id = 0;
        if (nc_.def_dim(name.c_str(), static_cast<std::size_t>(len), id, "Error creating netCDF dimension " + name) !=
            NC_NOERR)
            return false;
        dims_.add(dim.name, id);
    }
    for (std::size_t i = 0; i < t.aux.size(); ++i) {
        const AuxVar& aux = t.aux[i];
        const std::string name(aux.name);
        const std::string msg = name == "KFEVENT" ? "Error creating netcdf variable KFEVENT"
                                                  : "Error creating netCDF variable " + name;
        if (nc_.def_var(name.c_str(), aux.type, dims_.shape(t, aux.per_record, false, aux.shape), s_.nindx[i], msg) !=
            NC_NOERR)
            return false;
    }
    s_.laysz = clamp_int(layer_size(t, false, d_.NCOLS3D, d_.NROWS3D, d_.NTHIK3D));
    return true;
}

// One netCDF variable per data variable, with its three attributes.
bool Creator::data_variables(const FileType& t) {
    const std::vector<int> shape = dims_.shape(t, true, t.data.layered, t.data.extents);
    s_.vars.assign(static_cast<std::size_t>(std::max(d_.NVARS3D, 0)), VarSlot{});
    for (int v = 0; v < d_.NVARS3D; ++v) {
        const auto i = static_cast<std::size_t>(v);
        const Text<NAMLEN3>& vname = d_.VNAME3D[i];
        const int vtype = d_.VTYPE3D[i];
        if (vtype != QVINT && vtype != QVREAL && vtype != QVDBLE) {
            warn_block("CRTFIL3", {"Error creating netCDF variable " + vname.str() + "for file " + lname(fid_),
                                   "Illegal data type" + fmt_I(vtype, 9)});
            return false;
        }
        VarSlot& var = s_.vars[i];
        var.name = vname;
        var.units = d_.UNITS3D[i];
        var.vtype = vtype;
        const std::string name(vname.trimmed());
        if (nc_.def_var(name.c_str(), vtype, shape, var.vid, "Error creating netCDF variable " + name) != NC_NOERR ||
            nc_.put_text(var.vid, "long_name", vname.view(),
                         "Error creating  attribute LONG_NAME for variable " + name) != NC_NOERR ||
            nc_.put_text(var.vid, "units", d_.UNITS3D[i].view(),
                         "Error creating  attribute UNITS for variable " + name) != NC_NOERR ||
            nc_.put_text(var.vid, "var_desc", d_.VDESC3D[i].view(),
                         "Error creating  attribute VAR_DESC for variable " + name) != NC_NOERR)
            return false;
        // netCDF-4 storage for the serial library's datasets (another kind's library writes its own format).
        if ((LAYER_STATE.create_mode & NC_NETCDF4) != 0 && s_.calls == nullptr &&
            nc_.def_var_storage(var.vid, layer_chunks(t, d_), LAYER_STATE.deflate_level,
                                "Error setting netCDF-4 chunks and deflation for variable " + name) != NC_NOERR)
            return false;
    }
    return true;
}

// GRDATT3: "natts" and the named numeric attributes of every variable.
bool Creator::extra_attributes() {
    for (int v = 0; v < d_.NVARS3D; ++v) {
        const auto i = static_cast<std::size_t>(v);
        const VarSlot& var = s_.vars[i];
        const std::string name(var.name.trimmed());
        const int natts = FDATT3.NATTS3D[i];
        const std::string natts_msg = "Error creating  attribute \"natts\" for variable " + name;
        // More than MXATTS3 names and values do not exist in the record.
        if (natts < 0 || natts > MXATTS3) {
            QVABORT(s_.flist, fid_, NC_EINVAL, natts_msg);
            return false;
        }
        if (nc_.put_int(var.vid, "natts", natts, natts_msg) != NC_NOERR) return false;
        for (int a = 0; a < natts; ++a) {
            const auto j = static_cast<std::size_t>(a);
            const std::string att(FDATT3.ATTNAM3D[i][j].trimmed());
            if (nc_.put_floats(var.vid, att.c_str(), {&FDATT3.ATTVAL3D[i][j], 1},
                               "Error creating  attribute " + att + " for variable " + name) != NC_NOERR)
                return false;
        }
    }
    return true;
}

// Data mode, the event counts, and the volatile synchronisation.
bool Creator::finish(const FileType& t) {
    if (nc_.enddef("Error putting netCDF file into data mode.") != NC_NOERR) return false;
    if (t.code == KFEVNT3) {
        constexpr int SLAB = 8192;
        const std::vector<int> zeros(static_cast<std::size_t>(std::clamp(d_.NCOLS3D, 0, SLAB)), 0);
        for (int r = 0; r < d_.NROWS3D; ++r)
            for (int c = 0; c < d_.NCOLS3D; c += SLAB) {
                const std::array<std::size_t, 2> start{static_cast<std::size_t>(r), static_cast<std::size_t>(c)};
                const std::array<std::size_t, 2> count{1, static_cast<std::size_t>(std::min(SLAB, d_.NCOLS3D - c))};
                if (nc_.put_ints(s_.nindx[0], start, count, zeros.data(), "Error initializing KFCOUNT") != NC_NOERR)
                    return false;
            }
    }
    return !s_.volat || nc_.sync("Error with disk synchronization") == NC_NOERR;
}

bool Creator::steps() {
    if (!opening_attributes()) return false;
    // The dictionary's creator abandons the dataset itself when it fails.
    if (d_.FTYPE3D == DCTNRY3) return CRDICT3(fid_);
    if (!description_attributes() || !base_dimensions_and_flags()) return false;
    const FileType* t = laid_out_type(d_.FTYPE3D);
    if (t == nullptr) {
        warn_block("CRTFIL3", {"File creation error for file " + lname(fid_), "ILLEGAL FILE TYPE." + fmt_I(d_.FTYPE3D, 9)});
        return false;
    }
    if (!type_layout(*t) || !data_variables(*t)) return false;
    if (d_.FTYPE3D == GRDATT3 && !extra_attributes()) return false;
    return finish(*t);
}

bool Creator::run() {
    if (!steps()) return false;
    made_.commit();
    return true;
}

}  // namespace

bool detail::CRTFIL3(std::string_view path, int fid, std::string_view pgname) {
    read_create_mode();
    if (FDESC3.NVARS3D > MXVARS3) {
        QVABORT(slot(fid).flist, fid, NC_EMAXVARS, "Max NVARS for this build exceeded");
        return false;
    }
    // A negative count has no layout; it would size the variable table below zero.
    if (FDESC3.NVARS3D < 0) {
        QVABORT(slot(fid).flist, fid, NC_EINVAL, "Illegal negative number of variables");
        return false;
    }
    return kind_of(fid).create(path, fid, pgname);
}

namespace detail {

bool create_netcdf(std::string_view path, int fid, std::string_view pgname) {
    FileSlot& s = slot(fid);
    const std::string p(trim_right(path));
    int ncid = -1;
    const int status = create_dataset(p, LAYER_STATE.create_mode, ncid);
    if (status != NC_NOERR) {
        QVABORT(s.flist, fid, status, "Error creating netCDF file");
        QVMSG2(p);
        return false;
    }
    s.cdfid = ncid;
    return write_header(fid, pgname);
}

bool write_header(int fid, std::string_view pgname) { return Creator(fid, pgname).run(); }

}  // namespace detail
}  // namespace orvex
