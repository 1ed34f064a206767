#include "core/formats/raster/RasterProbes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "core/formats/raster/BmpHeader.h"
#include "core/formats/raster/JpegErrorManager.h"
#include "core/formats/raster/PnmHeader.h"
#include "core/formats/raster/TiffSession.h"

namespace quillon {

namespace {

// Every header field of BMP and PNM lies within this many bytes (PNM comments aside).
constexpr std::size_t kHeaderBytes = 4096;

std::vector<std::uint8_t> ReadFileStart(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes(kHeaderBytes);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

bool FitsInt32(std::uint64_t v) {
  return v <= std::uint64_t(std::numeric_limits<std::int32_t>::max());
}

bool ProbeJpegHeader(std::FILE* file, ProbeResult& probe) {
  jpeg_decompress_struct info{};
  JpegErrorManager errors{};
  InstallJpegErrorManager(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  probe.width = static_cast<std::int32_t>(info.image_width);
  probe.height = static_cast<std::int32_t>(info.image_height);
  probe.bitsPerPixel = 8 * info.num_components;
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

std::optional<ProbeResult> ProbeBmp(const std::filesystem::path& path, const StringTable& strings) {
  BmpLayout layout;
  if (!ParseBmpHeader(ReadFileStart(path), layout)) return std::nullopt;
  return ProbeResult{layout.width, layout.height, layout.bitCount,
                     strings.Load(layout.compression == kBmpRle8 || layout.compression == kBmpRle4
                                      ? kProbeCompressed
                                      : kProbeUncompressed)};
}

std::optional<ProbeResult> ProbePnm(const std::filesystem::path& path, const StringTable& strings) {
  PnmHeader header;
  if (!ParsePnmHeader(ReadFileStart(path), header)) return std::nullopt;
  return ProbeResult{static_cast<std::int32_t>(header.width),
                     static_cast<std::int32_t>(header.height), header.Colour() ? 24 : 8,
                     strings.Load(header.Plain() ? kProbePlainCoding : kProbeRawCoding)};
}

std::optional<ProbeResult> ProbeTiff(const std::filesystem::path& path) {
  TiffSession session;
  TIFF* tiff = session.Open(path, "rm");
  if (tiff == nullptr) return std::nullopt;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bits = 1;
  std::uint16_t samples = 1;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  if (width == 0 || height == 0 || !FitsInt32(width) || !FitsInt32(height)) return std::nullopt;
  return ProbeResult{
      static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), bits * samples, {}};
}

std::optional<ProbeResult> ProbePng(const std::filesystem::path& path, const StringTable& strings) {
  // The signature, then IHDR: length, type, width, height, depth, colour type, compression,
  // filter, interlace.
  static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const std::vector<std::uint8_t> bytes = ReadFileStart(path);
  if (bytes.size() < 33 ||
      !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()) ||
      std::memcmp(&bytes[12], "IHDR", 4) != 0) {
    return std::nullopt;
  }
  const auto be32 = [&](std::size_t at) {
    return std::uint64_t(bytes[at]) << 24 | std::uint64_t(bytes[at + 1]) << 16 |
           std::uint64_t(bytes[at + 2]) << 8 | bytes[at + 3];
  };
  const std::uint64_t width = be32(16);
  const std::uint64_t height = be32(20);
  const int depth = bytes[24];
  int channels = 0;
  switch (bytes[25]) {
    case 0:
    case 3:
      channels = 1;
      break;
    case 4:
      channels = 2;
      break;
    case 2:
      channels = 3;
      break;
    case 6:
      channels = 4;
      break;
    default:
      return std::nullopt;
  }
  if (width == 0 || height == 0 || !FitsInt32(width) || !FitsInt32(height) || depth == 0 ||
      depth > 16) {
    return std::nullopt;
  }
  return ProbeResult{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                     depth * channels,
                     strings.Load(bytes[28] != 0 ? kProbeInterlaced : kProbeNotInterlaced)};
}

std::optional<ProbeResult> ProbeJpeg(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  ProbeResult probe;
  const bool ok = ProbeJpegHeader(file, probe);
  std::fclose(file);
  if (!ok) return std::nullopt;
  return probe;
}

}  // namespace quillon
