// The free-format echo lines and their fields.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <sstream>

#include "orvex/text.hpp"
#include "tool/freeformat.hpp"

namespace pondra {
namespace {

TEST(FreeFormat, Integer) {
    EXPECT_EQ(free_int(2048), "        2048");
    EXPECT_EQ(free_int(0), "           0");
    EXPECT_EQ(free_int(-5), "          -5");
    EXPECT_EQ(free_int(240000), "      240000");
    EXPECT_EQ(free_int(INT_MIN), " -2147483648");
    EXPECT_EQ(free_int(INT_MAX), "  2147483647");
}

TEST(FreeFormat, RealFixedPoint) {
    EXPECT_EQ(free_real(3.0f), "   3.000000    ");
    EXPECT_EQ(free_real(12000.0f), "   12000.00    ");
    EXPECT_EQ(free_real(-1000000.0f), "  -1000000.    ");
    EXPECT_EQ(free_real(-800000.0f), "  -800000.0    ");
    EXPECT_EQ(free_real(9999999.0f), "   9999999.    ");
    EXPECT_EQ(free_real(0.1f), "  0.1000000    ");
    EXPECT_EQ(free_real(0.5f), "  0.5000000    ");
    EXPECT_EQ(free_real(-0.5f), " -0.5000000    ");
    EXPECT_EQ(free_real(1.0f / 3.0f), "  0.3333333    ");
    EXPECT_EQ(free_real(123.456f), "   123.4560    ");
}

TEST(FreeFormat, RealZero) {
    EXPECT_EQ(free_real(0.0f), "   0.000000    ");
    EXPECT_EQ(free_real(-0.0f), "  -0.000000    ");
}

TEST(FreeFormat, RealExponent) {
    EXPECT_EQ(free_real(1.0e7f), "   1.000000E+07");
    EXPECT_EQ(free_real(1.0f / 12.0f), "   8.333334E-02");
    EXPECT_EQ(free_real(0.099999994f), "   9.999999E-02");
    EXPECT_EQ(free_real(-1.0e-10f), "  -1.000000E-10");
    EXPECT_EQ(free_real(FLT_MAX), "   3.402823E+38");
    EXPECT_EQ(free_real(FLT_EPSILON), "   1.192093E-07");
}

TEST(FreeFormat, RealNotFinite) {
    EXPECT_EQ(free_real(std::numeric_limits<float>::quiet_NaN()), "            NaN");
    EXPECT_EQ(free_real(std::numeric_limits<float>::infinity()), "       Infinity");
    EXPECT_EQ(free_real(-std::numeric_limits<float>::infinity()), "      -Infinity");
}

TEST(FreeFormat, Double) {
    EXPECT_EQ(free_double(36000.0), "   36000.0000000000     ");
    EXPECT_EQ(free_double(1.0), "   1.00000000000000     ");
    EXPECT_EQ(free_double(0.0), "   0.00000000000000     ");
    EXPECT_EQ(free_double(-1000000.0), "  -1000000.00000000     ");
    EXPECT_EQ(free_double(0.1), "  0.100000000000000     ");
    EXPECT_EQ(free_double(999999999999999.0), "   999999999999999.     ");
    EXPECT_EQ(free_double(1.0e15), "   1.00000000000000E+015");
    EXPECT_EQ(free_double(DBL_EPSILON), "   2.22044604925031E-016");
    EXPECT_EQ(free_double(-1.0e300), "  -1.00000000000000E+300");
    EXPECT_EQ(free_double(std::numeric_limits<double>::quiet_NaN()), "                     NaN");
}

TEST(FreeFormat, FixedTenColumnsNoDecimals) {
    EXPECT_EQ(fixed_f10_0(33.0f), "       33.");
    EXPECT_EQ(fixed_f10_0(-97.0f), "      -97.");
    EXPECT_EQ(fixed_f10_0(0.0f), "        0.");
    EXPECT_EQ(fixed_f10_0(44.7f), "       45.");
    EXPECT_EQ(fixed_f10_0(-0.4f), "       -0.");
    EXPECT_EQ(fixed_f10_0(123456792.0f), "123456792.");
    EXPECT_EQ(fixed_f10_0(-123456792.0f), "**********");
    EXPECT_EQ(fixed_f10_0(1.0e10f), "**********");
}

TEST(FreeFormat, Lines) {
    EXPECT_EQ(FreeLine().text("max vars").integer(2048).str(), " max vars        2048");
    EXPECT_EQ(FreeLine().text("HERE").str(), " HERE");
    EXPECT_EQ(FreeLine().text("FILE:").text(orvex::Text<8>("AB")).str(), " FILE:AB      ");
    EXPECT_EQ(FreeLine().integer(3).integer(1).text(orvex::Text<4>("O3")).str(),
              "            3           1 O3  ");
    EXPECT_EQ(FreeLine().real(3.0f).str(), "    3.000000    ");
    EXPECT_EQ(FreeLine().dble(-1.0e300).text("X").str(), "   -1.00000000000000E+300 X");
    EXPECT_EQ(FreeLine().text("MESH FACTOR:").real(3.0f).real(12000.0f).dble(36000.0).str(),
              " MESH FACTOR:   3.000000       12000.00       36000.0000000000     ");
}

TEST(FreeFormat, WriteLineEndsTheLine) {
    std::ostringstream out;
    write_line(out, FreeLine().text("Reading model file"));
    write_line(out, FreeLine().text("Reading file at").integer(2005001).integer(0));
    write_line(out, FreeLine().integer(5).integer(-4));
    EXPECT_EQ(out.str(), " Reading model file\n Reading file at     2005001           0\n            5          -4\n");
}

}  // namespace
}  // namespace pondra
