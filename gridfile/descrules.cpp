#include "gridfile/descrules.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "gridfile/filetypes.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"
#include "support/format.hpp"

namespace orvex::detail {

namespace {

bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// What is checked for each horizontal grid type 1..10.
struct GridCheck {
    bool origin_degrees;  // grid origin as longitude and latitude
    bool centre;          // projection centre as longitude and latitude
    enum Alpha { A_ANY, A_LAT, A_ZONE, A_UNIT } alpha;
    enum Beta { B_ANY, B_ABOVE_ALPHA, B_LON, B_LAT } beta;
    bool gamma;  // gamma as a longitude
};

constexpr std::array<GridCheck, 10> GRID_CHECKS{{
    {true, false, GridCheck::A_ANY, GridCheck::B_ANY, false},         // 1
    {false, true, GridCheck::A_LAT, GridCheck::B_ABOVE_ALPHA, true},  // 2
    {false, true, GridCheck::A_LAT, GridCheck::B_LON, true},          // 3
    {false, true, GridCheck::A_LAT, GridCheck::B_LON, false},         // 4
    {false, false, GridCheck::A_ZONE, GridCheck::B_ANY, false},       // 5
    {false, true, GridCheck::A_UNIT, GridCheck::B_LAT, true},         // 6
    {false, true, GridCheck::A_LAT, GridCheck::B_ANY, true},          // 7
    {false, true, GridCheck::A_ANY, GridCheck::B_ANY, true},          // 8
    {false, true, GridCheck::A_LAT, GridCheck::B_ABOVE_ALPHA, true},  // 9
    {false, true, GridCheck::A_LAT, GridCheck::B_ANY, true},          // 10
}};

}  // namespace

std::string DescRules::in_file() const { return "in file " + quoted(file_); }

std::string DescRules::with_value(std::string_view text, long long value) const {
    return std::string(text) + fmt_I(value, 10) + "  " + in_file();
}

std::string DescRules::with_real(std::string_view text, double value) const {
    return std::string(text) + fmt_E(value, 24, 17) + "  " + in_file();
}

void DescRules::duplicates(std::string_view label) const {
    const int n = std::min(f_.nvars, MXVARS3);
    const std::string head = "Variable name " + std::string(label) + "(";
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j) {
            if (f_.name(i) != f_.name(j)) continue;
            const std::string name = quoted(trim_right(f_.name(i)));
            QVMSG2(head + fmt_I(i + 1, 5) + "  ) = " + name + " duplicates " + std::string(label) + "(" +
                   fmt_I(j + 1, 5) + "  ) = " + name + " " + in_file());
        }
}

bool DescRules::count_rules(const FileType& t) {
    for (const CountRule& c : t.checks.counts) {
        const long long value = extent_length(c.count, f_.ncols, f_.nrows, f_.nthik);
        if (!rule(value >= 1, with_value(c.msg, value))) return false;
    }
    return true;
}

TypeVerdict DescRules::type_rules() {
    const FileType* t = file_type(f_.ftype);
    if (t == nullptr) return TypeVerdict::ILLEGAL;
    if (!t->checks.checked) return TypeVerdict::NO_CHECKS;
    if (!count_rules(*t)) return TypeVerdict::NO_CHECKS;
    if (t->checks.boundary_width) {
        const int least = std::min(f_.ncols, f_.nrows);
        const int limit = file_check_ ? least / 2 : least + 1;
        if (!rule(std::abs(static_cast<long long>(f_.nthik)) <= limit, with_value("Bad boundary width NTHIK", f_.nthik)))
            return TypeVerdict::NO_CHECKS;
    }
    const int n = std::min(f_.nvars, MXVARS3);
    for (const std::string_view required : t->checks.required) {
        bool found = false;
        for (int v = 0; v < n && !found; ++v) found = same_padded(f_.name(v), required);
        if (!rule(found, "Variable " + std::string(required) + " not found in " + std::string(t->name) +
                             "-type file " + quoted(file_)))
            return TypeVerdict::NO_CHECKS;
    }
    return TypeVerdict::CHECK;
}

bool DescRules::variables() {
    const int n = std::min(f_.nvars, MXVARS3);
    for (int v = 0; v < n; ++v) {
        const std::string name = quoted(trim_right(f_.name(v)));
        const int type = f_.vtype(v);
        if (!rule(CKNAME(f_.name(v)), "Illegal variable name " + name + " in file " + file_)) return false;
        if (!rule(type == QVINT || type == QVREAL || type == QVDBLE,
                  "Illegal data type " + fmt_I(type, 10) + " for variable " + name + " " + in_file()))
            return false;
        if (f_.units && !rule(!trim_right(f_.units(v)).empty(), "No UNITS specifier for variable " + name + " " + in_file()))
            return false;
    }
    return true;
}

bool DescRules::horizontal() {
    if (f_.gdtyp < 1 || f_.gdtyp > static_cast<int>(GRID_CHECKS.size())) {
        if (file_check_ && f_.gdtyp == IMISS3) {
            QVMSG2("WARNING:  Horizontal grid/coordinate type:" + fmt_I(f_.gdtyp, 10) + " \"MISSING\"  " + in_file());
            return true;
        }
        return rule(false, with_value("Illegal horizontal grid/coordinate type:", f_.gdtyp));
    }
    const GridCheck& g = GRID_CHECKS[static_cast<std::size_t>(f_.gdtyp - 1)];
    const auto pair_msg = [this](std::string_view text, double x, double y) {
        return std::string(text) + fmt_E(x, 24, 17) + fmt_E(y, 24, 17) + "  " + in_file();
    };
    if (g.origin_degrees &&
        !rule(within(f_.xorig, -180, 180) && within(f_.yorig, -90, 90), pair_msg("Bad grid origin", f_.xorig, f_.yorig)))
        return false;
    if (g.centre &&
        !rule(within(f_.xcent, -180, 180) && within(f_.ycent, -90, 90), pair_msg("Bad X-Y origin", f_.xcent, f_.ycent)))
        return false;
    bool alpha_ok = true;
    switch (g.alpha) {
        case GridCheck::A_ANY: break;
        case GridCheck::A_LAT: alpha_ok = within(f_.p_alp, -90, 90); break;
        case GridCheck::A_ZONE:
            alpha_ok = within(f_.p_alp, 0.9, 36.1) && std::fabs(f_.p_alp - std::round(f_.p_alp)) <= 0.01;
            break;
        case GridCheck::A_UNIT:
            alpha_ok = std::fabs(f_.p_alp - 1.0) <= 1.0E-5 || std::fabs(f_.p_alp + 1.0) <= 1.0E-5;
            break;
    }
    if (!rule(alpha_ok, with_real("Bad PROJ-ALPHA", f_.p_alp))) return false;
    bool beta_ok = true;
    switch (g.beta) {
        case GridCheck::B_ANY: break;
        case GridCheck::B_ABOVE_ALPHA: beta_ok = f_.p_alp <= f_.p_bet && f_.p_bet <= 90; break;
        case GridCheck::B_LON: beta_ok = within(f_.p_bet, -180, 180); break;
        case GridCheck::B_LAT: beta_ok = within(f_.p_bet, -90, 90); break;
    }
    if (!rule(beta_ok, with_real("Bad PROJ-BETA", f_.p_bet))) return false;
    return rule(!g.gamma || within(f_.p_gam, -180, 180), with_real("Bad PROJ-GAMMA", f_.p_gam));
}

// Surfaces 1..n+1 (n = min(NLAYS, 100)) run in the direction of the first
// pair; only surfaces that are there are compared.
bool DescRules::monotonic(int nlays, std::span<const float> s) {
    if (s.size() < 2) return true;
    const bool down = s[1] <= s[0];
    const int n = std::min(nlays, MXLAYS3);
    for (int k = 2; k <= n && static_cast<std::size_t>(k) < s.size(); ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (!rule((s[i] <= s[i - 1]) == down, with_value("Bad layer monotonicity at layer", k))) return false;
    }
    return true;
}

bool DescRules::vertical(int vgtyp, std::span<const float> surfaces) {
    const FileType* t = file_type(f_.ftype);
    if ((t == nullptr || t->checks.layers) &&
        !rule(f_.nlays >= 1, with_value("Illegal vertical layer dimension:", f_.nlays)))
        return false;
    if (f_.nlays <= 1) return true;
    if (vgtyp == IMISS3) {
        QVMSG2("WARNING:  Vertical grid/coordinate type:" + fmt_I(vgtyp, 10) + " \"MISSING\" " + in_file());
    } else if (vgtyp < 1 || vgtyp > 8) {
        return rule(false, with_value("Unknown vertical grid/coordinate type:", vgtyp));
    }
    return monotonic(f_.nlays, surfaces);
}

}  // namespace orvex::detail
