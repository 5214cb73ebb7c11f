// File-set lists: STRLIST splits a list value into names, OPNLIST3 opens the
// members and describes the list, and the member lookup serves READ3.
#include <netcdf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "gridfile/layer.hpp"
#include "gridfile/ncwrap.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/filelist.hpp"

namespace orvex::detail {

namespace {

constexpr std::size_t VALUE_WIDTH = 512;  // list value and member paths

bool path_exists(std::string_view path) {
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0;
}

// Frees slot fid as a list that could not be opened.
void release_list_slot(int fid) {
    FileSlot& s = slot(fid);
    free_slot(fid);
    s.cdfid = IMISS3;
    s.nlist = 0;
    s.ilist = IMISS3;
}

// Closes the dataset of member slot mf and frees the slot; a failed close is
// reported and the slot freed all the same (the list no longer refers to it).
void release_member(int mf) {
    FileSlot& s = slot(mf);
    NcFile(s.cdfid, s.flist.view(), mf).close("Error NCCLOS-ing file");
    free_slot(mf);
    s.cdfid = IMISS3;
}

// The lowest free slot, or 0 when every slot is taken.
int free_slot_index() {
    for (int f = 1; f <= MXFILE3; ++f)
        if (slot(f).is_free()) return f;
    return 0;
}

// Copies the description of the first member m into the list's slot.
void copy_description(FileSlot& list, const FileSlot& m) {
    list.sdate = m.sdate;
    list.stime = m.stime;
    list.tstep = m.tstep;
    list.ftype = m.ftype;
    list.gdtyp = m.gdtyp;
    list.ncols = m.ncols;
    list.nrows = m.nrows;
    list.nlays = m.nlays;
    list.nvars = m.nvars;
    list.nthik = m.nthik;
    list.p_alp = m.p_alp;
    list.p_bet = m.p_bet;
    list.p_gam = m.p_gam;
    list.xcent = m.xcent;
    list.ycent = m.ycent;
    list.xorig = m.xorig;
    list.yorig = m.yorig;
    list.xcell = m.xcell;
    list.ycell = m.ycell;
    // Also the fields that DESC3 and the readers take from the slot, so that
    // none of them shows what an earlier file left in it.
    list.gdnam = m.gdnam;
    list.vgtyp = m.vgtyp;
    list.vgtop = m.vgtop;
    list.vglvs = m.vglvs;
    list.laysz = m.laysz;
    list.vars.assign(m.vars.size(), VarSlot{});
    for (std::size_t v = 0; v < m.vars.size(); ++v) {
        list.vars[v].name = m.vars[v].name;
        list.vars[v].units = m.vars[v].units;
        list.vars[v].vtype = m.vars[v].vtype;
    }
}

// Whether two 64-bit reals differ beyond the list's tolerance; the constants
// are 32-bit reals widened.
bool reals_differ(double a, double b) {
    const double tol = static_cast<double>(1.0e-10f);
    const double eps = static_cast<double>(1.0e-5f);
    return (a - b) * (a - b) > tol * (a * a + b * b + eps);
}

// Compares member m (name mname) with the list's slot, warning for each
// difference; moves the list's start to the member's when that is earlier.
// True when the member agrees.
bool compare_member(FileSlot& list, const FileSlot& m, const std::string& mname) {
    bool ok = true;
    auto bad = [&](std::string_view field) {
        QVWARN("OPEN3", 0, 0, "Bad " + std::string(field) + " for " + mname + " in file list " + list.flist.str());
        ok = false;
    };
    if (m.tstep != list.tstep) bad("TSTEP");
    if (SECSDIFF(list.sdate, list.stime, m.sdate, m.stime) < 0) {
        list.sdate = m.sdate;
        list.stime = m.stime;
    }
    if (m.ftype != list.ftype) bad("FTYPE");
    if (m.gdtyp != list.gdtyp) bad("GDTYP");
    if (m.ncols != list.ncols) bad("NCOLS");
    if (m.nrows != list.nrows) bad("NROWS");
    if (m.nlays != list.nlays) bad("NLAYS");
    if (m.nthik != list.nthik) bad("NTHIK");
    if (m.nvars != list.nvars) bad("NVARS");
    if (reals_differ(m.p_alp, list.p_alp)) bad("P_ALP");
    if (reals_differ(m.p_bet, list.p_bet)) bad("P_BET");
    if (reals_differ(m.p_gam, list.p_gam)) bad("P_GAM");
    if (reals_differ(m.xorig, list.xorig)) bad("XORIG");
    if (reals_differ(m.yorig, list.yorig)) bad("YORIG");
    if (reals_differ(m.xcent, list.xcent)) bad("XCENT");
    if (reals_differ(m.ycent, list.ycent)) bad("YCENT");
    if (reals_differ(m.xcell, list.xcell)) bad("XCELL");
    if (reals_differ(m.ycell, list.ycell)) bad("YCELL");
    for (std::size_t v = 0; v < list.vars.size(); ++v) {
        // A variable the member does not have differs in name.
        if (v >= m.vars.size()) {
            bad("VNAME");
            continue;
        }
        if (!(m.vars[v].name == list.vars[v].name)) bad("VNAME");
        if (m.vars[v].vtype != list.vars[v].vtype) bad("VNAME");
    }
    return ok;
}

// Opens member name mname into a free slot; 0 (reported) when it cannot be.
int open_member(const std::string& mname, std::string_view pgname) {
    const int mf = free_slot_index();
    std::string path(VALUE_WIDTH, ' ');
    NAMEVAL(mname, path);
    if (mf == 0) {
        QVMSG2("Could not open " + mname + " Max # of files already opened.");
        return 0;
    }
    if (!path_exists(trim_right(path))) {
        QVMSG2(mname + ":" + std::string(trim_right(path)));
        QVWARN("OPNLIST3", 0, 0, "File not available.");
        return 0;
    }
    FileSlot& s = slot(mf);
    s = FileSlot{};
    // A blank and -v (or -V) mark the member volatile; the path ends before them.
    const std::size_t mark = std::min(path.find(" -v"), path.find(" -V"));
    s.volat = mark != std::string::npos;
    if (s.volat) std::fill(path.begin() + static_cast<std::ptrdiff_t>(mark), path.end(), ' ');
    s.flist = mname;
    s.cdfid = 0;
    s.kind = &netcdf_kind();
    s.ronly = true;
    if (!OPNFIL3(trim_right(path), mf, 0, pgname)) {
        free_slot(mf);
        s.cdfid = IMISS3;
        return 0;
    }
    return mf;
}

}  // namespace

bool STRLIST(std::string_view name, std::string_view desc, int nmax, int& ncnt, std::span<std::string> list) {
    std::string value(VALUE_WIDTH, ' ');
    int status = 0;
    ENVSTR(name, desc, " ", value, status);
    ncnt = 0;
    if (status != 0) {
        QVMSG2("Could not get environment variable \"" + std::string(name) + "\"");
        return false;
    }
    std::string prefix = value.substr(0, 5);
    UPCASE(prefix);
    std::size_t pos = prefix == "LIST:" ? 5 : 0;

    nmax = std::min(nmax, static_cast<int>(list.size()));
    bool bad = false;
    for (int n = 1; n <= nmax; ++n) {
        while (pos < VALUE_WIDTH && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
        if (pos >= VALUE_WIDTH - 1) {  // no name starts before the last character of the field
            ncnt = n - 1;
            return ncnt >= 1 && !bad;
        }
        const std::size_t comma = value.find(',', pos);
        const std::size_t stop = comma == std::string::npos ? VALUE_WIDTH : comma;
        const std::string_view entry = trim_right(std::string_view(value).substr(pos, stop - pos));
        std::string& field = list[static_cast<std::size_t>(n - 1)];
        if (entry.empty() || entry.size() > field.size()) {
            bad = true;
        } else {
            const std::size_t width = field.size();
            field.assign(entry);
            field.resize(width, ' ');
        }
        // The list ends without a comma, or when the comma is the last or
        // next-to-last character of the value.
        if (comma == std::string::npos || comma + 2 >= VALUE_WIDTH) {
            ncnt = n;
            return !bad;
        }
        pos = comma + 1;
    }
    // nmax names read and a comma after the last: more names than the caller takes.
    ncnt = nmax;
    return false;
}

bool OPNLIST3(int fid, std::string_view pgname) {
    FileSlot& list = slot(fid);
    const std::string lname16 = list.flist.str();

    std::vector<std::string> names(static_cast<std::size_t>(MXFILE3), std::string(NAMLEN3, ' '));
    int ncnt = 0;
    if (!STRLIST(lname16, "Logical name list", MXFILE3, ncnt, names)) {
        std::string value(VALUE_WIDTH, ' ');
        NAMEVAL(lname16, value);
        QVMSG2(lname16 + ":" + std::string(trim_right(value)));
        QVWARN("OPEN3", 0, 0, "Bad FILE_LIST.");
        release_list_slot(fid);
        return false;
    }
    // The member table serves the whole run; a list that does not fit any more
    // is refused before any member is opened.
    if (STATE3.nlist_used + ncnt > MXFILE3) {
        QVWARN("OPEN3", 0, 0, "File-list member table full; cannot open file list " + lname16);
        release_list_slot(fid);
        return false;
    }

    list.nlist = 0;
    list.sdate = 99999999;
    list.stime = 0;
    const int first = STATE3.nlist_used + 1;
    list.ilist = first;

    std::vector<int> members;  // slots of the members opened and kept, in list order
    bool error = false;
    for (int n = 1; n <= ncnt; ++n) {
        const std::string& mname = names[static_cast<std::size_t>(n - 1)];
        const int mf = open_member(mname, pgname);
        if (mf == 0) {
            error = true;
            continue;
        }
        STATE3.list[static_cast<std::size_t>(first - 1) + members.size()] = ListEntry{mf, IMISS3, IMISS3};
        members.push_back(mf);
        if (n == 1) {
            copy_description(list, slot(mf));
        } else if (!error && !compare_member(list, slot(mf), mname)) {
            error = true;
            release_member(mf);
            members.pop_back();
        }
    }

    // Each member's records on the list's axis: the record of its own start,
    // and as many more as it holds. A member whose start is not on the list's
    // axis cannot be placed and fails the list.
    if (!error) {
        for (std::size_t k = 0; k < members.size(); ++k) {
            const FileSlot& m = slot(members[k]);
            const int beg = JSTEP3(m.sdate, m.stime, list.sdate, list.stime, std::abs(list.tstep));
            if (beg < 0) {
                QVWARN("OPEN3", 0, 0, "Bad SDATE for " + m.flist.str() + " in file list " + lname16);
                error = true;
                continue;
            }
            ListEntry& e = STATE3.list[static_cast<std::size_t>(first - 1) + k];
            e.beg = beg;
            e.end = beg + std::max(m.mxrec, 0) - 1;
        }
    }

    if (error) {
        for (const int mf : members) release_member(mf);
        release_list_slot(fid);
        return false;
    }

    int last = 0;
    for (std::size_t k = 0; k < members.size(); ++k) {
        STATE3.count = std::max(STATE3.count, members[k]);
        last = std::max(last, STATE3.list[static_cast<std::size_t>(first - 1) + k].end);
    }
    // The list's records run to the last record of its latest member.
    list.mxrec = last;
    list.nlist = ncnt;
    STATE3.nlist_used += ncnt;
    return true;
}

std::span<const ListEntry> list_members(int fid) {
    if (fid < 1 || fid > MXFILE3) return {};
    const FileSlot& s = slot(fid);
    if (s.kind != &list_kind() || s.nlist <= 0 || s.ilist < 1 || s.ilist - 1 + s.nlist > MXFILE3) return {};
    return std::span<const ListEntry>(STATE3.list).subspan(static_cast<std::size_t>(s.ilist - 1),
                                                           static_cast<std::size_t>(s.nlist));
}

int list_holding(int fid) {
    for (int l = 1; l <= MXFILE3; ++l) {
        if (l == fid || slot(l).is_free()) continue;
        for (const ListEntry& e : list_members(l))
            if (e.fid == fid) return l;
    }
    return 0;
}

int find_list_member(int fid, int jdate, int jtime) {
    const FileSlot& s = slot(fid);
    const int r = JSTEP3(jdate, jtime, s.sdate, s.stime, std::abs(s.tstep));
    if (r < 0) return 0;
    for (const ListEntry& e : list_members(fid))
        if (e.beg <= r && r <= e.end) return e.fid;
    return 0;
}

}  // namespace orvex::detail
