// The MQ arithmetic decoder over one codeword segment, and the plain bit reader
// of raw (bypass) segments. Both read only inside their segment and take every byte past its
// end as 0xFF, so a cut or lying segment decodes to something without an overread. The pass
// loops copy a decoder into a local and back, so that its registers stay in machine
// registers.
#pragma once

#include <cstdint>
#include <cstring>

#include "decoder/MqDecoderStates.h"

namespace quillon::jp2 {

class MqDecoder {
 public:
  // Starts decoding the bytes [begin, end).
  void Start(const std::uint8_t* begin, const std::uint8_t* end) {
    bp_ = begin;
    end_ = end;
    c_ = std::uint64_t{Byte(0)} << 48;
    ct_ = 0;
    ByteIn();
    c_ <<= 7;
    ct_ -= 7;
    a_ = 0x8000;
  }

  // One decision in the context, which moves to its next state.
  inline std::uint32_t Decode(MqDecoderContext& context) {
    const std::uint32_t word = context.word;
    const std::uint32_t qe = MqDecoderQe(word);
    const std::uint32_t mps = MqDecoderMps(word);
    const std::uint32_t* next = kMqDecoderNext.data() + MqDecoderNextRow(word);
    a_ -= qe;
    std::uint32_t decision;
    if ((c_ >> 48) < qe) {
      // The lower sub-interval, less probable unless A has fallen below Qe (exchange).
      if (a_ < qe) {
        decision = mps;
        context.word = next[0];
      } else {
        decision = mps ^ 1;
        context.word = next[1];
      }
      a_ = qe;
    } else {
      c_ -= std::uint64_t{qe} << 48;
      if ((a_ & 0x8000) != 0) return mps;
      if (a_ < qe) {
        decision = mps ^ 1;
        context.word = next[1];
      } else {
        decision = mps;
        context.word = next[0];
      }
    }
    Renormalize();
    return decision;
  }

  // The same decision computed without a branch on its outcome, for decisions close to
  // unpredictable, where a branch would often be mispredicted.
  inline std::uint32_t DecodeWithoutBranches(MqDecoderContext& context) {
    const std::uint32_t word = context.word;
    const std::uint32_t qe = MqDecoderQe(word);
    // Qe against C, whose interval bits are its top 16.
    const std::uint64_t qeHigh = std::uint64_t{qe} << 48;
    a_ -= qe;
    // All ones in the lower sub-interval, which sets A to Qe; the upper one keeps A and takes
    // Qe off C. Written as a mask, which the compiler turns into a conditional move for A.
    const std::uint64_t lower = 0 - static_cast<std::uint64_t>(c_ < qeHigh);
    // The less probable symbol in the lower sub-interval, unless A has fallen below Qe
    // (exchange), and in the upper one only then.
    const std::uint32_t lps =
        (static_cast<std::uint32_t>(lower) & 1) ^ static_cast<std::uint32_t>(a_ < qe);
    c_ -= qeHigh & ~lower;
    a_ ^= (a_ ^ qe) & static_cast<std::uint32_t>(lower);
    // A below 0x10000 in bit 15: a more probable symbol that leaves it at 0x8000 or more keeps
    // the state.
    context.word = kMqDecoderNext[MqDecoderNextRow(word) + (lps + 2 * (a_ >> 15))];
    Renormalize();
    return MqDecoderMps(word) ^ lps;
  }

  // Tops the bits waiting in C up to 40 or more when fewer than 16 wait, so that the decisions
  // of a stripe column rarely run out of them (a column mostly takes a few bits, and a refill
  // before every column cost more than it saved): without a branch while the next six bytes
  // hold no 0xFF and eight lie inside the segment, else a byte at a time.
  inline void Refill() {
    if (ct_ >= 16) return;
    std::uint64_t ahead = 0;
    bool plain = false;
    if (end_ - bp_ >= 8) [[likely]] {
      std::memcpy(&ahead, bp_, sizeof(ahead));
      ahead = __builtin_bswap64(ahead);
      // The top six bytes (the last byte read and five new ones) are all below 0xFF when
      // none of them is 0 inverted.
      const std::uint64_t inverted = ~ahead | 0xFFFF;
      plain = ((inverted - 0x0101010101010101u) & ~inverted & 0x8080808080808080u) == 0;
    }
    if (plain) [[likely]] {
      // Whole bytes up to bit 47 of the waiting bits, which lie below bit 48 - CT.
      const std::uint32_t bits = (47 - ct_) & ~7u;
      const std::uint32_t low = 48 - ct_ - bits;
      c_ += ((ahead << 8) >> (16 + ct_) >> low) << low;
      bp_ += bits / 8;
      ct_ += bits;
    } else {
      while (ct_ <= 39) ByteIn();
    }
  }

 private:
  std::uint32_t Byte(std::ptrdiff_t ahead) const { return ahead < end_ - bp_ ? bp_[ahead] : 0xFF; }

  // One byte below the CT bits waiting in C (CT at most 40). A 0xFF followed by a byte above
  // 0x8F is a marker (or the end), which is never passed; the decoder is fed ones from then
  // on.
  void ByteIn() {
    if (Byte(0) == 0xFF) {
      const std::uint32_t next = Byte(1);
      if (next > 0x8F) {
        c_ += std::uint64_t{0xFF} << (40 - ct_);
        ct_ += 8;
      } else {
        ++bp_;
        c_ += std::uint64_t{next} << (41 - ct_);
        ct_ += 7;
      }
    } else {
      ++bp_;
      c_ += std::uint64_t{Byte(0)} << (40 - ct_);
      ct_ += 8;
    }
  }

  // Doubles A until it is at least 0x8000 and C with it, with bytes into C when its waiting
  // bits do not cover the shift, which after Refill is rare.
  inline void Renormalize() {
    // A is never 0 and below 0x10000, so its leading zeros are 16 to 31 and the shift is
    // their count XOR 16: one bit scan and one XOR on the decoder's longest dependency chain.
    const auto shift = static_cast<std::uint32_t>(__builtin_clz(a_)) ^ 16u;
    if (shift > ct_) [[unlikely]] {
      while (shift > ct_) ByteIn();
    }
    a_ <<= shift;
    c_ <<= shift;
    ct_ -= shift;
  }

  std::uint32_t a_ = 0x8000;
  // The interval bits in bits 48 to 63, then CT bits waiting (at most 47).
  std::uint64_t c_ = 0;
  std::uint32_t ct_ = 0;
  const std::uint8_t* bp_ = nullptr;  // the byte last read into C
  const std::uint8_t* end_ = nullptr;
};

// Raw segments carry decisions as plain bits, most significant first; a byte after a 0xFF
// holds seven (its top bit is a stuffed 0).
class RawBitReader {
 public:
  void Start(const std::uint8_t* begin, const std::uint8_t* end) {
    bp_ = begin;
    end_ = end;
    byte_ = 0;
    left_ = 0;
  }

  inline std::uint32_t Bit() {
    if (left_ == 0) {
      left_ = byte_ == 0xFF ? 7 : 8;
      byte_ = bp_ < end_ ? *bp_++ : 0xFF;
    }
    --left_;
    return (byte_ >> left_) & 1;
  }

 private:
  const std::uint8_t* bp_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::uint32_t byte_ = 0;
  std::uint32_t left_ = 0;
};

}  // namespace quillon::jp2
