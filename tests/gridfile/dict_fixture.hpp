// Helpers of the dictionary tests: descriptions to store, and a dictionary
// laid out directly in a table slot (creation and reopening without OPEN3).
#pragma once

#include <gtest/gtest.h>
#include <netcdf.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "gridfile/dictionary.hpp"
#include "gridfile/state3.hpp"
#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "tests/kit/kit.hpp"

namespace dict_test {

namespace fs = std::filesystem;
using namespace orvex;
using namespace orvex::detail;
using namespace kit;

// A description with every stored field set from seed, so that two seeds give
// descriptions that differ in every field.
inline std::unique_ptr<Fdesc3> description(int seed, int ftype, int nvars, int nlays) {
    auto d = std::make_unique<Fdesc3>();
    d->FTYPE3D = ftype;
    d->TSTEP3D = 10000 * seed;
    d->NVARS3D = nvars;
    d->NLAYS3D = nlays;
    d->NROWS3D = 20 + seed;
    d->NCOLS3D = 30 + seed;
    d->NTHIK3D = seed;
    d->GDTYP3D = 2;
    d->VGTYP3D = 7;
    for (int k = 0; k <= nlays; ++k) d->VGLVS3D[static_cast<std::size_t>(k)] = 1.0f - 0.1f * static_cast<float>(k) / static_cast<float>(seed);
    d->P_ALP3D = 30.0 + seed;
    d->P_BET3D = 60.0 + seed;
    d->P_GAM3D = -90.0 - seed;
    d->XCENT3D = -97.0 + seed;
    d->YCENT3D = 40.0 + seed;
    d->XORIG3D = -2556000.0 + 0.125 * seed;
    d->YORIG3D = -1728000.0 - seed;
    d->XCELL3D = 12000.0 * seed;
    d->YCELL3D = 12000.5 * seed;
    d->GDNAM3D = "GRID_" + std::to_string(seed);
    for (std::size_t l = 0; l < MXDESC3; l += 7) d->FDESC3D[l] = "Line " + std::to_string(l) + " of description " + std::to_string(seed);
    d->FDESC3D[MXDESC3 - 1] = std::string(MXDLEN3, static_cast<char>('a' + seed));
    for (int v = 0; v < nvars; ++v) {
        const std::size_t i = static_cast<std::size_t>(v);
        d->VNAME3D[i] = "V" + std::to_string(v) + "_" + std::to_string(seed);
        d->UNITS3D[i] = "unit" + std::to_string(seed);
        d->VDESC3D[i] = "description of variable " + std::to_string(v) + " in " + std::to_string(seed);
        d->VTYPE3D[i] = QVINT + (v + seed) % 3;
    }
    return d;
}

// Entries of the round-trip tests: every file type's shape is alike to a
// dictionary, so the cases vary the counts that size the stored lists.
struct Entry {
    std::string name;
    int seed, ftype, nvars, nlays;
};

inline const std::vector<Entry>& sample_entries() {
    static const std::vector<Entry> entries = {
        {"GRIDDED", 1, GRDDED3, 3, 2},
        {"BOUNDARY_16CHARS", 2, BNDARY3, 1, 3},
        {"NO VARIABLES", 3, CUSTOM3, 0, 1},
        {"ALL_VARIABLES", 4, SMATRX3, MXVARS3, MXLAYS3},
    };
    return entries;
}

// The warning block of an overwritten entry.
inline Lines overwrite_warning(const std::string& entry) {
    return warning("", "Dictionary entry " + entry + " being overwritten");
}

// One line of a child's report: what was done and whether it succeeded.
inline void say(const std::string& what, bool result) { kit::say(what + (result ? " 1" : " 0")); }

// Tests that touch the layer run in child processes (the layer keeps
// process-wide state); a child hands the descriptions it read to the parent by
// appending FDESC3 as it stands to a file.
static_assert(std::is_trivially_copyable_v<Fdesc3>);

inline void snapshot(const fs::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(&FDESC3), sizeof FDESC3);
}

inline std::vector<Fdesc3> snapshots(const fs::path& file) {
    std::vector<Fdesc3> all;
    std::ifstream in(file, std::ios::binary);
    for (Fdesc3 d; in.read(reinterpret_cast<char*>(&d), sizeof d);) all.push_back(d);
    return all;
}

// Length of the entry dimension of an open dictionary.
inline std::size_t entry_records(int ncid) {
    int dimid = 0;
    std::size_t len = 0;
    if (nc_inq_dimid(ncid, "FINDX3", &dimid) != NC_NOERR) return 0;
    nc_inq_dimlen(ncid, dimid, &len);
    return len;
}

// A dictionary in table slot fid, created and reopened the way the file layer
// does it, but without OPEN3.
class SlotDictionary {
public:
    SlotDictionary(int fid, std::string lname, fs::path path) : fid_(fid), lname_(std::move(lname)), path_(std::move(path)) {}
    ~SlotDictionary() { close(); }

    detail::FileSlot& slot() const { return detail::slot(fid_); }
    int fid() const { return fid_; }
    int ncid() const { return slot().cdfid; }

    // Creates the dataset, writes the first seven global attributes and lays out
    // the dictionary (extra: a hook run in define mode before CRDICT3).
    bool create(const std::function<void(int ncid)>& extra = {}) {
        fs::remove(path_);
        detail::FileSlot& s = slot();
        s = detail::FileSlot{};
        s.flist = lname_;
        int ncid = -1;
        if (nc_create(path_.c_str(), NC_NOCLOBBER | NC_SHARE, &ncid) != NC_NOERR) return false;
        s.cdfid = ncid;
        open_ = true;
        const std::string version(detail::VERSION_TEXT);
        const Text<MXDLEN3> execid("dict_test");
        nc_put_att_text(ncid, NC_GLOBAL, "ORVEX_VERSION", version.size(), version.data());
        nc_put_att_text(ncid, NC_GLOBAL, "EXEC_ID", MXDLEN3, execid.data());
        const int values[] = {DCTNRY3, 2024001, 120000, 2024001, 120000};
        const char* names[] = {"FTYPE", "CDATE", "CTIME", "WDATE", "WTIME"};
        for (int i = 0; i < 5; ++i) nc_put_att_int(ncid, NC_GLOBAL, names[i], NC_INT, 1, &values[i]);
        s.ftype = DCTNRY3;
        if (extra) extra(ncid);
        const bool ok = CRDICT3(fid_);
        if (!ok) open_ = false;  // abandoned
        return ok;
    }

    // Closes the dataset and frees the slot, as CLOSE3 does.
    void close() {
        if (!open_) return;
        nc_close(ncid());
        detail::dictionary_forget(fid_);
        detail::free_slot(fid_);
        open_ = false;
    }

    // Opens the dataset again into the slot, as OPNFIL3 does for a dictionary:
    // type, FLAG, the entry count; the variable ids are left to be looked up.
    bool reopen(bool writable) {
        close();
        detail::FileSlot& s = slot();
        s = detail::FileSlot{};
        s.flist = lname_;
        int ncid = -1;
        if (nc_open(path_.c_str(), writable ? NC_WRITE | NC_SHARE : NC_NOWRITE, &ncid) != NC_NOERR) return false;
        s.cdfid = ncid;
        open_ = true;
        s.ftype = DCTNRY3;
        s.nvars = detail::DICT_NVARS;
        if (nc_inq_varid(ncid, "FLAG", &s.tindx) != NC_NOERR) return false;
        return detail::dictionary_opened(fid_);
    }

private:
    int fid_;
    std::string lname_;
    fs::path path_;
    bool open_ = false;
};

}  // namespace dict_test
