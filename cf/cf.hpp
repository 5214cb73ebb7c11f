// The CF description of a file of the layer: its coordinates, its vertical and
// time axes and its grid mapping, written once for every program that shows a
// file to CF-aware tools (the orvex-cf tool, the Python package's to_xarray()).
//
// Everything here is computed from a file description (orvex::Fdesc3, as DESC3
// fills it); nothing reads or writes a file.
//
// Conventions:
//   - x and y are the cell centres, x[i] = XORIG + (i + 0.5) * XCELL for the
//     0-based column i (and the same for rows): metres on the projected grid
//     types, degrees on the longitude-latitude type (1).
//   - The earth is a sphere of radius EARTH_RADIUS. XCENT and YCENT are the
//     longitude and latitude of the point where x = y = 0; where that point is
//     not the projection's own origin the mapping carries false_easting and
//     false_northing.
//   - Grid types with a CF mapping: 1 latitude_longitude, 2
//     lambert_conformal_conic, 6 polar_stereographic, 7 mercator, 9
//     albers_conical_equal_area, 10 lambert_azimuthal_equal_area. Other types
//     have x and y only: grid_mapping() gives nullopt (the caller warns) and
//     lonlat() fails with a message.
//   - The layer axis holds the mid-points of the layer surfaces VGLVS3D, the
//     bounds the surfaces themselves; a layer without both surfaces in the
//     record (beyond the 101st) takes its 1-based number.
//   - Times are seconds since the file's start, SDATE3D:STIME3D, on the
//     layer's own calendar (the proleptic Gregorian one of NEXTIME/SECSDIFF).
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "orvex/fdesc3.hpp"

namespace orvex::cf {

// Radius of the spherical earth of every projected grid type, in metres.
inline constexpr double EARTH_RADIUS = 6370000.0;

// The names a CF copy of a file uses for its axes and mapping.
inline constexpr const char* TIME = "time";
inline constexpr const char* LAYER = "layer";
inline constexpr const char* LAYER_BOUNDS = "layer_bnds";  // named by the layer axis' "bounds"
inline constexpr const char* Y = "y";
inline constexpr const char* X = "x";
inline constexpr const char* LON = "lon";
inline constexpr const char* LAT = "lat";

// A netCDF-style attribute: text, one number, or a list of numbers.
struct Attribute {
    std::string name;
    std::variant<std::string, double, std::vector<double>> value;
};

// The grid-mapping variable of a file: its name and its attributes,
// "grid_mapping_name" first.
struct GridMapping {
    std::string variable = "crs";
    std::vector<Attribute> attributes;
};

// The coordinate axes of a gridded file.
struct Axes {
    std::vector<double> x, y;                          // NCOLS3D and NROWS3D cell centres
    std::vector<Attribute> x_attributes, y_attributes; // units, standard_name, long_name, axis
    std::vector<double> layer;                         // NLAYS3D mid-points
    std::vector<double> layer_bounds;                  // NLAYS3D x 2, row-major: lower, upper surface
    std::vector<Attribute> layer_attributes;           // long_name (naming the vertical type), axis, bounds
};

// The x, y and layer axes of a file description.
Axes axes(const orvex::Fdesc3& d);

// The CF grid mapping of the description's grid type; nullopt for a type
// without one.
std::optional<GridMapping> grid_mapping(const orvex::Fdesc3& d);

// Longitude and latitude in degrees of every cell centre, NROWS3D x NCOLS3D
// row-major (lon[r * NCOLS3D + c]), through PROJ. False with error set (and
// lon, lat emptied) for a type without a mapping or a cell PROJ cannot invert.
bool lonlat(const orvex::Fdesc3& d, std::vector<double>& lon, std::vector<double>& lat, std::string& error);

// The PROJ definition of the description's projection ("+proj=... +R=...
// +x_0=... +y_0=..."): the one lonlat() inverts; nullopt as grid_mapping().
std::optional<std::string> proj_definition(const orvex::Fdesc3& d);

// Units of the time axis: "seconds since YYYY-MM-DD HH:MM:SS" of the file's
// normalised start.
std::string time_units(const orvex::Fdesc3& d);

// Seconds from the file's start to the time flag date:time (YYYYDDD, HHMMSS).
double seconds_since_start(const orvex::Fdesc3& d, int date, int time);

// Date and time (YYYYDDD, HHMMSS) of the 0-based record of the file: the
// start plus record time steps (the start itself for a time-independent file).
void record_time(const orvex::Fdesc3& d, int record, int& date, int& time);

// "YYYY-MM-DD HH:MM:SS" of date:time after normalising it (a step of 0).
std::string iso_datetime(int date, int time);

}  // namespace orvex::cf
