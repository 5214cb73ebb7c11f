// The guard that undoes a half-made dataset unless its creation or open commits.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <filesystem>
#include <string>

#include "gridfile/ncwrap.hpp"
#include "orvex/parms3.hpp"
#include "tests/kit/kit.hpp"

namespace {

namespace fs = std::filesystem;
using orvex::IMISS3;
using orvex::detail::DatasetGuard;
using orvex::detail::NcFile;

// A new dataset in define mode with one dimension defined.
int created(const std::string& path) {
    int ncid = -1;
    EXPECT_EQ(NC_NOERR, orvex::detail::create_dataset(path, NC_NOCLOBBER, ncid));
    int dimid = 0;
    EXPECT_EQ(NC_NOERR, nc_def_dim(ncid, "X", 3, &dimid));
    return ncid;
}

bool is_open(int ncid) {
    int ndims = 0;
    return nc_inq_ndims(ncid, &ndims) == NC_NOERR;
}

TEST(DatasetGuard, UncommittedCreationIsRemovedAndTheHandleCleared) {
    const kit::Sandbox box("guard");
    const std::string path = box.path("a.nc");
    int handle = created(path);
    const int ncid = handle;
    { DatasetGuard made(NcFile(handle), handle, DatasetGuard::Undo::abandon); }
    EXPECT_EQ(handle, IMISS3);
    EXPECT_FALSE(is_open(ncid));
    EXPECT_FALSE(fs::exists(path));
}

TEST(DatasetGuard, CommittedCreationStays) {
    const kit::Sandbox box("guard");
    const std::string path = box.path("a.nc");
    int handle = created(path);
    const int ncid = handle;
    {
        DatasetGuard made(NcFile(handle), handle, DatasetGuard::Undo::abandon);
        made.commit();
    }
    EXPECT_EQ(handle, ncid);
    ASSERT_TRUE(is_open(ncid));
    EXPECT_EQ(NC_NOERR, nc_close(ncid));
    EXPECT_TRUE(fs::exists(path));
}

TEST(DatasetGuard, UncommittedOpenIsClosedAndTheFileKept) {
    const kit::Sandbox box("guard");
    const std::string path = box.path("a.nc");
    ASSERT_EQ(NC_NOERR, nc_close(created(path)));
    int handle = -1;
    ASSERT_EQ(NC_NOERR, nc_open(path.c_str(), NC_NOWRITE, &handle));
    const int ncid = handle;
    { DatasetGuard opened(NcFile(handle), handle, DatasetGuard::Undo::close); }
    EXPECT_EQ(handle, IMISS3);
    EXPECT_FALSE(is_open(ncid));
    EXPECT_TRUE(fs::exists(path));
}

// A step within that undid the dataset itself leaves nothing more to undo;
// a slot that holds another dataset by then is not touched.
TEST(DatasetGuard, AHandleThatNoLongerHoldsTheDatasetIsLeftAlone) {
    const kit::Sandbox box("guard");
    const std::string a = box.path("a.nc");
    const std::string b = box.path("b.nc");
    int handle = created(a);
    const int first = handle;
    const int other = created(b);
    {
        DatasetGuard outer(NcFile(handle), handle, DatasetGuard::Undo::abandon);
        {
            DatasetGuard inner(NcFile(handle), handle, DatasetGuard::Undo::abandon);
        }
        EXPECT_EQ(handle, IMISS3);
        handle = other;
    }
    EXPECT_EQ(handle, other);
    EXPECT_TRUE(is_open(other));
    EXPECT_FALSE(is_open(first));
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(NC_NOERR, nc_close(other));
    EXPECT_TRUE(fs::exists(b));
}

TEST(DatasetGuard, UndoNowThenNothingAtTheEnd) {
    const kit::Sandbox box("guard");
    const std::string path = box.path("a.nc");
    ASSERT_EQ(NC_NOERR, nc_close(created(path)));
    int handle = -1;
    ASSERT_EQ(NC_NOERR, nc_open(path.c_str(), NC_NOWRITE, &handle));
    const int ncid = handle;
    const int other = created(box.path("b.nc"));
    {
        DatasetGuard opened(NcFile(handle), handle, DatasetGuard::Undo::close);
        opened.undo("");
        EXPECT_EQ(handle, IMISS3);
        EXPECT_FALSE(is_open(ncid));
        handle = other;
    }
    EXPECT_EQ(handle, other);
    EXPECT_TRUE(is_open(other));
    EXPECT_EQ(NC_NOERR, nc_close(other));
}

}  // namespace
