#include "core/formats/raster/TiffSamples.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/formats/raster/RasterIoSupport.h"
#include "core/formats/raster/SampleScaling.h"

namespace quillon {

namespace {

// A band (a strip or a row of tiles) of every plane is held at once; bands beyond these
// sizes are not what a file of that length holds.
constexpr std::uint64_t kMaxBandBytes = std::uint64_t{1} << 30;
constexpr std::uint64_t kAlwaysPlausibleBandBytes = std::uint64_t{64} << 20;
constexpr std::uint64_t kBandBytesPerFileByte = 4096;
// Sample reads look at three bytes from the one holding a sample's first bit.
constexpr std::size_t kReadSlack = 4;

// Sample `index` of a row of samples packed `bits` wide from the most significant bit;
// 16-bit samples are in host order (libtiff swaps them).
std::uint32_t SampleAt(const std::uint8_t* row, std::uint64_t index, int bits) {
  if (bits == 8) return row[index];
  if (bits == 16) {
    std::uint16_t v = 0;
    std::memcpy(&v, row + 2 * index, 2);
    return v;
  }
  const std::uint64_t bit = index * std::uint64_t(bits);
  const std::uint8_t* p = row + bit / 8;
  const std::uint32_t window = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
  return (window >> (24 - int(bit % 8) - bits)) & ((1u << bits) - 1);
}

// The colour map in 16 bits; a map whose entries all stay below 256 was written with 8-bit
// values and is read as such, as libtiff does.
class ColourMap {
 public:
  bool Load(TIFF* tiff, int bits) {
    if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &map_[0], &map_[1], &map_[2])) return false;
    entries_ = std::uint32_t{1} << bits;
    eightBit_ = true;
    for (std::uint32_t i = 0; i < entries_ && eightBit_; ++i) {
      eightBit_ = map_[0][i] < 256 && map_[1][i] < 256 && map_[2][i] < 256;
    }
    return true;
  }
  // Channel 0 red, 1 green, 2 blue of entry `index` (below 2 to the bits).
  std::uint32_t At(int channel, std::uint32_t index) const {
    const std::uint32_t v = map_[channel][index];
    return eightBit_ ? v * 257u : v;
  }
  std::uint32_t Entries() const { return entries_; }

 private:
  std::uint16_t* map_[3] = {};
  std::uint32_t entries_ = 0;
  bool eightBit_ = false;
};

// The strips or rows of tiles of the file, one band at a time, every plane of it.
class BandSource {
 public:
  BandSource(TIFF* tiff, const TiffSampleLayout& layout)
      : tiff_(tiff), layout_(layout), planes_(layout.planar ? layout.samplesPerPixel : 1) {}

  [[nodiscard]] bool Prepare(std::uint64_t fileBytes) {
    tiled_ = TIFFIsTiled(tiff_) != 0;
    if (tiled_) {
      if (!TIFFGetField(tiff_, TIFFTAG_TILEWIDTH, &tileWidth_) ||
          !TIFFGetField(tiff_, TIFFTAG_TILELENGTH, &bandRows_) || tileWidth_ == 0 ||
          bandRows_ == 0) {
        return false;
      }
      tileRowBytes_ = TIFFTileRowSize64(tiff_);
      across_ = (layout_.width + tileWidth_ - 1) / tileWidth_;
      rowBytes_ = tileRowBytes_ * across_;
    } else {
      std::uint32_t rows = layout_.height;
      TIFFGetFieldDefaulted(tiff_, TIFFTAG_ROWSPERSTRIP, &rows);
      bandRows_ = std::clamp<std::uint32_t>(rows, 1, layout_.height);
      rowBytes_ = TIFFScanlineSize64(tiff_);
    }
    if (rowBytes_ == 0 || rowBytes_ > kMaxBandBytes) return false;
    const std::uint64_t planeBytes = rowBytes_ * bandRows_;
    const std::uint64_t bandBytes = planeBytes * planes_;
    if (bandBytes > kMaxBandBytes ||
        (bandBytes > kAlwaysPlausibleBandBytes && bandBytes / kBandBytesPerFileByte > fileBytes)) {
      return false;
    }
    try {
      bands_.assign(planes_, std::vector<std::uint8_t>(planeBytes + kReadSlack));
      if (tiled_) tile_.resize(static_cast<std::size_t>(TIFFTileSize64(tiff_)));
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  std::uint32_t BandRows() const { return bandRows_; }

  [[nodiscard]] bool Read(std::uint32_t band) {
    for (std::uint16_t plane = 0; plane < planes_; ++plane) {
      if (!(tiled_ ? ReadTileRow(band, plane) : ReadStrip(band, plane))) return false;
    }
    return true;
  }

  const std::uint8_t* Row(std::uint16_t plane, std::uint32_t row) const {
    return bands_[plane].data() + rowBytes_ * row;
  }

 private:
  bool ReadStrip(std::uint32_t band, std::uint16_t plane) {
    const std::uint32_t perPlane = (layout_.height + bandRows_ - 1) / bandRows_;
    const std::uint64_t strip = std::uint64_t{plane} * perPlane + band;
    if (strip >= TIFFNumberOfStrips(tiff_)) return false;
    std::vector<std::uint8_t>& out = bands_[plane];
    std::fill(out.begin(), out.end(), 0);
    return TIFFReadEncodedStrip(tiff_, static_cast<std::uint32_t>(strip), out.data(),
                                static_cast<tmsize_t>(out.size() - kReadSlack)) >= 0;
  }

  bool ReadTileRow(std::uint32_t band, std::uint16_t plane) {
    std::vector<std::uint8_t>& out = bands_[plane];
    for (std::uint32_t t = 0; t < across_; ++t) {
      std::fill(tile_.begin(), tile_.end(), 0);
      if (TIFFReadTile(tiff_, tile_.data(), t * tileWidth_, band * bandRows_, 0, plane) < 0) {
        return false;
      }
      for (std::uint32_t r = 0; r < bandRows_; ++r) {
        const std::uint64_t from = tileRowBytes_ * r;
        if (from + tileRowBytes_ > tile_.size()) break;
        std::memcpy(out.data() + rowBytes_ * r + tileRowBytes_ * t, tile_.data() + from,
                    tileRowBytes_);
      }
    }
    return true;
  }

  TIFF* tiff_;
  const TiffSampleLayout& layout_;
  std::uint16_t planes_;
  bool tiled_ = false;
  std::uint32_t tileWidth_ = 0;
  std::uint32_t across_ = 0;
  std::uint64_t tileRowBytes_ = 0;
  std::uint32_t bandRows_ = 0;
  std::uint64_t rowBytes_ = 0;
  std::vector<std::vector<std::uint8_t>> bands_;
  std::vector<std::uint8_t> tile_;
};

// One file row (every plane's) into a picture line.
class RowConverter {
 public:
  RowConverter(const TiffSampleLayout& layout, const ColourMap& map)
      : layout_(layout), map_(map), max_((1u << layout.bits) - 1) {}

  void operator()(const BandSource& source, std::uint32_t row, std::uint8_t* out) const {
    const TiffSampleLayout& l = layout_;
    const auto sample = [&](std::uint32_t x, int s) {
      return l.planar
                 ? SampleAt(source.Row(static_cast<std::uint16_t>(s), row), x, l.bits)
                 : SampleAt(source.Row(0, row), std::uint64_t{x} * l.samplesPerPixel + s, l.bits);
    };
    const bool alpha = l.alphaSample >= 0;
    for (std::uint32_t x = 0; x < l.width; ++x) {
      const std::uint32_t a = alpha ? ScaleTo16(sample(x, l.alphaSample), max_) : kMax16;
      switch (l.kind) {
        case TiffSampleLayout::Kind::Grey: {
          std::uint32_t g = sample(x, 0);
          if (l.minIsWhite) g = max_ - std::min(g, max_);
          out[x] =
              alpha ? OverBackground(ScaleTo16(g, max_), a, l.premultiplied) : ScaleTo8(g, max_);
          break;
        }
        case TiffSampleLayout::Kind::Rgb:
          for (int c = 0; c < 3; ++c) {
            const std::uint32_t v = sample(x, c);
            out[3 * x + 2 - c] =
                alpha ? OverBackground(ScaleTo16(v, max_), a, l.premultiplied) : ScaleTo8(v, max_);
          }
          break;
        case TiffSampleLayout::Kind::Palette: {
          const std::uint32_t index = std::min(sample(x, 0), map_.Entries() - 1);
          for (int c = 0; c < 3; ++c) {
            const std::uint32_t v = map_.At(c, index);
            out[3 * x + 2 - c] = alpha ? OverBackground(v, a) : Scale16To8(v);
          }
          break;
        }
      }
    }
  }

 private:
  const TiffSampleLayout& layout_;
  const ColourMap& map_;
  std::uint32_t max_;
};

}  // namespace

bool TiffSampleLayoutOf(TIFF* tiff, TiffSampleLayout& layout) {
  std::uint16_t bits = 1, samples = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG,
                orientation = ORIENTATION_TOPLEFT, photometric = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) || format != SAMPLEFORMAT_UINT ||
      bits < 1 || bits > 16 || orientation != ORIENTATION_TOPLEFT) {
    return false;
  }
  TiffSampleLayout l;
  int colours = 1;
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
      l.minIsWhite = true;
      [[fallthrough]];
    case PHOTOMETRIC_MINISBLACK:
      l.kind = TiffSampleLayout::Kind::Grey;
      break;
    case PHOTOMETRIC_RGB:
      l.kind = TiffSampleLayout::Kind::Rgb;
      colours = 3;
      break;
    case PHOTOMETRIC_PALETTE:
      l.kind = TiffSampleLayout::Kind::Palette;
      break;
    default:
      return false;
  }
  if (samples < colours) return false;
  std::uint16_t extraCount = 0;
  std::uint16_t* extraTypes = nullptr;
  if (samples > colours && TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) &&
      extraCount > 0 && extraTypes != nullptr &&
      (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA)) {
    l.alphaSample = colours;
    l.premultiplied = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
  }
  // Tiles whose rows end inside a byte cannot be put side by side.
  std::uint32_t tileWidth = 0;
  const int tileSamples = planar == PLANARCONFIG_SEPARATE ? 1 : samples;
  if (TIFFIsTiled(tiff) && (!TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth) ||
                            (std::uint64_t{tileWidth} * tileSamples * bits) % 8 != 0)) {
    return false;
  }
  l.bits = bits;
  l.samplesPerPixel = samples;
  l.planar = planar == PLANARCONFIG_SEPARATE;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &l.width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &l.height);
  layout = l;
  return true;
}

bool ReadTiffSamples(TIFF* tiff, const TiffSampleLayout& layout, std::uint64_t fileBytes,
                     Picture& picture, RowProgress& progress) {
  ColourMap map;
  if (layout.kind == TiffSampleLayout::Kind::Palette) {
    if (!map.Load(tiff, layout.bits)) return false;
  }
  BandSource source(tiff, layout);
  if (!source.Prepare(fileBytes)) return false;
  const RowConverter convert(layout, map);
  for (std::uint32_t band = 0; band * std::uint64_t{source.BandRows()} < layout.height; ++band) {
    if (!source.Read(band)) return false;
    const std::uint32_t first = band * source.BandRows();
    const std::uint32_t rows = std::min(source.BandRows(), layout.height - first);
    for (std::uint32_t r = 0; r < rows; ++r) {
      convert(source, r, TopDownRow(picture, static_cast<std::int32_t>(first + r)));
      progress.Step();
    }
  }
  return true;
}

}  // namespace quillon
