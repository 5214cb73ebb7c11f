// The rules that a file description must keep, shared by CKDESC3 (the caller's
// FDESC3 before creation) and CKFILE3 (a slot just read from a file).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace orvex::detail {

struct FileType;

// What the rules look at.
struct DescFacts {
    int ftype = 0, nvars = 0, ncols = 0, nrows = 0, nlays = 0, nthik = 0, gdtyp = 0;
    double p_alp = 0, p_bet = 0, p_gam = 0, xcent = 0, ycent = 0, xorig = 0, yorig = 0;
    std::function<std::string_view(int)> name;   // variable v (from 0), blank-padded
    std::function<int(int)> vtype;               // data type of variable v
    std::function<std::string_view(int)> units;  // units of variable v; unset: not checked
};

enum class TypeVerdict { CHECK, NO_CHECKS, ILLEGAL };

class DescRules {
public:
    // Reports one failed rule; answers whether checking goes on.
    using Report = std::function<bool(const std::string&)>;

    // file_check selects the rules of an opened file (CKFILE3) over those of a
    // new description (CKDESC3).
    DescRules(const DescFacts& facts, std::string_view file, bool file_check, Report report)
        : f_(facts), file_(file), file_check_(file_check), report_(std::move(report)) {}

    // Logs every pair of equal names; label "VNAME3D" or "VLIST3D". Never fails.
    void duplicates(std::string_view label) const;
    // The per-type rules. Each step below returns false when checking stops.
    TypeVerdict type_rules();
    bool variables();
    bool horizontal();
    // surfaces are the layer surfaces to test (those available, at most 101).
    bool vertical(int vgtyp, std::span<const float> surfaces);
    // Whether any rule failed.
    bool failed() const { return failed_; }

    // text + value in 10 columns + "  in file " + the quoted file name.
    std::string with_value(std::string_view text, long long value) const;
    std::string with_real(std::string_view text, double value) const;
    std::string in_file() const;

private:
    bool rule(bool ok, const std::string& msg) {
        if (ok) return true;
        failed_ = true;
        return report_(msg);
    }
    bool count_rules(const FileType& t);
    bool projection(double alp_lo, double alp_hi, int code);
    bool monotonic(int nlays, std::span<const float> s);

    const DescFacts& f_;
    std::string file_;
    bool file_check_;
    Report report_;
    bool failed_ = false;
};

}  // namespace orvex::detail
