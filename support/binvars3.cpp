// The native-binary branches of the hyperslab movers RDVARS and WRVARS.
#include <string>
#include <vector>

#include "gridfile/filetypes.hpp"
#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/iobin3.hpp"
#include "support/logfile.hpp"
#include "transfer/transfer.hpp"

namespace orvex::detail {

namespace {

// Whether records of a file type have a layer dimension (just below the
// record slot in the request); false with a report for a type with no
// records.
bool layered_type(const FileSlot& s, int vid, bool& layered) {
    const FileType* t = record_type(s.ftype);
    if (t == nullptr) {
        QVMSG2(vid > 0 ? "RDVARS:  bad file type for variable " + var_name(s, vid) + "from file " + s.flist.str()
                       : "RDVARS:  bad file type for file " + s.flist.str());
        return false;
    }
    layered = t->data.layered;
    return true;
}

}  // namespace

bool bin_read_vars(int fid, int vid, const Hyperslab& slab, void* buffer) {
    const FileSlot& s = slot(fid);
    bool layered = false;
    if (slab.rank < 1 || !layered_type(s, vid, layered)) return false;
    const int rec = slab.dims[static_cast<std::size_t>(slab.rank - 1)];
    const auto laydim = static_cast<std::size_t>(slab.rank >= 2 ? slab.rank - 2 : 0);
    const int first = layered ? slab.dims[laydim] : 1;
    const int count = layered ? slab.delts[laydim] : s.nlays;

    bool ok = true;
    if (!layered || (first == 1 && count == s.nlays)) {
        ok = RDBVARS(fid, vid, 0, rec, buffer);
    } else {
        // One layer at a time, each appended after the one before.
        auto* out = static_cast<unsigned char*>(buffer);
        for (int lay = first; lay < first + count && ok; ++lay) {
            ok = RDBVARS(fid, vid, lay, rec, out);
            out += bin_read_bytes(fid, vid, lay);
        }
    }
    if (!ok)
        QVMSG2(vid > 0 ? "Error reading variable " + var_name(s, vid) + "from file " + s.flist.str()
                       : "Error reading ALL VARIABLES from file " + s.flist.str());
    return ok;
}

bool bin_write_vars(int fid, int vid, std::span<const int> flag, int step, const Hyperslab& slab,
                    const void* buffer) {
    const FileSlot& s = slot(fid);
    if (WRBVARS(fid, vid, step, buffer) && WRBFLAG(fid, vid, step, flag)) {
        if (vid > 0 || !s.volat || SYNCFID(fid)) return true;
        QVMSG2("Error with disk synchronization for file:  " + std::string(s.flist.trimmed()));
        return false;
    }
    std::vector<BlockLine> lines;
    if (vid > 0) {
        lines.emplace_back("Error writing variable " + var_name(s, vid) + "to BINIO file " + s.flist.str());
        const int id = vid <= var_count(s) ? s.vars[static_cast<std::size_t>(vid - 1)].vid : IMISS3;
        lines.emplace_back("variable  ID  " + diag_number(id));
    } else {
        lines.emplace_back("Error writing ALL-VARIABLES to BINIO file " + s.flist.str());
    }
    lines.emplace_back("ORVEX file ID " + diag_number(fid));
    lines.emplace_back("dims array  " + diag_vector(slab.dims));
    lines.emplace_back("delts array " + diag_vector(slab.delts));
    log_warning_block("WRVARS", {LogSeparator::empty, 0, 1, true}, lines);
    return false;
}

}  // namespace orvex::detail
