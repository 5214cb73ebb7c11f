// The netCDF calls of the file layer, each wrapped once with its error report.
//
// Every call returns the netCDF status. When it fails and a message is given,
// the failure is reported through QVABORT (the message, the status with the
// logical name, and the library's own text); an empty message reports nothing.
//
// Readers treat the header as untrusted: every attribute's type and length are
// asked first, so that no read writes past the caller's field.
#pragma once

#include <netcdf.h>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace orvex::detail {

// The library calls behind an NcFile, with netCDF's own signatures: the serial
// netCDF library's unless the slot's dataset is kept by another library of
// the same file format (a storage kind that sets FileSlot::calls).
struct NcCalls {
    int (*inq_att)(int, int, const char*, nc_type*, std::size_t*);
    int (*get_att_int)(int, int, const char*, int*);
    int (*get_att_double)(int, int, const char*, double*);
    int (*get_att_float)(int, int, const char*, float*);
    int (*get_att_text)(int, int, const char*, char*);
    int (*inq_attname)(int, int, int, char*);
    int (*put_att_text)(int, int, const char*, std::size_t, const char*);
    int (*put_att_int)(int, int, const char*, nc_type, std::size_t, const int*);
    int (*put_att_double)(int, int, const char*, nc_type, std::size_t, const double*);
    int (*put_att_float)(int, int, const char*, nc_type, std::size_t, const float*);
    int (*def_dim)(int, const char*, std::size_t, int*);
    int (*def_var)(int, const char*, nc_type, int, const int*, int*);
    int (*inq_dimid)(int, const char*, int*);
    int (*inq_dimlen)(int, int, std::size_t*);
    int (*inq_varid)(int, const char*, int*);
    int (*inq_vartype)(int, int, nc_type*);
    int (*put_vara_int)(int, int, const std::size_t*, const std::size_t*, const int*);
    int (*redef)(int);
    int (*enddef)(int);
    int (*sync)(int);
    int (*close)(int);
    int (*abort)(int);
};

// The serial netCDF library's calls.
const NcCalls& serial_calls();

// Creates a new dataset at path with netCDF creation mode `mode`; ncid gets
// its id. The netCDF status; the caller reports a failure.
int create_dataset(const std::string& path, int mode, int& ncid);
// Opens the existing dataset at path with netCDF open mode `mode`; the same.
int open_dataset(const std::string& path, int mode, int& ncid);

class NcFile {
public:
    // The dataset of slot fid (its calls are the slot's); fid 0 for a
    // dataset of the serial library outside the table.
    NcFile(int ncid, std::string_view lname, int fid);
    // For callers that report every failure themselves: every message empty.
    explicit NcFile(int ncid) : NcFile(ncid, {}, 0) {}

    int id() const { return ncid_; }

    // Attributes; varid NC_GLOBAL for the file's own.
    int put_text(int varid, const char* name, std::string_view text, std::string_view msg) const;
    int put_int(int varid, const char* name, int value, std::string_view msg) const;
    int put_double(int varid, const char* name, double value, std::string_view msg) const;
    int put_floats(int varid, const char* name, std::span<const float> values, std::string_view msg) const;
    int put_doubles(int varid, const char* name, std::span<const double> values, std::string_view msg) const;
    // One number stored as an attribute of netCDF type `type` (a fill value of the variable's own type).
    int put_number(int varid, const char* name, nc_type type, double value, std::string_view msg) const;

    // The first value of a numeric attribute (NC_EINVAL when it has none).
    int get_int(int varid, const char* name, int& value, std::string_view msg) const;
    int get_double(int varid, const char* name, double& value, std::string_view msg) const;
    int get_float(int varid, const char* name, float& value, std::string_view msg) const;
    // At most dest.size() values of a numeric attribute; count gets how many were stored.
    int get_floats(int varid, const char* name, std::span<float> dest, std::size_t& count,
                   std::string_view msg) const;
    // A text attribute into a field: at most dest.size() characters, the rest of
    // the field blank-padded. A non-text attribute gives NC_ECHAR.
    int get_text(int varid, const char* name, std::span<char> dest, std::string_view msg) const;
    // The name of attribute number attnum (0-based) of varid, NUL-terminated.
    int inq_attname(int varid, int attnum, std::span<char, NC_MAX_NAME + 1> name, std::string_view msg) const;

    // Dimensions and variables.
    int def_dim(const char* name, std::size_t len, int& dimid, std::string_view msg) const;
    int def_var(const char* name, nc_type type, std::span<const int> dims, int& varid,
                std::string_view msg) const;
    int inq_dimid(const char* name, int& dimid, std::string_view msg) const;
    int inq_dimlen(int dimid, std::size_t& len, std::string_view msg) const;
    int inq_varid(const char* name, int& varid, std::string_view msg) const;
    int inq_vartype(int varid, nc_type& type, std::string_view msg) const;
    int put_ints(int varid, std::span<const std::size_t> start, std::span<const std::size_t> count,
                 const int* values, std::string_view msg) const;
    // Values of the variable's own type, or doubles converted to it.
    int put_values(int varid, std::span<const std::size_t> start, std::span<const std::size_t> count,
                   const void* values, std::string_view msg) const;
    int put_doubles(int varid, std::span<const std::size_t> start, std::span<const std::size_t> count,
                    const double* values, std::string_view msg) const;
    // netCDF-4 storage of a variable in define mode: the chunk lengths, and
    // shuffle with deflation at level (0: chunks only).
    int def_var_storage(int varid, std::span<const std::size_t> chunks, int level, std::string_view msg) const;

    // Define mode, synchronisation and closing.
    int redef(std::string_view msg) const;
    int enddef(std::string_view msg) const;
    int sync(std::string_view msg) const;
    int close(std::string_view msg) const;
    // Discards a dataset in define mode (a new one is removed); closes it otherwise.
    int abandon() const;

private:
    int report(int status, std::string_view msg) const;

    int ncid_;
    std::string_view lname_;
    int fid_;
    const NcCalls* calls_;
};

// The netCDF library's text for a status.
std::string error_text(int status);

// Undoes a dataset that is being made in a table slot unless the step that
// makes it is committed: a created dataset is abandoned (a new one still in
// define mode is removed), an opened one closed, and the slot's handle is
// cleared to IMISS3, so that no handle outlives a failed creation or open. A
// handle that no longer holds the dataset (a step within has undone it
// already) is left alone.
class DatasetGuard {
public:
    enum class Undo { abandon, close };

    // handle: the slot's handle, holding nc's dataset.
    DatasetGuard(const NcFile& nc, int& handle, Undo undo) : nc_(nc), handle_(handle), undo_(undo) {}
    ~DatasetGuard() {
        if (!committed_) undo("");
    }
    DatasetGuard(const DatasetGuard&) = delete;
    DatasetGuard& operator=(const DatasetGuard&) = delete;

    // The dataset is made: nothing will be undone.
    void commit() { committed_ = true; }
    // Undoes the dataset now, unless the handle no longer holds it; a failed
    // close is reported with msg (nothing when it is empty).
    void undo(std::string_view msg);

private:
    NcFile nc_;
    int& handle_;
    Undo undo_;
    bool committed_ = false;
};

}  // namespace orvex::detail
