#include "core/analysis/ColourConversion.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <vector>

#include "core/analysis/ColourCount.h"
#include "core/analysis/GreyConversion.h"
#include "core/analysis/PaletteConversion.h"
#include "support/RecordingUiServices.h"

namespace quillon {
namespace {

using Bgr = Picture::Triple;

void Make(Picture& picture, std::int32_t width, std::int32_t height, bool colour) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(colour));
  std::memset(picture.Bits(), 0, picture.Header().biSizeImage);
}

void Set(Picture& picture, std::int32_t x, std::int32_t row, Bgr colour) {
  std::memcpy(picture.Row(row) + 3 * x, colour.data(), 3);
}

// A 24-bit picture whose pixel i (in memory order) has colour(i).
template <typename ColourOf>
void MakeColours(Picture& picture, std::int32_t width, std::int32_t height, ColourOf colour) {
  Make(picture, width, height, true);
  for (std::int32_t i = 0; i < width * height; ++i) Set(picture, i % width, i / width, colour(i));
}

// The pixel bytes, row padding left out.
std::vector<std::uint8_t> BytesOf(const Picture& picture) {
  std::vector<std::uint8_t> bytes;
  const std::size_t used = std::size_t(picture.GetWidth()) * std::size_t(picture.GetBitCount() / 8);
  for (std::int32_t row = 0; row < picture.GetHeight(); ++row) {
    bytes.insert(bytes.end(), picture.Row(row), picture.Row(row) + used);
  }
  return bytes;
}

const StringTable& Strings() {
  static const StringTable table = *StringTable::Parse(
      "117\tConverting to Gray ...\n121\tConverting to 256 Colors ...\n"
      "119\tThe Picture consists of %ld Colors.\n147\tGrayscale: %s\n148\t8-Bit-Color: %s\n"
      "61226\tSharpen: %s\n61227\tBlur: %s\n");
  return table;
}

TEST(GreyConversion, WeighsRedGreenAndBlueInIntegersAndTruncates) {
  struct Case {
    Bgr colour;
    std::uint8_t grey;
  };
  const Case cases[] = {{{0, 0, 255}, 76},
                        {{0, 255, 0}, 149},
                        {{255, 0, 0}, 28},
                        {{255, 255, 255}, 255},
                        {{10, 20, 30}, 21}};
  Picture source, grey;
  MakeColours(source, 5, 1, [&](int i) { return cases[i].colour; });
  ASSERT_TRUE(ConvertToGrey(source, grey, nullptr));
  ASSERT_EQ(grey.GetBitCount(), 8);
  EXPECT_TRUE(grey.IsGrayRamp());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(grey.Row(0)[i], cases[i].grey) << "case " << i;

  // A palette picture goes through its palette.
  Picture palette, fromPalette;
  Make(palette, 2, 1, false);
  palette.Palette()[0] = {0, 0, 255, 0};
  palette.Row(0)[1] = 0;
  palette.Palette()[1] = {255, 255, 255, 0};
  palette.Row(0)[0] = 1;
  ASSERT_TRUE(ConvertToGrey(palette, fromPalette, nullptr));
  EXPECT_EQ(fromPalette.Row(0)[0], 255);
  EXPECT_EQ(fromPalette.Row(0)[1], 76);
}

TEST(PaletteConversion, KeepsUpTo256ColoursExactlyInAscendingOrder) {
  // 256 colours, from high keys to low, so the palette has to be sorted.
  const auto colour = [](int i) {
    return Bgr{std::uint8_t(255 - i), std::uint8_t(i * 7), std::uint8_t(i % 3)};
  };
  Picture source, result;
  MakeColours(source, 32, 8, colour);
  ASSERT_TRUE(ConvertToPalette(source, result, nullptr));
  ASSERT_EQ(result.GetBitCount(), 8);
  EXPECT_EQ(result.Header().biClrUsed, 256u);
  for (std::int32_t row = 0; row < 8; ++row) {
    for (std::int32_t x = 0; x < 32; ++x) {
      ASSERT_EQ(result.GetPixel(x, row), source.GetPixel(x, row)) << x << "," << row;
    }
  }
  const auto key = [&](int i) {
    const RgbQuad& e = result.Palette()[i];
    return e.rgbBlue + 256 * e.rgbGreen + 65536 * e.rgbRed;
  };
  for (int i = 1; i < 256; ++i) EXPECT_LT(key(i - 1), key(i)) << "entry " << i;
}

TEST(PaletteConversion, With257ColoursGoesThroughMedianCut) {
  Picture source, result;
  MakeColours(source, 257, 1, [](int i) { return Bgr{std::uint8_t(i), std::uint8_t(i / 2), 0}; });
  ASSERT_TRUE(ConvertToPalette(source, result, nullptr));
  EXPECT_LE(CountColours(result), 256u);
  int exact = 0;
  for (std::int32_t x = 0; x < 257; ++x) exact += result.GetPixel(x, 0) == source.GetPixel(x, 0);
  EXPECT_LT(exact, 257);
  EXPECT_GE(exact, 250);  // the median cut splits down to single colours almost everywhere
}

TEST(PaletteConversion, HalvesTheSampleRangeAbove32767ColoursAndMapsToTheNearestEntry) {
  // 65536 colours: halved once to 7 bits, 16384 colours, then cut to 256 boxes.
  Picture source, result;
  MakeColours(source, 256, 256, [](int i) {
    return Bgr{0, std::uint8_t(i >> 8), std::uint8_t(i & 255)};
  });
  ASSERT_TRUE(ConvertToPalette(source, result, nullptr));
  std::set<int> onSevenBitScale;
  for (int v = 0; v < 128; ++v) onSevenBitScale.insert(v * 255 / 127);
  for (int i = 0; i < kPaletteEntries; ++i) {
    const RgbQuad& entry = result.Palette()[i];
    EXPECT_TRUE(onSevenBitScale.contains(entry.rgbRed) && onSevenBitScale.contains(entry.rgbGreen))
        << "entry " << i;
  }
  // 256 boxes over a 256 x 256 square of colours: each one about 16 x 16 wide, so no pixel
  // is far from its nearest entry.
  int worst = 0;
  for (std::int32_t row = 0; row < 256; row += 5) {
    for (std::int32_t x = 0; x < 256; x += 3) {
      const Bgr a = source.GetPixel(x, row), b = result.GetPixel(x, row);
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[c] - b[c]));
    }
  }
  EXPECT_LE(worst, 12);
}

TEST(KernelFilters, FlatAreasKeepTheirValueAtEveryStrength) {
  Picture colour, grey;
  MakeColours(colour, 6, 5, [](int) { return Bgr{10, 100, 200}; });
  Make(grey, 5, 4, false);
  std::memset(grey.Bits(), 77, grey.Header().biSizeImage);
  for (const KernelFilter filter : {KernelFilter::Smooth, KernelFilter::Sharpen}) {
    for (const FilterStrength strength :
         {FilterStrength::Low, FilterStrength::Medium, FilterStrength::High}) {
      const Kernel kernel = KernelOf(filter, strength);
      EXPECT_EQ(kernel.centre + 8 * kernel.neighbour, 1 << kernel.shift);
      Picture smoothColour, smoothGrey;
      ASSERT_TRUE(ApplyKernel(colour, kernel, smoothColour));
      ASSERT_TRUE(ApplyKernel(grey, kernel, smoothGrey));
      EXPECT_EQ(BytesOf(smoothColour), BytesOf(colour));
      EXPECT_EQ(BytesOf(smoothGrey), BytesOf(grey));
    }
  }
}

TEST(KernelFilters, WeighTheNeighboursReplicateTheBorderAndSaturate) {
  // One white pixel on black, in the middle or in a corner of a 3 x 3 grey picture; the
  // results along the diagonal.
  struct Case {
    KernelFilter filter;
    FilterStrength strength;
    std::int32_t white;           // x and memory row of the white pixel
    std::array<int, 3> diagonal;  // results at (0, 0), (1, 1), (2, 2)
  };
  const Case cases[] = {
      // 40 * 255 >> 6 and 3 * 255 >> 6.
      {KernelFilter::Smooth, FilterStrength::Low, 1, {11, 159, 11}},
      // In the corner three replicated copies join the pixel: 49 * 255 >> 6 = 195.
      {KernelFilter::Smooth, FilterStrength::Low, 0, {195, 11, 0}},
      {KernelFilter::Smooth, FilterStrength::High, 1, {27, 31, 27}},
      // 12 * 255 >> 2 saturates at 255, -255 >> 2 at 0.
      {KernelFilter::Sharpen, FilterStrength::High, 1, {0, 255, 0}},
  };
  for (const Case& c : cases) {
    Picture source, result;
    Make(source, 3, 3, false);
    source.Row(c.white)[c.white] = 255;
    ASSERT_TRUE(ApplyKernel(source, KernelOf(c.filter, c.strength), result));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(result.Row(i)[i], c.diagonal[i]) << "at " << i;
  }
}

TEST(KernelFilters, GreyPalettesComeOutAsRampsAndColourStaysColour) {
  Picture reversed, result;
  Make(reversed, 3, 3, false);
  for (int i = 0; i < kPaletteEntries; ++i) {
    const auto v = std::uint8_t(255 - i);
    reversed.Palette()[i] = {v, v, v, 0};
  }
  ASSERT_TRUE(ApplyKernel(reversed, KernelOf(KernelFilter::Smooth, FilterStrength::Low), result));
  EXPECT_TRUE(result.IsGrayRamp());
  EXPECT_EQ(result.Row(1)[1], 255);  // index 0 is white in the reversed palette

  Picture colour, colourResult;
  MakeColours(colour, 3, 3, [](int i) { return Bgr{0, 0, std::uint8_t(i == 4 ? 255 : 0)}; });
  ASSERT_TRUE(
      ApplyKernel(colour, KernelOf(KernelFilter::Smooth, FilterStrength::Low), colourResult));
  EXPECT_EQ(colourResult.GetBitCount(), 24);
  EXPECT_EQ(colourResult.GetPixel(1, 1), (Bgr{0, 0, 159}));
}

TEST(ColourCount, CountsDistinctColoursAndEqualPaletteEntriesOnce) {
  Picture blackAndWhite;
  MakeColours(blackAndWhite, 7, 3, [](int i) { return i % 2 ? Bgr{255, 255, 255} : Bgr{0, 0, 0}; });
  EXPECT_EQ(CountColours(blackAndWhite), 2u);

  // Indices 0 and 5 share one colour; index 9 is used, index 200 is not.
  Picture palette;
  Make(palette, 4, 1, false);
  palette.Palette()[5] = palette.Palette()[0];
  palette.Palette()[9] = {1, 2, 3, 0};
  const std::uint8_t indices[] = {0, 5, 9, 9};
  std::memcpy(palette.Row(0), indices, 4);
  EXPECT_EQ(CountColours(palette), 2u);

  EXPECT_EQ(CountColours(Picture()), 0u);
}

TEST(ColourConversion, RefusesWithTheRightMessageAndNeverChangesTheSource) {
  test::RecordingUiServices ui(Strings());
  Picture colour, greyRamp, palette;
  MakeColours(colour, 9, 7, [](int i) { return Bgr{std::uint8_t(i), std::uint8_t(3 * i), 9}; });
  Make(greyRamp, 4, 4, false);
  Make(palette, 4, 4, false);
  palette.Palette()[0] = {0, 0, 255, 0};
  struct Case {
    ColourConversion conversion;
    const Picture& source;
    std::optional<StringId> refusal;
  };
  const Case cases[] = {
      {ColourConversion::Grey, greyRamp, kAlreadyGreyMessage},
      {ColourConversion::Palette, greyRamp, kAlreadyEightBitMessage},
      {ColourConversion::Smooth, palette, kNotFilterableMessage},
      {ColourConversion::Sharpen, palette, kNotFilterableMessage},
      {ColourConversion::Grey, palette, std::nullopt},
      {ColourConversion::Sharpen, greyRamp, std::nullopt},
      {ColourConversion::Grey, colour, std::nullopt},
      {ColourConversion::Palette, colour, std::nullopt},
      {ColourConversion::Smooth, colour, std::nullopt},
      {ColourConversion::Sharpen, colour, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> before = BytesOf(c.source);
    ui.messages.clear();
    Picture target;
    const ConversionOutcome outcome =
        RunColourConversion(c.conversion, FilterStrength::High, c.source, target, ui);
    EXPECT_EQ(BytesOf(c.source), before);
    if (c.refusal) {
      EXPECT_EQ(outcome, ConversionOutcome::Refused);
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].id, c.refusal);
      EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
      EXPECT_TRUE(target.IsEmpty());
    } else {
      EXPECT_EQ(outcome, ConversionOutcome::Done);
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_EQ(target.GetWidth(), c.source.GetWidth());
      EXPECT_EQ(target.GetHeight(), c.source.GetHeight());
    }
  }
}

TEST(ColourConversion, TitlesProgressAndCountMessage) {
  EXPECT_EQ(ConvertedTitle(ColourConversion::Grey, "a.bmp", Strings()), "Grayscale: a.bmp");
  EXPECT_EQ(ConvertedTitle(ColourConversion::Palette, "a.bmp:2", Strings()),
            "8-Bit-Color: a.bmp:2");
  EXPECT_EQ(ConvertedTitle(ColourConversion::Smooth, "a", Strings()), "Blur: a");
  EXPECT_EQ(ConvertedTitle(ColourConversion::Sharpen, "a", Strings()), "Sharpen: a");

  test::RecordingUiServices ui(Strings());
  Picture source, target;
  MakeColours(source, 300, 3, [](int i) { return Bgr{std::uint8_t(i), std::uint8_t(i / 256), 1}; });
  ASSERT_EQ(RunColourConversion(ColourConversion::Palette, FilterStrength::Low, source, target, ui),
            ConversionOutcome::Done);
  ASSERT_EQ(ui.progressCaptions, std::vector<std::string>{"Converting to 256 Colors ..."});
  ASSERT_FALSE(ui.progressPositions.empty());
  EXPECT_EQ(ui.progressPositions.back(), 3 + kPaletteProgressSteps);

  ui.messages.clear();
  EXPECT_EQ(ShowColourCount(source, ui), 900u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "The Picture consists of 900 Colors.");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(ui.maxWaitDepth, 1);
  EXPECT_EQ(ui.waitDepth, 0);
}

}  // namespace
}  // namespace quillon
