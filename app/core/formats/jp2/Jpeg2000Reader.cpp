#include "core/formats/jp2/Jpeg2000Reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "core/display/Thumbnail.h"
#include "core/document/LoadOptions.h"
#include "core/formats/jp2/DecodedColour.h"
#include "core/formats/jp2/Jpeg2000ColourPlan.h"
#include "core/formats/jp2/Jpeg2000RowSink.h"
#include "core/formats/jp2/Jpeg2000Source.h"
#include "core/formats/jp2/Jpeg2000Threads.h"
#include "core/formats/raster/RasterIoSupport.h"

namespace quillon {

namespace {

// A lossless file of a flat picture codes many pixels per byte; beyond this it is hostile.
constexpr std::uint64_t kJp2PixelsPerByte = std::uint64_t{1} << 16;
constexpr std::uint32_t kPreviewSide = 256;
constexpr std::uint32_t kIccHeaderBytes = 20;
constexpr std::uint32_t kPaletteFlag = 1;  // the colour space code's last digit with a palette

// What the headers say of the whole picture.
struct ImageFacts {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t components = 0;
  std::uint32_t bitsPerPixel = 0;  // the sum of the component depths
};

std::optional<ImageFacts> ReadImageFacts(const DecoderSession& session) {
  ImageFacts facts;
  const auto width = session.Get(JP2_Prop_Width);
  const auto height = session.Get(JP2_Prop_Height);
  const auto components = session.Get(JP2_Prop_Components);
  if (!width || !height || !components || *components == 0) return std::nullopt;
  facts.width = static_cast<std::uint32_t>(*width);
  facts.height = static_cast<std::uint32_t>(*height);
  facts.components = static_cast<std::uint32_t>(*components);
  for (std::uint32_t c = 0; c < facts.components; ++c) {
    // Only the first channels can be asked by output index; the rest count like the last.
    const auto channel = static_cast<std::int16_t>(std::min<std::uint32_t>(c, INT16_MAX));
    facts.bitsPerPixel +=
        static_cast<std::uint32_t>(session.Get(JP2_Prop_BitDepth, channel).value_or(8));
  }
  return facts;
}

std::uint64_t RawSizeOf(const ImageFacts& facts) {
  return RawSize(facts.width, facts.height, facts.bitsPerPixel);
}

// The working space of a colour space code (the palette's +1 taken off); ICC profiles are
// looked at by the caller.
Jp2WorkingSpace SpaceOfCode(std::uint32_t code) {
  switch (code) {
    case JP2_Colour_sRGB:
      return Jp2WorkingSpace::Rgb;
    case JP2_Colour_sYCC:
      return Jp2WorkingSpace::Ycc;
    case JP2_Colour_CMYK:
      return Jp2WorkingSpace::Cmyk;
    case JP2_Colour_CIELab:
      return Jp2WorkingSpace::Lab;
    default:
      return Jp2WorkingSpace::Grey;
  }
}

// Fetches the profile, marks it an input profile, checks it, and takes the working space from
// its data colour space. False when the profile is missing, short or malformed.
bool ReadIccProfile(const DecoderSession& session, Jp2WorkingSpace& space,
                    DecodedColourSource& colour) {
  std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  if (JP2_Decompress_GetICC(session.Handle(), &data, &length) != 0 || data == nullptr ||
      length < kIccHeaderBytes) {
    return false;
  }
  std::memcpy(data + 12, "scnr", 4);
  std::uint32_t usable = 0, restricted = 0, channels = 0;
  if (JP2_General_CheckICC(data, length, &usable, &restricted, &channels) != 0) return false;
  const std::string dataSpace(reinterpret_cast<const char*>(data) + 16, 4);
  if (dataSpace == "Lab ") {
    space = Jp2WorkingSpace::Lab;
  } else if (dataSpace == "RGB " || dataSpace == "CMYK") {
    space = dataSpace == "RGB " ? Jp2WorkingSpace::Rgb : Jp2WorkingSpace::Cmyk;
    colour.iccProfile.assign(data, data + length);
  } else {
    space = Jp2WorkingSpace::Grey;
  }
  return true;
}

// The facts of every output channel, at the output size the decoder will deliver.
bool ReadChannels(const DecoderSession& session, Jp2ColourFacts& facts) {
  const JP2_ChannelDef* defs = nullptr;
  std::uint32_t count = 0;
  const JP2_PaletteDesc* palette = nullptr;
  if (JP2_Decompress_GetChannelDefs(session.Handle(), &defs, &count) != 0 || defs == nullptr ||
      JP2_Decompress_GetPalette(session.Handle(), &palette) != 0) {
    return false;
  }
  if (palette != nullptr) facts.components = palette->columns;
  count = std::min<std::uint32_t>(count, INT16_MAX);
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto channel = static_cast<std::int16_t>(i);
    Jp2ChannelFacts one;
    one.type = defs[i].type;
    one.association = defs[i].association;
    one.width = static_cast<std::uint32_t>(session.Get(JP2_Prop_Width, channel).value_or(0));
    one.height = static_cast<std::uint32_t>(session.Get(JP2_Prop_Height, channel).value_or(0));
    if (palette != nullptr && i < palette->columns) {
      if (palette->entries == 0) return false;
      one.depth = palette->depths[i];
      one.isSigned = palette->signs[i] != 0;
      const auto indexDepth = session.Get(JP2_Prop_BitDepth, channel).value_or(8);
      one.palette = {palette->values[i], palette->entries, static_cast<std::uint32_t>(indexDepth)};
    } else {
      one.depth = static_cast<std::uint32_t>(session.Get(JP2_Prop_BitDepth, channel).value_or(8));
      one.isSigned = session.Get(JP2_Prop_Signed, channel).value_or(0) != 0;
    }
    facts.channels.push_back(one);
  }
  return true;
}

struct PelsPerMetre {
  std::int32_t x = kDefaultPelsPerMeter;
  std::int32_t y = kDefaultPelsPerMeter;
};

// A raw codestream names no colour space: the decoder calls it grey unless the component
// transform is used, but three components or more are meant as RGB just the same.
void TakeCodestreamAsRgb(Jp2ColourFacts& facts) {
  if (facts.channels.size() < 3) return;
  facts.space = Jp2WorkingSpace::Rgb;
  for (std::uint32_t i = 0; i < 3; ++i) {
    facts.channels[i].type = 0;
    facts.channels[i].association = i + 1;
  }
}

// The picture's resolution from the capture box, else the display box; 72 dpi without either.
// The decoder gives the box's vertical field first, which our writer fills with the horizontal
// resolution, so that our files read back unchanged.
std::optional<PelsPerMetre> ReadResolution(const DecoderSession& session) {
  std::uint32_t values[2][2] = {};
  for (std::uint32_t which = 0; which < 2; ++which) {
    if (JP2_Decompress_GetResolution(session.Handle(), &values[which][0], &values[which][1],
                                     nullptr, 2, which) != 0) {
      return std::nullopt;
    }
  }
  const auto firstOf = [](std::initializer_list<std::uint32_t> candidates) {
    for (std::uint32_t v : candidates) {
      if (v != 0) return std::min<std::uint32_t>(v, std::numeric_limits<std::int32_t>::max());
    }
    return std::uint32_t{0};
  };
  const std::uint32_t x = firstOf({values[0][0], values[0][1], values[1][0], values[1][1]});
  const std::uint32_t y = firstOf({values[0][1], values[0][0], values[1][1], values[1][0]});
  if (x == 0 || y == 0) return PelsPerMetre{};
  return PelsPerMetre{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}

// The smallest power of two that brings both sides below 256 pixels.
std::uint32_t PreviewReduction(std::uint32_t width, std::uint32_t height) {
  std::uint32_t factor = 1;
  while ((width >= kPreviewSide * std::uint64_t{factor} ||
          height >= kPreviewSide * std::uint64_t{factor}) &&
         factor < (1u << 31)) {
    factor <<= 1;
  }
  return factor;
}

// Sets the reduce factor, halving it while the decoder refuses (a component would be empty).
void ApplyReduction(const DecoderSession& session, std::uint32_t factor) {
  for (; factor > 1; factor >>= 1) {
    if (JP2_Decompress_SetProp(session.Handle(), JP2_Prop_ReduceFactor, factor) == 0) return;
  }
}

// Row segments the decoder delivers in all: every channel's rows once per tile column.
std::uint64_t Deliveries(const DecoderSession& session, const Jp2ColourFacts& facts) {
  const std::uint64_t grid = session.Get(JP2_Prop_GridWidth).value_or(0);
  const std::uint64_t offset = session.Get(JP2_Prop_TileOffsetX).value_or(0);
  const std::uint64_t tileWidth = session.Get(JP2_Prop_TileWidth).value_or(grid);
  const std::uint64_t across =
      tileWidth == 0 || grid <= offset ? 1 : (grid - offset + tileWidth - 1) / tileWidth;
  std::uint64_t rows = 0;
  for (const Jp2ChannelFacts& channel : facts.channels) rows += channel.height;
  return across * rows;
}

std::uint64_t FileLength(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  return error ? 0 : length;
}

}  // namespace

bool ReadJpeg2000(const std::filesystem::path& path, PictureDocument& document,
                  FileIoContext& context, const OpenRequest& request) {
  WaitCursor wait(context.ui);
  BudgetedFile file(path);
  if (!file.IsOpen() || file.Length() == 0) return false;
  DecoderSession session;
  if (session.Start(file) != 0) return false;
  const std::optional<ImageFacts> image = ReadImageFacts(session);
  if (!image) return false;
  const std::uint64_t rawSize = RawSizeOf(*image);
  const std::optional<std::uint64_t> budget = Jp2ByteBudget(request.load, rawSize);
  if (StartWithinBudget(session, file, budget, Jp2BudgetStep(budget.value_or(0))) != 0) {
    return false;
  }
  if (JP2_Decompress_SetProp(session.Handle(), JP2_Prop_CacheInput, 0) != 0) return false;

  const std::uint32_t code =
      static_cast<std::uint32_t>(session.Get(JP2_Prop_ColourSpace).value_or(0));
  const std::uint32_t baseCode = code % 10 == kPaletteFlag ? code - kPaletteFlag : code;
  Jp2ColourFacts facts;
  facts.components = image->components;
  facts.space = SpaceOfCode(baseCode);
  const bool bareCodestream =
      session.Get(JP2_Prop_FileFormat).value_or(JP2_Format_JP2) == JP2_Format_Codestream;
  DecodedColourSource colour;
  if (baseCode == JP2_Colour_ICC && !ReadIccProfile(session, facts.space, colour)) return false;
  if (baseCode == JP2_Colour_CIELab) (void)JP2_Decompress_GetLAB(session.Handle(), &colour.lab);

  const std::optional<PelsPerMetre> resolution = ReadResolution(session);
  if (!resolution) return false;

  const std::uint32_t reduce = request.preview   ? PreviewReduction(image->width, image->height)
                               : request.fitSide ? std::uint32_t{1} << FitHalvings(
                                                       image->width, image->height, request.fitSide)
                                                 : std::max<std::uint32_t>(request.reduce, 1);
  ApplyReduction(session, reduce);
  Jp2ColourPlan plan;
  if (!ReadChannels(session, facts)) return false;
  if (bareCodestream) TakeCodestreamAsRgb(facts);
  if (!PlanColour(facts, plan)) return false;
  Picture& picture = document.GetPicture();
  if (!PlausiblePictureSize(plan.width, plan.height, file.Length(), kJp2PixelsPerByte))
    return false;
  if (!CreateSizedPicture(picture, static_cast<std::int32_t>(plan.width),
                          static_cast<std::int32_t>(plan.height),
                          plan.space != Jp2WorkingSpace::Grey, context)) {
    return false;
  }
  std::memset(picture.Bits(), 0, picture.Header().biSizeImage);

  std::unique_ptr<Progress> progress;
  if (context.showProgress) {
    progress = context.ui.BeginProgress(
        FormatMessage(context.ui.Strings().Load(kLoadingCaption), {DisplayName(path)}));
    if (progress) progress->SetRange(0, 100);
  }
  Jpeg2000RowSink sink(plan, static_cast<std::uint32_t>(facts.channels.size()), picture,
                       progress.get(), Deliveries(session, facts));
  const DecompressHandle handle = session.Handle();
  if (JP2_Decompress_SetProp(handle, JP2_Prop_ByteOrder, 0) != 0 ||
      JP2_Decompress_SetProp(handle, JP2_Prop_Threads,
                             static_cast<std::uintptr_t>(Jpeg2000Threads())) != 0 ||
      JP2_Decompress_SetProp(handle, JP2_Prop_WriteCallback,
                             reinterpret_cast<std::uintptr_t>(&Jpeg2000RowSink::Write)) != 0 ||
      JP2_Decompress_SetProp(handle, JP2_Prop_WriteParam,
                             reinterpret_cast<std::uintptr_t>(&sink)) != 0 ||
      JP2_Decompress_Image(handle) != 0) {
    return false;
  }
  progress.reset();
  ConvertDecodedColour(picture, plan, sink.FourthPlane(), colour);
  picture.Header().biXPelsPerMeter = resolution->x;
  picture.Header().biYPelsPerMeter = resolution->y;
  picture.InvalidateCaches();
  const std::uint64_t decodedFrom = budget ? std::min(file.Budget(), file.Length()) : file.Length();
  document.compressionRatio = CompressionRatio(rawSize, decodedFrom);
  return true;
}

std::optional<ProbeResult> ProbeJpeg2000(const std::filesystem::path& path,
                                         const StringTable& strings) {
  BudgetedFile file(path);
  DecoderSession session;
  if (!file.IsOpen() || file.Length() == 0 || session.Start(file) != 0) return std::nullopt;
  const std::optional<ImageFacts> image = ReadImageFacts(session);
  if (!image) return std::nullopt;
  ProbeResult result;
  result.width = static_cast<std::int32_t>(std::min<std::uint32_t>(image->width, INT32_MAX));
  result.height = static_cast<std::int32_t>(std::min<std::uint32_t>(image->height, INT32_MAX));
  result.bitsPerPixel = static_cast<int>(std::min<std::uint32_t>(image->bitsPerPixel, INT32_MAX));
  static constexpr StringId kOrderNames[] = {kProgressionQuality, kProgressionResolution,
                                             kProgressionResolution, kProgressionPosition,
                                             kProgressionColour};
  const std::uintptr_t order = session.Get(JP2_Prop_Progression).value_or(0);
  const StringId name = order < std::size(kOrderNames) ? kOrderNames[order] : kProgressionQuality;
  result.formatText =
      FormatMessage(strings.Load(kJp2CompressionInfo),
                    {CompressionRatio(RawSizeOf(*image), FileLength(path)), strings.Load(name)});
  return result;
}

}  // namespace quillon
