// CHKFIL3: compares the caller's FDESC3 with the file open in a slot.
#include <netcdf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "gridfile/filetypes.hpp"
#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"

namespace orvex {

using namespace detail;

namespace {

// A mismatch block: two blank lines, the heading and the lines, then a flush.
constexpr WarningFrame MISMATCH{LogSeparator::blank, 2, 0, true};

std::string date_time(int date, int time) { return fmt_I(date, 9) + ":" + fmt_Im(time, 6, 6); }

// Relative difference beyond the threshold; missing values are not compared.
template <class T>
bool differs(T a, T b, T threshold, T missing) {
    if (!(a > missing && b > missing)) return false;
    return std::fabs(a - b) / std::sqrt(a * a + b * b + T(1.0E-5)) > threshold;
}

class Comparer {
public:
    explicit Comparer(int fid) : fid_(fid), s_(slot(fid)), d_(FDESC3), name_(lname(fid)) {}

    bool run();

private:
    // One warning block: the heading, the text and the two values.
    void block(const std::string& text, const std::string& file_value, const std::string& caller_value,
               std::string_view file_label = "Value from file:  ", std::string_view caller_label = "Value from caller:") {
        log_warning_block("CHKFIL3", MISMATCH,
                          {text, std::string(file_label) + file_value, std::string(caller_label) + caller_value});
        ok_ = false;
    }
    std::string attribute(std::string_view name) const {
        return "Inconsistent file attribute " + std::string(name) + " for file " + name_;
    }
    void integer(std::string_view name, int file_value, int caller_value) {
        if (file_value != caller_value) block(attribute(name), fmt_I(file_value, 9), fmt_I(caller_value, 9));
    }
    void real(std::string_view name, double file_value, double caller_value) {
        // The missing value marks a double field at either width (AMISS3 widened is above DMISS3).
        if (differs(file_value, caller_value, 1.0E-6, static_cast<double>(AMISS3)))
            block(attribute(name), fmt_E(file_value, 24, 17), fmt_E(caller_value, 24, 17));
    }
    void time_axis();
    void vertical();
    void variables();

    int fid_;
    const FileSlot& s_;
    const Fdesc3& d_;
    std::string name_;
    bool ok_ = true;
};

void Comparer::time_axis() {
    integer("TSTEP", s_.tstep, d_.TSTEP3D);
    if (s_.tstep != 0 && JSTEP3(d_.SDATE3D, d_.STIME3D, s_.sdate, s_.stime, s_.tstep) == -1)
        block("Inconsistent SDATE:STIME for file " + name_, date_time(s_.sdate, s_.stime),
              date_time(d_.SDATE3D, d_.STIME3D));
}

// The vertical grid as the dataset holds it; a failed read skips its comparison.
void Comparer::vertical() {
    const NcFile nc(s_.cdfid, s_.flist, fid_);
    int vgtyp = 0;
    if (nc.get_int(NC_GLOBAL, "VGTYP", vgtyp, "") == NC_NOERR) integer("VGTYP", vgtyp, d_.VGTYP3D);
    float vgtop = 0;
    if (nc.get_float(NC_GLOBAL, "VGTOP", vgtop, "") == NC_NOERR && differs(vgtop, d_.VGTOP3D, 1.0E-5f, AMISS3))
        block(attribute("VGTOP"), fmt_E(vgtop, 12, 5), fmt_E(d_.VGTOP3D, 12, 5));
    std::array<float, MXLAYS3 + 1> levels{};
    std::size_t count = 0;
    if (nc.get_floats(NC_GLOBAL, "VGLVLS", levels, count, "") != NC_NOERR) return;
    count = std::min(count, static_cast<std::size_t>(std::min(s_.nlays, MXLAYS3) + 1));
    for (std::size_t k = 0; k < count; ++k)
        if (differs(levels[k], d_.VGLVS3D[k], 1.0E-5f, AMISS3)) {
            log_warning_block("CHKFIL3", MISMATCH,
                              {"Inconsistent attribute VGLVLS for file " + name_,
                               "Error at level    " + fmt_I(static_cast<long long>(k) + 1, 9),
                               "Value from file:  " + fmt_E(levels[k], 12, 5),
                               "Value from caller:" + fmt_E(d_.VGLVS3D[k], 12, 5)});
            ok_ = false;
        }
}

void Comparer::variables() {
    const int n = std::min({d_.NVARS3D, s_.nvars, static_cast<int>(s_.vars.size())});
    for (int v = 0; v < n; ++v) {
        const auto i = static_cast<std::size_t>(v);
        const Text<NAMLEN3>& caller = d_.VNAME3D[i];
        const VarSlot& file = s_.vars[i];
        if (!CKNAME(caller)) {
            QVMSG2("Illegal variable name \"" + std::string(caller.trimmed()) + "\" in file " + name_);
            ok_ = false;
        }
        if (!(file.name == caller))
            block("Inconsistent variable list for file " + name_, file.name.str(), caller.str(), "Value from file:   ",
                  "Value from caller: ");
        if (file.vtype != d_.VTYPE3D[i])
            block("Inconsistent type for variable " + std::string(caller.trimmed()) + " from file " + name_,
                  fmt_I(file.vtype, 9), fmt_I(d_.VTYPE3D[i], 9));
    }
}

bool Comparer::run() {
    integer("FTYPE", s_.ftype, d_.FTYPE3D);
    integer("NVARS", s_.nvars, d_.NVARS3D);
    // A dictionary has no time axis, grid or layers to compare.
    if (s_.ftype != DCTNRY3) {
        time_axis();
        if (compared_size(s_.ftype, Extent::Thik)) integer("NTHIK", s_.nthik, d_.NTHIK3D);
        if (compared_size(s_.ftype, Extent::Cols)) integer("NCOLS", s_.ncols, d_.NCOLS3D);
        if (compared_size(s_.ftype, Extent::Rows)) integer("NROWS", s_.nrows, d_.NROWS3D);
        integer("NLAYS", s_.nlays, d_.NLAYS3D);
        integer("GDTYP", s_.gdtyp, d_.GDTYP3D);
        real("P_ALP", s_.p_alp, d_.P_ALP3D);
        real("P_BET", s_.p_bet, d_.P_BET3D);
        real("P_GAM", s_.p_gam, d_.P_GAM3D);
        real("XCENT", s_.xcent, d_.XCENT3D);
        real("YCENT", s_.ycent, d_.YCENT3D);
        real("XORIG", s_.xorig, d_.XORIG3D);
        real("YORIG", s_.yorig, d_.YORIG3D);
        real("XCELL", s_.xcell, d_.XCELL3D);
        real("YCELL", s_.ycell, d_.YCELL3D);
        if (s_.kind != nullptr && s_.kind->is_netcdf() && s_.nlays >= 2) vertical();
        if (!(s_.gdnam == d_.GDNAM3D))
            block("Inconsistent grid name for file " + name_, s_.gdnam.str(), d_.GDNAM3D.str());
    }
    variables();
    return ok_;
}

}  // namespace

bool CHKFIL3(int fid) {
    if (fid < 1 || fid > MXFILE3 || slot(fid).is_free()) return false;
    return Comparer(fid).run();
}

}  // namespace orvex
