// OPEN3: binds a logical name to a table slot, creating or opening its file.
#include <algorithm>
#include <cctype>
#include <string>

#include "gridfile/layer.hpp"
#include "gridfile/state3.hpp"
#include "gridfile/storage.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"

namespace orvex {

using namespace detail;

namespace {

constexpr std::size_t PATHLEN = 512;

// The first n characters of a field, upper-cased.
std::string upper_prefix(std::string_view field, std::size_t n) {
    std::string s(field.substr(0, std::min(n, field.size())));
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Cuts the path field at " -v" or " -V" (the rest blanked); true when found.
bool cut_volatile(std::string& field) {
    for (std::size_t i = 0; i + 3 <= field.size(); ++i)
        if (field[i] == ' ' && field[i + 1] == '-' && (field[i + 2] == 'v' || field[i + 2] == 'V')) {
            std::fill(field.begin() + static_cast<std::ptrdiff_t>(i), field.end(), ' ');
            return true;
        }
    return false;
}

// The rules for a name that is already open. Returns true when OPEN3 goes on
// to open the name afresh (FSCREA3 after a successful close); otherwise the
// answer for the caller is in result.
bool reopen(std::string_view fname, const std::string& name, int fid, int fstatus, bool& result) {
    const FileSlot& s = slot(fid);
    result = false;
    switch (fstatus) {
        case FSNEW3:
            QVWARN("OPEN3", 0, 0, "File " + name + " already opened; cannot subsequently create it \"NEW\".");
            return false;
        case FSUNKN3:
            if (s.ronly) {
                QVWARN("OPEN3", 0, 0,
                       "File " + name + " already opened READONLY; Cannot subsequently open it \"UNKNOWN\".");
                return false;
            }
            result = CHKFIL3(fid);
            return false;
        case FSRDWR3:
            if (s.ronly) {
                QVWARN("OPEN3", 0, 0,
                       "File " + name + " already opened READONLY; cannot subsequently open it for READ/WRITE.");
                return false;
            }
            result = true;
            return false;
        case FSCREA3:
            if (!CKDESC3(fname)) {
                QVWARN("OPEN3", 0, 0, "Error:  bad file description in FDESC");
                return false;
            }
            if (!CLOSE3(fname)) {
                QVWARN("OPEN3", 0, 0,
                       "File " + name + " already opened. Could not close to reopen with status FSCREA3");
                return false;
            }
            QVWARN("OPEN3", 0, 0, "File " + name + " already opened. Closing, deleting, and re-opening it");
            return true;
        default:
            result = true;
            return false;
    }
}

int lowest_free_slot() {
    for (int f = 1; f <= MXFILE3; ++f)
        if (slot(f).is_free()) return f;
    return 0;
}

// The name at the width of a logical name, ":", the path.
std::string name_and_path(const std::string& name, const std::string& path) {
    return Text<NAMLEN3>(name).str() + ":" + path;
}

void not_available(const std::string& name, const std::string& path) {
    QVMSG2(name_and_path(name, path));
    QVWARN("OPEN3", 0, 0, "File not available.");
}

// Opens or creates the file of slot fid by open status (path options done).
bool open_by_status(const std::string& name, int fid, int fstatus, const std::string& path,
                    bool exists, bool list, std::string_view pgname) {
    switch (fstatus) {
        case FSRDONLY3:
            if (exists) return OPNFIL3(path, fid, 0, pgname);
            if (list) return kind_of(fid).open(path, fid, false, pgname);
            not_available(name, path);
            return false;
        case FSRDWR3:
            if (exists) return OPNFIL3(path, fid, 1, pgname);
            not_available(name, path);
            return false;
        case FSNEW3:
            return !exists && CRTFIL3(path, fid, pgname);
        case FSUNKN3:
            if (!exists) return CRTFIL3(path, fid, pgname);
            if (!OPNFIL3(path, fid, 1, pgname)) return false;
            if (CHKFIL3(fid)) return true;
            kind_of(fid).discard(fid);
            return false;
        case FSCREA3:
            if (exists) {
                const int status = kind_of(fid).remove_path(path);
                if (status != 0) {
                    QVWARN("OPEN3", 0, 0, "Error number" + fmt_I(status, 9) + "  removing " + name + " from pathname:");
                    QVMSG2(path);
                    return false;
                }
            }
            return CRTFIL3(path, fid, pgname);
        default:
            QVWARN("OPEN3", 0, 0, "File opening error:  illegal FSTATUS argument.");
            QVMSG2("Legal values: 1-READONLY, 2-READ/WRITE, 3-NEW, 4-UNKNOWN");
            QVMSG2("Value supplied by caller:" + fmt_I(fstatus, 9));
            return false;
    }
}

bool opened(int fid, const std::string& field, int fstatus) {
    STATE3.count = std::max(STATE3.count, fid);
    OPNLOG3(fid, field, fstatus);
    return true;
}

bool release(int fid) {
    free_slot(fid);
    return false;
}

}  // namespace

bool OPEN3(std::string_view fname, int fstatus, std::string_view pgname) {
    const bool was_initialised = LAYER_STATE.finit;
    const std::string name(trim_right(fname));
    const int known = NAME2FID(fname);
    // A name longer than a table entry can never be opened; NAME2FID reports it
    // (once the layer is initialised).
    if (name.size() > static_cast<std::size_t>(NAMLEN3)) {
        if (!was_initialised) NAME2FID(fname);
        return false;
    }
    if (known > 0) {
        bool result = false;
        if (!reopen(fname, name, known, fstatus, result)) return result;
    } else if ((fstatus == FSNEW3 || fstatus == FSUNKN3 || fstatus == FSCREA3) && !CKDESC3(fname)) {
        QVWARN("OPEN3", 0, 0, "Error:   bad file description in FDESC");
        return false;
    }

    const int fid = lowest_free_slot();
    if (fid == 0) {
        QVWARN("OPEN3", 0, 0,
               "Could not open " + Text<NAMLEN3>(name).str() + "Maximum number of files already have been opened.");
        return false;
    }

    std::string field(PATHLEN, ' ');
    NAMEVAL(fname, field);
    FileSlot& s = slot(fid);
    s = FileSlot{};
    s.volat = cut_volatile(field);
    s.flist = name;
    s.cdfid = 0;
    s.kind = &netcdf_kind();
    s.ronly = fstatus == FSRDONLY3;

    bool exists = false;
    bool list = false;
    if (upper_prefix(field, 8) == "BUFFERED") {
        s.kind = &buffered_kind();
        if (!s.kind->create(trim_right(field), fid, pgname)) return release(fid);
        return opened(fid, field, fstatus);
    }
    if (upper_prefix(field, 8) == "VIRTUAL ") {
        QVWARN("OPEN3", 0, 0, "VIRTUAL files not implemented in this ORVEX version");
        return release(fid);
    }
    if (upper_prefix(field, 4) == "BIN:") {
        s.kind = &binary_kind();
        field = field.substr(4) + "    ";
        exists = s.kind->path_exists(std::string(trim_right(field)));
    } else if (upper_prefix(field, 4) == "MPI:") {
        if (parallel_kind() == nullptr) {
            QVMSG2(name_and_path(name, std::string(trim_right(field))));
            QVWARN("OPEN3", 0, 0,
                   "MPI: files need the parallel library: link orvex_mpi and call orvex::parallel::start");
            return release(fid);
        }
        s.kind = parallel_kind();
        field = field.substr(4) + "    ";
        exists = s.kind->path_exists(std::string(trim_right(field)));
    } else if (upper_prefix(field, 5) == "LIST:") {
        if (fstatus != FSRDONLY3) {
            QVMSG2(name_and_path(name, std::string(trim_right(field))));
            QVWARN("OPEN3", 0, 0, "LIST-File not readonly.");
            return release(fid);
        }
        s.kind = &list_kind();
        list = true;
    } else {
        exists = s.kind->path_exists(std::string(trim_right(field)));
    }

    const std::string path(trim_right(field));
    if (!open_by_status(name, fid, fstatus, path, exists, list, pgname)) return release(fid);
    return opened(fid, field, fstatus);
}

}  // namespace orvex
