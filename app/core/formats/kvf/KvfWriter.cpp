#include "core/formats/kvf/KvfWriter.h"

#include <stdio.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "core/document/LoadOptions.h"
#include "core/document/SaveArithmetic.h"
#include "core/formats/kvf/KvfWorkBuffers.h"
#include "core/formats/raster/AtomicFileWriter.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/picture/PalettePictures.h"
#include "kvf/kvf.h"

namespace quillon {

namespace {

constexpr std::uint32_t kOutputBufferSize = 32768;

// The pixels handed to the codec: the picture's own rows where the codec can read them,
// else a prepared top-down copy.
struct PreparedRows {
  KvfImage image{};
  std::uint16_t colourMode = KVF_COLOUR_GREY;
  std::unique_ptr<std::uint8_t[]> copy;
};

// False when memory for a copy runs out.
[[nodiscard]] bool PrepareRows(Picture& picture, PreparedRows& rows) {
  const std::int32_t width = picture.GetWidth();
  const std::int32_t height = picture.GetHeight();
  KvfImage& image = rows.image;
  image.width = width;
  image.height = height;
  image.xres = picture.GetXDpi16();
  image.yres = picture.GetYDpi16();
  image.maxval = 255;
  const CodecLayout layout = picture.GetCodecLayout();
  if (layout.bytesPerPixel == 3) {
    // Layout 19 reads the blue, green, red bytes as red, green, blue: the picture stays as it is.
    image.rows = layout.topRow;
    image.stride = layout.lineStep;
    image.format = KVF_LAYOUT_BYTES_210;
    rows.colourMode = KVF_COLOUR_RGB;
    return true;
  }
  if (picture.IsGrayRamp()) {
    image.rows = layout.topRow;
    image.stride = layout.lineStep;
    image.format = KVF_LAYOUT_GREY;
    return true;
  }
  const bool grey = picture.IsGray();
  const std::size_t lineBytes = std::size_t(width) * (grey ? 1 : 3);
  rows.copy.reset(new (std::nothrow) std::uint8_t[lineBytes * std::size_t(height)]);
  if (!rows.copy) return false;
  for (std::int32_t line = 0; line < height; ++line) {
    std::uint8_t* to = rows.copy.get() + lineBytes * std::size_t(line);
    if (!grey) {
      LineToRgb(picture, line, to);
      continue;
    }
    const std::uint8_t* from = TopDownRow(picture, line);
    for (std::int32_t x = 0; x < width; ++x) to[x] = picture.Palette()[from[x]].rgbBlue;
  }
  image.rows = rows.copy.get();
  image.stride = static_cast<std::int32_t>(lineBytes);
  image.format = grey ? KVF_LAYOUT_GREY : KVF_LAYOUT_BYTES_012;
  rows.colourMode = grey ? KVF_COLOUR_GREY : KVF_COLOUR_RGB;
  return true;
}

// The temporary file behind the codec's flush and seek callbacks, with its output buffer.
class KvfOutputFile {
 public:
  explicit KvfOutputFile(AtomicFileWriter& file) : file_(file), buffer_(kOutputBufferSize) {}

  void Attach(KvfEncodeParams& params) {
    params.outBuffer = buffer_.data();
    params.outSize = kOutputBufferSize;
    params.flush = &Flush;
    params.seek = &Seek;
    params.context = this;
  }

 private:
  static std::int16_t Flush(void* context, std::uint32_t count) {
    auto* self = static_cast<KvfOutputFile*>(context);
    count = std::min<std::uint32_t>(count, kOutputBufferSize);
    return self->file_.Write(self->buffer_.data(), count) ? 0 : -1;
  }
  static std::int32_t Seek(void* context, std::int32_t offset) {
    std::FILE* stream = static_cast<KvfOutputFile*>(context)->file_.Stream();
    return stream != nullptr && fseeko(stream, offset, SEEK_CUR) == 0 ? 0 : -1;
  }

  AtomicFileWriter& file_;
  std::vector<std::uint8_t> buffer_;
};

// Everything the codec is given besides the rows and the mode; fixed for every attempt.
struct EncodeSetup {
  std::uint16_t quality = KVF_FULL_QUALITY;
  std::uint32_t targetSize = 0;
  const KvfRegionList* regions = nullptr;
  const KvfPassword* password = nullptr;
};

enum class Outcome { Written, NoWorkMemory, Failed };

Outcome EncodeOnce(const std::filesystem::path& path, PreparedRows& rows, const EncodeSetup& setup,
                   std::uint16_t modeFlags, std::uint64_t workMemoryLimit, FileIoContext& context) {
  KvfImage& image = rows.image;
  KvfWorkspace workspace{};
  workspace.tag = KVF_INTERFACE_TAG;
  KvfEncodeParams params{};
  params.quality = setup.quality;
  params.levels = kKvfLevels;
  params.modeFlags = modeFlags;
  params.colourMode = rows.colourMode;
  params.targetSize = setup.targetSize;
  params.regions = setup.regions;
  params.password = setup.password;
  const bool embedded = (modeFlags & KVF_MODE_BASELINE) == 0;
  const std::int16_t planned = KvfEncodeInit(&image, &params, &workspace);
  // An embedded picture too large for the codec's size fields is a resource limit too.
  if (planned == KVF_ERROR_IMAGE_SIZE && embedded) return Outcome::NoWorkMemory;
  if (planned != KVF_OK) {
    context.failureDetails = KvfErrorText(planned);
    return Outcome::Failed;
  }
  KvfWorkBuffers buffers;
  if (!buffers.Allocate(workspace, workMemoryLimit)) {
    if (embedded) return Outcome::NoWorkMemory;
    context.ui.MessageBox(kOutOfMemoryMessage, MessageIcon::Stop);
    return Outcome::Failed;
  }

  AtomicFileWriter file(path);
  if (!file.Open()) return Outcome::Failed;
  KvfOutputFile output(file);
  output.Attach(params);
  RowProgress progress(context, kSavingCaption, path, image.height);
  const std::int32_t block = std::int32_t{1} << kKvfLevels;
  for (std::int32_t first = 0; first < image.height; first += block) {
    params.firstRow = first;
    params.endRow = std::min(image.height, first + block);
    params.flags = static_cast<std::uint16_t>((first == 0 ? KVF_FIRST_CALL : 0) |
                                              (params.endRow == image.height ? KVF_LAST_CALL : 0));
    if (const std::int16_t code = KvfEncode(&image, &params, &workspace); code != KVF_OK) {
      context.failureDetails = KvfErrorText(code);
      return Outcome::Failed;
    }
    for (std::int32_t row = first; row < params.endRow; ++row) progress.Step();
  }
  return file.Commit() ? Outcome::Written : Outcome::Failed;
}

KvfRegionList RegionListOf(const EnhancementRegions& regions) {
  KvfRegionList list{};
  list.count = static_cast<std::uint8_t>(std::min(regions.Count(), KVF_MAX_REGIONS));
  list.weight = static_cast<std::uint8_t>(std::clamp(regions.Level(), 0, 255));
  for (int i = 0; i < list.count; ++i) {
    const EnhancementRegion& r = regions[i];
    list.entries[i] = {static_cast<std::uint32_t>(std::max(r.x, 0)),
                       static_cast<std::uint32_t>(std::max(r.y, 0)),
                       static_cast<std::uint16_t>(std::max<std::int16_t>(r.width, 0)),
                       static_cast<std::uint16_t>(std::max<std::int16_t>(r.height, 0))};
  }
  return list;
}

KvfPassword PasswordOf(const KvfProtection& protection) {
  KvfPassword password{};
  password.freeQuality = std::min<std::uint16_t>(protection.freeQuality, KVF_FULL_QUALITY);
  std::strncpy(password.text, protection.password.c_str(), KVF_PASSWORD_CHARS);
  password.text[KVF_PASSWORD_CHARS] = '\0';
  return password;
}

// The byte limit of the options, lowered to the free space when the user agrees; nothing
// when the user cancels.
std::optional<std::uint32_t> ByteLimit(const std::filesystem::path& path,
                                       const SaveOptions& options, std::uint64_t rawSize,
                                       FileIoContext& context) {
  std::uint64_t limit = KvfTargetSize(options, rawSize);
  const std::optional<std::uint64_t> free = context.disk.FreeBytes(path);
  if (free && *free < KvfExpectedSize(options, rawSize)) {
    const auto shown = static_cast<std::int64_t>(
        std::min<std::uint64_t>(*free, std::numeric_limits<std::int64_t>::max()));
    if (context.ui.MessageBox(kKvfSpaceShortage, MessageIcon::Exclamation, MessageButtons::OkCancel,
                              {shown}) != MessageAnswer::Ok) {
      return std::nullopt;
    }
    limit = std::max<std::uint64_t>(limit == 0 ? *free : std::min(limit, *free), 1);
  }
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(limit, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

bool WriteKvf(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context,
              const SaveRequest& request, std::uint64_t workMemoryLimit) {
  Picture& picture = document.GetPicture();
  if (picture.IsEmpty()) return false;
  if (ExceedsKvfLimit(picture.GetWidth(), picture.GetHeight())) {
    context.ui.MessageBox(kKvfTooLargeToSave, MessageIcon::Exclamation);
    return false;
  }
  const SaveOptions& options = request.options;
  if (IsPalettePicture(picture) && options.showWarnings) ShowPaletteWarning(context.ui);

  PreparedRows rows;
  if (!PrepareRows(picture, rows)) {
    context.ui.MessageBox(kOutOfMemoryMessage, MessageIcon::Stop);
    return false;
  }
  const std::uint32_t components = rows.colourMode == KVF_COLOUR_RGB ? 3 : 1;
  const std::uint64_t rawSize =
      RawSize(static_cast<std::uint32_t>(rows.image.width),
              static_cast<std::uint32_t>(rows.image.height), 8 * components);
  const std::optional<std::uint32_t> limit = ByteLimit(path, options, rawSize, context);
  if (!limit) return false;

  EncodeSetup setup;
  setup.quality = KvfQuality(options);
  setup.targetSize = *limit;
  KvfRegionList regions{};
  if (request.regionsShown && document.regions.Count() > 0) {
    regions = RegionListOf(document.regions);
    setup.regions = &regions;
  }
  KvfPassword password{};
  if (document.protection.passwordOn) {
    password = PasswordOf(document.protection);
    setup.password = &password;
  }

  if (options.scanMode == ScanMode::Embedded) {
    const Outcome outcome = EncodeOnce(path, rows, setup, 0, workMemoryLimit, context);
    if (outcome != Outcome::NoWorkMemory) return outcome == Outcome::Written;
    context.ui.MessageBox(kKvfSwitchToBaseline, MessageIcon::Information);
  }
  return EncodeOnce(path, rows, setup, KVF_MODE_BASELINE, workMemoryLimit, context) ==
         Outcome::Written;
}

}  // namespace quillon
