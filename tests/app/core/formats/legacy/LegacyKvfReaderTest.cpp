// KVF files of versions 0 and 1, written by the legacy library, through the open pipeline:
// the pixels are the library's own decode, loading limits shrink what is decoded, and the
// probe shows version, filter and ratio.
#include "core/formats/legacy/LegacyKvfReader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/document/DocumentTitle.h"

#include "core/document/LoadOptions.h"
#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/PictureProbe.h"
#include "support/LegacyKvfFixture.h"
#include "support/NoDiskSpace.h"
#include "support/RecordingUiServices.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

constexpr const char* kStrings =
    "154\tKorvel %s\\nFilter: %24.24s\\nCompression:\\t 1 to %s\n"
    "33007\tYour System has not enough memory.\n"
    "33008\tAn Error occured during loading a wavelet compressed image. \n";

using test::LegacyKvfFile;
using test::LegacyLibraryPixels;

class LegacyKvfReaderTest : public ::testing::Test {
 protected:
  LegacyKvfReaderTest()
      : strings_(*StringTable::Parse(kStrings)), ui_(strings_), context_{ui_, disk_, false} {}

  LegacyKvfFile Write(const std::string& name, int width, int height, int channels, int filter,
                      int budget) {
    return test::WriteLegacyKvf(dir_.path() / name, width, height, channels, filter, budget);
  }

  std::vector<std::uint8_t> OpenedPixels() const {
    return test::TopDownSamples(document_->GetPicture());
  }

  bool Open(const LegacyKvfFile& file, const LoadOptions* load = nullptr) {
    document_ = std::make_unique<PictureDocument>();
    return OpenPicture(file.path, *document_, context_, OpenRequest{false, load, 1});
  }

  test::TempDir dir_;
  StringTable strings_;
  test::RecordingUiServices ui_;
  test::NoDiskSpace disk_;
  FileIoContext context_;
  std::unique_ptr<PictureDocument> document_;
};

TEST_F(LegacyKvfReaderTest, OpensWithTheLibrarysPixels) {
  const struct {
    int channels, filter, budget;
  } cases[] = {{3, 8, 0}, {3, 1, 2000}, {1, 0, 0}, {1, 12, 0}, {3, 17, 3000}, {1, 9, 900}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.channels << " channels, filter " << c.filter);
    const LegacyKvfFile file = Write("p.kvf", 61, 37, c.channels, c.filter, c.budget);
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(document_->GetPicture().GetBitCount(), c.channels == 3 ? 24 : 8);
    EXPECT_EQ(OpenedPixels(), LegacyLibraryPixels(file));
    const double ratio =
        61.0 * 37 * c.channels / static_cast<double>(std::filesystem::file_size(file.path));
    EXPECT_DOUBLE_EQ(document_->compressionRatio, ratio);
    EXPECT_TRUE(ui_.messages.empty());
  }
}

TEST_F(LegacyKvfReaderTest, LoadingLimitsDecodeLess) {
  const LegacyKvfFile file = Write("q.kvf", 64, 64, 3, 8, 0);
  const LoadOptions quality{LoadType::Quality, 2, 10.0, 10.0};
  ASSERT_TRUE(Open(file, &quality));
  const std::vector<std::uint8_t> coarse = OpenedPixels();
  EXPECT_EQ(coarse, LegacyLibraryPixels(file, 2));
  EXPECT_NE(coarse, LegacyLibraryPixels(file));

  // Qualities above 15 are the library's best.
  const LoadOptions best{LoadType::Quality, 80, 10.0, 10.0};
  ASSERT_TRUE(Open(file, &best));
  EXPECT_EQ(OpenedPixels(), LegacyLibraryPixels(file));

  const LoadOptions rate{LoadType::CompressionRate, 80, 40.0, 10.0};
  ASSERT_TRUE(Open(file, &rate));
  EXPECT_EQ(OpenedPixels(), LegacyLibraryPixels(file, 0, 64 * 64 * 3 / 40));
  EXPECT_DOUBLE_EQ(document_->compressionRatio, 40.0);
}

TEST_F(LegacyKvfReaderTest, ProbeShowsVersionFilterAndRatio) {
  const LegacyKvfFile file = Write("r.kvf", 48, 40, 3, 8, 0);
  const std::optional<ProbeResult> probe = ProbeKvfLegacy(file.path, strings_);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->width, 48);
  EXPECT_EQ(probe->bitsPerPixel, 24);
  const double ratio = 48.0 * 40 * 3 / static_cast<double>(std::filesystem::file_size(file.path));
  EXPECT_EQ(probe->formatText, "Korvel V1\nFilter:  Biorthogonal Spline 9 7\nCompression:\t 1 to " +
                                   FormatRatio(ratio));
}

TEST_F(LegacyKvfReaderTest, BrokenFilesFailWithTheLibrarysText) {
  // Filter 19: the header reader refuses it, silently.
  const std::filesystem::path bad = dir_.path() / "bad.kvf";
  std::ofstream(bad, std::ios::binary).write("WV\x01\x00\x20\x00\x20\x13\x12\x04\x00\x00", 12);
  document_ = std::make_unique<PictureDocument>();
  EXPECT_FALSE(OpenPicture(bad, *document_, context_, {}));
  EXPECT_TRUE(ui_.messages.empty());
  // Levels that do not fit the size: the decoder's error with its text.
  std::ofstream(bad, std::ios::binary).write("WV\x01\x00\x10\x00\x10\x08\xD4\x04\x00\x00\x01", 13);
  EXPECT_FALSE(OpenPicture(bad, *document_, context_, {}));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "An Error occured during loading a wavelet compressed image. \nCan not transform this "
            "number of levels");
}

}  // namespace
}  // namespace quillon
