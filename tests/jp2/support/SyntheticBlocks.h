// Coded blocks made up by tests (pass lengths, slopes, a codeword) and a precinct of one
// subband over them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "encoder/CodeBlockCoefficients.h"
#include "encoder/PacketHeader.h"

namespace quillon::jp2::test {

// A synthetic coded block: its passes' cumulative lengths and a codeword of that size.
struct Block {
  std::vector<std::uint32_t> lengths;
  std::vector<float> slopes;
  std::vector<std::uint32_t> segmentEnds;  // per pass, the lengths the block was made with
  std::vector<std::uint8_t> codeword;
  CodedBlock coded;

  // style: code-block style bits; with several codeword segments their ends are the lengths.
  Block(std::vector<std::uint32_t> passLengths, std::uint8_t zeroPlanes, std::uint8_t style = 0)
      : lengths(std::move(passLengths)),
        slopes(lengths.size(), 1.0f),
        codeword(lengths.empty() ? 0 : lengths.back(), 0x5A) {
    coded.passCount = static_cast<std::uint16_t>(lengths.size());
    coded.zeroBitPlanes = zeroPlanes;
    coded.style = style;
    coded.lengths = lengths.data();
    coded.slopes = slopes.data();
    coded.codeword = codeword.data();
    segmentEnds = lengths;
    if ((style & (kStyleBypass | kStyleTerminateEachPass)) != 0) {
      coded.segmentEnds = segmentEnds.data();
    }
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  // Lengths as the hull leaves them; the segments keep the lengths the block was made with.
  void HullLengths(std::vector<std::uint32_t> values) {
    lengths = std::move(values);
    coded.lengths = lengths.data();
  }
  void Slopes(std::vector<float> values) {
    slopes = std::move(values);
    coded.slopes = slopes.data();
  }
  void Layers(std::initializer_list<std::uint16_t> ends) {
    int l = 0;
    for (std::uint16_t end : ends) coded.layerEnd[l++] = end;
    coded.included = coded.layerEnd[l - 1];
  }
};

// One subband of width x height blocks in one precinct.
class OneBandPrecinct {
 public:
  OneBandPrecinct(const std::vector<Block*>& blocks, std::uint32_t width, std::uint32_t height)
      : pointers(blocks.size()), nodes(2 * TagTree::NodeCount(width, height)) {
    for (std::size_t i = 0; i < blocks.size(); ++i) pointers[i] = &blocks[i]->coded;
    PrecinctBand& band = precinct.bands[0];
    band.blocks = pointers.data();
    band.width = width;
    band.height = height;
    band.inclusion.Build(nodes.data(), width, height);
    band.zeroPlanes.Build(nodes.data() + nodes.size() / 2, width, height);
    precinct.bandCount = 1;
  }

  std::vector<std::uint8_t> Header(int layer, int layers, PacketMarkers markers = {},
                                   std::uint16_t nsop = 0) {
    std::vector<std::uint8_t> buffer(PacketHeaderCapacity(precinct));
    PacketBitWriter writer(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    EXPECT_TRUE(WritePacketHeader(precinct, layer, layers, markers, nsop, writer).ok());
    buffer.resize(writer.size());
    return buffer;
  }

  std::vector<CodedBlock*> pointers;
  std::vector<TagTreeNode> nodes;
  Precinct precinct;
};

}  // namespace quillon::jp2::test
