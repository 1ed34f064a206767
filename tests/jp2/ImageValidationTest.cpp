// JP2_Compress_Image: every validation code in its order, before any callback runs, and the
// palette forcing that precedes it.
#include <gtest/gtest.h>

#include <cstdint>

#include "encoder/CompressState.h"
#include "support/EncoderFixture.h"

namespace quillon::jp2::test {
namespace {

int inputCalls = 0;
int outputCalls = 0;

// Delivers the zero bytes the buffer already holds.
std::int32_t CountingInput(void*, std::int16_t, std::uint32_t, std::uint32_t, std::uint32_t,
                           std::uintptr_t) {
  ++inputCalls;
  return 0;
}

std::int32_t CountingOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  ++outputCalls;
  return -100;
}

// The output callback refuses the first byte written: a configuration that passed every check
// ends with its code, and a failed run can be repeated on the same handle.
constexpr std::int32_t kPassedValidation = -100;

class ImageValidation : public EncoderTest {
 protected:
  void SetUp() override {
    inputCalls = 0;
    outputCalls = 0;
  }

  // A valid three-component 32 x 32 sRGB configuration.
  void StartValid(std::int16_t components = 3) {
    Start(components);
    ASSERT_EQ(Set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&CountingInput)), 0);
    ASSERT_EQ(Set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&CountingOutput)), 0);
    ASSERT_EQ(Set(JP2_Prop_OutputBufferSize, 1), 0);
    ASSERT_EQ(Set(JP2_Prop_OutputBufferSize, 1), 0);
    SetSize(32, 32);
    ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
  }

  // Runs JP2_Compress_Image; a refused configuration must not have called for input or
  // written anything.
  std::int32_t Image() {
    const int before = inputCalls;
    const int outputsBefore = outputCalls;
    const std::int32_t status = JP2_Compress_Image(handle);
    if (status != kPassedValidation) {
      EXPECT_EQ(inputCalls, before) << status;
      EXPECT_EQ(outputCalls, outputsBefore) << status;
    }
    return status;
  }
};

TEST_F(ImageValidation, ValidConfigurationReachesTheCodingStages) {
  StartValid();
  EXPECT_EQ(Image(), kPassedValidation);
}

TEST_F(ImageValidation, CallbacksFirst) {
  Start(3);
  EXPECT_EQ(Image(), JP2_Error_NoInputCallback);
  ASSERT_EQ(Set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&CountingInput)), 0);
  EXPECT_EQ(Image(), JP2_Error_NoOutputCallback);
  ASSERT_EQ(Set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&CountingOutput)), 0);
  ASSERT_EQ(Set(JP2_Prop_OutputBufferSize, 1), 0);
  EXPECT_EQ(Image(), JP2_Error_ImageSize);
}

TEST_F(ImageValidation, ComponentSizesAndDepths) {
  Start(3);
  ASSERT_EQ(Set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&CountingInput)), 0);
  ASSERT_EQ(Set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&CountingOutput)), 0);
  ASSERT_EQ(Set(JP2_Prop_OutputBufferSize, 1), 0);
  ASSERT_EQ(Set(JP2_Prop_Width, 32, -1, 0), 0);
  EXPECT_EQ(Image(), JP2_Error_ImageSize) << "no height anywhere";
  ASSERT_EQ(Set(JP2_Prop_Height, 32, -1, 1), 0);
  EXPECT_EQ(Image(), JP2_Error_NoWidth);
  ASSERT_EQ(Set(JP2_Prop_Width, 32), 0);
  EXPECT_EQ(Image(), JP2_Error_NoHeight);
  ASSERT_EQ(Set(JP2_Prop_Height, 16), 0);
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 8, -1, 0), 0);
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 8, -1, 1), 0);
  EXPECT_EQ(Image(), JP2_Error_BitDepth);
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 12, -1, 2), 0);
  EXPECT_EQ(Image(), kPassedValidation);
}

TEST_F(ImageValidation, ImageOffsetMustLieInTheFirstTile) {
  StartValid();
  ASSERT_EQ(Set(JP2_Prop_OffsetX, 8), 0);
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 16), 0);
  EXPECT_EQ(Image(), kPassedValidation);
  ASSERT_EQ(Set(JP2_Prop_TileOffsetX, 9), 0);
  EXPECT_EQ(Image(), JP2_Error_TileGrid) << "offset below the tile offset";
  ASSERT_EQ(Set(JP2_Prop_TileOffsetX, 0), 0);
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 8), 0);
  EXPECT_EQ(Image(), JP2_Error_TileGrid) << "offset not below tile offset + tile size";
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 0), 0);
  EXPECT_EQ(Image(), kPassedValidation) << "a tile of the whole grid";
  ASSERT_EQ(Set(JP2_Prop_TileOffsetY, 1), 0);
  EXPECT_EQ(Image(), JP2_Error_TileGrid);
}

TEST_F(ImageValidation, PositionProgressionsNeedPowerOfTwoFactors) {
  Start(2);
  ASSERT_EQ(Set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&CountingInput)), 0);
  ASSERT_EQ(Set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&CountingOutput)), 0);
  ASSERT_EQ(Set(JP2_Prop_OutputBufferSize, 1), 0);
  SetSize(30, 30);
  ASSERT_EQ(Set(JP2_Prop_Width, 10, -1, 1), 0);  // factor 3
  for (const std::uintptr_t order : {0u, 1u, 4u}) {
    ASSERT_EQ(Set(JP2_Prop_Progression, order), 0);
    EXPECT_EQ(Image(), kPassedValidation) << order;
  }
  for (const std::uintptr_t order : {2u, 3u}) {
    ASSERT_EQ(Set(JP2_Prop_Progression, order), 0);
    EXPECT_EQ(Image(), JP2_Error_SubsamplingNotPowerOfTwo) << order;
  }
  ASSERT_EQ(Set(JP2_Prop_Width, 15, -1, 1), 0);  // factor 2
  EXPECT_EQ(Image(), kPassedValidation);
}

TEST_F(ImageValidation, ColourSpaceNeedsEnoughChannels) {
  StartValid(1);
  EXPECT_EQ(Image(), JP2_Error_ComponentCount) << "sRGB of one component";
  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_CMYK), 0);
  EXPECT_EQ(Image(), JP2_Error_ComponentCount);
  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_Greyscale), 0);
  EXPECT_EQ(Image(), kPassedValidation);

  // A palette brings its columns as channels.
  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
  ASSERT_EQ(SetTwoEntryPalette(2), 0);
  EXPECT_EQ(Image(), JP2_Error_ColourSpace);
  ASSERT_EQ(SetTwoEntryPalette(3), 0);
  EXPECT_EQ(Image(), kPassedValidation);
}

TEST_F(ImageValidation, ColourSpacesMustSuitTheFileFormat) {
  StartValid();
  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_JPX), 0);
  ASSERT_EQ(JP2_Compress_SetLAB(handle, nullptr), 0);
  EXPECT_EQ(Image(), kPassedValidation);
  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_JP2), 0);
  EXPECT_EQ(Image(), JP2_Error_ColourSpace) << "a JP2 file cannot carry CIELab";
  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
  EXPECT_EQ(Image(), kPassedValidation) << "a codestream carries no colour box";
}

TEST_F(ImageValidation, SrgbComponentsMustMatch) {
  StartValid(4);
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 10, -1, 3), 0);
  EXPECT_EQ(Image(), kPassedValidation) << "a fourth component may differ";
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 10, -1, 2), 0);
  EXPECT_EQ(Image(), JP2_Error_ComponentMismatch);
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 8, -1, 2), 0);
  ASSERT_EQ(Set(JP2_Prop_Width, 16, -1, 1), 0);
  EXPECT_EQ(Image(), JP2_Error_ComponentMismatch);
  ASSERT_EQ(Set(JP2_Prop_Width, 32, -1, 1), 0);

  ASSERT_EQ(Set(JP2_Prop_TileWidth, 16), 0);
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0, 1, 1), 0);
  EXPECT_EQ(Image(), JP2_Error_ReversibilityMismatch);
  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_sYCC), 0);
  EXPECT_EQ(Image(), kPassedValidation);
}

TEST_F(ImageValidation, PaletteForcesReversibleCodingWithoutLevels) {
  StartValid(1);
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0), 0);
  ASSERT_EQ(Set(JP2_Prop_TargetSize, 1000), 0);
  ASSERT_EQ(SetTwoEntryPalette(3), 0);
  EXPECT_EQ(Image(), kPassedValidation);
  const CompressState& state = *StateOf(handle);
  EXPECT_EQ(state.Coding(0, 0).reversible, 1);
  EXPECT_EQ(state.Coding(0, 0).levels, 0);
  EXPECT_EQ(state.Coding(0, 0).quantStyle, 0);
  EXPECT_EQ(state.targetSize, 0u);
}

}  // namespace
}  // namespace quillon::jp2::test
