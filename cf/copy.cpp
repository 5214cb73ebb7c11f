// The CF copy of a file: the input read through the layer, the output written
// through the layer's netCDF wrapper into a temporary file that replaces the
// output path only when it is complete.
#include "cf/copy.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "cf/cf.hpp"
#include "gridfile/ncwrap.hpp"
#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"

namespace orvex::cf {

namespace {

using detail::NcFile;

// The new file being written; every failure is kept as one message.
class Output {
public:
    explicit Output(int ncid) : nc_(ncid) {}
    const NcFile& nc() const { return nc_; }
    const std::string& error() const { return error_; }

    // Whether status is success; otherwise the failure is kept (the first one).
    bool ok(int status, const std::string& what) {
        if (status != NC_NOERR && error_.empty()) error_ = what + ": " + detail::error_text(status);
        return status == NC_NOERR;
    }
    int dim(const char* name, std::size_t len) {
        int id = -1;
        ok(nc_.def_dim(name, len, id, ""), std::string("defining dimension ") + name);
        return id;
    }
    int var(const std::string& name, nc_type type, std::vector<int> dims) {
        int id = -1;
        ok(nc_.def_var(name.c_str(), type, dims, id, ""), "defining variable " + name);
        return id;
    }
    void text(int varid, const char* name, const std::string& value) {
        ok(nc_.put_text(varid, name, value, ""), std::string("writing attribute ") + name);
    }
    void number(int varid, const char* name, nc_type type, double value) {
        ok(nc_.put_number(varid, name, type, value, ""), std::string("writing attribute ") + name);
    }
    void attributes(int varid, const std::vector<Attribute>& atts) {
        for (const Attribute& a : atts) {
            if (const auto* s = std::get_if<std::string>(&a.value)) text(varid, a.name.c_str(), *s);
            if (const auto* v = std::get_if<double>(&a.value)) number(varid, a.name.c_str(), NC_DOUBLE, *v);
            if (const auto* l = std::get_if<std::vector<double>>(&a.value))
                ok(nc_.put_doubles(varid, a.name.c_str(), *l, ""), "writing attribute " + a.name);
        }
    }
    void values(int varid, std::vector<std::size_t> start, std::vector<std::size_t> count, const double* v,
                const std::string& what) {
        ok(nc_.put_doubles(varid, start, count, v, ""), "writing " + what);
    }

private:
    NcFile nc_;
    std::string error_;
};

std::string trimmed(std::string_view s) {
    const std::size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

// The file's own header under its own names, as the layer writes it.
void original_attributes(Output& out, const Fdesc3& d) {
    const struct {
        const char* name;
        int value;
    } ints[] = {{"FTYPE", d.FTYPE3D}, {"CDATE", d.CDATE3D}, {"CTIME", d.CTIME3D}, {"WDATE", d.WDATE3D},
                {"WTIME", d.WTIME3D}, {"SDATE", d.SDATE3D}, {"STIME", d.STIME3D}, {"TSTEP", d.TSTEP3D},
                {"NTHIK", d.NTHIK3D}, {"NCOLS", d.NCOLS3D}, {"NROWS", d.NROWS3D}, {"NLAYS", d.NLAYS3D},
                {"NVARS", d.NVARS3D}, {"GDTYP", d.GDTYP3D}};
    const struct {
        const char* name;
        double value;
    } doubles[] = {{"P_ALP", d.P_ALP3D}, {"P_BET", d.P_BET3D}, {"P_GAM", d.P_GAM3D},
                   {"XCENT", d.XCENT3D}, {"YCENT", d.YCENT3D}, {"XORIG", d.XORIG3D},
                   {"YORIG", d.YORIG3D}, {"XCELL", d.XCELL3D}, {"YCELL", d.YCELL3D}};
    out.text(NC_GLOBAL, "EXEC_ID", std::string(d.EXECN3D.view()));
    for (const auto& [name, value] : ints) out.number(NC_GLOBAL, name, NC_INT, value);
    for (const auto& [name, value] : doubles) out.number(NC_GLOBAL, name, NC_DOUBLE, value);
    out.number(NC_GLOBAL, "VGTYP", NC_INT, d.VGTYP3D);
    out.number(NC_GLOBAL, "VGTOP", NC_FLOAT, d.VGTOP3D);
    const auto nlvls = static_cast<std::size_t>(std::clamp(d.NLAYS3D + 1, 0, MXLAYS3));
    out.ok(out.nc().put_floats(NC_GLOBAL, "VGLVLS", {d.VGLVS3D.data(), nlvls}, ""), "writing attribute VGLVLS");
    out.text(NC_GLOBAL, "GDNAM", std::string(d.GDNAM3D.view()));
    out.text(NC_GLOBAL, "UPNAM", std::string(d.UPNAM3D.view()));
    std::string varlist, filedesc, history;
    for (int v = 0; v < d.NVARS3D; ++v) varlist += d.VNAME3D[static_cast<std::size_t>(v)].view();
    for (int l = 0; l < MXDESC3; ++l) {
        filedesc += d.FDESC3D[static_cast<std::size_t>(l)].view();
        history += d.UPDSC3D[static_cast<std::size_t>(l)].view();
    }
    if (!varlist.empty()) out.text(NC_GLOBAL, "VAR-LIST", varlist);
    out.text(NC_GLOBAL, "FILEDESC", filedesc);
    out.text(NC_GLOBAL, "HISTORY", history);
}

std::string title(const Fdesc3& d, const std::string& input) {
    for (const auto& line : d.FDESC3D)
        if (!trimmed(line.view()).empty()) return trimmed(line.view());
    return "CF copy of " + input;
}

std::string now_text() {
    int date = 0, time = 0;
    GETDTTIME(date, time);
    return iso_datetime(date, time) + " UTC";
}

// The --missing value as a value of T, when T holds it exactly enough: a
// whole number in range for integers, a number within range for floats.
template <class T>
std::optional<T> as_value(std::optional<double> missing) {
    if (!missing || std::isnan(*missing)) return std::nullopt;
    const double m = *missing;
    if constexpr (std::is_integral_v<T>) {
        if (m != std::floor(m) || m < std::numeric_limits<T>::min() || m > std::numeric_limits<T>::max())
            return std::nullopt;
    } else {
        if (std::abs(m) > std::numeric_limits<T>::max()) return std::nullopt;
    }
    return static_cast<T>(m);
}

// One record of one variable as the copy stores it: real values at or below
// AMISS3, and values equal to the --missing value, become the fill value.
template <class T>
void mark_missing(std::vector<T>& values, T fill, std::optional<double> missing) {
    const std::optional<T> extra = as_value<T>(missing);
    for (T& v : values) {
        if constexpr (!std::is_integral_v<T>) {
            if (v <= static_cast<T>(AMISS3)) v = fill;
        }
        if (extra && v == *extra) v = fill;
    }
}

struct DataVar {
    std::string name;
    int vtype;
    int id;
};

class Copier {
public:
    Copier(const CopyOptions& o, std::ostream& err, const Fdesc3& d) : o_(o), err_(err), d_(d) {}
    int run();

private:
    bool define(Output& out);
    bool write_axes(Output& out);
    bool write_records(Output& out);
    template <class T>
    bool copy_record(Output& out, const DataVar& v, int record, int date, int time, T fill);

    const CopyOptions& o_;
    std::ostream& err_;
    const Fdesc3& d_;
    bool grid_ = true;
    std::size_t cells_ = 0, rows_ = 0, cols_ = 0, nlays_ = 0;
    int time_id_ = -1, layer_id_ = -1, bounds_id_ = -1, x_id_ = -1, y_id_ = -1, lon_id_ = -1, lat_id_ = -1;
    std::vector<double> lon_, lat_;
    std::vector<DataVar> vars_;
    int unread_ = 0;
};

bool Copier::define(Output& out) {
    const int time_dim = out.dim(TIME, NC_UNLIMITED);
    const int layer_dim = out.dim(LAYER, nlays_);
    const int nv_dim = out.dim("nv", 2);
    int y_dim = -1, x_dim = -1, perim_dim = -1;
    if (grid_) {
        y_dim = out.dim(Y, rows_);
        x_dim = out.dim(X, cols_);
    } else {
        perim_dim = out.dim("perim", cells_);
    }

    time_id_ = out.var(TIME, NC_DOUBLE, {time_dim});
    out.text(time_id_, "standard_name", "time");
    out.text(time_id_, "long_name", "time");
    out.text(time_id_, "units", time_units(d_));
    out.text(time_id_, "calendar", "standard");
    out.text(time_id_, "axis", "T");

    const Axes a = axes(d_);
    layer_id_ = out.var(LAYER, NC_DOUBLE, {layer_dim});
    out.attributes(layer_id_, a.layer_attributes);
    bounds_id_ = out.var(LAYER_BOUNDS, NC_DOUBLE, {layer_dim, nv_dim});

    std::optional<GridMapping> mapping;
    if (grid_) {
        y_id_ = out.var(Y, NC_DOUBLE, {y_dim});
        out.attributes(y_id_, a.y_attributes);
        x_id_ = out.var(X, NC_DOUBLE, {x_dim});
        out.attributes(x_id_, a.x_attributes);
        mapping = grid_mapping(d_);
        if (!mapping) {
            err_ << "orvex-cf: warning: grid type " << d_.GDTYP3D
                 << " has no CF grid mapping: the copy has x and y only, without crs, lon and lat\n";
        } else {
            const int crs = out.var(mapping->variable, NC_INT, {});
            out.attributes(crs, mapping->attributes);
            std::string error;
            if (lonlat(d_, lon_, lat_, error)) {
                lat_id_ = out.var(LAT, NC_DOUBLE, {y_dim, x_dim});
                out.text(lat_id_, "standard_name", "latitude");
                out.text(lat_id_, "long_name", "latitude of the cell centres");
                out.text(lat_id_, "units", "degrees_north");
                lon_id_ = out.var(LON, NC_DOUBLE, {y_dim, x_dim});
                out.text(lon_id_, "standard_name", "longitude");
                out.text(lon_id_, "long_name", "longitude of the cell centres");
                out.text(lon_id_, "units", "degrees_east");
            } else {
                err_ << "orvex-cf: warning: no lon and lat: " << error << "\n";
            }
        }
    } else {
        err_ << "orvex-cf: warning: a boundary file's cells are in the order its writer chose: the copy has "
                "them on the dimension perim, without horizontal coordinates\n";
    }

    const std::vector<int> shape =
        grid_ ? std::vector<int>{time_dim, layer_dim, y_dim, x_dim} : std::vector<int>{time_dim, layer_dim, perim_dim};
    for (int v = 0; v < d_.NVARS3D; ++v) {
        const auto i = static_cast<std::size_t>(v);
        DataVar dv{trimmed(d_.VNAME3D[i].view()), d_.VTYPE3D[i], -1};
        dv.id = out.var(dv.name, dv.vtype, shape);
        out.text(dv.id, "long_name", dv.name);
        out.text(dv.id, "units", trimmed(d_.UNITS3D[i].view()));
        out.text(dv.id, "var_desc", trimmed(d_.VDESC3D[i].view()));
        if (dv.vtype == QVINT)
            out.number(dv.id, "_FillValue", NC_INT, IMISS3);
        else
            out.number(dv.id, "_FillValue", dv.vtype, dv.vtype == QVREAL ? static_cast<double>(AMISS3) : DMISS3);
        if (mapping) out.text(dv.id, "grid_mapping", mapping->variable);
        if (lon_id_ >= 0) out.text(dv.id, "coordinates", std::string(LAT) + " " + LON);
        if (d_.FTYPE3D == GRDATT3)
            for (int k = 0; k < std::clamp(FDATT3.NATTS3D[i], 0, MXATTS3); ++k) {
                const auto j = static_cast<std::size_t>(k);
                const std::string att = trimmed(FDATT3.ATTNAM3D[i][j].view());
                out.number(dv.id, att.c_str(), NC_FLOAT, FDATT3.ATTVAL3D[i][j]);
            }
        if (o_.deflate) {
            std::vector<std::size_t> chunks{1, 1};
            if (grid_) {
                chunks.push_back(std::max<std::size_t>(rows_, 1));
                chunks.push_back(std::max<std::size_t>(cols_, 1));
            } else {
                chunks.push_back(std::max<std::size_t>(cells_, 1));
            }
            out.ok(out.nc().def_var_storage(dv.id, chunks, *o_.deflate, ""), "setting the storage of " + dv.name);
        }
        vars_.push_back(dv);
    }

    out.text(NC_GLOBAL, "Conventions", "CF-1.8");
    out.text(NC_GLOBAL, "title", title(d_, o_.input));
    out.text(NC_GLOBAL, "history", now_text() + ": " + o_.command_line);
    out.text(NC_GLOBAL, "source", "orvex-cf copy of " + o_.input);
    original_attributes(out, d_);
    return out.error().empty() && out.ok(out.nc().enddef(""), "leaving define mode");
}

bool Copier::write_axes(Output& out) {
    const Axes a = axes(d_);
    out.values(layer_id_, {0}, {nlays_}, a.layer.data(), "the layer axis");
    out.values(bounds_id_, {0, 0}, {nlays_, 2}, a.layer_bounds.data(), "the layer bounds");
    if (grid_) {
        out.values(y_id_, {0}, {rows_}, a.y.data(), "the y axis");
        out.values(x_id_, {0}, {cols_}, a.x.data(), "the x axis");
    }
    if (lon_id_ >= 0) {
        out.values(lat_id_, {0, 0}, {rows_, cols_}, lat_.data(), "lat");
        out.values(lon_id_, {0, 0}, {rows_, cols_}, lon_.data(), "lon");
    }
    return out.error().empty();
}

template <class T>
bool Copier::copy_record(Output& out, const DataVar& v, int record, int date, int time, T fill) {
    std::vector<T> values(nlays_ * cells_, fill);
    if (!READ3(CF_INPUT_NAME, v.name, ALLAYS3, date, time, values.data())) {
        // The layer has logged why; the record stays all fill values.
        ++unread_;
        std::fill(values.begin(), values.end(), fill);
    } else {
        mark_missing(values, fill, o_.missing);
    }
    const auto r = static_cast<std::size_t>(record);
    std::vector<std::size_t> start{r, 0, 0}, count{1, nlays_, rows_};
    if (grid_) {
        start.push_back(0);
        count.push_back(cols_);
    } else {
        count.back() = cells_;
    }
    return out.ok(out.nc().put_values(v.id, start, count, values.data(), ""), "writing " + v.name);
}

bool Copier::write_records(Output& out) {
    const int records = d_.TSTEP3D == 0 ? std::min(d_.MXREC3D, 1) : d_.MXREC3D;
    for (int r = 0; r < records; ++r) {
        int date = 0, time = 0;
        record_time(d_, r, date, time);
        const double seconds = seconds_since_start(d_, date, time);
        out.values(time_id_, {static_cast<std::size_t>(r)}, {1}, &seconds, "the time axis");
        for (const DataVar& v : vars_) {
            const bool ok = v.vtype == QVINT    ? copy_record<int>(out, v, r, date, time, IMISS3)
                            : v.vtype == QVDBLE ? copy_record<double>(out, v, r, date, time, DMISS3)
                                                : copy_record<float>(out, v, r, date, time, AMISS3);
            if (!ok) return false;
        }
    }
    if (unread_ > 0)
        err_ << "orvex-cf: warning: " << unread_
             << " variable record(s) could not be read (see the log) and hold fill values only\n";
    err_ << "orvex-cf: " << o_.output << ": " << records << " record(s) of " << vars_.size() << " variable(s)\n";
    return out.error().empty();
}

int Copier::run() {
    if (d_.FTYPE3D != GRDDED3 && d_.FTYPE3D != GRDATT3 && d_.FTYPE3D != BNDARY3) {
        err_ << "orvex-cf: " << o_.input << ": file type " << d_.FTYPE3D
             << " has no CF copy (gridded, grid-attribute and boundary files have)\n";
        return 1;
    }
    if (d_.TSTEP3D < 0) {
        err_ << "orvex-cf: " << o_.input << ": a file of negative time step (the last two steps only) has no CF copy\n";
        return 1;
    }
    grid_ = d_.FTYPE3D != BNDARY3;
    rows_ = static_cast<std::size_t>(std::max(d_.NROWS3D, 0));
    cols_ = static_cast<std::size_t>(std::max(d_.NCOLS3D, 0));
    nlays_ = static_cast<std::size_t>(std::max(d_.NLAYS3D, 0));
    const long long thik = std::abs(static_cast<long long>(d_.NTHIK3D));
    cells_ = grid_ ? rows_ * cols_
                   : static_cast<std::size_t>(std::max(
                         0LL, 2 * thik * (d_.NCOLS3D + static_cast<long long>(d_.NROWS3D) + 2LL * d_.NTHIK3D)));

    const std::string temp = o_.output + ".orvex-cf-" + std::to_string(::getpid());
    const int mode = NC_CLOBBER | (o_.deflate ? NC_NETCDF4 | NC_CLASSIC_MODEL : NC_64BIT_OFFSET);
    int ncid = -1;
    const int status = detail::create_dataset(temp, mode, ncid);
    if (status != NC_NOERR) {
        err_ << "orvex-cf: cannot create " << temp << ": " << detail::error_text(status) << "\n";
        return 1;
    }
    Output out(ncid);
    const bool written = define(out) && write_axes(out) && write_records(out);
    const bool closed = out.ok(out.nc().close(""), "closing the copy");
    std::error_code ec;
    if (written && closed) {
        std::filesystem::rename(temp, o_.output, ec);
        if (!ec) return 0;
        err_ << "orvex-cf: cannot move " << temp << " to " << o_.output << ": " << ec.message() << "\n";
    } else {
        err_ << "orvex-cf: " << o_.output << ": " << out.error() << "\n";
    }
    std::filesystem::remove(temp, ec);
    return 1;
}

}  // namespace

int copy(const CopyOptions& o, std::ostream& err) {
    if (!SETENVVAR(CF_INPUT_NAME, o.input)) {
        err << "orvex-cf: cannot set the logical name " << CF_INPUT_NAME << " to " << o.input << "\n";
        return 1;
    }
    if (!OPEN3(CF_INPUT_NAME, FSRDONLY3, "orvex-cf")) {
        err << "orvex-cf: cannot open " << o.input << " (the log says why)\n";
        return 1;
    }
    if (!DESC3(CF_INPUT_NAME)) {
        err << "orvex-cf: cannot describe " << o.input << " (the log says why)\n";
        return 1;
    }
    // DESC3's record is copied: the description is large, so it goes on the heap.
    const auto d = std::make_unique<Fdesc3>(FDESC3);
    const int status = Copier(o, err, *d).run();
    CLOSE3(CF_INPUT_NAME);
    return status;
}

}  // namespace orvex::cf
