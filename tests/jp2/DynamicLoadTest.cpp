// libquillon-jp2.so as other programs use it: loaded with dlopen, functions looked up by
// name, nothing but the JP2_* functions visible.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "jp2.h"

namespace {

class LoadedCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(QUILLON_JP2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (library_ != nullptr) {
      EXPECT_EQ(dlclose(library_), 0);
    }
  }

  template <typename Function>
  Function Find(const char* name) {
    void* symbol = dlsym(library_, name);
    EXPECT_NE(symbol, nullptr) << name;
    return reinterpret_cast<Function>(symbol);
  }

  void* library_ = nullptr;
};

int liveBlocks = 0;

void* Allocate(std::uint32_t size, std::uintptr_t param) {
  ++*reinterpret_cast<int*>(param);
  return ::operator new(size);
}

std::int32_t Release(void* block, std::uintptr_t param) {
  --*reinterpret_cast<int*>(param);
  ::operator delete(block);
  return 0;
}

TEST_F(LoadedCodec, EveryInterfaceFunctionIsFoundByName) {
  for (const char* name : {"JP2_Compress_Start",
                           "JP2_Compress_SetProp",
                           "JP2_Compress_GetProp",
                           "JP2_Compress_SetResolution",
                           "JP2_Compress_SetPrecinct",
                           "JP2_Compress_SetROI",
                           "JP2_Compress_SetROI_Enhance",
                           "JP2_Compress_SetICC",
                           "JP2_Compress_SetLAB",
                           "JP2_Compress_SetChannelDefs",
                           "JP2_Compress_SetPalette",
                           "JP2_Compress_SetXML_Data",
                           "JP2_Compress_SetIP_Data",
                           "JP2_Compress_SetUUID_Data",
                           "JP2_Compress_SetUUID_Info",
                           "JP2_Compress_SetIPTC_Data",
                           "JP2_Compress_Image",
                           "JP2_Compress_End",
                           "JP2_General_CheckICC",
                           "JP2_General_ErrorText",
                           "JP2_Decompress_Start",
                           "JP2_Decompress_SetProp",
                           "JP2_Decompress_GetProp",
                           "JP2_Decompress_GetPrecinct",
                           "JP2_Decompress_GetResolution",
                           "JP2_Decompress_GetPalette",
                           "JP2_Decompress_GetChannelDefs",
                           "JP2_Decompress_GetColorSpec",
                           "JP2_Decompress_SetColorSpec",
                           "JP2_Decompress_GetICC",
                           "JP2_Decompress_GetLAB",
                           "JP2_Decompress_GetXML_Num",
                           "JP2_Decompress_GetXML_Data",
                           "JP2_Decompress_GetIP_Num",
                           "JP2_Decompress_GetIP_Data",
                           "JP2_Decompress_GetUUID_Num",
                           "JP2_Decompress_GetUUID_Id",
                           "JP2_Decompress_GetUUID_Data",
                           "JP2_Decompress_GetUUID_Info_Num",
                           "JP2_Decompress_GetUUID_Info_Data",
                           "JP2_Decompress_GetIPTC_Num",
                           "JP2_Decompress_GetIPTC_Data",
                           "JP2_Decompress_End"}) {
    EXPECT_NE(dlsym(library_, name), nullptr) << name;
  }
  // Internal functions stay hidden.
  EXPECT_EQ(dlsym(library_, "_ZN7quillon3jp27StateOfEP18JP2_CompressRecord"), nullptr);
  EXPECT_EQ(dlsym(library_, "_ZN7quillon3jp27StateOfEP20JP2_DecompressRecord"), nullptr);
}

TEST_F(LoadedCodec, ACompressionSessionThroughLookedUpFunctions) {
  auto start = Find<decltype(&JP2_Compress_Start)>("JP2_Compress_Start");
  auto setProp = Find<decltype(&JP2_Compress_SetProp)>("JP2_Compress_SetProp");
  auto getProp = Find<decltype(&JP2_Compress_GetProp)>("JP2_Compress_GetProp");
  auto setXml = Find<decltype(&JP2_Compress_SetXML_Data)>("JP2_Compress_SetXML_Data");
  auto image = Find<decltype(&JP2_Compress_Image)>("JP2_Compress_Image");
  auto end = Find<decltype(&JP2_Compress_End)>("JP2_Compress_End");
  auto errorText = Find<decltype(&JP2_General_ErrorText)>("JP2_General_ErrorText");
  ASSERT_TRUE(start && setProp && getProp && setXml && image && end && errorText);

  liveBlocks = 0;
  const auto param = reinterpret_cast<std::uintptr_t>(&liveBlocks);
  CompressHandle handle = nullptr;
  ASSERT_EQ(start(&handle, Allocate, param, Release, param, 3), 0);
  ASSERT_EQ(setProp(handle, JP2_Prop_Width, 640, -1, -1), 0);
  ASSERT_EQ(setProp(handle, JP2_Prop_Height, 480, -1, -1), 0);
  ASSERT_EQ(setProp(handle, JP2_Prop_TileWidth, 256, -1, -1), 0);
  std::uintptr_t tiles = 0;
  ASSERT_EQ(getProp(handle, JP2_Prop_TileCount, &tiles, 0, 0), 0);
  EXPECT_EQ(tiles, 3u);
  const std::uint8_t xml[] = "<metadata/>";
  ASSERT_EQ(setXml(handle, xml, sizeof xml - 1), 0);
  EXPECT_EQ(liveBlocks, 3);
  EXPECT_EQ(image(handle), JP2_Error_NoInputCallback);
  EXPECT_EQ(end(handle), 0);
  EXPECT_EQ(liveBlocks, 0);
  EXPECT_STREQ(errorText(JP2_Error_NoInputCallback), "no input callback");
  EXPECT_STREQ(errorText(12345), "error code not known to the codec");
}

}  // namespace
