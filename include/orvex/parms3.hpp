// Limits, codes and special values shared by every part of the layer.
#pragma once

#include <string_view>

namespace orvex {

// Limits.
inline constexpr int MXFILE3 = 200;   // file slots in the open-file table
inline constexpr int MXVARS3 = 2048;  // variables in one file
inline constexpr int MXLAYS3 = 100;   // layers; the surface list holds MXLAYS3 + 1 values
inline constexpr int MXDESC3 = 60;    // lines of a file or update description
inline constexpr int MXDLEN3 = 80;    // characters of one description line
inline constexpr int NAMLEN3 = 16;    // characters of a logical, variable, unit, grid or program name
inline constexpr int MXATTS3 = 20;    // extra numeric attributes per variable (GRDATT3 files)

// File types (FTYPE3D).
inline constexpr int KFEVNT3 = -3;  // cell-event file
inline constexpr int DGRAPH3 = -2;  // named only; no layout
inline constexpr int CUSTOM3 = -1;  // flat block of NCOLS3D values per layer
inline constexpr int DCTNRY3 = 0;   // dictionary of file descriptions
inline constexpr int GRDDED3 = 1;   // gridded
inline constexpr int BNDARY3 = 2;   // boundary ring of width NTHIK3D
inline constexpr int IDDATA3 = 3;   // identified sites
inline constexpr int PROFIL3 = 4;   // vertical profiles at sites
inline constexpr int GRNEST3 = 5;   // grid nest windows
inline constexpr int SMATRX3 = 6;   // sparse matrix
inline constexpr int GRDATT3 = 7;   // gridded with extra numeric attributes per variable
inline constexpr int PTRFLY3 = 8;   // gridded-like, with AIR_LAT, AIR_LON and AIR_ELV

// Open statuses (argument of OPEN3).
inline constexpr int FSRDONLY3 = 1;  // existing file, read-only
inline constexpr int FSRDWR3 = 2;    // existing file, read/write
inline constexpr int FSNEW3 = 3;     // new file; the path must not exist
inline constexpr int FSUNKN3 = 4;    // read/write if it exists, else create
inline constexpr int FSCREA3 = 5;    // create, removing an existing file first

// Data types (VTYPE3D): the netCDF external type numbers.
inline constexpr int QVINT = 4;   // 32-bit integer
inline constexpr int QVREAL = 5;  // 32-bit float
inline constexpr int QVDBLE = 6;  // 64-bit float

// Dataset-handle codes of slots that do not hold a netCDF dataset.
inline constexpr int BUFFIL3 = -1;  // in-memory buffered file
inline constexpr int VIRFIL3 = -2;  // virtual file (refused)
inline constexpr int LSTFIL3 = -3;  // file-set list
inline constexpr int BINFIL3 = -4;  // native binary file

// Missing values and special names.
inline constexpr int IMISS3 = -9999;
inline constexpr float AMISS3 = -9.0E36f;
inline constexpr double DMISS3 = -9.0E36;
inline constexpr std::string_view CMISS3 = "????????????????";
inline constexpr std::string_view ALLVAR3 = "ALL";
inline constexpr int ALLAYS3 = -1;

// Valid-record marker of dictionary files.
inline constexpr int OKFLAG3 = 5461;

}  // namespace orvex
