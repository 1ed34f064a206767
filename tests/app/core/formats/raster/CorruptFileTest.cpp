// Truncated, corrupted and oversized files of every format: each read ends cleanly (the
// sanitizers catch any overread) and claims of huge pictures allocate nothing big.
#include <algorithm>
#include <chrono>
#include <iterator>

#include "RasterTestSupport.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/RasterProbes.h"
#include "core/formats/raster/TiffFile.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillPalette;
using test::ReadAll;
using test::WriteAll;

using Reader = bool (*)(const std::filesystem::path&, PictureDocument&, FileIoContext&);

// A hand-made RLE8 bitmap, 6 by 3, with runs, an absolute run, a delta and the end code.
std::vector<std::uint8_t> Rle8File() {
  const std::uint8_t header[] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54 + 8, 0, 0, 0, 40, 0, 0,
                                 0,   6,   0, 0, 0, 3, 0, 0, 0, 1, 0,      8, 0, 1, 0,  0, 0};
  std::vector<std::uint8_t> v(54, 0);
  std::copy(std::begin(header), std::end(header), v.begin());
  v[46] = 2;  // two palette entries
  for (int i = 0; i < 8; ++i) v.push_back(std::uint8_t(i * 30));
  for (std::uint8_t b : {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1}) v.push_back(b);
  return v;
}

class CorruptFiles : public test::RasterTest {
 protected:
  // Valid files of a format, written by our own writers.
  std::vector<std::vector<std::uint8_t>> Samples(const std::string& format) {
    std::vector<std::vector<std::uint8_t>> samples;
    PictureDocument colour, palette;
    FillColour(colour.GetPicture(), 21, 13);
    FillPalette(palette.GetPicture(), 19, 9, 16);
    const auto path = File("sample");
    for (PictureDocument* doc : {&colour, &palette}) {
      bool ok = false;
      if (format == "bmp") ok = WriteBmp(path, *doc, context);
      if (format == "pnm") ok = WritePnm(path, *doc, context, PnmKind::Ppm, PnmCoding::Raw);
      if (format == "tif") ok = WriteTiff(path, *doc, context, TiffCompression::PackBits);
      if (format == "jpg") ok = WriteJpeg(path, *doc, context, 75);
      if (format == "png") ok = WritePng(path, *doc, context, 6);
      EXPECT_TRUE(ok) << format;
      samples.push_back(ReadAll(path));
    }
    if (format == "bmp") samples.push_back(Rle8File());
    if (format == "pnm") {
      EXPECT_TRUE(WritePnm(path, palette, context, PnmKind::Pgm, PnmCoding::Plain));
      samples.push_back(ReadAll(path));
    }
    return samples;
  }

  // Reads every variant; the result may be true or false, but it has to come back.
  void ReadAllVariants(Reader read, const std::vector<std::vector<std::uint8_t>>& variants) {
    const auto path = File("variant");
    for (const auto& bytes : variants) {
      WriteAll(path, bytes);
      PictureDocument doc;
      const bool ok = read(path, doc, context);
      if (ok) {
        EXPECT_FALSE(doc.GetPicture().IsEmpty());
      }
    }
    EXPECT_GT(variants.size(), 0u);
  }

  static std::vector<std::vector<std::uint8_t>> Truncations(const std::vector<std::uint8_t>& file) {
    std::vector<std::vector<std::uint8_t>> cuts;
    for (std::size_t length = 0; length < file.size(); length += length < 160 ? 1 : 37) {
      cuts.emplace_back(file.begin(), file.begin() + std::ptrdiff_t(length));
    }
    return cuts;
  }

  // Single-byte changes over the first bytes (headers) and a spread over the rest.
  static std::vector<std::vector<std::uint8_t>> Corruptions(const std::vector<std::uint8_t>& file) {
    std::vector<std::vector<std::uint8_t>> variants;
    std::uint32_t seed = 12345;
    for (std::size_t at = 0; at < file.size(); at += at < 200 ? 1 : 23) {
      for (const std::uint8_t value :
           {std::uint8_t(0x00), std::uint8_t(0xFF), std::uint8_t(0x80)}) {
        auto v = file;
        seed = seed * 1103515245 + 12345;
        v[at] = std::uint8_t(value ^ (seed >> 24 & 0x0F));
        variants.push_back(std::move(v));
      }
    }
    return variants;
  }
};

TEST_F(CorruptFiles, TruncatedAndCorruptedFilesOfEveryFormatFailCleanly) {
  const std::vector<std::pair<std::string, Reader>> formats{
      {"bmp", ReadBmp}, {"pnm", ReadPnm}, {"tif", ReadTiff}, {"jpg", ReadJpeg}, {"png", ReadPng}};
  for (const auto& [format, read] : formats) {
    const auto samples = Samples(format);
    for (const auto& sample : samples) {
      ASSERT_GT(sample.size(), 50u) << format;
      ReadAllVariants(read, Truncations(sample));
      ReadAllVariants(read, Corruptions(sample));
    }
    // The probes take the same files.
    for (const auto& cut : Truncations(samples[0])) {
      WriteAll(File("probe"), cut);
      (void)ProbeBmp(File("probe"), test::EnglishStrings());
      (void)ProbePnm(File("probe"), test::EnglishStrings());
      (void)ProbeTiff(File("probe"));
      (void)ProbeJpeg(File("probe"));
      (void)ProbePng(File("probe"), test::EnglishStrings());
    }
  }
  // Nothing asks the user a question on a read.
  for (const Message& m : ui.messages) EXPECT_EQ(m.buttons, MessageButtons::Ok);
}

TEST_F(CorruptFiles, TruncatedBmpFromMemoryFails) {
  const auto file = Rle8File();
  PictureDocument doc;
  for (std::size_t length = 0; length < file.size(); ++length) {
    // Cut inside the run-length data before the end code: the picture is incomplete.
    EXPECT_FALSE(ReadBmpMemory(std::span(file).first(length), doc, context)) << length;
  }
  EXPECT_TRUE(ReadBmpMemory(file, doc, context));
}

void PutLe32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = std::uint8_t(x >> (8 * i));
}

// Sets the value of a SHORT or LONG tag in the first directory of a little-endian TIFF.
void PatchTiffTag(std::vector<std::uint8_t>& tiff, std::uint16_t tag, std::uint32_t value) {
  const auto le16 = [&](std::size_t at) { return std::uint32_t(tiff[at] | (tiff[at + 1] << 8)); };
  const std::size_t ifd = tiff[4] | (tiff[5] << 8) | (tiff[6] << 16) | (std::size_t(tiff[7]) << 24);
  const std::uint32_t count = le16(ifd);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = ifd + 2 + 12 * i;
    if (le16(entry) != tag) continue;
    if (le16(entry + 2) == 3) {
      tiff[entry + 8] = std::uint8_t(value);
      tiff[entry + 9] = std::uint8_t(value >> 8);
    } else {
      PutLe32(tiff, entry + 8, value);
    }
    return;
  }
  ADD_FAILURE() << "tag " << tag << " not found";
}

TEST_F(CorruptFiles, HugeClaimedSizesAreRefusedWithoutAllocating) {
  const auto start = std::chrono::steady_clock::now();
  const auto path = File("huge");
  PictureDocument doc;

  // 8000 by 8000 from a few dozen bytes of run-length data: found by fuzzing, once allocated.
  for (const std::uint32_t size : {0x7FFFFFFFu, 0x10000u, 60000u, 8000u}) {
    auto bmp = Rle8File();
    PutLe32(bmp, 18, size);
    PutLe32(bmp, 22, size);
    WriteAll(path, bmp);
    EXPECT_FALSE(ReadBmp(path, doc, context)) << size;
    bmp[30] = 0;  // uncompressed: the rows are not there
    WriteAll(path, bmp);
    EXPECT_FALSE(ReadBmp(path, doc, context)) << size;
  }

  for (const char* header :
       {"P6 65535 65535 255\n", "P5 2147483647 2 255\n", "P3 40000 40000 255 1 2 3"}) {
    std::string text(header);
    WriteAll(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_FALSE(ReadPnm(path, doc, context)) << header;
  }

  PictureDocument small;
  FillColour(small.GetPicture(), 8, 8);
  ASSERT_TRUE(WriteTiff(path, small, context, TiffCompression::None));
  const auto tiff = ReadAll(path);
  for (const std::uint32_t size : {0xFFFFFFFFu, 0x7FFFFFFFu, 100000u}) {
    auto patched = tiff;
    PatchTiffTag(patched, 256, size);
    PatchTiffTag(patched, 257, size);
    WriteAll(path, patched);
    EXPECT_FALSE(ReadTiff(path, doc, context)) << size;
  }

  ASSERT_TRUE(WriteJpeg(path, small, context, 80));
  auto jpeg = ReadAll(path);
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = jpeg[i + 7] = 0xFF;  // height and width 65xxx
      jpeg[i + 6] = jpeg[i + 8] = 0xD0;
      break;
    }
  }
  WriteAll(path, jpeg);
  EXPECT_FALSE(ReadJpeg(path, doc, context));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace quillon
