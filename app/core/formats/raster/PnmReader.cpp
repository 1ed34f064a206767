#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/PnmHeader.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/formats/raster/SampleScaling.h"

namespace quillon {

namespace {

constexpr StringId kTooManyShadesMessage = 115;

// Brings a sample of 0..maxValue (larger values count as maxValue) to 0..255, rounded as
// the other readers round deep samples.
class SampleScaler {
 public:
  explicit SampleScaler(std::uint32_t maxValue) : max_(maxValue) {}
  std::uint8_t operator()(std::uint32_t sample) const { return ScaleTo8(sample, max_); }

 private:
  std::uint32_t max_;
};

// Delivers the samples of the file one by one, plain or raw.
class SampleSource {
 public:
  SampleSource(std::span<const std::uint8_t> bytes, const PnmHeader& header)
      : bytes_(bytes),
        tokens_(bytes, header.dataOffset),
        plain_(header.Plain()),
        wide_(header.maxValue > 255),
        max_(header.maxValue),
        pos_(header.dataOffset) {}

  // Whether the data can hold `count` samples at all; checked before allocating.
  bool CanHold(std::uint64_t count) const {
    const std::uint64_t available = bytes_.size() - std::min(pos_, bytes_.size());
    // A plain sample takes a digit and a separator (the last one may lack the separator).
    if (plain_) return count <= (available + 1) / 2;
    return count <= available / (wide_ ? 2 : 1);
  }

  [[nodiscard]] bool Next(std::uint32_t& sample) {
    if (plain_) return tokens_.Next(max_, sample);
    const std::size_t width = wide_ ? 2 : 1;
    if (bytes_.size() - pos_ < width) return false;
    sample = wide_ ? (std::uint32_t(bytes_[pos_]) << 8) | bytes_[pos_ + 1] : bytes_[pos_];
    pos_ += width;
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  PnmTokenizer tokens_;
  bool plain_;
  bool wide_;
  std::uint32_t max_;
  std::size_t pos_;
};

bool ReadRows(SampleSource& source, const PnmHeader& header, Picture& picture,
              RowProgress& progress) {
  const SampleScaler scale(header.maxValue);
  const auto width = static_cast<std::int32_t>(header.width);
  std::uint32_t sample = 0;
  for (std::int32_t line = 0; line < header.height; ++line) {
    std::uint8_t* row = TopDownRow(picture, line);
    if (header.Colour()) {
      // File order red, green, blue; memory order blue, green, red.
      for (std::int32_t x = 0; x < width; ++x) {
        for (int c = 2; c >= 0; --c) {
          if (!source.Next(sample)) return false;
          row[3 * x + c] = scale(sample);
        }
      }
    } else {
      for (std::int32_t x = 0; x < width; ++x) {
        if (!source.Next(sample)) return false;
        row[x] = scale(sample);
      }
    }
    progress.Step();
  }
  return true;
}

}  // namespace

bool ReadPnm(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context) {
  WaitCursor wait(context.ui);
  const auto fail = [&] {
    context.ui.MessageBox(kFileNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {path.string()});
    return false;
  };
  std::vector<std::uint8_t> bytes;
  if (ReadFileBytes(path, bytes, kMaxRasterFileBytes) != FileReadStatus::Ok) return fail();
  PnmHeader header;
  if (!ParsePnmHeader(bytes, header)) return fail();
  SampleSource source(bytes, header);
  const std::uint64_t samples =
      std::uint64_t(header.width) * std::uint64_t(header.height) * header.Channels();
  if (!PlausiblePictureSize(header.width, header.height, bytes.size(), 1) ||
      !source.CanHold(samples)) {
    return fail();
  }
  if (header.maxValue > 255) context.ui.MessageBox(kTooManyShadesMessage, MessageIcon::Exclamation);

  Picture& picture = document.GetPicture();
  if (!CreateSizedPicture(picture, static_cast<std::int32_t>(header.width),
                          static_cast<std::int32_t>(header.height), header.Colour(), context)) {
    return false;
  }
  ClearRowPadding(picture);
  RowProgress progress(context, kLoadingCaption, path, static_cast<std::int32_t>(header.height));
  if (!ReadRows(source, header, picture, progress)) return fail();
  picture.InvalidateCaches();
  return true;
}

}  // namespace quillon
