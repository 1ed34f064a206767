// The ICC profile check, the colour setters, resolution, regions of interest and the
// metadata boxes built before compression.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "encoder/CompressState.h"
#include "support/EncoderFixture.h"
#include "support/IccProfileBuilder.h"

namespace quillon::jp2::test {
namespace {

struct IccResult {
  std::int32_t status;
  std::uint32_t usable, restricted, channels;
};

IccResult Check(const std::vector<std::uint8_t>& profile, std::size_t length) {
  IccResult result{0, 9, 9, 9};
  result.status = JP2_General_CheckICC(profile.data(), static_cast<std::uint32_t>(length),
                                       &result.usable, &result.restricted, &result.channels);
  return result;
}

IccResult Check(const std::vector<std::uint8_t>& profile) {
  return Check(profile, profile.size());
}

TEST(IccProfileCheck, RestrictedProfiles) {
  const IccResult rgb = Check(MakeIccProfile({}));
  EXPECT_EQ(rgb.status, 0);
  EXPECT_EQ(rgb.restricted, 1u);
  EXPECT_EQ(rgb.usable, 1u);
  EXPECT_EQ(rgb.channels, 3u);

  IccProfileFields grey;
  grey.colourSpace = "GRAY";
  grey.tags = {"desc", "kTRC"};
  const IccResult greyResult = Check(MakeIccProfile(grey));
  EXPECT_EQ(greyResult.restricted, 1u);
  EXPECT_EQ(greyResult.channels, 1u);
}

TEST(IccProfileCheck, UnrestrictedButUsableOrNot) {
  IccProfileFields display;
  display.deviceClass = "mntr";
  IccResult result = Check(MakeIccProfile(display));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.restricted, 0u);
  EXPECT_EQ(result.usable, 1u) << "an RGB profile";

  IccProfileFields labSpace;
  labSpace.connectionSpace = "Lab ";
  EXPECT_EQ(Check(MakeIccProfile(labSpace)).restricted, 0u);

  IccProfileFields missingTag;
  missingTag.tags.pop_back();
  EXPECT_EQ(Check(MakeIccProfile(missingTag)).restricted, 0u);

  IccProfileFields cmyk;
  cmyk.colourSpace = "CMYK";
  result = Check(MakeIccProfile(cmyk));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.channels, 4u);
  EXPECT_EQ(result.restricted, 0u) << "only one- and three-channel profiles are restricted";
  EXPECT_EQ(result.usable, 0u);

  IccProfileFields ycc;
  ycc.colourSpace = "YCbr";
  ycc.deviceClass = "spac";
  EXPECT_EQ(Check(MakeIccProfile(ycc)).usable, 1u);
}

TEST(IccProfileCheck, ColourSpaceChannelCounts) {
  const std::pair<const char*, std::uint32_t> spaces[] = {
      {"Luv ", 3}, {"2CLR", 2}, {"9CLR", 9}, {"ACLR", 10}, {"FCLR", 15}};
  for (const auto& [space, channels] : spaces) {
    IccProfileFields fields;
    fields.colourSpace = space;
    const IccResult result = Check(MakeIccProfile(fields));
    EXPECT_EQ(result.status, 0) << space;
    EXPECT_EQ(result.channels, channels) << space;
  }
  for (const char* bad : {"1CLR", "GCLR", "RGBA", "    "}) {
    IccProfileFields fields;
    fields.colourSpace = bad;
    EXPECT_EQ(Check(MakeIccProfile(fields)).status, JP2_Error_IccProfile) << bad;
  }
}

TEST(IccProfileCheck, MalformedProfilesAreRefused) {
  const std::vector<std::uint8_t> good = MakeIccProfile({});
  EXPECT_EQ(Check(good, 127).status, JP2_Error_IccProfile);
  EXPECT_EQ(Check(good, good.size() - 1).status, JP2_Error_IccProfile) << "shorter than its size";
  IccProfileFields badSignature;
  badSignature.signature = "ascp";
  EXPECT_EQ(Check(MakeIccProfile(badSignature)).status, JP2_Error_IccProfile);
  IccProfileFields badConnection;
  badConnection.connectionSpace = "RGB ";
  EXPECT_EQ(Check(MakeIccProfile(badConnection)).status, JP2_Error_IccProfile);

  // A tag count that reaches past the profile, also one whose table size overflows 32 bits.
  for (const std::uint32_t tagCount : {7u, 0x40000000u, 0xFFFFFFFFu}) {
    std::vector<std::uint8_t> profile = good;
    PutU32(profile, 128, tagCount);
    EXPECT_EQ(Check(profile).status, JP2_Error_IccProfile) << tagCount;
  }
  std::vector<std::uint8_t> headerOnly = good;
  headerOnly.resize(128);
  PutU32(headerOnly, 0, 128);
  EXPECT_EQ(Check(headerOnly).status, JP2_Error_IccProfile) << "no room for a tag count";

  IccResult result = Check(MakeIccProfile(badSignature));
  EXPECT_EQ(result.usable + result.restricted + result.channels, 0u) << "outputs are cleared";
  std::uint32_t value = 0;
  EXPECT_EQ(JP2_General_CheckICC(good.data(), 200, &value, &value, nullptr),
            JP2_Error_NullArgument);
  EXPECT_EQ(JP2_General_CheckICC(nullptr, 200, &value, &value, &value), JP2_Error_NullArgument);
}

class ColourSetters : public EncoderTest {
 protected:
  void SetUp() override { Start(3); }
  const CompressState& State() { return *StateOf(handle); }
};

TEST_F(ColourSetters, IccProfilesNeedTheirFileFormat) {
  const std::vector<std::uint8_t> restricted = MakeIccProfile({});
  IccProfileFields displayFields;
  displayFields.deviceClass = "mntr";
  const std::vector<std::uint8_t> display = MakeIccProfile(displayFields);
  const auto setIcc = [&](const std::vector<std::uint8_t>& profile) {
    return JP2_Compress_SetICC(handle, profile.data(), static_cast<std::uint32_t>(profile.size()));
  };

  EXPECT_EQ(setIcc(display), JP2_Error_NeedsJpx);
  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
  EXPECT_EQ(setIcc(restricted), JP2_Error_NeedsJp2OrJpx);
  EXPECT_EQ(Get(JP2_Prop_ColourSpace), 10u);
  EXPECT_EQ(allocator.live.size(), 1u);

  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_JP2), 0);
  EXPECT_EQ(setIcc(restricted), 0);
  EXPECT_EQ(Get(JP2_Prop_ColourSpace), 40u);
  EXPECT_EQ(State().iccLength, restricted.size());
  EXPECT_EQ(std::memcmp(State().iccProfile.data, restricted.data(), restricted.size()), 0);

  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_JPX), 0);
  EXPECT_EQ(setIcc(display), 0);
  EXPECT_EQ(State().iccInfo.restricted, false);
  EXPECT_EQ(allocator.live.size(), 2u) << "the earlier copy is released";
  std::vector<std::uint8_t> broken = display;
  broken[36] = 'x';
  EXPECT_EQ(setIcc(broken), JP2_Error_IccProfile);
  EXPECT_EQ(State().iccLength, display.size()) << "a refused profile keeps the earlier one";
  EXPECT_EQ(JP2_Compress_SetICC(handle, nullptr, 200), JP2_Error_NullArgument);
}

TEST_F(ColourSetters, CieLabNeedsJpx) {
  EXPECT_EQ(JP2_Compress_SetLAB(handle, nullptr), JP2_Error_NeedsJpx);
  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_JPX), 0);
  EXPECT_EQ(JP2_Compress_SetLAB(handle, nullptr), 0);
  EXPECT_EQ(Get(JP2_Prop_ColourSpace), 60u);
  EXPECT_FALSE(State().labHasParams);
  const JP2_LabParams params{100, 0, 170, 128, 200, 96, 0x00443530};
  EXPECT_EQ(JP2_Compress_SetLAB(handle, &params), 0);
  EXPECT_TRUE(State().labHasParams);
  EXPECT_EQ(State().lab.il, 0x00443530u);
}

TEST_F(ColourSetters, PaletteIsCopiedWhole) {
  std::uint32_t red[3] = {1, 2, 3};
  std::uint32_t alpha[3] = {0xFFFF, 0, 0x8000};
  std::uint32_t* columns[2] = {red, alpha};
  std::uint8_t depths[2] = {8, 16};
  std::uint8_t signs[2] = {0, 7};
  JP2_PaletteDesc desc{3, 2, depths, signs, columns};
  ASSERT_EQ(JP2_Compress_SetPalette(handle, &desc), 0);
  red[1] = 99;
  depths[0] = 1;
  const JP2_PaletteDesc* copy = State().Palette();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->entries, 3u);
  EXPECT_EQ(copy->columns, 2u);
  EXPECT_EQ(copy->depths[0], 8);
  EXPECT_EQ(copy->signs[1], 1);
  EXPECT_EQ(copy->values[0][1], 2u);
  EXPECT_EQ(copy->values[1][2], 0x8000u);
  EXPECT_EQ(allocator.live.size(), 2u);

  JP2_PaletteDesc bad = desc;
  bad.entries = 1025;
  EXPECT_EQ(JP2_Compress_SetPalette(handle, &bad), JP2_Error_ValueOutOfRange);
  bad = desc;
  bad.columns = 0;
  EXPECT_EQ(JP2_Compress_SetPalette(handle, &bad), JP2_Error_ValueOutOfRange);
  depths[0] = 33;
  EXPECT_EQ(JP2_Compress_SetPalette(handle, &desc), JP2_Error_ValueOutOfRange);
  depths[0] = 8;
  columns[1] = nullptr;
  EXPECT_EQ(JP2_Compress_SetPalette(handle, &desc), JP2_Error_NullArgument);
  EXPECT_EQ(JP2_Compress_SetPalette(handle, nullptr), JP2_Error_NullArgument);
  EXPECT_NE(State().Palette(), nullptr) << "refused palettes keep the earlier one";
}

TEST_F(ColourSetters, ChannelDefinitionsAreCopied) {
  JP2_ChannelDef defs[4] = {{0, 1}, {0, 2}, {0, 3}, {1, 0}};
  ASSERT_EQ(JP2_Compress_SetChannelDefs(handle, defs, 4), 0);
  defs[3].type = 2;
  EXPECT_EQ(State().channelDefCount, 4u);
  EXPECT_EQ(State().ChannelDefs()[3].type, 1u);
  EXPECT_EQ(JP2_Compress_SetChannelDefs(handle, nullptr, 2), JP2_Error_NullArgument);
}

std::tuple<int, int, int, int, int, int> Fields(const JP2_ResolutionDesc& desc) {
  return {desc.firstNumerator,  desc.firstDenominator,  desc.firstExponent,
          desc.secondNumerator, desc.secondDenominator, desc.secondExponent};
}

TEST_F(ColourSetters, ResolutionUnitsAndKinds) {
  ASSERT_EQ(JP2_Compress_SetResolution(handle, 300, 300, nullptr, 0, 0), 0);
  const ResolutionSetting& capture = State().resolutions[kCaptureResolution];
  const JP2_ResolutionDesc dpi{300, 254, 4, 300, 254, 4};
  EXPECT_TRUE(capture.present);
  EXPECT_EQ(Fields(capture.desc), Fields(dpi));
  EXPECT_FALSE(State().resolutions[kDisplayResolution].present);

  ASSERT_EQ(JP2_Compress_SetResolution(handle, 72, 96, nullptr, 1, 1), 0);
  const JP2_ResolutionDesc unitOne{72, 254, 2, 96, 254, 2};
  const ResolutionSetting& display = State().resolutions[kDisplayResolution];
  EXPECT_EQ(Fields(display.desc), Fields(unitOne));
  ASSERT_EQ(JP2_Compress_SetResolution(handle, 5000, 4000, nullptr, 2, 1), 0);
  const JP2_ResolutionDesc perMetre{5000, 1, 0, 4000, 1, 0};
  EXPECT_EQ(Fields(display.desc), Fields(perMetre));

  const JP2_ResolutionDesc raw{1, 2, -3, 4, 5, 6};
  ASSERT_EQ(JP2_Compress_SetResolution(handle, 0, 0, &raw, 99, 0), 0) << "taken as it is";
  EXPECT_EQ(Fields(capture.desc), Fields(raw));

  EXPECT_EQ(JP2_Compress_SetResolution(handle, 0, 300, nullptr, 0, 0), JP2_Error_ResolutionZero);
  EXPECT_EQ(JP2_Compress_SetResolution(handle, 300, 0, nullptr, 0, 0), JP2_Error_ResolutionZero);
  EXPECT_EQ(JP2_Compress_SetResolution(handle, 300, 300, nullptr, 3, 0), JP2_Error_ResolutionUnit);
  EXPECT_EQ(JP2_Compress_SetResolution(handle, 300, 300, nullptr, 0, 2), JP2_Error_ResolutionKind);
  EXPECT_EQ(Fields(capture.desc), Fields(raw)) << "refused calls change nothing";
}

TEST_F(ColourSetters, RegionsAreClampedAndAtMostSixteen) {
  ASSERT_EQ(JP2_Compress_SetROI(handle, 900, 100, 500, 0), 0);
  const Region& first = State().regions[0];
  EXPECT_EQ(first.x, 900u);
  EXPECT_EQ(first.width, 100u);
  EXPECT_EQ(first.y, 100u);
  EXPECT_EQ(first.height, 900u) << "a height of 0 reaches the edge";
  ASSERT_EQ(JP2_Compress_SetROI(handle, 5000, 999, 10, 1), 0);
  EXPECT_EQ(State().regions[1].x, 1000u);
  EXPECT_EQ(State().regions[1].width, 0u);
  EXPECT_EQ(State().regions[1].height, 1u);
  for (int i = 2; i < 16; ++i) ASSERT_EQ(JP2_Compress_SetROI(handle, 1, 2, 3, 4), 0);
  EXPECT_EQ(JP2_Compress_SetROI(handle, 1, 2, 3, 4), JP2_Error_TooManyRegions);
  EXPECT_EQ(State().regionCount, 16u);

  EXPECT_EQ(State().enhanceStrength, 10u);
  ASSERT_EQ(JP2_Compress_SetROI_Enhance(handle, 3), 0);
  EXPECT_EQ(State().enhanceStrength, 3u);
  ASSERT_EQ(JP2_Compress_SetROI_Enhance(handle, 4000000000u), 0);
  EXPECT_EQ(State().enhanceStrength, 10u);
}

std::string BoxBytes(const MetadataBox& box) {
  return std::string(reinterpret_cast<const char*>(box.bytes), box.length);
}

TEST_F(ColourSetters, MetadataBoxesAreBuiltCompleteInCallOrder) {
  const std::uint8_t xml[] = {'<', 'x', '/', '>'};
  const std::uint8_t ip[] = {1, 2, 3};
  std::uint8_t uuid[16];
  for (int i = 0; i < 16; ++i) uuid[i] = static_cast<std::uint8_t>(0xA0 + i);
  const std::uint8_t url[] = "http://x";
  ASSERT_EQ(JP2_Compress_SetXML_Data(handle, xml, 4), 0);
  EXPECT_FALSE(State().ipDataSet);
  ASSERT_EQ(JP2_Compress_SetIP_Data(handle, ip, 3), 0);
  EXPECT_TRUE(State().ipDataSet);
  ASSERT_EQ(JP2_Compress_SetUUID_Data(handle, uuid, xml, 2), 0);
  ASSERT_EQ(JP2_Compress_SetIPTC_Data(handle, ip, 1), 0);
  ASSERT_EQ(JP2_Compress_SetUUID_Info(handle, uuid, 1, url, sizeof url), 0);

  const MetadataBox* box = State().firstBox;
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(BoxBytes(*box), std::string("\0\0\0\x0Cxml <x/>", 12));
  box = box->next;
  EXPECT_EQ(BoxBytes(*box), std::string("\0\0\0\x0Bjp2i\1\2\3", 11));
  box = box->next;
  EXPECT_EQ(BoxBytes(*box), std::string("\0\0\0\x1Auuid", 8) +
                                std::string(reinterpret_cast<char*>(uuid), 16) + "<x");
  box = box->next;
  EXPECT_EQ(BoxBytes(*box), std::string("\0\0\0\x19uuid\x33\xc7\xa4\xd2\xb8\x1d\x47\x23"
                                        "\xa0\xba\xf1\xa3\xe0\x97\xad\x38\x01",
                                        25));
  box = box->next;
  // uinf = 16 x NU + URL length + 31, the input's terminating zero not counted.
  const std::string expected = std::string("\0\0\0\x37uinf\0\0\0\x1Aulst\0\x01", 18) +
                               std::string(reinterpret_cast<char*>(uuid), 16) +
                               std::string("\0\0\0\x15url \0\0\0\0http://x\0", 21);
  EXPECT_EQ(BoxBytes(*box), expected);
  EXPECT_EQ(box->next, nullptr);
  EXPECT_EQ(State().lastBox, box);
}

TEST_F(ColourSetters, MetadataNeedsABoxFormat) {
  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
  const std::uint8_t data[] = {1};
  const std::uint8_t uuid[16] = {};
  EXPECT_EQ(JP2_Compress_SetXML_Data(handle, data, 1), JP2_Error_NeedsJp2OrJpx);
  EXPECT_EQ(JP2_Compress_SetIP_Data(handle, data, 1), JP2_Error_NeedsJp2OrJpx);
  EXPECT_EQ(JP2_Compress_SetUUID_Data(handle, uuid, data, 1), JP2_Error_NeedsJp2OrJpx);
  EXPECT_EQ(JP2_Compress_SetUUID_Info(handle, uuid, 1, data, 1), JP2_Error_NeedsJp2OrJpx);
  EXPECT_EQ(JP2_Compress_SetIPTC_Data(handle, data, 1), JP2_Error_NeedsJp2OrJpx);
  EXPECT_FALSE(State().ipDataSet);
  EXPECT_EQ(State().firstBox, nullptr);

  ASSERT_EQ(Set(JP2_Prop_FileFormat, JP2_Format_JP2), 0);
  EXPECT_EQ(JP2_Compress_SetXML_Data(handle, nullptr, 5), JP2_Error_NullArgument);
  EXPECT_EQ(JP2_Compress_SetUUID_Data(handle, nullptr, data, 1), JP2_Error_NullArgument);
  EXPECT_EQ(JP2_Compress_SetUUID_Info(handle, uuid, 65536, data, 1), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(JP2_Compress_SetXML_Data(handle, data, 0xFFFFFFF9u), JP2_Error_OutOfMemory)
      << "a box whose length leaves 32 bits";
  EXPECT_EQ(JP2_Compress_SetXML_Data(handle, nullptr, 0), 0) << "an empty box";
}

}  // namespace
}  // namespace quillon::jp2::test
