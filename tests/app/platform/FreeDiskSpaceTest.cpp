#include "platform/FreeDiskSpace.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(FreeDiskSpace, MeasuresTheDirectoryOfAFileNotYetWritten) {
  const auto tmp = std::filesystem::temp_directory_path();
  const auto forDirectory = FreeDiskSpace().FreeBytes(tmp);
  const auto forNewFile = FreeDiskSpace().FreeBytes(tmp / "not-yet-there.bmp");
  ASSERT_TRUE(forDirectory);
  ASSERT_TRUE(forNewFile);
  EXPECT_GT(*forDirectory, 0u);
  // Same file system: the two readings differ only by what others wrote in between.
  const auto difference =
      *forDirectory > *forNewFile ? *forDirectory - *forNewFile : *forNewFile - *forDirectory;
  EXPECT_LT(difference, 64u << 20);
}

TEST(FreeDiskSpace, NothingForAMissingDirectory) {
  EXPECT_FALSE(FreeDiskSpace().FreeBytes("/no/such/directory/picture.bmp"));
}

}  // namespace
}  // namespace quillon
