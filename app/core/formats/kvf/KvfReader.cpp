#include "core/formats/kvf/KvfReader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "core/display/Thumbnail.h"
#include "core/formats/kvf/KvfWorkBuffers.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "kvf/kvf.h"

namespace quillon {

namespace {

constexpr std::uint32_t kInputBufferSize = 32768;
constexpr std::int32_t kPreviewSideLimit = 201;
constexpr int kPreviewMaxHalvings = 3;
// A wavelet file of a flat picture codes many pixels per byte; beyond this it is hostile.
constexpr std::uint64_t kKvfPixelsPerByte = std::uint64_t{1} << 16;

// The file behind the codec's fetch and seek callbacks, with the codec's input buffer.
class KvfInputFile {
 public:
  explicit KvfInputFile(const std::filesystem::path& path)
      : file_(std::fopen(path.c_str(), "rb")), buffer_(kInputBufferSize) {}
  ~KvfInputFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  KvfInputFile(const KvfInputFile&) = delete;
  KvfInputFile& operator=(const KvfInputFile&) = delete;

  // Reads the first bytes and points the parameters at the buffer and the callbacks.
  [[nodiscard]] bool Start(KvfDecodeParams& params) {
    if (file_ == nullptr) return false;
    params.buffer = buffer_.data();
    params.filled =
        static_cast<std::uint32_t>(std::fread(buffer_.data(), 1, buffer_.size(), file_));
    params.fetch = &Fetch;
    params.seek = &Seek;
    params.context = this;
    return !std::ferror(file_);
  }

 private:
  static std::int32_t Fetch(void* context, std::uint32_t size) {
    auto* self = static_cast<KvfInputFile*>(context);
    const std::size_t got = std::fread(
        self->buffer_.data(), 1, std::min<std::size_t>(size, self->buffer_.size()), self->file_);
    return std::ferror(self->file_) ? -1 : static_cast<std::int32_t>(got);
  }
  static std::int32_t Seek(void* context, std::int32_t offset) {
    auto* self = static_cast<KvfInputFile*>(context);
    return fseeko(self->file_, offset, SEEK_CUR) == 0 ? 0 : -1;
  }

  std::FILE* file_;
  std::vector<std::uint8_t> buffer_;
};

// How the picture of a colour mode is decoded: the codec's layout and the picture's depth,
// and for the open dialog the channels and sample bits the file codes.
struct OutputKind {
  std::uint16_t colourMode;
  std::int16_t layout;
  bool colour;
  int fileChannels;
  int fileSampleBits;
};

// The colour modes this reader shows; files of the codec's other modes are refused.
constexpr OutputKind kOutputs[] = {
    {KVF_COLOUR_GREY, KVF_LAYOUT_GREY, false, 1, 8},
    {17, KVF_LAYOUT_GREY, false, 1, 16},
    {22, KVF_LAYOUT_GREY, false, 1, 16},
    // Files hold red first; layout 19 puts it into the picture's third byte.
    {KVF_COLOUR_RGB, KVF_LAYOUT_BYTES_210, true, 3, 8},
    {4, KVF_LAYOUT_BYTES_210, true, 3, 8},
    {6, KVF_LAYOUT_BYTES_210, true, 3, 8},
    {8, KVF_LAYOUT_BYTES_210, true, 3, 8},
    {18, KVF_LAYOUT_BYTES_210, true, 3, 16},
    {19, KVF_LAYOUT_BYTES_210, true, 3, 16},
    {20, KVF_LAYOUT_BYTES_210, true, 3, 16},
    // Four channels; the first three are shown.
    {7, KVF_LAYOUT_BYTES_0123, true, 4, 8},
};

std::optional<OutputKind> OutputOf(std::uint16_t colourMode) {
  for (const OutputKind& output : kOutputs) {
    if (output.colourMode == colourMode) return output;
  }
  return std::nullopt;
}

// Reports a codec failure: its own message for a wrong password, else 33008 with the codec's
// text.
void ReportCodecError(FileIoContext& context, std::int16_t code) {
  if (code == KVF_ERROR_WRONG_PASSWORD) {
    context.ui.MessageBox(kKvfWrongPassword, MessageIcon::Stop);
    return;
  }
  context.ui.MessageBox(context.ui.Strings().Load(kKvfLoadError) + "\n" + KvfErrorText(code),
                        MessageIcon::Stop);
}

// The codec's progress callback has no context: the one reader running on the interface
// thread owns it for the length of its decode.
thread_local Progress* activeProgress = nullptr;

void ReportProgress(std::int32_t percent) {
  if (activeProgress != nullptr) activeProgress->SetPos(percent);
}

class ProgressScope {
 public:
  ProgressScope(FileIoContext& context, const std::filesystem::path& path) {
    if (!context.showProgress) return;
    progress_ = context.ui.BeginProgress(
        FormatMessage(context.ui.Strings().Load(kLoadingCaption), {DisplayName(path)}));
    if (progress_) progress_->SetRange(0, 100);
    activeProgress = progress_.get();
  }
  ~ProgressScope() { activeProgress = nullptr; }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  std::unique_ptr<Progress> progress_;
};

// Opens the file and reads its header into `info`; the buffers keep the header state.
std::int16_t ReadHeader(KvfInputFile& file, KvfWorkspace& workspace, KvfWorkBuffers& buffers,
                        KvfDecodeParams& params, KvfInfo& info) {
  if (!file.Start(params)) return KVF_ERROR_FETCH;
  workspace.tag = KVF_INTERFACE_TAG;
  if (const std::int16_t code = KvfInit(&workspace); code != 0) return code;
  if (!buffers.Allocate(workspace)) return KVF_ERROR_INTERNAL;
  return KvfReadHeader(&info, &params, &workspace);
}

// Halvings of a preview: while a side is 201 or more, at most levels - 2 and at most 3 times.
int PreviewHalvings(const KvfInfo& info) {
  const int allowed = std::min(kPreviewMaxHalvings, std::max(0, int{info.levels} - 2));
  int halvings = 0;
  while (halvings < allowed &&
         (static_cast<std::int64_t>(info.width >> halvings) >= kPreviewSideLimit ||
          static_cast<std::int64_t>(info.height >> halvings) >= kPreviewSideLimit)) {
    ++halvings;
  }
  return halvings;
}

// The codec's byte budget: nothing for no limit, at least 1 byte, at most what i32 holds.
std::int32_t ByteBudget(std::optional<std::uint64_t> bytes) {
  if (!bytes) return 0;
  return static_cast<std::int32_t>(std::clamp<std::uint64_t>(
      *bytes, 1, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())));
}

// Copies the first three of four channels of each top-down row into the picture.
void StoreFourChannelRows(const std::vector<std::uint8_t>& rows, Picture& picture) {
  const std::int32_t width = picture.Header().biWidth;
  for (std::int32_t line = 0; line < picture.Header().biHeight; ++line) {
    const std::uint8_t* from = rows.data() + std::size_t(line) * width * 4;
    std::uint8_t* to = TopDownRow(picture, line);
    for (std::int32_t x = 0; x < width; ++x) std::memcpy(to + 3 * x, from + 4 * x, 3);
  }
}

// Everything a decode needs besides the file; filled step by step by ReadKvfCurrent.
struct DecodeJob {
  KvfWorkspace workspace{};
  KvfWorkBuffers buffers;
  KvfDecodeParams params{};
  KvfInfo info{};
  KvfPassword password{};
  KvfImage image{};
};

// Fixes the output size (halved for a preview or a thumbnail as far as the codec allows) and
// sizes the buffers.
std::int16_t PlanOutput(DecodeJob& job, OutputKind output, const OpenRequest& request) {
  const int wanted = request.preview
                         ? PreviewHalvings(job.info)
                         : std::min(int{job.info.levels},
                                    FitHalvings(job.info.width, job.info.height, request.fitSide));
  for (int halvings = wanted;; --halvings) {
    job.image.width = static_cast<std::int32_t>(job.info.width >> halvings);
    job.image.height = static_cast<std::int32_t>(job.info.height >> halvings);
    job.image.format = output.layout;
    const std::int16_t code = KvfDecodeInit(&job.image, &job.params, &job.workspace);
    if (code != KVF_ERROR_IMAGE_SIZE || halvings == 0) return code;
  }
}

}  // namespace

bool ReadKvfCurrent(const std::filesystem::path& path, PictureDocument& document,
                    FileIoContext& context, const OpenRequest& request) {
  WaitCursor wait(context.ui);
  KvfInputFile file(path);
  DecodeJob job;
  std::int16_t code = ReadHeader(file, job.workspace, job.buffers, job.params, job.info);
  const std::optional<OutputKind> output = OutputOf(job.info.colourMode);
  if (code == KVF_ERROR_COLOUR_MODE || (code == 0 && !output)) {
    context.ui.MessageBox(kKvfColourModeUnsupported, MessageIcon::Stop);
    return false;
  }
  if (code != 0) {
    ReportCodecError(context, code);
    return false;
  }
  if ((job.info.modeFlags & KVF_MODE_ANIMATED) != 0) {
    context.ui.MessageBox(kKvfAnimated, MessageIcon::Stop);
    return false;
  }
  std::error_code error;
  const std::uint64_t fileLength = std::filesystem::file_size(path, error);
  if (error ||
      !PlausiblePictureSize(job.info.width, job.info.height, fileLength, kKvfPixelsPerByte)) {
    ReportCodecError(context, KVF_ERROR_CORRUPTED_FILE);
    return false;
  }

  std::optional<std::string> typed;
  if (job.info.freeQuality < job.info.quality && !request.preview) {
    const int freePercent = job.info.freeQuality * 100 / 1024;
    typed = context.ui.AskPassword(
        {DisplayName(path), FormatMessage(context.ui.Strings().Load(kKvfQualityWithoutPassword),
                                          {std::int64_t{freePercent}})});
    if (typed) {
      std::strncpy(job.password.text, typed->c_str(), KVF_PASSWORD_CHARS);
      job.params.password = &job.password;
    }
  }

  const std::uint64_t rawSize = RawSize(job.info.width, job.info.height, output->colour ? 24 : 8);
  const KvfLoadLimits limits = KvfLimits(request.load, rawSize);
  std::optional<std::uint64_t> bytes = limits.bytes;
  if (request.preview) bytes = KvfPreviewBytes(bytes);
  job.params.qualityLimit =
      static_cast<std::uint16_t>(std::min<std::uint32_t>(limits.quality.value_or(1024), 1024));
  job.params.byteBudget = ByteBudget(bytes);

  if ((code = PlanOutput(job, *output, request)) != 0) {
    ReportCodecError(context, code);
    return false;
  }
  Picture& picture = document.GetPicture();
  if (!CreateSizedPicture(picture, job.image.width, job.image.height, output->colour, context)) {
    return false;
  }
  ClearRowPadding(picture);
  std::vector<std::uint8_t> fourChannels;
  if (output->layout == KVF_LAYOUT_BYTES_0123) {
    fourChannels.resize(std::size_t(job.image.width) * job.image.height * 4);
    job.image.rows = fourChannels.data();
    job.image.stride = job.image.width * 4;
  } else {
    job.image.rows = TopDownRow(picture, 0);
    job.image.stride = -static_cast<std::int32_t>(picture.GetStride());
  }
  if (!job.buffers.Allocate(job.workspace)) {
    context.ui.MessageBox(kOutOfMemoryMessage, MessageIcon::Stop);
    return false;
  }
  {
    ProgressScope progress(context, path);
    job.params.progress = &ReportProgress;
    job.params.firstRow = 0;
    job.params.endRow = job.image.height;
    job.params.flags = KVF_FIRST_CALL | KVF_LAST_CALL;
    code = KvfDecode(&job.image, &job.params, &job.workspace);
  }
  if (code != 0) {
    ReportCodecError(context, code);
    return false;
  }
  if (output->layout == KVF_LAYOUT_BYTES_0123) StoreFourChannelRows(fourChannels, picture);
  if (job.image.xres != 0 && job.image.yres != 0) picture.SetDpi16(job.image.xres, job.image.yres);
  picture.InvalidateCaches();
  document.compressionRatio = std::max(CompressionRatio(rawSize, fileLength), limits.ratio);
  if (typed) {
    document.protection.passwordOn = true;
    document.protection.password = typed->substr(0, kMaxPasswordLength);
  }
  return true;
}

std::optional<ProbeResult> ProbeKvfCurrent(const std::filesystem::path& path, const StringTable&) {
  KvfInputFile file(path);
  DecodeJob job;
  if (ReadHeader(file, job.workspace, job.buffers, job.params, job.info) != 0) return std::nullopt;
  const std::optional<OutputKind> output = OutputOf(job.info.colourMode);
  if (!output) return std::nullopt;
  ProbeResult result;
  result.width = static_cast<std::int32_t>(std::min<std::uint32_t>(job.info.width, INT32_MAX));
  result.height = static_cast<std::int32_t>(std::min<std::uint32_t>(job.info.height, INT32_MAX));
  result.bitsPerPixel = output->fileChannels * output->fileSampleBits;
  return result;
}

}  // namespace quillon
