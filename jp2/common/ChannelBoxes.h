// The boxes of the JP2 header that build channels from components: palette, component
// mapping and channel definition. Write writes the whole box; parsing takes the bytes behind
// the box header, first the counts (so the caller can size its arrays), then the entries.
#pragma once

#include <cstdint>
#include <span>

#include "common/BoxHeader.h"

namespace quillon::jp2 {

// 'pclr': entries rows of one value per column, each of ceil(depth / 8) bytes.
struct PaletteBox {
  static constexpr std::uint32_t kMaxDepth = 32;

  std::uint16_t entries = 0;
  std::uint8_t columns = 0;
  std::span<const std::uint8_t> depthBytes;      // one per column (see DepthByte)
  const std::uint32_t* const* values = nullptr;  // for Write: one array per column

  static std::uint32_t BytesPerValue(std::uint8_t depthByte) {
    return ((depthByte & 0x7Fu) + 8) / 8;
  }
  std::uint64_t RowBytes() const;
  std::uint64_t Length() const;
  Status Write(SegmentWriter& out) const;
  // Reads NE, NPC and the depth bytes; -35 for a column deeper than 32 bits, -2 when the
  // rows do not fit the contents.
  Status ParseHeader(FieldReader& in);
  // Reads the rows into one array of entries values per column.
  Status ParseValues(FieldReader& in, std::uint32_t* const* columnValues) const;
};

// One 'cmap' entry: component CMP used directly (type 0) or through palette column PCOL.
struct ComponentMapping {
  static constexpr std::uint8_t kDirect = 0;
  static constexpr std::uint8_t kPalette = 1;

  std::uint16_t component = 0;
  std::uint8_t type = kDirect;
  std::uint8_t column = 0;
};

struct ComponentMappingBox {
  static constexpr std::uint64_t kEntrySize = 4;

  std::span<const ComponentMapping> entries;  // for Write

  std::uint64_t Length() const { return BoxHeader::kSize + kEntrySize * entries.size(); }
  Status Write(SegmentWriter& out) const;
  static std::uint64_t EntryCount(std::span<const std::uint8_t> contents) {
    return contents.size() / kEntrySize;
  }
  // Fills EntryCount(contents) entries.
  static Status Parse(std::span<const std::uint8_t> contents, std::span<ComponentMapping> out);
};

// One 'cdef' entry: channel Cn of type Typ associated with colour Asoc.
struct ChannelDefinition {
  std::uint16_t channel = 0;
  std::uint16_t type = 0;
  std::uint16_t association = 0;
};

struct ChannelDefinitionBox {
  static constexpr std::uint64_t kEntrySize = 6;

  std::span<const ChannelDefinition> entries;  // for Write

  std::uint64_t Length() const { return BoxHeader::kSize + 2 + kEntrySize * entries.size(); }
  Status Write(SegmentWriter& out) const;
  // N, checked against the contents (-2 when the entries do not fit).
  static Status ParseCount(std::span<const std::uint8_t> contents, std::uint16_t* count);
  static Status Parse(std::span<const std::uint8_t> contents, std::span<ChannelDefinition> out);
};

}  // namespace quillon::jp2
