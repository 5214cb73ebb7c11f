// The one reader and one writer of records, driven by the file-type table.
#include "transfer/records.hpp"

#include <netcdf.h>

#include <climits>
#include <cstddef>
#include <cstdlib>

#include "gridfile/filetypes.hpp"
#include "orvex/operations.hpp"
#include "support/format.hpp"
#include "support/logfile.hpp"

namespace orvex::detail {

namespace {

std::size_t bytes(long long elements, int vtype) {
    return static_cast<std::size_t>(elements) * static_cast<std::size_t>(words_per_element(vtype)) * 4;
}

// Values of an index array per record, for an open file.
int index_length(const FileSlot& s, const AuxVar& a) {
    int n = 1;
    for (const Extent e : a.shape) n *= extent_length(s, e);
    return n;
}

// Hyperslab of an index array at record slot step.
Hyperslab index_slab(const FileSlot& s, const AuxVar& a, int step) {
    Hyperslab slab;
    for (std::size_t i = a.shape.size(); i-- > 0;) slab.add(1, extent_length(s, a.shape[i]));
    slab.add(step, 1);
    return slab;
}

bool read_index(const FileSlot& s, const FileType& t, int step, std::byte* out) {
    const std::span<const AuxVar> index = index_part(t);
    for (std::size_t k = 0; k < index.size(); ++k) {
        const AuxVar& a = index[k];
        const int status = get_slab(s.cdfid, s.nindx[k], index_slab(s, a, step), a.type, out);
        if (status != NC_NOERR) {
            QVMSG2("netCDF error number" + fmt_I(status, 5));
            QVWARN(t.records.reader, 0, 0, std::string(a.read_msg) + s.flist.str());
            return false;
        }
        out += bytes(index_length(s, a), a.type);
    }
    return true;
}

bool write_index(const FileSlot& s, const FileType& t, int step, const std::byte* in) {
    const std::span<const AuxVar> index = index_part(t);
    for (std::size_t k = 0; k < index.size(); ++k) {
        const AuxVar& a = index[k];
        const int status = put_slab(s.cdfid, s.nindx[k], index_slab(s, a, step), a.type, in);
        if (status != NC_NOERR) {
            log_warning_block(t.records.writer, {LogSeparator::blank, 2, 0, true},
                              {"netCDF error number" + fmt_I(status, 5), std::string(a.write_msg) + s.flist.str()});
            return false;
        }
        in += bytes(index_length(s, a), a.type);
    }
    return true;
}

}  // namespace

// Opening checked the ring against the 32-bit range; its terms need not be.
int extent_length(const FileSlot& s, Extent e) {
    return static_cast<int>(detail::extent_length(e, s.ncols, s.nrows, s.nthik));
}

long long index_words(const FileSlot& s, const FileType& t) {
    long long words = 0;
    for (const AuxVar& a : index_part(t))
        words += static_cast<long long>(index_length(s, a)) * words_per_element(a.type);
    return words;
}

int data_slab(const FileSlot& s, const FileType& t, int layer, int layers, int step, Hyperslab& slab) {
    // The product of two 32-bit counts, or -1 when it is not one itself.
    const auto times = [](int a, int b) {
        const long long p = static_cast<long long>(a) * b;
        return a < 0 || p < 0 || p > INT_MAX ? -1 : static_cast<int>(p);
    };
    int elements = 1;
    for (std::size_t i = t.data.extents.size(); i-- > 0;) {  // fastest first
        const int n = extent_length(s, t.data.extents[i]);
        slab.add(1, n);
        elements = times(elements, n);
    }
    if (t.data.layered) {
        slab.add(layer, layers);
        elements = times(elements, layers);
    }
    slab.add(step, 1);
    return elements;
}

namespace {

// A record whose elements per variable are no 32-bit count is refused before
// any transfer.
bool record_fits(const FileSlot& s, std::string_view caller, int delta) {
    if (delta >= 0) return true;
    QVWARN(caller, 0, 0, "Record too large for one transfer in file " + s.flist.str());
    return false;
}

}  // namespace

bool read_record(int fid, int vid, int layer, int step, void* buffer) {
    const FileSlot& s = slot(fid);
    const FileType& t = *record_type(s.ftype);
    const bool all_layers = layer == ALLAYS3;
    Hyperslab slab;
    const int delta = data_slab(s, t, all_layers ? 1 : layer, all_layers ? s.nlays : 1, step, slab);
    if (!record_fits(s, t.records.reader, delta)) return false;
    auto* out = static_cast<std::byte*>(buffer);
    // A native binary record carries its index part inside the data transfer.
    if (!index_part(t).empty() && kind_of(fid).is_netcdf()) {
        if (!read_index(s, t, step, out)) return false;
        out += static_cast<std::size_t>(index_words(s, t)) * 4;
    }
    return RDVARS(fid, vid, slab, delta, out);
}

bool write_record(int fid, int vid, const FlagPair& flag, int step, const void* buffer) {
    const FileSlot& s = slot(fid);
    const FileType& t = *record_type(s.ftype);
    Hyperslab slab;
    const int delta = data_slab(s, t, 1, s.nlays, step, slab);
    if (!record_fits(s, t.records.writer, delta)) return false;
    const auto* in = static_cast<const std::byte*>(buffer);
    if (!index_part(t).empty() && kind_of(fid).is_netcdf()) {
        if (!write_index(s, t, step, in)) return false;
        in += static_cast<std::size_t>(index_words(s, t)) * 4;
    }
    return WRVARS(fid, vid, flag, step, slab, delta, in);
}

}  // namespace orvex::detail
