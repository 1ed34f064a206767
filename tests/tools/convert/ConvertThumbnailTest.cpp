// quillon-convert --thumbnail: JPEG 2000 and KVF inputs are decoded only at the size the
// thumbnail needs, and every input gives the same fitted picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "core/pipelines/OpenPipeline.h"
#include "platform/FreeDiskSpace.h"
#include "platform/StringTables.h"
#include "support/BmpFixture.h"
#include "support/TempDir.h"
#include "tools/convert/ConvertCommand.h"

namespace quillon::convert {
namespace {

namespace fs = std::filesystem;

class ConvertThumbnail : public ::testing::Test {
 protected:
  int Convert(const std::vector<std::string>& arguments) {
    auto parsed = ParseConvertArguments(arguments);
    const ConvertArguments* given = std::get_if<ConvertArguments>(&parsed);
    if (given == nullptr) {
      ADD_FAILURE() << std::get<std::string>(parsed);
      return -1;
    }
    std::ostringstream out;
    return RunConvert(*given, context, ui, out);
  }

  // Opens `path` as the thumbnailer's reader does; fitSide 0 decodes the whole picture.
  void Open(const fs::path& path, std::uint32_t fitSide, PictureDocument& document) {
    ASSERT_TRUE(OpenPicture(path, document, context, {.fitSide = fitSide})) << path;
  }

  test::TempDir dir;
  std::ostringstream errors;
  TextUiServices ui{BuiltInStrings(Language::English), errors, false, {}};
  FreeDiskSpace disk;
  FileIoContext context{ui, disk, false};
};

// A smooth 300 x 200 colour picture, so that a reduced decode and block means agree closely.
fs::path WriteSmoothBmp(const fs::path& path) {
  Picture picture;
  picture.Header().biWidth = 300;
  picture.Header().biHeight = 200;
  if (!picture.CreatePicture(true)) return {};
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      std::uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x * 255 / 299);
      p[1] = static_cast<std::uint8_t>(y * 255 / 199);
      p[2] = static_cast<std::uint8_t>((x + y) * 255 / 498);
    }
  }
  return test::WriteBmpFixture(path, picture);
}

TEST_F(ConvertThumbnail, CompressedInputsDecodeReducedAndGiveTheFittedPicture) {
  const fs::path bmp = WriteSmoothBmp(dir.path() / "in.bmp");
  ASSERT_EQ(Convert({bmp.string(), (dir.path() / "in.jp2").string()}), 0) << errors.str();
  ASSERT_EQ(Convert({bmp.string(), (dir.path() / "in.kvf").string()}), 0) << errors.str();

  PictureDocument expected;
  ASSERT_EQ(Convert({"--thumbnail", "64", bmp.string(), (dir.path() / "bmp.png").string()}), 0);
  Open(dir.path() / "bmp.png", 0, expected);
  ASSERT_EQ(expected.GetPicture().GetWidth(), 64);
  ASSERT_EQ(expected.GetPicture().GetHeight(), 43);

  for (const char* type : {"jp2", "kvf"}) {
    SCOPED_TRACE(type);
    const fs::path input = dir.path() / (std::string("in.") + type);
    // Two halvings keep the longer side (75) at least 64; a third would not.
    PictureDocument reduced;
    Open(input, 64, reduced);
    EXPECT_EQ(reduced.GetPicture().GetWidth(), 75);
    EXPECT_EQ(reduced.GetPicture().GetHeight(), 50);

    const fs::path output = dir.path() / (std::string(type) + ".png");
    ASSERT_EQ(Convert({"--thumbnail", "64", input.string(), output.string()}), 0) << errors.str();
    PictureDocument thumbnail;
    Open(output, 0, thumbnail);
    const Picture& picture = thumbnail.GetPicture();
    ASSERT_EQ(picture.GetWidth(), 64);
    ASSERT_EQ(picture.GetHeight(), 43);
    // A reduced decode filters differently from block means of the whole; both stay close.
    int largest = 0;
    for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
      for (std::int32_t x = 0; x < picture.GetWidth(); ++x) {
        const Picture::Triple got = picture.GetPixel(x, y);
        const Picture::Triple want = expected.GetPicture().GetPixel(x, y);
        for (std::size_t c = 0; c < 3; ++c) largest = std::max(largest, std::abs(got[c] - want[c]));
      }
    }
    EXPECT_LE(largest, 6);
  }
}

}  // namespace
}  // namespace quillon::convert
