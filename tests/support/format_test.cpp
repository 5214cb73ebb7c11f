#include <gtest/gtest.h>

#include "support/format.hpp"

using orvex::detail::fmt_E;
using orvex::detail::fmt_I;
using orvex::detail::fmt_Im;

TEST(Format, IntegerFields) {
    EXPECT_EQ(fmt_I(2048, 5), " 2048");
    EXPECT_EQ(fmt_I(-12, 5), "  -12");
    EXPECT_EQ(fmt_I(123456, 5), "*****");
    EXPECT_EQ(fmt_Im(0, 6, 6), "000000");
    EXPECT_EQ(fmt_Im(90000, 6, 6), "090000");
    EXPECT_EQ(fmt_Im(2020001, 9, 7), "  2020001");
    EXPECT_EQ(fmt_Im(10000, 10, 6), "    010000");
    EXPECT_EQ(fmt_Im(-10000, 10, 6), "   -010000");
    EXPECT_EQ(fmt_Im(1000000, 6, 6), "******");
    EXPECT_EQ(fmt_Im(-1, 6, 6), "******");
}

TEST(Format, ExponentFields) {
    EXPECT_EQ(fmt_E(33.0, 12, 5), " 3.30000E+01");
    EXPECT_EQ(fmt_E(-97.0, 24, 17).size(), 24u);
}
