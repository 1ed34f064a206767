#include "core/formats/jp2/Jpeg2000Writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/document/LoadOptions.h"
#include "core/document/SaveArithmetic.h"
#include "core/formats/jp2/Jpeg2000Threads.h"
#include "core/formats/raster/AtomicFileWriter.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/picture/PalettePictures.h"
#include "jp2.h"

namespace quillon {

namespace {

// What our callbacks return on failure; the encoder hands it back unchanged. Each callback also
// records its failure, so a code of the encoder's table is never mistaken for one of ours.
constexpr std::int32_t kCallbackFailed = -1000;

#define QUILLON_RETURN_IF_JP2_ERROR(expression)                                  \
  do {                                                                           \
    if (const std::int32_t status_ = (expression); status_ != 0) return status_; \
  } while (false)

// What the encoder's components hold.
enum class SampleSource {
  Colour,          // 24-bit pixels as red, green, blue
  GreyValues,      // 8-bit grey pictures: the grey of each index
  PaletteIndices,  // 8-bit palette pictures saved lossless: the indices, with the palette
  PaletteColours,  // 8-bit palette pictures otherwise: red, green, blue of each index
};

// The choices the writer makes from the picture and the options, before any encoder call.
struct Jp2Plan {
  SampleSource source = SampleSource::Colour;
  std::int16_t components = 3;
  bool twoLevel = false;  // samples carry one bit
  std::uint32_t colourSpace = JP2_Colour_sRGB;
  int levels = 0;
  std::optional<std::uint64_t> target;
  Jp2Ordering ordering;
};

Jp2Plan PlanFor(Picture& picture, const SaveOptions& options) {
  Jp2Plan plan;
  const bool palette = IsPalettePicture(picture);
  const bool lossless = options.option == SaveOption::Lossless;
  // A raw codestream has no palette box: palette pictures then go as their colours.
  const bool indices = palette && lossless && options.container != Jp2Container::Codestream;
  if (picture.GetBitCount() == 24) {
    plan.source = SampleSource::Colour;
  } else if (!palette) {
    plan.source = SampleSource::GreyValues;
  } else {
    plan.source = indices ? SampleSource::PaletteIndices : SampleSource::PaletteColours;
  }
  plan.components =
      plan.source == SampleSource::GreyValues || plan.source == SampleSource::PaletteIndices ? 1
                                                                                             : 3;
  // Indices keep their eight bits: only colours of a two-level picture fit in one.
  plan.twoLevel = picture.IsTwoLevel() && plan.source != SampleSource::PaletteIndices;
  plan.colourSpace =
      plan.source == SampleSource::GreyValues ? JP2_Colour_Greyscale : JP2_Colour_sRGB;

  const std::int32_t width = picture.GetWidth();
  const std::int32_t height = picture.GetHeight();
  plan.levels = indices || picture.IsTwoLevel() ? 0 : Jp2LevelsForSize(width, height);
  std::uint64_t rawSize =
      RawSize(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
              static_cast<std::uint32_t>(picture.GetBitCount()));
  if (palette) rawSize *= 3;
  plan.target = Jp2TargetSize(options, rawSize);
  plan.ordering = Jp2OrderingOf(options.progression);

  const Jp2ExpertOptions& expert = options.expert;
  if (expert.levels) plan.levels = *expert.levels;
  if (expert.layers) plan.ordering.layers = *expert.layers;
  return plan;
}

// The rows the encoder asks for, from the picture's top, with progress over the height.
struct InputSource {
  const Picture* picture = nullptr;
  SampleSource source = SampleSource::Colour;
  int shift = 0;  // 7 for one-bit samples
  RowProgress* progress = nullptr;
  std::uint32_t rowsReported = 0;
  bool refused = false;  // the encoder asked for samples the picture does not have
};

// The temporary file the encoder's bytes go to, and the error of the write that failed.
struct OutputTarget {
  AtomicFileWriter* file = nullptr;
  int error = 0;
};

std::int32_t ProvideRow(void* buffer, std::int16_t component, std::uint32_t row,
                        std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
  auto& input = *reinterpret_cast<InputSource*>(param);
  const Picture& picture = *input.picture;
  const auto width = static_cast<std::uint32_t>(picture.GetWidth());
  const auto height = static_cast<std::uint32_t>(picture.GetHeight());
  if (buffer == nullptr || component < 0 || component > 2 || row >= height || column > width ||
      count > width - column) {
    input.refused = true;
    return kCallbackFailed;
  }
  const std::uint8_t* line = TopDownRow(picture, static_cast<std::int32_t>(row));
  const RgbQuad* palette = picture.Palette();
  auto* out = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t x = column + i;
    std::uint8_t value = 0;
    switch (input.source) {
      case SampleSource::Colour:
        value = line[3 * std::size_t{x} + 2 - static_cast<std::size_t>(component)];
        break;
      case SampleSource::GreyValues:
        value = palette[line[x]].rgbBlue;
        break;
      case SampleSource::PaletteIndices:
        value = line[x];
        break;
      case SampleSource::PaletteColours: {
        const RgbQuad& entry = palette[line[x]];
        value = component == 0 ? entry.rgbRed : component == 1 ? entry.rgbGreen : entry.rgbBlue;
        break;
      }
    }
    out[i] = static_cast<std::uint8_t>(value >> input.shift);
  }
  if (component == 0 && input.progress != nullptr) {
    for (; input.rowsReported <= row; ++input.rowsReported) input.progress->Step();
  }
  return 0;
}

// Writes the encoder's bytes at their offsets into the temporary file.
std::int32_t WriteBytes(const void* data, std::uint32_t offset, std::uint32_t length,
                        std::uintptr_t param) {
  auto& output = *reinterpret_cast<OutputTarget*>(param);
  const int fd = output.file->Descriptor();
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  off_t position = offset;
  while (length > 0) {
    const ssize_t written = pwrite(fd, bytes, length, position);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      output.error = written < 0 ? errno : ENOSPC;
      return kCallbackFailed;
    }
    bytes += written;
    position += written;
    length -= static_cast<std::uint32_t>(written);
  }
  return 0;
}

// Ends the encoder however the save ends.
class Encoder {
 public:
  Encoder() = default;
  ~Encoder() {
    if (handle_ != nullptr) (void)JP2_Compress_End(handle_);
  }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  [[nodiscard]] std::int32_t Start(std::int16_t components) {
    return JP2_Compress_Start(&handle_, nullptr, 0, nullptr, 0, components);
  }
  CompressHandle handle() const { return handle_; }
  // Sets a property for every tile and component.
  [[nodiscard]] std::int32_t Set(std::uint32_t id, std::uintptr_t value) const {
    return JP2_Compress_SetProp(handle_, id, value, -1, -1);
  }

 private:
  CompressHandle handle_ = nullptr;
};

std::int32_t SetPalette(const Encoder& encoder, const Picture& picture) {
  std::vector<std::uint32_t> red(kPaletteEntries), green(kPaletteEntries), blue(kPaletteEntries);
  for (int i = 0; i < kPaletteEntries; ++i) {
    red[i] = picture.Palette()[i].rgbRed;
    green[i] = picture.Palette()[i].rgbGreen;
    blue[i] = picture.Palette()[i].rgbBlue;
  }
  std::uint8_t depths[3] = {8, 8, 8};
  std::uint8_t signs[3] = {0, 0, 0};
  std::uint32_t* columns[3] = {red.data(), green.data(), blue.data()};
  const JP2_PaletteDesc desc{kPaletteEntries, 3, depths, signs, columns};
  return JP2_Compress_SetPalette(encoder.handle(), &desc);
}

// The capture resolution in pels per metre; a missing value takes the other one.
std::int32_t SetResolution(const Encoder& encoder, const BitmapInfoHeader& header) {
  std::int64_t horizontal = std::max<std::int32_t>(header.biXPelsPerMeter, 0);
  std::int64_t vertical = std::max<std::int32_t>(header.biYPelsPerMeter, 0);
  if (horizontal == 0) horizontal = vertical;
  if (vertical == 0) vertical = horizontal;
  if (vertical == 0) return 0;
  const auto field = [](std::int64_t v) {
    return static_cast<std::uint16_t>(std::min<std::int64_t>(v, 65535));
  };
  return JP2_Compress_SetResolution(encoder.handle(), field(horizontal), field(vertical), nullptr,
                                    2, 0);
}

std::int32_t SetRegions(const Encoder& encoder, const PictureDocument& document) {
  const EnhancementRegions& regions = document.regions;
  QUILLON_RETURN_IF_JP2_ERROR(JP2_Compress_SetROI_Enhance(
      encoder.handle(), static_cast<std::uint32_t>(std::clamp(regions.Level(), 0, 10))));
  const Picture& picture = document.GetPicture();
  for (int i = 0; i < regions.Count(); ++i) {
    const RegionThousandths r = ToThousandths(regions[i], picture.GetWidth(), picture.GetHeight());
    QUILLON_RETURN_IF_JP2_ERROR(JP2_Compress_SetROI(encoder.handle(), r.x, r.y, r.width, r.height));
  }
  return 0;
}

std::int32_t SetOrdering(const Encoder& encoder, const Jp2Plan& plan) {
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_Progression, static_cast<std::uintptr_t>(plan.ordering.progression)));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_Layers, static_cast<std::uintptr_t>(plan.ordering.layers)));
  if (!plan.ordering.precincts) return 0;
  for (int level = 0; level <= plan.levels; ++level) {
    QUILLON_RETURN_IF_JP2_ERROR(
        JP2_Compress_SetPrecinct(encoder.handle(), kPositionPrecinctWidthExponent,
                                 PositionPrecinctHeightExponent(level), -1, -1, level));
  }
  return 0;
}

// The expert options that are not folded into the plan: code blocks, markers, weighting.
std::int32_t SetCodingExtras(const Encoder& encoder, const Jp2ExpertOptions& expert) {
  if (expert.codeBlockWidth) {
    QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_CodeBlockWidth, *expert.codeBlockWidth));
  }
  if (expert.codeBlockHeight) {
    QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_CodeBlockHeight, *expert.codeBlockHeight));
  }
  if (expert.sop || expert.eph) {
    std::uintptr_t markers = 0;
    if (expert.sop) markers |= JP2_Markers_SOP;
    if (expert.eph) markers |= JP2_Markers_EPH;
    QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_Markers, markers));
  }
  if (expert.visualWeighting) {
    QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_VisualWeighting,
                                            static_cast<std::uintptr_t>(*expert.visualWeighting)));
  }
  return 0;
}

// Every encoder call of one save, in the order the encoder wants them; the first error ends it.
std::int32_t Encode(PictureDocument& document, const SaveRequest& request, const Jp2Plan& plan,
                    InputSource& input, OutputTarget& output) {
  const Picture& picture = document.GetPicture();
  const SaveOptions& options = request.options;
  const Jp2ExpertOptions& expert = options.expert;
  Encoder encoder;
  QUILLON_RETURN_IF_JP2_ERROR(encoder.Start(plan.components));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_Threads, static_cast<std::uintptr_t>(Jpeg2000Threads())));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_FileFormat, static_cast<std::uintptr_t>(options.container)));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_Width, static_cast<std::uintptr_t>(picture.GetWidth())));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_Height, static_cast<std::uintptr_t>(picture.GetHeight())));
  QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_BitDepth, plan.twoLevel ? 1 : 8));
  if (expert.tileWidth)
    QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_TileWidth, *expert.tileWidth));
  if (expert.tileHeight) {
    QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_TileHeight, *expert.tileHeight));
  }
  QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(JP2_Prop_ColourSpace, plan.colourSpace));
  if (plan.source == SampleSource::PaletteIndices) {
    QUILLON_RETURN_IF_JP2_ERROR(SetPalette(encoder, picture));
  }
  QUILLON_RETURN_IF_JP2_ERROR(SetResolution(encoder, picture.Header()));
  if (request.regionsShown && document.regions.Count() > 0) {
    QUILLON_RETURN_IF_JP2_ERROR(SetRegions(encoder, document));
  }
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_Levels, static_cast<std::uintptr_t>(plan.levels)));
  if (plan.target) {
    QUILLON_RETURN_IF_JP2_ERROR(encoder.Set(
        JP2_Prop_TargetSize,
        static_cast<std::uintptr_t>(std::min<std::uint64_t>(*plan.target, UINTPTR_MAX))));
  }
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_Reversible, options.option == SaveOption::Lossless ? 1 : 0));
  QUILLON_RETURN_IF_JP2_ERROR(SetOrdering(encoder, plan));
  QUILLON_RETURN_IF_JP2_ERROR(SetCodingExtras(encoder, expert));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&ProvideRow)));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_InputParam, reinterpret_cast<std::uintptr_t>(&input)));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&WriteBytes)));
  QUILLON_RETURN_IF_JP2_ERROR(
      encoder.Set(JP2_Prop_OutputParam, reinterpret_cast<std::uintptr_t>(&output)));
  return JP2_Compress_Image(encoder.handle());
}

#undef QUILLON_RETURN_IF_JP2_ERROR

}  // namespace

bool WriteJpeg2000(const std::filesystem::path& path, PictureDocument& document,
                   FileIoContext& context, const SaveRequest& request) {
  Picture& picture = document.GetPicture();
  if (picture.IsEmpty()) return false;
  const SaveOptions& options = request.options;
  if (IsPalettePicture(picture) && options.option == SaveOption::CompressionRate &&
      options.showWarnings) {
    ShowPaletteWarning(context.ui);
  }
  const Jp2Plan plan = PlanFor(picture, options);
  AtomicFileWriter file(path);
  if (!file.Open()) return false;
  RowProgress progress(context, kSavingCaption, path, picture.GetHeight());
  InputSource input{&picture, plan.source, plan.twoLevel ? 7 : 0, &progress, 0};
  OutputTarget output{&file, 0};
  const std::int32_t status = Encode(document, request, plan, input, output);
  if (status == 0) return file.Commit();
  // A refused row request is the encoder's fault, not the picture's: its table calls that an
  // internal inconsistency.
  if (input.refused) {
    context.failureDetails = JP2_General_ErrorText(JP2_Error_Internal);
  } else if (output.error != 0) {
    context.failureDetails = std::strerror(output.error);
  } else {
    context.failureDetails = JP2_General_ErrorText(status);
  }
  return false;
}

}  // namespace quillon
