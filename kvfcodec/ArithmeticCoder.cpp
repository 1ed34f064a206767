#include "ArithmeticCoder.h"

#include <cstdint>

namespace kvfcodec {
namespace {

constexpr int kTop = 0x8000, kHalf = 0x4000, kQuarter = 0x2000, kThreeQuarters = 0x6000;

// Narrows [low, high) to the symbol's part, both ends computed from the old width.
void narrow(int& low, int& high, Interval s) {
  const int width = high - low;
  if (s.high != 128) high = low + width * s.high / 128;
  if (s.low != 0) low = low + width * s.low / 128;
}

}  // namespace

void ArithmeticEncoder::emit(int bit) {
  byte_ |= bit << bits_;
  if (++bits_ == 8) {
    out_.push_back(static_cast<uint8_t>(byte_));
    if (byte_ == 255) out_.push_back(0);
    byte_ = 0;
    bits_ = 0;
  }
}

void ArithmeticEncoder::emitWithPending(int bit) {
  emit(bit);
  for (; pending_ > 0; --pending_) emit(1 - bit);
}

void ArithmeticEncoder::encode(Interval symbol) {
  narrow(low_, high_, symbol);
  for (;;) {
    if (high_ < kHalf) {
      emitWithPending(0);
      low_ *= 2;
      high_ *= 2;
    } else if (low_ >= kHalf) {
      emitWithPending(1);
      low_ = 2 * low_ - kTop;
      high_ = 2 * high_ - kTop;
    } else {
      while (low_ >= kQuarter && high_ < kThreeQuarters) {
        ++pending_;
        low_ = 2 * low_ - kHalf;
        high_ = 2 * high_ - kHalf;
      }
      return;
    }
  }
}

void ArithmeticEncoder::finish() {
  ++pending_;
  emitWithPending(low_ >= kQuarter ? 1 : 0);
  if (bits_ > 0) {
    out_.push_back(static_cast<uint8_t>(byte_));
    if (byte_ == 255) out_.push_back(0);
    byte_ = 0;
    bits_ = 0;
  }
}

ArithmeticDecoder::ArithmeticDecoder(std::span<const uint8_t> in) : in_(in) {
  for (int i = 0; i < 15; ++i) code_ = 2 * code_ + nextBit();
}

int ArithmeticDecoder::readByte() {
  while (position_ < in_.size() && !markerSeen_) {
    const uint8_t b = in_[position_++];
    if (b != 255) return b;
    const uint8_t next = position_ < in_.size() ? in_[position_++] : 0;
    if (next == 0) return 255;
    if (next == 241 && position_ + 2 <= in_.size()) {
      markerSeen_ = true;
      markerCount_ = in_[position_] | (in_[position_ + 1] << 8);
      position_ += 2;
      break;
    }
  }
  return -1;
}

int ArithmeticDecoder::nextBit() {
  if (bits_ == 0) {
    const int b = readByte();
    if (b >= 0) rawEnd_.push_back(static_cast<uint32_t>(position_));
    byte_ = b < 0 ? 0 : b;
    bits_ = 8;
  }
  const int bit = byte_ & 1;
  byte_ >>= 1;
  --bits_;
  return bit;
}

int ArithmeticDecoder::decode(const AdaptiveModel& model, bool leaf) {
  static constexpr int kInterior[] = {0, 1, 2, 3};
  static constexpr int kLeaf[] = {0, 2, 3};
  const std::span<const int> symbols =
      leaf ? std::span<const int>(kLeaf) : std::span<const int>(kInterior);
  int symbol = symbols.back();
  for (int s : symbols) {
    const Interval i = model.interval(s, leaf);
    if (i.high == 128 || code_ < low_ + (high_ - low_) * i.high / 128) {
      symbol = s;
      break;
    }
  }
  narrow(low_, high_, model.interval(symbol, leaf));
  for (;;) {
    if (high_ < kHalf) {
      low_ *= 2;
      high_ *= 2;
      code_ = 2 * code_ + nextBit();
    } else if (low_ >= kHalf) {
      low_ = 2 * low_ - kTop;
      high_ = 2 * high_ - kTop;
      code_ = 2 * code_ - kTop + nextBit();
    } else {
      while (low_ >= kQuarter && high_ < kThreeQuarters) {
        ++pending_;
        low_ = 2 * low_ - kHalf;
        high_ = 2 * high_ - kHalf;
        code_ = 2 * code_ - kHalf + nextBit();
      }
      return symbol;
    }
    emitted_ += 1 + pending_;
    pending_ = 0;
  }
}

size_t ArithmeticDecoder::encodedSizeSoFar() const {
  const int64_t bits = emitted_ + pending_ + 2;
  const size_t dataBytes = static_cast<size_t>((bits + 7) / 8);
  if (dataBytes > rawEnd_.size()) return SIZE_MAX;
  return rawEnd_[dataBytes - 1];
}

}  // namespace kvfcodec
