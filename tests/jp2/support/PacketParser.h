// A packet-header reader for tests, written from T.800 Annex B independently of the encoder's
// writer: bit unstuffing, tag trees (the shared decoder side), pass counts, Lblock and lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/TagTree.h"
#include "support/CodewordSegments.h"

namespace quillon::jp2::test {

class StuffedBitReader {
 public:
  StuffedBitReader(const std::uint8_t* data, std::size_t size, std::size_t position)
      : data_(data), size_(size), position_(position) {}

  bool GetBit(int* bit) {
    if (bitsLeft_ == 0) {
      if (position_ >= size_) return false;
      const bool afterFF = current_ == 0xFF;
      current_ = data_[position_++];
      bitsLeft_ = afterFF ? 7 : 8;
    }
    --bitsLeft_;
    *bit = (current_ >> bitsLeft_) & 1;
    return true;
  }

  bool GetBits(int count, std::uint32_t* value) {
    *value = 0;
    for (int i = 0; i < count; ++i) {
      int bit = 0;
      if (!GetBit(&bit)) return false;
      *value = (*value << 1) | static_cast<std::uint32_t>(bit);
    }
    return true;
  }

  // Drops the rest of the byte; a header ending in 0xFF is followed by a stuffed byte.
  bool Align() {
    bitsLeft_ = 0;
    if (current_ != 0xFF) return true;
    if (position_ >= size_ || data_[position_] >= 0x80) return false;
    ++position_;
    current_ = 0;
    return true;
  }

  std::size_t position() const { return position_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_;
  std::uint32_t current_ = 0;
  int bitsLeft_ = 0;
};

struct ParsedContribution {
  bool included = false;
  std::uint32_t zeroPlanes = 0;  // set when first included
  std::uint32_t passes = 0;
  std::vector<std::uint32_t> segments;  // byte lengths
};

// Reads the headers of one precinct, layer after layer, keeping the decoder's state.
class PrecinctHeaderReader {
 public:
  // style: the code-block style bits, which tell where codeword segments end.
  PrecinctHeaderReader(std::vector<std::pair<std::uint32_t, std::uint32_t>> bandSizes,
                       std::uint8_t style)
      : style_(style) {
    for (const auto& [width, height] : bandSizes) {
      Band band;
      band.width = width;
      band.height = height;
      band.inclusionNodes.resize(TagTree::NodeCount(width, height));
      band.zeroNodes.resize(band.inclusionNodes.size());
      band.blocks.resize(std::size_t{width} * height);
      bands_.push_back(std::move(band));
    }
    for (Band& band : bands_) {
      band.inclusion.Build(band.inclusionNodes.data(), band.width, band.height);
      band.zeroPlanes.Build(band.zeroNodes.data(), band.width, band.height);
      band.inclusion.ResetForDecoding();
      band.zeroPlanes.ResetForDecoding();
    }
  }

  // Reads one header at *position; *out gets one entry per block (bands in order, raster
  // order inside). nsop is set to the SOP number, or -1 without SOP.
  bool Read(const std::vector<std::uint8_t>& data, std::size_t* position, int layer, bool sop,
            bool eph, int* nsop, std::vector<ParsedContribution>* out) {
    out->clear();
    *nsop = -1;
    std::size_t at = *position;
    if (sop) {
      if (at + 6 > data.size() || data[at] != 0xFF || data[at + 1] != 0x91 || data[at + 2] != 0 ||
          data[at + 3] != 4) {
        return false;
      }
      *nsop = data[at + 4] << 8 | data[at + 5];
      at += 6;
    }
    StuffedBitReader reader(data.data(), data.size(), at);
    int present = 0;
    if (!reader.GetBit(&present)) return false;
    for (Band& band : bands_) {
      for (std::uint32_t i = 0; i < band.width * band.height; ++i) {
        ParsedContribution contribution;
        if (present != 0 && !ReadBlock(reader, band, i, layer, &contribution)) return false;
        out->push_back(std::move(contribution));
      }
    }
    if (!reader.Align()) return false;
    at = reader.position();
    if (eph) {
      if (at + 2 > data.size() || data[at] != 0xFF || data[at + 1] != 0x92) return false;
      at += 2;
    }
    *position = at;
    return true;
  }

 private:
  struct BlockState {
    bool included = false;
    std::uint32_t lblock = 3;
    std::uint32_t passes = 0;  // in earlier layers
  };

  struct Band {
    std::uint32_t width = 0, height = 0;
    std::vector<TagTreeNode> inclusionNodes, zeroNodes;
    TagTree inclusion, zeroPlanes;
    std::vector<BlockState> blocks;
  };

  static bool ReadPassCount(StuffedBitReader& reader, std::uint32_t* passes) {
    std::uint32_t bits = 0;
    if (!reader.GetBits(1, &bits)) return false;
    if (bits == 0) return *passes = 1, true;
    if (!reader.GetBits(1, &bits)) return false;
    if (bits == 0) return *passes = 2, true;
    if (!reader.GetBits(2, &bits)) return false;
    if (bits < 3) return *passes = 3 + bits, true;
    if (!reader.GetBits(5, &bits)) return false;
    if (bits < 31) return *passes = 6 + bits, true;
    if (!reader.GetBits(7, &bits)) return false;
    *passes = 37 + bits;
    return true;
  }

  static int FloorLog2(std::uint32_t value) {
    int result = 0;
    while (value > 1) value >>= 1, ++result;
    return result;
  }

  bool ReadBlock(StuffedBitReader& reader, Band& band, std::uint32_t index, int layer,
                 ParsedContribution* out) {
    BlockState& state = band.blocks[index];
    if (!state.included) {
      bool below = false;
      if (!band.inclusion.Decode(reader, index, static_cast<std::uint32_t>(layer) + 1, &below)) {
        return false;
      }
      if (!below) return true;
      for (std::uint32_t threshold = 1;; ++threshold) {
        if (threshold > 200) return false;
        if (!band.zeroPlanes.Decode(reader, index, threshold, &below)) return false;
        if (below) break;
      }
      out->zeroPlanes = band.zeroPlanes.LeafValue(index);
      state.included = true;
    } else {
      int bit = 0;
      if (!reader.GetBit(&bit)) return false;
      if (bit == 0) return true;
    }
    out->included = true;
    if (!ReadPassCount(reader, &out->passes)) return false;
    int bit = 1;
    while (true) {
      if (!reader.GetBit(&bit)) return false;
      if (bit == 0) break;
      ++state.lblock;
    }
    const std::uint32_t end = state.passes + out->passes;
    for (std::uint32_t start = state.passes, p = state.passes; p < end; ++p) {
      if (p + 1 != end && !SegmentEndsAfter(style_, static_cast<int>(p))) continue;
      std::uint32_t length = 0;
      if (!reader.GetBits(static_cast<int>(state.lblock) + FloorLog2(p + 1 - start), &length)) {
        return false;
      }
      out->segments.push_back(length);
      start = p + 1;
    }
    state.passes = end;
    return true;
  }

  std::uint8_t style_;
  std::vector<Band> bands_;
};

}  // namespace quillon::jp2::test
