// DESC3: fills FDESC3 (and FDATT3 for GRDATT3 files) with the description of an open file.
#include <netcdf.h>

#include <algorithm>
#include <array>
#include <string>

#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

namespace {

// The fields the table keeps.
void copy_table(const FileSlot& s) {
    Fdesc3& d = FDESC3;
    d.FTYPE3D = s.ftype;
    d.NVARS3D = s.nvars;
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(s.nvars, 0)), s.vars.size());
    for (std::size_t v = 0; v < n; ++v) {
        d.VNAME3D[v] = s.vars[v].name;
        d.VTYPE3D[v] = s.vars[v].vtype;
        d.UNITS3D[v] = s.vars[v].units;
    }
    if (s.ftype == DCTNRY3) return;
    d.SDATE3D = s.sdate;
    d.STIME3D = s.stime;
    d.TSTEP3D = s.tstep;
    d.MXREC3D = s.mxrec;
    d.NCOLS3D = s.ncols;
    d.NROWS3D = s.nrows;
    d.NLAYS3D = s.nlays;
    d.NTHIK3D = s.nthik;
    d.GDTYP3D = s.gdtyp;
    d.P_ALP3D = s.p_alp;
    d.P_BET3D = s.p_bet;
    d.P_GAM3D = s.p_gam;
    d.XCENT3D = s.xcent;
    d.YCENT3D = s.ycent;
    d.XORIG3D = s.xorig;
    d.YORIG3D = s.yorig;
    d.XCELL3D = s.xcell;
    d.YCELL3D = s.ycell;
    d.GDNAM3D = s.gdnam;
    d.VGTYP3D = s.vgtyp;
    d.VGTOP3D = s.vgtop;
    // NLAYS+1 surfaces, never more than the record holds.
    const auto nlvls = static_cast<std::size_t>(std::clamp(s.nlays, -1, MXLAYS3) + 1);
    std::copy_n(s.vglvs.begin(), nlvls, d.VGLVS3D.begin());
}

// Reads the header fields of a netCDF file; counts the failures.
class HeaderReader {
public:
    explicit HeaderReader(int fid) : s_(slot(fid)), nc_(s_.cdfid, s_.flist, fid), name_(lname(fid)) {}

    int run();

private:
    void failed(int status, std::string_view label) {
        QVMSG2("netCDF error number" + fmt_I(status, 9));
        QVMSG2("netCDF file header attribute " + std::string(label) + " not available for file \"" + name_ + "\"");
    }
    void integer(const char* attr, int& field, std::string_view label) {
        const int status = nc_.get_int(NC_GLOBAL, attr, field, "");
        if (status != NC_NOERR) {
            failed(status, label);
            ++errors_;
        }
    }
    // A 4800-character text attribute into 60 lines of 80.
    void lines(const char* attr, std::array<Text<MXDLEN3>, MXDESC3>& field, std::string_view label) {
        std::array<char, MXDESC3 * MXDLEN3> text{};
        const int status = nc_.get_text(NC_GLOBAL, attr, text, "");
        if (status != NC_NOERR) {
            failed(status, label);
            ++errors_;
            return;
        }
        for (std::size_t k = 0; k < field.size(); ++k) field[k] = std::string_view(text.data() + k * MXDLEN3, MXDLEN3);
    }
    void variable_descriptions();
    void extra_attributes();

    const FileSlot& s_;
    NcFile nc_;
    std::string name_;
    int errors_ = 0;
};

void HeaderReader::variable_descriptions() {
    for (std::size_t v = 0; v < s_.vars.size(); ++v) {
        Text<MXDLEN3> desc;
        const int status = nc_.get_text(s_.vars[v].vid, "var_desc", {desc.data(), desc.size()}, "");
        if (status == NC_NOERR) {
            FDESC3.VDESC3D[v] = desc;
            continue;
        }
        QVMSG2("netCDF error number" + fmt_I(status, 9));
        QVMSG2("Error reading netCDF variable attribute \"var_desc\" for file \"" + name_ + "\"");
        ++errors_;
    }
}

// GRDATT3: "natts" and the numeric attributes that follow the first four.
void HeaderReader::extra_attributes() {
    for (std::size_t v = 0; v < s_.vars.size(); ++v) {
        const int vid = s_.vars[v].vid;
        const std::string vname(s_.vars[v].name.trimmed());
        int natts = 0;
        const int status = nc_.get_int(vid, "natts", natts, "");
        // A count beyond the record's room is kept to what fits and counted as an error.
        if (status != NC_NOERR || natts < 0 || natts > MXATTS3) {
            QVMSG2("Error reading netCDF dimension \"natts\" for file \"" + name_ + "\"");
            ++errors_;
            if (status != NC_NOERR) continue;
            natts = std::clamp(natts, 0, MXATTS3);
        }
        FDATT3.NATTS3D[v] = natts;
        for (int a = 1; a <= natts; ++a) {
            const auto j = static_cast<std::size_t>(a - 1);
            std::array<char, NC_MAX_NAME + 1> attname{};
            if (nc_.inq_attname(vid, a + 3, attname, "") != NC_NOERR) {
                QVMSG2("Error reading attribute " + std::to_string(a) + " for variable \"" + vname + "\" in file \"" +
                       name_ + "\"");
                ++errors_;
                continue;
            }
            FDATT3.ATTNAM3D[v][j] = std::string_view(attname.data());
            if (nc_.get_float(vid, attname.data(), FDATT3.ATTVAL3D[v][j], "") != NC_NOERR) {
                QVMSG2("Error reading attribute \"" + std::string(attname.data()) + "\" for variable \"" + vname +
                       "\" in file \"" + name_ + "\"");
                ++errors_;
            }
        }
    }
}

int HeaderReader::run() {
    Fdesc3& d = FDESC3;
    const int status = nc_.get_text(NC_GLOBAL, "EXEC_ID", {d.EXECN3D.data(), d.EXECN3D.size()}, "");
    if (status != NC_NOERR) {
        failed(status, "EXEC_ID ");
        d.EXECN3D = CMISS3;
    }
    integer("CDATE", d.CDATE3D, "CDATE ");
    integer("CTIME", d.CTIME3D, "CTIME ");
    integer("WDATE", d.WDATE3D, "WDATE ");
    integer("WTIME", d.WTIME3D, "WTIME ");
    // A dictionary holds only the first seven global attributes: its
    // description ends here, and UPNAM3D, FDESC3D and UPDSC3D keep what they held.
    if (s_.ftype == DCTNRY3) return errors_;
    const int upnam = nc_.get_text(NC_GLOBAL, "UPNAM", {d.UPNAM3D.data(), d.UPNAM3D.size()}, "");
    if (upnam != NC_NOERR) {
        failed(upnam, "UPNAM ");
        ++errors_;
    }
    lines("FILEDESC", d.FDESC3D, "FDESC ");
    lines("HISTORY", d.UPDSC3D, "UPDSC ");
    if (s_.ftype != DCTNRY3) variable_descriptions();
    if (s_.ftype == GRDATT3) extra_attributes();
    return errors_;
}

}  // namespace

bool DESC3(std::string_view fname) {
    const int fid = NAME2FID(fname);
    if (fid == 0) {
        QVWARN("DESC3", 0, 0, "Invalid file name argument \"" + std::string(trim_right(fname)) + "\"");
        return false;
    }
    const FileSlot& s = slot(fid);
    copy_table(s);
    if (s.volat && !SYNCFID(fid)) {
        QVWARN("DESC3", 0, 0, "Error with disk synch for file " + lname(fid));
        return false;
    }
    return kind_of(fid).describe(fid);
}

namespace detail {

bool describe_netcdf(int fid) {
    if (HeaderReader(fid).run() == 0) return true;
    QVWARN("DESC3", 0, 0, "Error(s) in DESC3(" + lname(fid) + ")");
    return false;
}

}  // namespace detail
}  // namespace orvex
