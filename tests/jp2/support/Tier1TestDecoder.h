// A small, slow, independent tier-1 decoder for the block coder tests: the MQ decoder of
// T.800 C.3 with its own copy of the probability table, and the three decoding passes over
// plain two-dimensional arrays with explicit neighbour tests. Nothing here is shared with the
// codec, so a fault the encoder and its tables have in common with it is unlikely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/CodewordSegments.h"

namespace quillon::jp2::test {

struct QeRow {
  std::uint16_t qe;
  std::uint8_t nextMps, nextLps, switchMps;
};

// T.800 Table C.2 as printed.
inline constexpr QeRow kQeTable[47] = {
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},  {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0}, {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1}, {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0}, {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0}, {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0}, {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0}, {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
};

// Reads past the end as 0xFF, which the decoder then takes for a marker and fills with ones.
// A raw segment (bypass) gives its bits as they are, seven after a 0xFF byte, whatever the
// context.
class TestMqDecoder {
 public:
  TestMqDecoder(const std::uint8_t* data, std::size_t length, bool raw = false)
      : data_(data), length_(length), raw_(raw) {
    if (raw_) return;
    c_ = std::uint32_t{Byte(0)} << 16;
    ByteIn();
    c_ <<= 7;
    ct_ -= 7;
    a_ = 0x8000;
  }

  bool raw() const { return raw_; }

  int Decode(int& index, int& mps) {
    if (raw_) return RawBit();
    const QeRow& row = kQeTable[index];
    int decision;
    a_ -= row.qe;
    if ((c_ >> 16) < row.qe) {
      if (a_ < row.qe) {
        decision = mps;
        index = row.nextMps;
      } else {
        decision = 1 - mps;
        if (row.switchMps) mps = 1 - mps;
        index = row.nextLps;
      }
      a_ = row.qe;
    } else {
      c_ -= std::uint32_t{row.qe} << 16;
      if ((a_ & 0x8000) != 0) return mps;
      if (a_ < row.qe) {
        decision = 1 - mps;
        if (row.switchMps) mps = 1 - mps;
        index = row.nextLps;
      } else {
        decision = mps;
        index = row.nextMps;
      }
    }
    do {
      if (ct_ == 0) ByteIn();
      a_ <<= 1;
      c_ <<= 1;
      --ct_;
    } while ((a_ & 0x8000) == 0);
    return decision;
  }

 private:
  std::uint8_t Byte(std::size_t at) const { return at < length_ ? data_[at] : 0xFF; }

  int RawBit() {
    if (ct_ == 0) {
      const bool afterFF = bp_ != 0 && Byte(bp_ - 1) == 0xFF;
      c_ = Byte(bp_++);
      ct_ = afterFF ? 7 : 8;
    }
    --ct_;
    return static_cast<int>((c_ >> ct_) & 1);
  }

  void ByteIn() {
    if (Byte(bp_) == 0xFF) {
      if (Byte(bp_ + 1) > 0x8F) {
        c_ += 0xFF00;
        ct_ = 8;
      } else {
        ++bp_;
        c_ += std::uint32_t{Byte(bp_)} << 9;
        ct_ = 7;
      }
    } else {
      ++bp_;
      c_ += std::uint32_t{Byte(bp_)} << 8;
      ct_ = 8;
    }
  }

  const std::uint8_t* data_;
  std::size_t length_;
  std::size_t bp_ = 0;
  std::uint32_t a_ = 0, c_ = 0;
  int ct_ = 0;
  bool raw_;
};

struct Tier1Setup {
  int width = 0, height = 0;
  int band = 0;  // 0 LL or LH, 1 HL, 2 HH
  int style = 0;
  int planes = 0;
};

// Decodes the first passes of a codeword; segments holds the byte length of every codeword
// segment (SegmentEndsAfter), the last one as far as the passes reach. Values come back as sign
// bit 31 plus the magnitude bits decoded so far, row by row; ok is false when a
// segmentation symbol came out wrong.
class Tier1TestDecoder {
 public:
  explicit Tier1TestDecoder(const Tier1Setup& setup)
      : s_(setup), cells_(static_cast<std::size_t>(setup.width) * setup.height) {}

  std::vector<std::uint32_t> Decode(const std::uint8_t* data,
                                    const std::vector<std::uint32_t>& segments, int passes) {
    ResetContexts();
    std::size_t segment = 0, offset = 0;
    TestMqDecoder mq(data, segments.empty() ? 0 : segments[0]);
    for (int pass = 0; pass < passes; ++pass) {
      const int plane = s_.planes - 1 - (pass + 2) / 3;
      const int kind = (pass + 2) % 3;  // 0 significance, 1 refinement, 2 cleanup
      if (kind == 0) Significance(mq, plane);
      if (kind == 1) Refinement(mq, plane);
      if (kind == 2) Cleanup(mq, plane);
      if ((s_.style & 2) != 0) ResetContexts();
      if (SegmentEndsAfter(s_.style, pass) && segment + 1 < segments.size()) {
        offset += segments[segment++];
        mq = TestMqDecoder(data + offset, segments[segment], RawPass(s_.style, pass + 1));
      }
    }
    std::vector<std::uint32_t> values(cells_.size());
    for (std::size_t i = 0; i < cells_.size(); ++i) {
      values[i] = cells_[i].magnitude | (cells_[i].negative ? 0x80000000u : 0u);
    }
    return values;
  }

  bool ok = true;

 private:
  struct Cell {
    bool significant = false, visited = false, refined = false, negative = false;
    std::uint32_t magnitude = 0;
  };

  Cell& At(int x, int y) { return cells_[static_cast<std::size_t>(y) * s_.width + x]; }

  // Neighbour (x, y) of a coefficient in row fromY, as the context of that coefficient sees it.
  const Cell* Neighbour(int x, int y, int fromY) {
    if (x < 0 || y < 0 || x >= s_.width || y >= s_.height) return nullptr;
    if ((s_.style & 8) != 0 && y / 4 > fromY / 4) return nullptr;
    return &At(x, y);
  }
  int Sig(int x, int y, int fromY) {
    const Cell* cell = Neighbour(x, y, fromY);
    return cell != nullptr && cell->significant ? 1 : 0;
  }
  int SignOf(int x, int y, int fromY) {
    const Cell* cell = Neighbour(x, y, fromY);
    if (cell == nullptr || !cell->significant) return 0;
    return cell->negative ? -1 : 1;
  }

  int ZeroContext(int x, int y) {
    int h = Sig(x - 1, y, y) + Sig(x + 1, y, y);
    int v = Sig(x, y - 1, y) + Sig(x, y + 1, y);
    const int d =
        Sig(x - 1, y - 1, y) + Sig(x + 1, y - 1, y) + Sig(x - 1, y + 1, y) + Sig(x + 1, y + 1, y);
    if (s_.band == 2) {
      const int hv = h + v;
      if (d >= 3) return 8;
      if (d == 2) return hv >= 1 ? 7 : 6;
      if (d == 1) return hv >= 2 ? 5 : (hv == 1 ? 4 : 3);
      return hv >= 2 ? 2 : hv;
    }
    if (s_.band == 1) {
      const int t = h;
      h = v;
      v = t;
    }
    if (h == 2) return 8;
    if (h == 1) return v >= 1 ? 7 : (d >= 1 ? 6 : 5);
    if (v >= 1) return 2 + v;
    return d >= 2 ? 2 : d;
  }

  bool HasSignificantNeighbour(int x, int y) {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if ((dx != 0 || dy != 0) && Sig(x + dx, y + dy, y) != 0) return true;
      }
    }
    return false;
  }

  void DecodeSign(TestMqDecoder& mq, int x, int y) {
    auto clamp = [](int v) { return v < -1 ? -1 : v > 1 ? 1 : v; };
    const int h = clamp(SignOf(x - 1, y, y) + SignOf(x + 1, y, y));
    const int v = clamp(SignOf(x, y - 1, y) + SignOf(x, y + 1, y));
    static const int kContext[3][3] = {{13, 12, 11}, {10, 9, 10}, {11, 12, 13}};  // [h+1][v+1]
    const int flip = (h < 0 || (h == 0 && v < 0)) ? 1 : 0;
    const int context = kContext[h + 1][v + 1];
    At(x, y).negative = (Bit(mq, context) ^ (mq.raw() ? 0 : flip)) != 0;
  }

  int Bit(TestMqDecoder& mq, int context) { return mq.Decode(index_[context], mps_[context]); }

  void BecomeSignificant(TestMqDecoder& mq, int x, int y, int plane) {
    DecodeSign(mq, x, y);
    At(x, y).significant = true;
    At(x, y).magnitude |= 1u << plane;
  }

  void Significance(TestMqDecoder& mq, int plane) {
    for (int top = 0; top < s_.height; top += 4) {
      for (int x = 0; x < s_.width; ++x) {
        for (int y = top; y < top + 4 && y < s_.height; ++y) {
          Cell& cell = At(x, y);
          if (cell.significant || !HasSignificantNeighbour(x, y)) continue;
          if (Bit(mq, ZeroContext(x, y)) != 0) BecomeSignificant(mq, x, y, plane);
          cell.visited = true;
        }
      }
    }
  }

  void Refinement(TestMqDecoder& mq, int plane) {
    for (int top = 0; top < s_.height; top += 4) {
      for (int x = 0; x < s_.width; ++x) {
        for (int y = top; y < top + 4 && y < s_.height; ++y) {
          Cell& cell = At(x, y);
          if (!cell.significant || cell.visited) continue;
          const int context = cell.refined ? 16 : (HasSignificantNeighbour(x, y) ? 15 : 14);
          cell.magnitude |= static_cast<std::uint32_t>(Bit(mq, context)) << plane;
          cell.refined = true;
        }
      }
    }
  }

  void Cleanup(TestMqDecoder& mq, int plane) {
    for (int top = 0; top < s_.height; top += 4) {
      for (int x = 0; x < s_.width; ++x) {
        int y = top;
        bool runLength = top + 4 <= s_.height;
        for (int r = top; r < top + 4 && runLength; ++r) {
          const Cell& cell = At(x, r);
          runLength = !cell.significant && !cell.visited && !HasSignificantNeighbour(x, r);
        }
        if (runLength) {
          if (Bit(mq, 17) == 0) {
            y = top + 4;
          } else {
            const int first = Bit(mq, 18) << 1;
            y = top + (first | Bit(mq, 18));
            BecomeSignificant(mq, x, y, plane);
            ++y;
          }
        }
        for (; y < top + 4 && y < s_.height; ++y) {
          Cell& cell = At(x, y);
          if (cell.significant || cell.visited) continue;
          if (Bit(mq, ZeroContext(x, y)) != 0) BecomeSignificant(mq, x, y, plane);
        }
        for (int r = top; r < top + 4 && r < s_.height; ++r) At(x, r).visited = false;
      }
    }
    if ((s_.style & 32) != 0) {
      int symbol = 0;
      for (int i = 0; i < 4; ++i) symbol = symbol << 1 | Bit(mq, 18);
      if (symbol != 0xA) ok = false;
    }
  }

  void ResetContexts() {
    for (int i = 0; i < 19; ++i) {
      index_[i] = 0;
      mps_[i] = 0;
    }
    index_[0] = 4;
    index_[17] = 3;
    index_[18] = 46;
  }

  Tier1Setup s_;
  std::vector<Cell> cells_;
  int index_[19] = {};
  int mps_[19] = {};
};

}  // namespace quillon::jp2::test
