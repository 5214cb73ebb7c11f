// The CF description of a file: grid mappings per grid type, cell longitudes
// and latitudes, the axes and the time axis.
#include "cf/cf.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "orvex/parms3.hpp"

namespace {

using orvex::Fdesc3;
namespace cf = orvex::cf;

Fdesc3 grid(int gdtyp, double alp, double bet, double gam, double xcent, double ycent) {
    Fdesc3 d;
    d.GDTYP3D = gdtyp;
    d.P_ALP3D = alp;
    d.P_BET3D = bet;
    d.P_GAM3D = gam;
    d.XCENT3D = xcent;
    d.YCENT3D = ycent;
    d.NCOLS3D = 3;
    d.NROWS3D = 2;
    d.NLAYS3D = 2;
    d.XORIG3D = -150000;
    d.YORIG3D = -100000;
    d.XCELL3D = d.YCELL3D = 100000;
    d.SDATE3D = 2020001;
    d.TSTEP3D = 10000;
    return d;
}

// The attribute of a mapping by name; a failed expectation when it is missing.
const cf::Attribute* find(const std::vector<cf::Attribute>& atts, const std::string& name) {
    for (const cf::Attribute& a : atts)
        if (a.name == name) return &a;
    return nullptr;
}
std::string text(const std::vector<cf::Attribute>& atts, const std::string& name) {
    const cf::Attribute* a = find(atts, name);
    return a != nullptr && std::holds_alternative<std::string>(a->value) ? std::get<std::string>(a->value) : "<none>";
}
double num(const std::vector<cf::Attribute>& atts, const std::string& name) {
    const cf::Attribute* a = find(atts, name);
    return a != nullptr && std::holds_alternative<double>(a->value) ? std::get<double>(a->value) : NAN;
}

TEST(CfMapping, AttributesOfEveryMappedGridType) {
    struct Case {
        Fdesc3 d;
        const char* name;
        std::vector<std::pair<const char*, double>> numbers;
        std::vector<double> parallels;  // standard_parallel as a list, when it is one
    };
    const Case cases[] = {
        {grid(1, 0, 0, 0, 0, 0), "latitude_longitude", {{"earth_radius", 6370000}}, {}},
        {grid(2, 33, 45, -97, -97, 40), "lambert_conformal_conic",
         {{"longitude_of_central_meridian", -97}, {"latitude_of_projection_origin", 40}, {"earth_radius", 6370000}},
         {33, 45}},
        {grid(6, -1, -60, 10, 10, -90), "polar_stereographic",
         {{"straight_vertical_longitude_from_pole", 10}, {"latitude_of_projection_origin", -90}, {"standard_parallel", -60}},
         {}},
        {grid(7, 20, 0, 100, 100, 0), "mercator", {{"standard_parallel", 20}, {"longitude_of_projection_origin", 100}}, {}},
        {grid(9, 29.5, 45.5, -96, -96, 23), "albers_conical_equal_area",
         {{"longitude_of_central_meridian", -96}, {"latitude_of_projection_origin", 23}}, {29.5, 45.5}},
        {grid(10, 52, 0, 10, 10, 52), "lambert_azimuthal_equal_area",
         {{"latitude_of_projection_origin", 52}, {"longitude_of_projection_origin", 10}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<cf::GridMapping> m = cf::grid_mapping(c.d);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->variable, "crs");
        ASSERT_FALSE(m->attributes.empty());
        EXPECT_EQ(m->attributes.front().name, "grid_mapping_name");
        EXPECT_EQ(text(m->attributes, "grid_mapping_name"), c.name);
        for (const auto& [name, value] : c.numbers) EXPECT_EQ(num(m->attributes, name), value) << name;
        if (!c.parallels.empty()) {
            const cf::Attribute* sp = find(m->attributes, "standard_parallel");
            ASSERT_NE(sp, nullptr);
            EXPECT_EQ(std::get<std::vector<double>>(sp->value), c.parallels);
        }
        // Each of these grids has its origin at the projection's own.
        EXPECT_EQ(find(m->attributes, "false_easting"), nullptr);
        EXPECT_EQ(find(m->attributes, "false_northing"), nullptr);
    }
}

// x = y = 0 lies at XCENT, YCENT for every mapped type, also where that point
// is not the projection's own origin (then false easting and northing move it).
TEST(CfMapping, OriginOfTheProjectedCoordinatesIsTheGridCentre) {
    const Fdesc3 grids[] = {grid(2, 30, 60, -90, -80, 45), grid(6, 1, 60, -98, -110, 70), grid(7, 10, 0, 20, 35, 15),
                            grid(9, 20, 50, -96, -90, 30), grid(10, 45, 0, 10, 15, 50)};
    for (Fdesc3 d : grids) {
        SCOPED_TRACE(d.GDTYP3D);
        d.NCOLS3D = d.NROWS3D = 1;
        d.XORIG3D = d.YORIG3D = -500;
        d.XCELL3D = d.YCELL3D = 1000;  // one cell centred on x = y = 0
        std::vector<double> lon, lat;
        std::string error;
        ASSERT_TRUE(cf::lonlat(d, lon, lat, error)) << error;
        ASSERT_EQ(lon.size(), 1u);
        EXPECT_NEAR(lon[0], d.XCENT3D, 1e-9);
        EXPECT_NEAR(lat[0], d.YCENT3D, 1e-9);
        const std::optional<cf::GridMapping> m = cf::grid_mapping(d);
        ASSERT_TRUE(m);
        const bool moved = d.GDTYP3D == 10 ? d.XCENT3D != d.P_GAM3D : true;
        EXPECT_EQ(find(m->attributes, "false_easting") != nullptr, moved);
    }
}

TEST(CfMapping, CellsOfAConformalGridFollowItsCentralMeridian) {
    Fdesc3 d = grid(2, 33, 45, -97, -97, 40);
    std::vector<double> lon, lat;
    std::string error;
    ASSERT_TRUE(cf::lonlat(d, lon, lat, error)) << error;
    ASSERT_EQ(lon.size(), 6u);  // 2 rows of 3
    // The middle column lies on x = 0, the central meridian; rows go north.
    EXPECT_NEAR(lon[1], -97.0, 1e-9);
    EXPECT_NEAR(lon[4], -97.0, 1e-9);
    EXPECT_LT(lat[1], 40.0);
    EXPECT_GT(lat[4], 40.0);
    EXPECT_NEAR(lat[1] - 40.0, 40.0 - lat[4], 0.01);  // 50 km either side
    EXPECT_LT(lon[0], -97.0);
    EXPECT_GT(lon[2], -97.0);
}

TEST(CfMapping, LongitudeLatitudeGridIsItsOwnCoordinates) {
    Fdesc3 d = grid(1, 0, 0, 0, 0, 0);
    d.XORIG3D = -100;
    d.YORIG3D = 30;
    d.XCELL3D = d.YCELL3D = 0.5;
    std::vector<double> lon, lat;
    std::string error;
    ASSERT_TRUE(cf::lonlat(d, lon, lat, error)) << error;
    EXPECT_EQ(lon, (std::vector<double>{-99.75, -99.25, -98.75, -99.75, -99.25, -98.75}));
    EXPECT_EQ(lat, (std::vector<double>{30.25, 30.25, 30.25, 30.75, 30.75, 30.75}));
    const cf::Axes a = cf::axes(d);
    EXPECT_EQ(text(a.x_attributes, "standard_name"), "longitude");
    EXPECT_EQ(text(a.y_attributes, "units"), "degrees_north");
}

TEST(CfMapping, TypesWithoutAMappingHaveOnlyTheirAxes) {
    for (const int gdtyp : {3, 4, 5, 8, orvex::IMISS3}) {
        SCOPED_TRACE(gdtyp);
        const Fdesc3 d = grid(gdtyp, 17, 0, 0, 0, 0);
        EXPECT_FALSE(cf::grid_mapping(d));
        EXPECT_FALSE(cf::proj_definition(d));
        std::vector<double> lon{1}, lat{1};
        std::string error;
        EXPECT_FALSE(cf::lonlat(d, lon, lat, error));
        EXPECT_TRUE(lon.empty() && lat.empty());
        EXPECT_NE(error.find("grid type " + std::to_string(gdtyp)), std::string::npos) << error;
        const cf::Axes a = cf::axes(d);
        EXPECT_EQ(a.x, (std::vector<double>{-100000, 0, 100000}));
        EXPECT_EQ(find(a.x_attributes, "units"), nullptr);
        EXPECT_EQ(find(a.x_attributes, "standard_name"), nullptr);
    }
}

TEST(CfAxes, CellCentresAndLayerMidPoints) {
    Fdesc3 d = grid(2, 33, 45, -97, -97, 40);
    d.NLAYS3D = 3;
    d.VGTYP3D = 2;
    d.VGLVS3D[0] = 1.0f;
    d.VGLVS3D[1] = 0.5f;
    d.VGLVS3D[2] = 0.25f;
    d.VGLVS3D[3] = 0.0f;
    const cf::Axes a = cf::axes(d);
    EXPECT_EQ(a.x, (std::vector<double>{-100000, 0, 100000}));
    EXPECT_EQ(a.y, (std::vector<double>{-50000, 50000}));
    EXPECT_EQ(text(a.x_attributes, "standard_name"), "projection_x_coordinate");
    EXPECT_EQ(text(a.y_attributes, "units"), "m");
    EXPECT_EQ(a.layer, (std::vector<double>{0.75, 0.375, 0.125}));
    EXPECT_EQ(a.layer_bounds, (std::vector<double>{1.0, 0.5, 0.5, 0.25, 0.25, 0.0}));
    EXPECT_EQ(text(a.layer_attributes, "long_name"), "layer mid-points of vertical coordinate type 2");
    EXPECT_EQ(text(a.layer_attributes, "bounds"), cf::LAYER_BOUNDS);

    // Layers beyond the record's surfaces take their numbers.
    d.NLAYS3D = orvex::MXLAYS3 + 2;
    const cf::Axes many = cf::axes(d);
    ASSERT_EQ(many.layer.size(), static_cast<std::size_t>(orvex::MXLAYS3 + 2));
    EXPECT_EQ(many.layer[orvex::MXLAYS3 + 1], orvex::MXLAYS3 + 2.0);
}

TEST(CfTime, UnitsAndRecordTimesOnTheLayerCalendar) {
    struct Case {
        int sdate, stime;
        const char* units;
    } const cases[] = {
        {2020001, 0, "seconds since 2020-01-01 00:00:00"},
        {2020060, 123456, "seconds since 2020-02-29 12:34:56"},
        {2019060, 0, "seconds since 2019-03-01 00:00:00"},
        {2020366, 235959, "seconds since 2020-12-31 23:59:59"},
        {2020366, 240000, "seconds since 2021-01-01 00:00:00"},  // normalised
        {0, 0, "seconds since 0000-01-01 00:00:00"},             // a time-independent file's date
    };
    for (const Case& c : cases) {
        Fdesc3 d;
        d.SDATE3D = c.sdate;
        d.STIME3D = c.stime;
        EXPECT_EQ(cf::time_units(d), c.units);
    }

    Fdesc3 d;
    d.SDATE3D = 2020366;
    d.STIME3D = 120000;
    d.TSTEP3D = 10000;
    int date = 0, time = 0;
    for (int r = 0; r < 36; ++r) {
        cf::record_time(d, r, date, time);
        EXPECT_EQ(cf::seconds_since_start(d, date, time), 3600.0 * r);
    }
    EXPECT_EQ(date, 2021001);
    EXPECT_EQ(time, 230000);
    d.TSTEP3D = 0;
    cf::record_time(d, 0, date, time);
    EXPECT_EQ(date, 2020366);
    EXPECT_EQ(time, 120000);
}

}  // namespace
