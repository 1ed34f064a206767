#include <cstdio>
#include <string>

#include "core/formats/raster/AtomicFileWriter.h"
#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/RasterIoSupport.h"

namespace quillon {

namespace {

constexpr StringId kGrayOnlyMessage = 33004;
constexpr char kCreatorComment[] = "\n# Created by Korvel Quillon 3.0\n";
// A plain line is ended as soon as it holds more than this many characters.
constexpr std::size_t kPlainLineLimit = 65;

std::string PnmHeaderText(const Picture& picture, PnmKind kind, PnmCoding coding) {
  const bool raw = coding == PnmCoding::Raw;
  std::string text = kind == PnmKind::Ppm ? (raw ? "P6" : "P3") : (raw ? "P5" : "P2");
  text += kCreatorComment;
  text +=
      std::to_string(picture.GetWidth()) + " " + std::to_string(picture.GetHeight()) + "\n255\n";
  return text;
}

// Collects plain samples as "<n> " and writes a line as soon as it is longer than the limit.
class PlainLineWriter {
 public:
  explicit PlainLineWriter(AtomicFileWriter& file) : file_(file) {}
  [[nodiscard]] bool Put(std::uint8_t sample) {
    line_ += std::to_string(sample);
    line_ += ' ';
    return line_.size() <= kPlainLineLimit || Flush();
  }
  [[nodiscard]] bool Flush() {
    line_ += '\n';
    const bool ok = file_.Write(line_.data(), line_.size());
    line_.clear();
    return ok;
  }

 private:
  AtomicFileWriter& file_;
  std::string line_;
};

// One picture line as samples: red, green, blue per pixel, or one grey value per pixel.
void LineSamples(const Picture& picture, std::int32_t line, PnmKind kind, bool grayPicture,
                 std::vector<std::uint8_t>& rgb, std::vector<std::uint8_t>& samples) {
  LineToRgb(picture, line, rgb.data());
  if (kind == PnmKind::Ppm) {
    samples = rgb;
    return;
  }
  for (std::size_t x = 0; x < samples.size(); ++x) {
    const std::uint8_t* p = &rgb[3 * x];
    samples[x] =
        grayPicture ? p[0] : static_cast<std::uint8_t>(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]);
  }
}

}  // namespace

bool WritePnm(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context,
              PnmKind kind, PnmCoding coding) {
  const Picture& picture = document.GetPicture();
  if (picture.IsEmpty()) return false;
  WaitCursor wait(context.ui);
  const std::string header = PnmHeaderText(picture, kind, coding);
  const std::size_t width = static_cast<std::size_t>(picture.GetWidth());
  const std::size_t channels = kind == PnmKind::Ppm ? 3 : 1;
  const std::uint64_t samples =
      std::uint64_t(width) * std::uint64_t(picture.GetHeight()) * channels;
  // Plain samples take up to four characters, and every line a newline.
  const std::uint64_t dataBytes =
      coding == PnmCoding::Raw ? samples : samples * 4 + samples / 16 + 1;
  if (!ConfirmFreeSpace(context, path, header.size() + dataBytes, SpaceShortage::Refuse)) {
    return false;
  }
  const bool grayPicture = picture.IsGray();
  if (kind == PnmKind::Pgm && !grayPicture) {
    context.ui.MessageBox(kGrayOnlyMessage, MessageIcon::Exclamation);
  }

  AtomicFileWriter file(path);
  if (!file.Open() || !file.Write(header.data(), header.size())) return false;
  RowProgress progress(context, kSavingCaption, path, picture.GetHeight());
  PlainLineWriter plain(file);
  std::vector<std::uint8_t> rgb(3 * width);
  std::vector<std::uint8_t> lineSamples(width * channels);
  for (std::int32_t line = 0; line < picture.GetHeight(); ++line) {
    LineSamples(picture, line, kind, grayPicture, rgb, lineSamples);
    if (coding == PnmCoding::Raw) {
      if (!file.Write(lineSamples.data(), lineSamples.size())) return false;
    } else {
      for (const std::uint8_t sample : lineSamples) {
        if (!plain.Put(sample)) return false;
      }
    }
    progress.Step();
  }
  if (coding == PnmCoding::Plain && !plain.Flush()) return false;
  return file.Commit();
}

}  // namespace quillon
