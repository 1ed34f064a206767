#include "core/analysis/ColourConversion.h"

#include <memory>
#include <new>

#include "core/analysis/ColourCount.h"
#include "core/analysis/GreyConversion.h"
#include "core/analysis/PaletteConversion.h"

namespace quillon {

namespace {

constexpr StringId kGreyTitle = 147;        // "Grayscale: %s"
constexpr StringId kPaletteTitle = 148;     // "8-Bit-Color: %s"
constexpr StringId kSharpenTitle = 61226;   // "Sharpen: %s"
constexpr StringId kBlurTitle = 61227;      // "Blur: %s"
constexpr StringId kGreyProgress = 117;     // "Converting to Gray ..."
constexpr StringId kPaletteProgress = 121;  // "Converting to 256 Colors ..."

bool Convert(ColourConversion conversion, FilterStrength strength, const Picture& source,
             Picture& target, UiServices& ui) {
  switch (conversion) {
    case ColourConversion::Grey:
      return ConvertToGrey(source, target,
                           ui.BeginProgress(ui.Strings().Load(kGreyProgress)).get());
    case ColourConversion::Palette:
      return ConvertToPalette(source, target,
                              ui.BeginProgress(ui.Strings().Load(kPaletteProgress)).get());
    case ColourConversion::Smooth:
    case ColourConversion::Sharpen: {
      // A pass over three rows per row: quick enough for the wait cursor alone.
      const WaitCursor wait(ui);
      const KernelFilter filter =
          conversion == ColourConversion::Smooth ? KernelFilter::Smooth : KernelFilter::Sharpen;
      return ApplyKernel(source, KernelOf(filter, strength), target);
    }
  }
  return false;
}

}  // namespace

std::optional<StringId> RefusalOf(ColourConversion conversion, const Picture& source) {
  switch (conversion) {
    case ColourConversion::Grey:
      if (source.IsGray()) return kAlreadyGreyMessage;
      break;
    case ColourConversion::Palette:
      if (source.GetBitCount() == 8) return kAlreadyEightBitMessage;
      break;
    case ColourConversion::Smooth:
    case ColourConversion::Sharpen:
      if (source.GetBitCount() == 8 && !source.IsGray()) return kNotFilterableMessage;
      break;
  }
  return std::nullopt;
}

std::string ConvertedTitle(ColourConversion conversion, const std::string& sourceTitle,
                           const StringTable& strings) {
  StringId pattern = kGreyTitle;
  switch (conversion) {
    case ColourConversion::Grey:
      pattern = kGreyTitle;
      break;
    case ColourConversion::Palette:
      pattern = kPaletteTitle;
      break;
    case ColourConversion::Smooth:
      pattern = kBlurTitle;
      break;
    case ColourConversion::Sharpen:
      pattern = kSharpenTitle;
      break;
  }
  return FormatMessage(strings.Load(pattern), {sourceTitle});
}

ConversionOutcome RunColourConversion(ColourConversion conversion, FilterStrength strength,
                                      const Picture& source, Picture& target, UiServices& ui) {
  if (const std::optional<StringId> refusal = RefusalOf(conversion, source)) {
    ui.MessageBox(*refusal, MessageIcon::Exclamation);
    return ConversionOutcome::Refused;
  }
  if (!Convert(conversion, strength, source, target, ui)) {
    ui.MessageBox(kConversionMemoryMessage, MessageIcon::Exclamation);
    return ConversionOutcome::OutOfMemory;
  }
  return ConversionOutcome::Done;
}

std::optional<std::uint32_t> ShowColourCount(const Picture& picture, UiServices& ui) {
  std::uint32_t count = 0;
  try {
    const WaitCursor wait(ui);
    count = CountColours(picture);
  } catch (const std::bad_alloc&) {
    ui.MessageBox(kConversionMemoryMessage, MessageIcon::Exclamation);
    return std::nullopt;
  }
  ui.MessageBox(kColourCountMessage, MessageIcon::Information, MessageButtons::Ok,
                {std::int64_t{count}});
  return count;
}

}  // namespace quillon
