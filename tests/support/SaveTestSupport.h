// Fixtures of the save tests: the raster tests' scripted UI and pictures, save options, and
// readers of the boxes and the COD marker of a written JPEG 2000 file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "app/core/formats/raster/RasterTestSupport.h"
#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/SavePipeline.h"

namespace quillon::test {

inline std::uint32_t BigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes.at(at + std::size_t(i));
  return value;
}

// Offset of the contents of the first box of `type` among the top-level boxes and those
// inside the JP2 header and resolution boxes; nothing when there is none.
inline std::optional<std::size_t> FindBox(const std::vector<std::uint8_t>& file,
                                          std::string_view type) {
  std::size_t at = 0;
  while (at + 8 <= file.size()) {
    const std::uint32_t length = BigEndian(file, at, 4);
    const std::string_view boxType(reinterpret_cast<const char*>(file.data() + at + 4), 4);
    if (boxType == type) return at + 8;
    if (boxType == "jp2h" || boxType == "res ") {
      at += 8;  // step into the super box
      continue;
    }
    if (length < 8) return std::nullopt;
    at += length;
  }
  return std::nullopt;
}

// The coding style of a codestream's main header.
struct CodingStyle {
  int progression = -1;
  int layers = 0;
  int levels = -1;
  int markers = 0;                      // bit 0 SOP, bit 1 EPH
  std::vector<std::uint8_t> precincts;  // PPy << 4 | PPx per resolution, when given
  int codeBlockWidthExponent = 0;
  int codeBlockHeightExponent = 0;
  int transform = -1;  // 1 reversible 5/3, 0 irreversible 9/7
};

// Reads the COD marker of the codestream in a JP2 file or a raw codestream.
inline std::optional<CodingStyle> ReadCodingStyle(const std::vector<std::uint8_t>& file) {
  std::size_t at = FindBox(file, "jp2c").value_or(0);
  if (BigEndian(file, at, 2) != 0xFF4F) return std::nullopt;
  at += 2;
  while (at + 4 <= file.size()) {
    const std::uint32_t marker = BigEndian(file, at, 2);
    const std::uint32_t length = BigEndian(file, at + 2, 2);
    if (marker == 0xFF90) return std::nullopt;  // tile data before any COD
    if (marker == 0xFF52) {
      CodingStyle style;
      const std::uint8_t scod = file.at(at + 4);
      style.markers = (scod >> 1) & 3;
      style.progression = file.at(at + 5);
      style.layers = static_cast<int>(BigEndian(file, at + 6, 2));
      style.levels = file.at(at + 9);
      style.codeBlockWidthExponent = file.at(at + 10) + 2;
      style.codeBlockHeightExponent = file.at(at + 11) + 2;
      style.transform = file.at(at + 13);
      if ((scod & 1) != 0) {
        for (int r = 0; r <= style.levels; ++r)
          style.precincts.push_back(file.at(at + 14 + std::size_t(r)));
      }
      return style;
    }
    at += 2 + length;
  }
  return std::nullopt;
}

// Components of the image header box and the colour space of the colour box.
struct ImageHeader {
  std::uint32_t width = 0, height = 0;
  int components = 0;
  int bitsPerComponent = 0;
  std::uint32_t enumeratedColourSpace = 0;  // 16 sRGB, 17 greyscale
};

inline std::optional<ImageHeader> ReadImageHeader(const std::vector<std::uint8_t>& file) {
  const auto ihdr = FindBox(file, "ihdr");
  const auto colr = FindBox(file, "colr");
  if (!ihdr || !colr) return std::nullopt;
  ImageHeader header;
  header.height = BigEndian(file, *ihdr, 4);
  header.width = BigEndian(file, *ihdr + 4, 4);
  header.components = static_cast<int>(BigEndian(file, *ihdr + 8, 2));
  header.bitsPerComponent = (file.at(*ihdr + 10) & 0x7F) + 1;
  header.enumeratedColourSpace = BigEndian(file, *colr + 3, 4);
  return header;
}

// A colour picture without edges, as photographs mostly are: lossy coders keep it close.
inline void FillSmooth(Picture& picture, std::int32_t width, std::int32_t height) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(true));
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = std::uint8_t((x + y / 2) % 200);
      p[1] = std::uint8_t(128 + (x - y) / 3);
      p[2] = std::uint8_t((y + 40) % 250);
    }
  }
}

// A save fixture: scripted UI, settable free space, private directory.
class SaveTest : public RasterTest {
 protected:
  bool Save(const std::filesystem::path& path, PictureDocument& document,
            const SaveOptions& options, bool regionsShown = false) {
    return SavePicture(path, SaveFormatOfPath(path), document, context, {options, regionsShown});
  }
  // Opens a saved file into `document` with the program's readers.
  bool Open(const std::filesystem::path& path, PictureDocument& document) {
    return OpenPicture(path, document, context, OpenRequest{});
  }

  // Number of entries in the test directory, so that left-over temporary files show.
  std::size_t Entries() const {
    return std::size_t(std::distance(std::filesystem::directory_iterator(dir), {}));
  }
};

}  // namespace quillon::test
