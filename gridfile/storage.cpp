// The parts of the storage-kind interface that every kind shares: the steps of
// the kinds without a netCDF header, and the slot without a kind.
#include "gridfile/storage.hpp"

#include <netcdf.h>
#include <sys/stat.h>

#include "orvex/operations.hpp"

namespace orvex::detail {

int HeaderlessKind::exec_id(int, Text<MXDLEN3>& id) const {
    id = LAYER_STATE.execid;
    return NC_NOERR;
}

std::string HeaderlessKind::access_line(int, std::string_view access) const {
    return prefix_.empty() ? std::string() : std::string(prefix_) + std::string(access);
}

bool StorageKind::path_exists(const std::string& path) const {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

int StorageKind::remove_path(const std::string& path) const { return RMFILE(path); }

namespace {
const StorageKind* registered_parallel = nullptr;
}

const StorageKind* parallel_kind() { return registered_parallel; }

void set_parallel_kind(const StorageKind* kind) { registered_parallel = kind; }

// Record-level steps a kind does not take: the one that READ3 and WRITE3 never
// hand it; a time flag has nowhere to go.
bool StorageKind::member(int&, int, int, int) const { return true; }

std::string StorageKind::read_flags(int fid, int, int, int, int, int*) const {
    return "Error reading netCDF time step flag for " + std::string(slot(fid).flist.trimmed());
}

bool StorageKind::write_flag(int fid, int, const FlagPair&, int, const std::string&) const {
    QVMSG2("WRTFLAG:  invalid file type for " + std::string(slot(fid).flist.trimmed()));
    return false;
}

bool StorageKind::read_vars(int, int, const Hyperslab&, int, void*) const { return false; }

bool StorageKind::write_vars(int, int, const FlagPair&, int, const Hyperslab&, int, const void*) const {
    return false;
}

const StorageKind& virtual_kind() {
    static const HeaderlessKind kind("VIRTUAL \"file\" opened as ");
    return kind;
}

const StorageKind& no_kind() {
    static const HeaderlessKind kind("");
    return kind;
}

}  // namespace orvex::detail
