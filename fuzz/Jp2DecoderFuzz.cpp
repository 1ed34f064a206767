// The JPEG 2000 decoder's header side over its C interface: JP2_Decompress_Start, then every
// property and metadata getter, the colour description choice and the scale factors, with
// caching on or off as the input's last byte chooses. Allocations are capped so that a
// request no file of this size justifies shows up as a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "jp2.h"

namespace {

constexpr std::uint64_t kMemoryCap = 64u << 20;

struct FuzzInput {
  const std::uint8_t* data;
  std::size_t size;

  static std::int32_t Read(void* buffer, std::uint32_t offset, std::uint32_t count,
                           std::uintptr_t param) {
    const auto* input = reinterpret_cast<const FuzzInput*>(param);
    if (offset >= input->size) return 0;
    const std::size_t take = count < input->size - offset ? count : input->size - offset;
    std::memcpy(buffer, input->data + offset, take);
    return static_cast<std::int32_t>(take);
  }
};

void* Allocate(std::uint32_t size, std::uintptr_t) {
  if (size > kMemoryCap) std::abort();
  return std::malloc(size);
}

std::int32_t Release(void* block, std::uintptr_t) {
  std::free(block);
  return 0;
}

// Every getter; outputs are touched so that a bad pointer faults here.
void QueryEverything(DecompressHandle handle) {
  std::uintptr_t value = 0;
  std::uint32_t channels = 0;
  const JP2_ChannelDef* defs = nullptr;
  JP2_Decompress_GetChannelDefs(handle, &defs, &channels);
  std::uintptr_t tiles = 0;
  JP2_Decompress_GetProp(handle, JP2_Prop_TileCount, &tiles, 0, 0);
  for (std::uint32_t id = 0; id <= 77; ++id) {
    for (const std::int32_t tile : {0, static_cast<std::int32_t>(tiles) - 1}) {
      for (const std::int16_t channel :
           {std::int16_t{0}, static_cast<std::int16_t>(channels - 1)}) {
        JP2_Decompress_GetProp(handle, id, &value, tile, channel);
      }
    }
  }
  std::uint32_t ppx = 0, ppy = 0;
  for (std::int32_t resolution = 0; resolution < 34; ++resolution) {
    JP2_Decompress_GetPrecinct(handle, &ppx, &ppy, 0, 0, resolution);
  }
  std::uint32_t vertical = 0, horizontal = 0;
  JP2_ResolutionDesc desc{};
  for (std::uint32_t which = 0; which < 2; ++which) {
    for (std::uint32_t unit = 0; unit < 3; ++unit) {
      JP2_Decompress_GetResolution(handle, &vertical, &horizontal, &desc, unit, which);
    }
  }
  const JP2_PaletteDesc* palette = nullptr;
  if (JP2_Decompress_GetPalette(handle, &palette) == 0 && palette != nullptr) {
    volatile std::uint32_t sum = 0;
    for (std::uint32_t c = 0; c < palette->columns; ++c) {
      for (std::uint32_t e = 0; e < palette->entries; ++e) sum = sum + palette->values[c][e];
    }
  }
  std::uint32_t count = 0;
  const JP2_ColorSpec* descriptions = nullptr;
  JP2_Decompress_GetColorSpec(handle, &count, &descriptions);
  for (std::uint32_t i = 0; i <= count && i < 4; ++i) {
    JP2_Decompress_SetColorSpec(handle, i);
    std::uint8_t* icc = nullptr;
    std::uint32_t length = 0;
    if (JP2_Decompress_GetICC(handle, &icc, &length) == 0 && length != 0) icc[length - 1] ^= 1;
    JP2_LabParams lab{};
    JP2_Decompress_GetLAB(handle, &lab);
  }
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  using Num = std::int32_t (*)(DecompressHandle, std::uint32_t*);
  using Data =
      std::int32_t (*)(DecompressHandle, std::uint32_t, const std::uint8_t**, std::uint32_t*);
  const struct {
    Num num;
    Data data;
  } kinds[] = {{JP2_Decompress_GetXML_Num, JP2_Decompress_GetXML_Data},
               {JP2_Decompress_GetIP_Num, JP2_Decompress_GetIP_Data},
               {JP2_Decompress_GetUUID_Num, JP2_Decompress_GetUUID_Data},
               {JP2_Decompress_GetIPTC_Num, JP2_Decompress_GetIPTC_Data}};
  for (const auto& kind : kinds) {
    kind.num(handle, &count);
    for (std::uint32_t i = 0; i <= count && i < 4; ++i) {
      if (kind.data(handle, i, &data, &length) >= 0 && length != 0) {
        volatile std::uint8_t last = data[length - 1];
        static_cast<void>(last);
      }
    }
  }
  std::uint8_t uuid[16];
  JP2_Decompress_GetUUID_Id(handle, 0, uuid);
  JP2_Decompress_GetUUID_Info_Num(handle, &count);
  const std::uint8_t* uuids = nullptr;
  const std::uint8_t* location = nullptr;
  std::uint16_t uuidCount = 0;
  for (std::uint32_t i = 0; i <= count && i < 4; ++i) {
    if (JP2_Decompress_GetUUID_Info_Data(handle, i, &uuids, &uuidCount, &location, &length) >= 0) {
      volatile std::uint8_t last = 0;
      if (uuidCount != 0) last = uuids[16 * uuidCount - 1];
      if (length != 0) last = location[length - 1];
      static_cast<void>(last);
    }
  }
  for (const std::uintptr_t factor : {0u, 2u, 3u, 64u, 1u << 20}) {
    JP2_Decompress_SetProp(handle, JP2_Prop_ReduceFactor, factor);
    JP2_Decompress_GetProp(handle, JP2_Prop_Width, &value, 0, 0);
    JP2_Decompress_SetProp(handle, JP2_Prop_EnlargeFactor, factor);
    JP2_Decompress_GetProp(handle, JP2_Prop_Height, &value, 0, 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input{data, size};
  DecompressHandle handle = nullptr;
  const std::int32_t status = JP2_Decompress_Start(
      &handle, Allocate, 0, Release, 0, FuzzInput::Read, reinterpret_cast<std::uintptr_t>(&input));
  if (status == 0) {
    if (size != 0 && (data[size - 1] & 1) != 0)
      JP2_Decompress_SetProp(handle, JP2_Prop_CacheInput, 0);
    QueryEverything(handle);
  }
  if (handle != nullptr && JP2_Decompress_End(handle) != 0) std::abort();
  return 0;
}
