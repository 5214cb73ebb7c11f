// Files made by the tests or by the layer, looked at (or changed) through
// netCDF itself.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kit {

// A netCDF file opened read-only (or for writing) for the life of the object.
class NcFile {
public:
    explicit NcFile(const std::filesystem::path& p, bool writable = false);
    ~NcFile();
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;

    int varid(const std::string& name) const;  // -1 when there is none
    // Length of a dimension; -1 when missing, -2 for the unlimited one.
    long dim_len(const std::string& name) const;
    // Length of the unlimited dimension; -1 when there is none.
    long records() const;
    // Length of an attribute of a variable ("" for a global one); -1 when missing.
    long att_len(const std::string& att, const std::string& var = "") const;
    int int_att(const std::string& att, int missing = -1) const;
    double double_att(const std::string& att) const;
    std::string text_att(const std::string& var, const std::string& att) const;  // "<missing>" when missing
    // A whole variable.
    std::vector<float> floats(const std::string& name) const;
    std::vector<int> ints(const std::string& name) const;
    // The time flags (date, time per variable) of the first record.
    std::vector<int> first_flags() const;

    int id = -1;
    int status = -1;

private:
    std::size_t values_of(int varid) const;
};

// In define mode: a global integer attribute, a text attribute of a variable
// (or NC_GLOBAL); the netCDF status.
int put_int_att(int ncid, const std::string& name, int value);
int put_text_att(int ncid, int varid, const std::string& name, const std::string& text);

// Opens path for writing, runs edit in define mode, closes; the netCDF status.
int nc_edit(const std::string& path, const std::function<int(int ncid)>& edit);

}  // namespace kit
