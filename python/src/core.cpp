// orvex._core: the compiled part of the Python package, a thin layer over the
// library's own operations (OPEN3, DESC3, READ3, WRITE3, CLOSE3, the time
// routines). Everything a Python user sees (names, exceptions, numpy shapes) is
// made in the package's Python code; this module only moves records and
// buffers, and makes sure no buffer handed to the layer is shorter than the
// record the layer will move.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cf/cf.hpp"
#include "gridfile/filetypes.hpp"
#include "orvex/orvex.hpp"

namespace py = pybind11;

namespace {

using namespace orvex;

// ---- Texts ---------------------------------------------------------------------

// A field without trailing blanks or zero bytes, as a Python str (bytes taken as
// Latin-1, so that no header text can fail to decode).
py::str text(std::string_view field) {
    std::size_t n = field.size();
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    PyObject* s = PyUnicode_DecodeLatin1(field.data(), static_cast<Py_ssize_t>(n), nullptr);
    if (s == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(s);
}

// Lines of a description field block, trailing empty lines dropped.
py::list lines(const std::array<Text<MXDLEN3>, MXDESC3>& block) {
    std::vector<py::str> out;
    std::size_t used = 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
        out.push_back(text(block[i].view()));
        if (py::len(out.back()) > 0) used = i + 1;
    }
    py::list result;
    for (std::size_t i = 0; i < used; ++i) result.append(out[i]);
    return result;
}

// ---- Record shapes -------------------------------------------------------------

// What the package keeps of each open file: enough to size every buffer.
struct Geometry {
    int ftype = 0, ncols = 0, nrows = 0, nlays = 0, nthik = 0;
    std::map<std::string, int> types;  // variable name -> VTYPE3D
};

std::map<std::string, Geometry> opened;  // by logical name

// Values in one layer of one variable, from the layer's own table of file
// types; -1 for a type whose records the package does not read or write (those
// with an index part, dictionaries, events).
long long per_layer(const Geometry& g) {
    const detail::FileType* t = detail::record_type(g.ftype);
    if (t == nullptr || !detail::index_part(*t).empty()) return -1;
    return detail::layer_size(*t, true, g.ncols, g.nrows, g.nthik);
}

std::size_t type_size(int vtype) { return vtype == QVDBLE ? 8 : 4; }

char type_kind(int vtype) { return vtype == QVINT ? 'i' : 'f'; }

// Checks that buffer a is a whole, C-ordered record of variable vname of the
// open file lname (one layer, or all layers for ALLAYS3); throws ValueError
// otherwise, so that the layer never writes past or reads beyond the buffer.
void check_buffer(const std::string& lname, const std::string& vname, int layer, const py::array& a) {
    const auto f = opened.find(lname);
    if (f == opened.end()) throw py::value_error("file " + lname + " is not open");
    const Geometry& g = f->second;
    const auto v = g.types.find(vname);
    if (v == g.types.end()) throw py::value_error("no variable " + vname + " in file " + lname);
    const long long n = per_layer(g);
    if (n < 0) throw py::value_error("records of file type " + std::to_string(g.ftype) + " are not supported");
    const long long expected = layer == ALLAYS3 ? n * g.nlays : n;
    if (!(a.flags() & py::array::c_style)) throw py::value_error("buffer is not C-contiguous");
    if (a.dtype().kind() != type_kind(v->second) || static_cast<std::size_t>(a.itemsize()) != type_size(v->second))
        throw py::value_error("buffer type does not match variable " + vname);
    if (a.size() != expected)
        throw py::value_error("buffer holds " + std::to_string(a.size()) + " values; the record has " +
                              std::to_string(expected));
}

// ---- Descriptions --------------------------------------------------------------

template <class T>
T item(const py::dict& d, const char* key, T deflt) {
    return d.contains(key) ? d[key].cast<T>() : deflt;
}

// Fills FDESC3 from a dict of the package's Description fields (already
// checked in Python: widths, counts, types).
void fill_fdesc3(const py::dict& d) {
    FDESC3 = Fdesc3{};
    Fdesc3& f = FDESC3;
    f.FTYPE3D = item(d, "ftype", GRDDED3);
    f.SDATE3D = item(d, "sdate", 0);
    f.STIME3D = item(d, "stime", 0);
    f.TSTEP3D = item(d, "tstep", 0);
    f.MXREC3D = item(d, "mxrec", 0);
    f.NCOLS3D = item(d, "ncols", 0);
    f.NROWS3D = item(d, "nrows", 0);
    f.NLAYS3D = item(d, "nlays", 1);
    f.NTHIK3D = item(d, "nthik", 0);
    f.GDTYP3D = item(d, "gdtyp", 0);
    f.P_ALP3D = item(d, "p_alp", 0.0);
    f.P_BET3D = item(d, "p_bet", 0.0);
    f.P_GAM3D = item(d, "p_gam", 0.0);
    f.XCENT3D = item(d, "xcent", 0.0);
    f.YCENT3D = item(d, "ycent", 0.0);
    f.XORIG3D = item(d, "xorig", 0.0);
    f.YORIG3D = item(d, "yorig", 0.0);
    f.XCELL3D = item(d, "xcell", 0.0);
    f.YCELL3D = item(d, "ycell", 0.0);
    f.VGTYP3D = item(d, "vgtyp", IMISS3);
    f.VGTOP3D = item(d, "vgtop", 0.0f);
    const auto levels = item(d, "vglvs", std::vector<float>{});
    if (levels.size() > f.VGLVS3D.size()) throw py::value_error("more than 101 layer surfaces");
    std::copy(levels.begin(), levels.end(), f.VGLVS3D.begin());
    f.GDNAM3D = item(d, "gdnam", std::string{});
    f.UPNAM3D = item(d, "upnam", std::string{});
    f.EXECN3D = item(d, "execn", std::string{});
    const auto put_lines = [&d](const char* key, std::array<Text<MXDLEN3>, MXDESC3>& block) {
        const auto v = item(d, key, std::vector<std::string>{});
        if (v.size() > block.size()) throw py::value_error(std::string("more than 60 lines in ") + key);
        for (std::size_t i = 0; i < v.size(); ++i) block[i] = v[i];
    };
    put_lines("fdesc", f.FDESC3D);
    put_lines("updsc", f.UPDSC3D);
    const auto vars = item(d, "variables", std::vector<std::tuple<std::string, std::string, std::string, int>>{});
    if (vars.size() > static_cast<std::size_t>(MXVARS3)) throw py::value_error("more than 2048 variables");
    f.NVARS3D = static_cast<int>(vars.size());
    for (std::size_t v = 0; v < vars.size(); ++v) {
        f.VNAME3D[v] = std::get<0>(vars[v]);
        f.UNITS3D[v] = std::get<1>(vars[v]);
        f.VDESC3D[v] = std::get<2>(vars[v]);
        f.VTYPE3D[v] = std::get<3>(vars[v]);
    }
}

// FDESC3 as a dict of the package's Description fields.
py::dict fdesc3_dict() {
    const Fdesc3& f = FDESC3;
    py::dict d;
    d["ftype"] = f.FTYPE3D;
    d["sdate"] = f.SDATE3D;
    d["stime"] = f.STIME3D;
    d["tstep"] = f.TSTEP3D;
    d["mxrec"] = f.MXREC3D;
    d["ncols"] = f.NCOLS3D;
    d["nrows"] = f.NROWS3D;
    d["nlays"] = f.NLAYS3D;
    d["nthik"] = f.NTHIK3D;
    d["gdtyp"] = f.GDTYP3D;
    d["p_alp"] = f.P_ALP3D;
    d["p_bet"] = f.P_BET3D;
    d["p_gam"] = f.P_GAM3D;
    d["xcent"] = f.XCENT3D;
    d["ycent"] = f.YCENT3D;
    d["xorig"] = f.XORIG3D;
    d["yorig"] = f.YORIG3D;
    d["xcell"] = f.XCELL3D;
    d["ycell"] = f.YCELL3D;
    d["vgtyp"] = f.VGTYP3D;
    d["vgtop"] = f.VGTOP3D;
    const int nlevels = std::clamp(f.NLAYS3D + 1, 0, MXLAYS3 + 1);
    d["vglvs"] = std::vector<float>(f.VGLVS3D.begin(), f.VGLVS3D.begin() + nlevels);
    d["gdnam"] = text(f.GDNAM3D.view());
    d["upnam"] = text(f.UPNAM3D.view());
    d["execn"] = text(f.EXECN3D.view());
    d["fdesc"] = lines(f.FDESC3D);
    d["updsc"] = lines(f.UPDSC3D);
    py::list vars;
    for (int v = 0; v < std::clamp(f.NVARS3D, 0, MXVARS3); ++v)
        vars.append(py::make_tuple(text(f.VNAME3D[v].view()), text(f.UNITS3D[v].view()), text(f.VDESC3D[v].view()),
                                   f.VTYPE3D[v]));
    d["variables"] = vars;
    return d;
}

// DESC3 of an open file into a dict, and the file's geometry kept for the
// buffer checks. None when DESC3 fails (it has logged why).
py::object describe(const std::string& lname) {
    if (!DESC3(lname)) return py::none();
    Geometry g;
    g.ftype = FDESC3.FTYPE3D;
    g.ncols = FDESC3.NCOLS3D;
    g.nrows = FDESC3.NROWS3D;
    g.nlays = FDESC3.NLAYS3D;
    g.nthik = FDESC3.NTHIK3D;
    for (int v = 0; v < std::clamp(FDESC3.NVARS3D, 0, MXVARS3); ++v)
        g.types[std::string(FDESC3.VNAME3D[v].trimmed())] = FDESC3.VTYPE3D[v];
    opened[lname] = std::move(g);
    return fdesc3_dict();
}

// ---- Time ----------------------------------------------------------------------

using days = std::chrono::days;
using sys_days = std::chrono::sys_days;

// Seconds since 1970-01-01 00:00 of a date and time (normalised first, so a
// time of 240000 is the next midnight).
long long epoch_seconds(int jdate, int jtime) {
    NEXTIME(jdate, jtime, 0);
    const int year = jdate / 1000, doy = jdate % 1000;
    const sys_days d = sys_days(std::chrono::year(year) / std::chrono::January / 1) + days(doy - 1);
    const long long secs = jtime / 10000 * 3600LL + jtime / 100 % 100 * 60LL + jtime % 100;
    return static_cast<long long>(d.time_since_epoch().count()) * 86400LL + secs;
}

// The date and time of seconds since 1970-01-01 00:00.
std::pair<int, int> from_epoch(long long secs) {
    long long day = secs / 86400, rest = secs % 86400;
    if (rest < 0) {
        rest += 86400;
        --day;
    }
    const sys_days d{days(day)};
    const std::chrono::year_month_day ymd(d);
    const int year = static_cast<int>(ymd.year());
    if (year < -2000 || year > 2000000) throw py::value_error("date out of range of the file layer's dates");
    const sys_days jan1(ymd.year() / std::chrono::January / 1);
    const int doy = static_cast<int>((d - jan1).count()) + 1;
    const int r = static_cast<int>(rest);
    return {year * 1000 + doy, r / 3600 * 10000 + r / 60 % 60 * 100 + r % 60};
}

// Seconds since 1970 of the start of every record of an open file (the CF
// description's time axis: none for a time-independent file).
py::array_t<long long> record_times(const std::string& lname) {
    if (!DESC3(lname)) throw std::runtime_error("DESC3 failed");
    // A file of two alternating records (a negative step) counts its records
    // by the step's magnitude, as the layer numbers them.
    auto axis = std::make_unique<Fdesc3>(FDESC3);
    axis->TSTEP3D = std::abs(axis->TSTEP3D);
    const int n = axis->TSTEP3D == 0 ? 0 : std::max(axis->MXREC3D, 0);
    py::array_t<long long> out(n);
    auto w = out.mutable_unchecked<1>();
    for (int i = 0; i < n; ++i) {
        int jdate = 0, jtime = 0;
        cf::record_time(*axis, i, jdate, jtime);
        w(i) = epoch_seconds(jdate, jtime);
    }
    return out;
}

// ---- The CF description ----------------------------------------------------------

py::object value(const cf::Attribute& a) {
    return std::visit([](const auto& v) -> py::object { return py::cast(v); }, a.value);
}

py::dict attributes(const std::vector<cf::Attribute>& list) {
    py::dict d;
    for (const cf::Attribute& a : list) d[py::str(a.name)] = value(a);
    return d;
}

py::array_t<double> array(const std::vector<double>& v) { return py::array_t<double>(v.size(), v.data()); }

// The coordinates and grid mapping of an open file, from the cf/ code that the
// orvex-cf tool uses: x, y, layer (mid-points and bounds) with their
// attributes, the grid mapping (None for a grid type without one) and the cell
// longitudes and latitudes (None, with lonlat_error, where they cannot be had).
py::dict cf_description(const std::string& lname) {
    if (!DESC3(lname)) throw std::runtime_error("DESC3 failed");
    const cf::Axes axes = cf::axes(FDESC3);
    py::dict d;
    d["x"] = array(axes.x);
    d["y"] = array(axes.y);
    d["x_attributes"] = attributes(axes.x_attributes);
    d["y_attributes"] = attributes(axes.y_attributes);
    d["layer"] = array(axes.layer);
    py::array_t<double> bounds = array(axes.layer_bounds);
    d["layer_bounds"] = bounds.reshape({static_cast<py::ssize_t>(axes.layer.size()), py::ssize_t{2}});
    d["layer_attributes"] = attributes(axes.layer_attributes);
    d["time_units"] = cf::time_units(FDESC3);
    const std::optional<cf::GridMapping> mapping = cf::grid_mapping(FDESC3);
    d["grid_mapping"] = mapping ? py::object(py::make_tuple(mapping->variable, attributes(mapping->attributes)))
                                : py::object(py::none());
    std::vector<double> lon, lat;
    std::string error;
    if (mapping && cf::lonlat(FDESC3, lon, lat, error)) {
        const std::vector<py::ssize_t> shape{FDESC3.NROWS3D, FDESC3.NCOLS3D};
        d["lon"] = array(lon).reshape(shape);
        d["lat"] = array(lat).reshape(shape);
    } else {
        d["lon"] = py::none();
        d["lat"] = py::none();
    }
    d["lonlat_error"] = error;
    return d;
}

// ---- Transfers -----------------------------------------------------------------

bool read3(const std::string& lname, const std::string& vname, int layer, int jdate, int jtime, py::array out) {
    check_buffer(lname, vname, layer, out);
    if (!out.writeable()) throw py::value_error("buffer is read-only");
    return READ3(lname, vname, layer, jdate, jtime, out.mutable_data());
}

bool write3(const std::string& lname, const std::string& vname, int jdate, int jtime, const py::array& in) {
    check_buffer(lname, vname, ALLAYS3, in);
    return WRITE3(lname, vname, jdate, jtime, in.data());
}

// Has the layer itself refuse a variable the file does not hold, so that the
// refusal and its warning in the log are the layer's own. The buffer is never
// reached: READ3 and WRITE3 look the variable up before they move data, and
// "ALL" (every variable) and the files whose records the package does not move
// (dictionaries among them) are never passed.
bool refuse_unknown(bool write, const std::string& lname, const std::string& vname, int jdate, int jtime) {
    const auto f = opened.find(lname);
    if (f == opened.end()) throw py::value_error("file " + lname + " is not open");
    if (per_layer(f->second) < 0) throw py::value_error("records of this file type are not supported");
    const std::string_view name = trim_right(vname);
    if (name == ALLVAR3 || f->second.types.count(std::string(name)) != 0)
        throw py::value_error("variable " + vname + " is not an unknown name");
    return write ? WRITE3(lname, vname, jdate, jtime, nullptr) : READ3(lname, vname, 1, jdate, jtime, nullptr);
}

// Wall-clock seconds of each of n READ3 calls into one buffer, for the
// benchmark that sets the package's read against the C++ call it makes.
std::vector<double> time_read3(const std::string& lname, const std::string& vname, int layer, int jdate, int jtime,
                               py::array out, int n) {
    check_buffer(lname, vname, layer, out);
    std::vector<double> secs;
    void* buffer = out.mutable_data();
    for (int i = 0; i < n; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!READ3(lname, vname, layer, jdate, jtime, buffer)) throw std::runtime_error("READ3 failed");
        secs.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return secs;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "The compiled part of the orvex package: the file layer's operations.";
    m.attr("AMISS3") = AMISS3;
    m.attr("IMISS3") = IMISS3;
    m.attr("ALLAYS3") = ALLAYS3;
    m.attr("NAMLEN3") = NAMLEN3;
    m.attr("MXDLEN3") = MXDLEN3;
    m.attr("MXDESC3") = MXDESC3;
    m.attr("MXVARS3") = MXVARS3;
    m.attr("MXLAYS3") = MXLAYS3;
    m.attr("QVINT") = QVINT;
    m.attr("QVREAL") = QVREAL;
    m.attr("QVDBLE") = QVDBLE;
    m.attr("GRDDED3") = GRDDED3;
    m.attr("CUSTOM3") = CUSTOM3;
    m.attr("BNDARY3") = BNDARY3;
    m.attr("GRDATT3") = GRDATT3;
    m.attr("PTRFLY3") = PTRFLY3;
    m.attr("FSRDONLY3") = FSRDONLY3;
    m.attr("FSRDWR3") = FSRDWR3;
    m.attr("FSNEW3") = FSNEW3;
    m.attr("FSCREA3") = FSCREA3;

    m.def("init3", &INIT3, "Initialises the layer (log, start-up block) on first use; the log unit.");
    m.def("flush_log", [] { QVFLUSH(INITLOG3("QVMSG2")); }, "Flushes the layer's log.");
    m.def("shut3", &SHUT3, "Closes every open file.");
    m.def(
        "open3",
        [](const std::string& lname, int fstatus, const std::string& pgname, const py::object& desc) {
            if (!desc.is_none()) fill_fdesc3(desc.cast<py::dict>());
            return OPEN3(lname, fstatus, pgname);
        },
        py::arg("lname"), py::arg("fstatus"), py::arg("pgname"), py::arg("description") = py::none());
    m.def("describe", &describe, "DESC3 of an open file as a dict (None on failure).");
    m.def(
        "close3",
        [](const std::string& lname) {
            const bool ok = CLOSE3(lname);
            if (ok) opened.erase(lname);
            return ok;
        },
        "CLOSE3.");
    m.def("read3", &read3);
    m.def("write3", &write3);
    m.def("time_read3", &time_read3);
    m.def("refuse_unknown", &refuse_unknown);
    m.def("jstep3", &JSTEP3);
    m.def("epoch_seconds", &epoch_seconds);
    m.def("from_epoch", &from_epoch);
    m.def("record_times", &record_times);
    m.def("cf_description", &cf_description);
    m.def("dt2str", [](int jdate, int jtime) { return text(DT2STR(jdate, jtime)); });
}
