// What a CompressHandle points to: the encoder's configuration, carved from one allocation
// together with its per-component table and the tables of the first tile.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/IccProfile.h"
#include "common/SubbandGeometry.h"
#include "encoder/OutputStream.h"
#include "jp2.h"

namespace quillon::jp2 {

inline constexpr std::uint32_t kCompressMark = 12345;
inline constexpr int kMaxComponents = 16384;
inline constexpr int kResolutionSlots = 33;
inline constexpr std::uint32_t kMaxRegions = 16;
inline constexpr std::uint32_t kMaxTiles = 65535;  // tile indices are 16 bits in SOT
inline constexpr std::uint8_t kMaxFactor = 255;

struct ComponentGeometry {
  std::uint32_t size[2] = {0, 0};   // width and height in component samples; 0 until set
  std::uint8_t factor[2] = {1, 1};  // XRsiz, YRsiz, derived from the sizes
  std::uint8_t depth = 0;           // 0 until set
  std::uint8_t isSigned = 0;
};

// The reference grid per axis: Xsiz, XOsiz, XTsiz (0 = the whole grid), XTOsiz.
struct ReferenceGrid {
  std::uint32_t extent[2] = {0, 0};
  std::uint32_t offset[2] = {0, 0};
  std::uint32_t tileSize[2] = {0, 0};
  std::uint32_t tileOffset[2] = {0, 0};
};

struct TileCoding {
  std::uint16_t layers = 1;
  std::uint8_t progression = JP2_Progression_LRCP;
  std::uint8_t markers = 0;  // bit 0 SOP, bit 1 EPH
};

inline constexpr std::uint8_t kMaxPrecinctExponent = 15;
inline constexpr std::uint8_t kNoPrecinctPartition =
    kMaxPrecinctExponent * 16 + kMaxPrecinctExponent;

struct TileComponentCoding {
  std::uint8_t levels = 5;
  std::uint8_t codeBlockWidthExponent = 6;
  std::uint8_t codeBlockHeightExponent = 6;
  std::uint8_t codeBlockStyle = 0;
  std::uint8_t guardBits = 2;
  std::uint8_t reversible = 1;
  std::uint8_t quantStyle = 0;
  std::uint8_t precincts[kResolutionSlots];  // PPy * 16 + PPx per resolution level
};

struct Region {
  std::uint32_t x, y, width, height;  // thousandths of the image width and height
};

struct ResolutionSetting {
  bool present = false;
  JP2_ResolutionDesc desc{};
};

enum ResolutionKind : std::uint32_t { kCaptureResolution = 0, kDisplayResolution = 1 };

// One metadata box built complete (length, type, payload), in an allocation of its own.
struct MetadataBox {
  MetadataBox* next = nullptr;
  OwnedBlock block;
  std::uint8_t* bytes = nullptr;
  std::uint32_t length = 0;
};

struct CompressState {
  std::uint32_t mark = kCompressMark;  // first word of the handle
  OwnedBlock self;
  MemoryCallbacks memory;

  int componentCount = 0;
  ComponentGeometry* components = nullptr;
  ReferenceGrid grid;

  // Tables of every tile: tileComponents[tile * componentCount + component]. With one tile
  // they are the handle's own; with more they live in tileTables.
  std::uint32_t tileCount = 1;
  TileCoding* tiles = nullptr;
  TileComponentCoding* tileComponents = nullptr;
  OwnedBlock tileTables;
  TileCoding* ownTile = nullptr;
  TileComponentCoding* ownTileComponents = nullptr;

  std::uint32_t fileFormat = JP2_Format_JP2;
  std::uint32_t colourSpace = JP2_Colour_Greyscale;
  std::uint32_t byteOrder = 0;
  std::uint32_t outputBufferSize = 2048;
  std::uint32_t targetSize = 0;
  std::uint32_t visualWeighting = 0;
  std::uint32_t threads = 1;  // of one JP2_Compress_Image call
  std::uintptr_t inputCallback = 0;
  std::uintptr_t inputParam = 0;
  std::uintptr_t outputCallback = 0;
  std::uintptr_t outputParam = 0;

  OwnedBlock iccProfile;
  std::uint32_t iccLength = 0;
  IccProfileInfo iccInfo;
  bool labHasParams = false;
  JP2_LabParams lab{};
  OwnedBlock palette;  // a JP2_PaletteDesc followed by its arrays
  OwnedBlock channelDefs;
  std::uint32_t channelDefCount = 0;
  ResolutionSetting resolutions[2];

  Region regions[kMaxRegions] = {};
  std::uint32_t regionCount = 0;
  std::uint32_t enhanceStrength = 10;

  MetadataBox* firstBox = nullptr;
  MetadataBox* lastBox = nullptr;
  bool ipDataSet = false;

  bool compressed = false;

  // The output and the patches still owed to it once boxes follow the codestream.
  OutputStream output;
  std::uint64_t codestreamBoxOffset = 0;
  std::uint64_t codestreamBoxLength = 0;
  bool codestreamLengthPending = false;
  std::uint64_t iprOffset = 0;
  bool iprPatched = false;

  TileComponentCoding& Coding(std::uint32_t tile, int component) {
    return tileComponents[static_cast<std::uint64_t>(tile) * componentCount + component];
  }
  const TileComponentCoding& Coding(std::uint32_t tile, int component) const {
    return tileComponents[static_cast<std::uint64_t>(tile) * componentCount + component];
  }
  const JP2_PaletteDesc* Palette() const {
    return palette.empty() ? nullptr : reinterpret_cast<const JP2_PaletteDesc*>(palette.data);
  }
  const JP2_ChannelDef* ChannelDefs() const {
    return reinterpret_cast<const JP2_ChannelDef*>(channelDefs.data);
  }
};

// The state behind a handle, or null when the handle is null or lacks the validity mark.
CompressState* StateOf(CompressHandle handle);

// The frame of every exported function taking a handle: -4 for a bad handle, else the code
// of fn(state).
template <typename Fn>
std::int32_t WithState(CompressHandle handle, Fn&& fn) {
  CompressState* state = StateOf(handle);
  if (state == nullptr) return JP2_Error_InvalidHandle;
  return Status(fn(*state)).code();
}

}  // namespace quillon::jp2
