// The CF description of a file: axes, grid mapping, cell longitudes and
// latitudes through PROJ, and the time axis on the layer's calendar.
#include "cf/cf.hpp"

#include <proj.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "orvex/parms3.hpp"
#include "transfer/nextime.hpp"

namespace orvex::cf {

namespace {

using Attributes = std::vector<Attribute>;

// Cell centres of n cells of size cell from orig.
std::vector<double> centres(int n, double orig, double cell) {
    std::vector<double> out(static_cast<std::size_t>(std::max(n, 0)));
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = orig + (static_cast<double>(i) + 0.5) * cell;
    return out;
}

// The projection of one grid type: its CF attributes (without the false
// easting and northing) and its PROJ definition with its origin at x = y = 0.
struct Projection {
    Attributes cf;
    std::string proj;  // empty for the longitude-latitude type
};

std::string number(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::optional<Projection> projection(const Fdesc3& d) {
    const std::string sphere = " +R=" + number(EARTH_RADIUS);
    const std::string lon0 = " +lon_0=" + number(d.P_GAM3D);
    switch (d.GDTYP3D) {
    case 1:
        return Projection{{{"grid_mapping_name", std::string("latitude_longitude")}, {"earth_radius", EARTH_RADIUS}},
                          ""};
    case 2:
        return Projection{{{"grid_mapping_name", std::string("lambert_conformal_conic")},
                           {"standard_parallel", std::vector<double>{d.P_ALP3D, d.P_BET3D}},
                           {"longitude_of_central_meridian", d.P_GAM3D},
                           {"latitude_of_projection_origin", d.YCENT3D},
                           {"earth_radius", EARTH_RADIUS}},
                          "+proj=lcc +lat_1=" + number(d.P_ALP3D) + " +lat_2=" + number(d.P_BET3D) +
                              " +lat_0=" + number(d.YCENT3D) + lon0 + sphere};
    case 6: {
        const double pole = d.P_ALP3D < 0 ? -90.0 : 90.0;
        return Projection{{{"grid_mapping_name", std::string("polar_stereographic")},
                           {"straight_vertical_longitude_from_pole", d.P_GAM3D},
                           {"latitude_of_projection_origin", pole},
                           {"standard_parallel", d.P_BET3D},
                           {"earth_radius", EARTH_RADIUS}},
                          "+proj=stere +lat_0=" + number(pole) + " +lat_ts=" + number(d.P_BET3D) + lon0 + sphere};
    }
    case 7:
        return Projection{{{"grid_mapping_name", std::string("mercator")},
                           {"standard_parallel", d.P_ALP3D},
                           {"longitude_of_projection_origin", d.P_GAM3D},
                           {"earth_radius", EARTH_RADIUS}},
                          "+proj=merc +lat_ts=" + number(d.P_ALP3D) + lon0 + sphere};
    case 9:
        return Projection{{{"grid_mapping_name", std::string("albers_conical_equal_area")},
                           {"standard_parallel", std::vector<double>{d.P_ALP3D, d.P_BET3D}},
                           {"longitude_of_central_meridian", d.P_GAM3D},
                           {"latitude_of_projection_origin", d.YCENT3D},
                           {"earth_radius", EARTH_RADIUS}},
                          "+proj=aea +lat_1=" + number(d.P_ALP3D) + " +lat_2=" + number(d.P_BET3D) +
                              " +lat_0=" + number(d.YCENT3D) + lon0 + sphere};
    case 10:
        return Projection{{{"grid_mapping_name", std::string("lambert_azimuthal_equal_area")},
                           {"latitude_of_projection_origin", d.P_ALP3D},
                           {"longitude_of_projection_origin", d.P_GAM3D},
                           {"earth_radius", EARTH_RADIUS}},
                          "+proj=laea +lat_0=" + number(d.P_ALP3D) + lon0 + sphere};
    default:
        return std::nullopt;
    }
}

// A PROJ context and one operation in it, released together.
class Proj {
public:
    explicit Proj(const std::string& definition) : ctx_(proj_context_create()) {
        if (ctx_ != nullptr) pj_ = proj_create(ctx_, definition.c_str());
    }
    ~Proj() {
        if (pj_ != nullptr) proj_destroy(pj_);
        if (ctx_ != nullptr) proj_context_destroy(ctx_);
    }
    Proj(const Proj&) = delete;
    Proj& operator=(const Proj&) = delete;

    bool ok() const { return pj_ != nullptr; }
    std::string error() const {
        return ctx_ == nullptr ? "no PROJ context" : proj_context_errno_string(ctx_, proj_context_errno(ctx_));
    }
    // Projected x, y of lon, lat in degrees; false when PROJ cannot.
    bool forward(double lon, double lat, double& x, double& y) const {
        const PJ_COORD c = proj_trans(pj_, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
        x = c.xy.x;
        y = c.xy.y;
        return std::isfinite(x) && std::isfinite(y) && x != HUGE_VAL && y != HUGE_VAL;
    }
    // Longitude and latitude in degrees of x, y; false when PROJ cannot.
    bool inverse(double x, double y, double& lon, double& lat) const {
        const PJ_COORD c = proj_trans(pj_, PJ_INV, proj_coord(x, y, 0, 0));
        if (!std::isfinite(c.lp.lam) || !std::isfinite(c.lp.phi) || c.lp.lam == HUGE_VAL) return false;
        lon = proj_todeg(c.lp.lam);
        lat = proj_todeg(c.lp.phi);
        return true;
    }

private:
    PJ_CONTEXT* ctx_;
    PJ* pj_ = nullptr;
};

// The false easting and northing that put x = y = 0 at XCENT, YCENT: minus
// the projected position of that point; nullopt when PROJ cannot place it.
struct Offset {
    double easting = 0, northing = 0;
};
std::optional<Offset> offset(const Fdesc3& d, const Projection& p, std::string& error) {
    Proj pj(p.proj);
    if (!pj.ok()) {
        error = "PROJ refused \"" + p.proj + "\": " + pj.error();
        return std::nullopt;
    }
    double x = 0, y = 0;
    if (!pj.forward(d.XCENT3D, d.YCENT3D, x, y)) {
        error = "PROJ cannot place the grid origin " + number(d.XCENT3D) + ", " + number(d.YCENT3D);
        return std::nullopt;
    }
    // Below a millimetre the origin is the projection's own.
    constexpr double TINY = 1.0e-3;
    return Offset{std::abs(x) < TINY ? 0.0 : -x, std::abs(y) < TINY ? 0.0 : -y};
}

// The full PROJ definition: the projection moved so that x = y = 0 at XCENT, YCENT.
std::optional<std::string> full_definition(const Fdesc3& d, const Projection& p, std::string& error) {
    const std::optional<Offset> o = offset(d, p, error);
    if (!o) return std::nullopt;
    return p.proj + " +x_0=" + number(o->easting) + " +y_0=" + number(o->northing);
}

Attributes horizontal(const Fdesc3& d, bool is_x) {
    const char* axis = is_x ? "X" : "Y";
    if (d.GDTYP3D == 1)
        return {{"units", std::string(is_x ? "degrees_east" : "degrees_north")},
                {"standard_name", std::string(is_x ? "longitude" : "latitude")},
                {"long_name", std::string(is_x ? "longitude of the cell centres" : "latitude of the cell centres")},
                {"axis", std::string(axis)}};
    const std::string long_name = std::string(is_x ? "x" : "y") + " coordinate of the cell centres";
    if (grid_mapping(d))
        return {{"units", std::string("m")},
                {"standard_name", std::string(is_x ? "projection_x_coordinate" : "projection_y_coordinate")},
                {"long_name", long_name},
                {"axis", std::string(axis)}};
    return {{"long_name", long_name + " (grid type " + std::to_string(d.GDTYP3D) + ")"}, {"axis", std::string(axis)}};
}

std::string vertical_name(int vgtyp) {
    if (vgtyp == IMISS3) return "layer mid-points (no vertical coordinate type)";
    return "layer mid-points of vertical coordinate type " + std::to_string(vgtyp);
}

}  // namespace

Axes axes(const Fdesc3& d) {
    Axes a;
    a.x = centres(d.NCOLS3D, d.XORIG3D, d.XCELL3D);
    a.y = centres(d.NROWS3D, d.YORIG3D, d.YCELL3D);
    a.x_attributes = horizontal(d, true);
    a.y_attributes = horizontal(d, false);
    const int nlays = std::max(d.NLAYS3D, 0);
    for (int k = 0; k < nlays; ++k) {
        double lower = 0, upper = 0;
        if (k + 1 < static_cast<int>(d.VGLVS3D.size())) {
            lower = d.VGLVS3D[static_cast<std::size_t>(k)];
            upper = d.VGLVS3D[static_cast<std::size_t>(k) + 1];
        } else {
            lower = k + 0.5;
            upper = k + 1.5;
        }
        a.layer.push_back(0.5 * (lower + upper));
        a.layer_bounds.push_back(lower);
        a.layer_bounds.push_back(upper);
    }
    a.layer_attributes = {{"long_name", vertical_name(d.VGTYP3D)},
                          {"axis", std::string("Z")},
                          {"bounds", std::string(LAYER_BOUNDS)}};
    return a;
}

std::optional<GridMapping> grid_mapping(const Fdesc3& d) {
    std::optional<Projection> p = projection(d);
    if (!p) return std::nullopt;
    GridMapping m;
    m.attributes = std::move(p->cf);
    if (!p->proj.empty()) {
        std::string error;
        const std::optional<Offset> o = offset(d, *p, error);
        // A grid whose origin PROJ cannot place keeps the projection's own origin.
        if (o && (o->easting != 0 || o->northing != 0)) {
            m.attributes.push_back({"false_easting", o->easting});
            m.attributes.push_back({"false_northing", o->northing});
        }
    }
    return m;
}

std::optional<std::string> proj_definition(const Fdesc3& d) {
    const std::optional<Projection> p = projection(d);
    if (!p) return std::nullopt;
    if (p->proj.empty()) return "+proj=longlat +R=" + number(EARTH_RADIUS);
    std::string error;
    return full_definition(d, *p, error);
}

bool lonlat(const Fdesc3& d, std::vector<double>& lon, std::vector<double>& lat, std::string& error) {
    lon.clear();
    lat.clear();
    const std::optional<Projection> p = projection(d);
    if (!p) {
        error = "grid type " + std::to_string(d.GDTYP3D) + " has no CF grid mapping";
        return false;
    }
    const std::vector<double> xs = centres(d.NCOLS3D, d.XORIG3D, d.XCELL3D);
    const std::vector<double> ys = centres(d.NROWS3D, d.YORIG3D, d.YCELL3D);
    const std::size_t n = xs.size() * ys.size();
    lon.reserve(n);
    lat.reserve(n);
    if (p->proj.empty()) {
        for (const double y : ys)
            for (const double x : xs) {
                lon.push_back(x);
                lat.push_back(y);
            }
        return true;
    }
    const std::optional<std::string> definition = full_definition(d, *p, error);
    if (!definition) return false;
    Proj pj(*definition);
    if (!pj.ok()) {
        error = "PROJ refused \"" + *definition + "\": " + pj.error();
        return false;
    }
    for (std::size_t r = 0; r < ys.size(); ++r)
        for (std::size_t c = 0; c < xs.size(); ++c) {
            double lo = 0, la = 0;
            if (!pj.inverse(xs[c], ys[r], lo, la)) {
                error = "PROJ cannot invert the centre of column " + std::to_string(c + 1) + ", row " +
                        std::to_string(r + 1);
                lon.clear();
                lat.clear();
                return false;
            }
            lon.push_back(lo);
            lat.push_back(la);
        }
    return true;
}

std::string iso_datetime(int date, int time) {
    std::int64_t jdate = date, jtime = time;
    // Day 0 is the conventional date of a time-independent file: its year's
    // first day, as normalising it would move it into the year before.
    if (detail::floor_mod(jdate, 1000) == 0)
        jdate += 1;
    detail::nextime64(jdate, jtime, 0);
    const std::int64_t year = detail::floor_div(jdate, 1000);
    int day = static_cast<int>(detail::floor_mod(jdate, 1000));
    int month = 1;
    static constexpr int LENGTHS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (; month < 12; ++month) {
        const int length = LENGTHS[month - 1] + (month == 2 && detail::year_length(year) == 366 ? 1 : 0);
        if (day <= length) break;
        day -= length;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d %02lld:%02lld:%02lld", static_cast<long long>(year), month, day,
                  static_cast<long long>(jtime / 10000), static_cast<long long>(jtime / 100 % 100),
                  static_cast<long long>(jtime % 100));
    return buf;
}

std::string time_units(const Fdesc3& d) { return "seconds since " + iso_datetime(d.SDATE3D, d.STIME3D); }

double seconds_since_start(const Fdesc3& d, int date, int time) {
    return static_cast<double>(detail::secsdiff64(d.SDATE3D, d.STIME3D, date, time));
}

void record_time(const Fdesc3& d, int record, int& date, int& time) {
    // A time-independent file keeps its date as it is, as the layer does.
    std::int64_t jdate = d.SDATE3D, jtime = d.STIME3D;
    if (d.TSTEP3D != 0) {
        detail::nextime64(jdate, jtime, 0);
        detail::nextime64(jdate, jtime, detail::sec2time64(record * detail::time2sec64(d.TSTEP3D)));
    }
    date = static_cast<int>(jdate);
    time = static_cast<int>(jtime);
}

}  // namespace orvex::cf
