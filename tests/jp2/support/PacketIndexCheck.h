// Checks a packet index from JP2_Decompress_GetInformation on a file written with SOP markers:
// every packet of a tile starts at an SOP whose number is its rank in the tile's stream, and
// the packets follow one another without gaps.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/DecodeSession.h"

namespace quillon::jp2::test {

// The number of packets checked.
inline std::size_t ExpectSopNumberedPacketsWithoutGaps(const Bytes& bytes,
                                                       const JP2_ImageInfo& info) {
  struct PacketSpan {
    std::uint32_t offset, length;
  };
  std::size_t packetsSeen = 0;
  for (std::uint32_t t = 0; t < info.tilesAcross * info.tilesDown; ++t) {
    const JP2_TileInfo& tile = info.tiles[t];
    std::vector<PacketSpan> packets;
    for (std::uint32_t c = 0; c < info.components; ++c) {
      const JP2_CompInfo& component = tile.components[c];
      for (int r = 0; r <= component.levels; ++r) {
        const JP2_ResInfo& level = component.resolutions[r];
        for (std::uint32_t p = 0; p < level.precinctsAcross * level.precinctsDown; ++p) {
          for (int l = 0; l < tile.layers; ++l) {
            packets.push_back(
                {level.precincts[p].layerOffsets[l], level.precincts[p].layerLengths[l]});
          }
        }
      }
    }
    std::sort(packets.begin(), packets.end(),
              [](const PacketSpan& a, const PacketSpan& b) { return a.offset < b.offset; });
    for (std::size_t i = 0; i < packets.size(); ++i) {
      const PacketSpan& packet = packets[i];
      if (std::size_t{packet.offset} + 6 > bytes.size()) {
        ADD_FAILURE() << "tile " << t << " packet " << i << " at " << packet.offset
                      << " lies beyond the file";
        return packetsSeen;
      }
      EXPECT_EQ(bytes[packet.offset], 0xFF) << "tile " << t << " packet " << i;
      EXPECT_EQ(bytes[packet.offset + 1], 0x91);
      EXPECT_EQ((bytes[packet.offset + 4] << 8) | bytes[packet.offset + 5], static_cast<int>(i));
      if (i + 1 < packets.size()) {
        EXPECT_EQ(packet.offset + packet.length, packets[i + 1].offset);
      }
    }
    packetsSeen += packets.size();
  }
  return packetsSeen;
}

}  // namespace quillon::jp2::test
