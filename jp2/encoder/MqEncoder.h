// The MQ arithmetic encoder writing one code-block's codeword into a buffer
// in codec memory that grows when a codeword outgrows it. Encode is inline for the pass
// loops; only byte output leaves the hot path.
#pragma once

#include <bit>
#include <cstdint>

#include "common/CodecMemory.h"
#include "common/MqStateTable.h"
#include "encoder/ShortestCut.h"

namespace quillon::jp2 {

// Codeword bytes from Bytes() on; the byte before them is a zero the coder may look at.
class CodewordBuffer {
 public:
  // Grows to at least capacity bytes, keeping what is written; -1 when memory runs out.
  Status Reserve(const MemoryCallbacks& memory, std::uint64_t capacity);
  Status Release(const MemoryCallbacks& memory);

  std::uint8_t* Bytes() { return block_.data + 1; }
  const std::uint8_t* Bytes() const { return block_.data + 1; }
  std::uint64_t Capacity() const { return capacity_; }

 private:
  OwnedBlock block_;
  std::uint64_t capacity_ = 0;
};

class MqEncoder {
 public:
  // The coding registers, copied into a pass's locals so that they stay in machine
  // registers across the pass; Store hands them back. The buffer's end stays in the coder:
  // only byte output looks at it.
  struct Registers {
    std::uint32_t a;
    std::uint32_t c;
    std::uint32_t ct;
    std::uint8_t* bp;  // the byte under construction, a carry may still reach it
  };

  // Starts a codeword at the buffer's first byte. The buffer must have room for one byte.
  void Start(CodewordBuffer* buffer, const MemoryCallbacks* memory);

  // Starts a new arithmetic segment after the last terminated one.
  void Restart();

  // Starts a raw segment after the last terminated one: bits go out as they are, seven to
  // the byte after a 0xFF.
  void StartRaw();

  Registers Load() const { return {a_, c_, ct_, bp_}; }
  void Store(const Registers& r) {
    a_ = r.a;
    c_ = r.c;
    ct_ = r.ct;
    bp_ = r.bp;
  }

  // One decision without a data-dependent branch: the decisions of the block coder follow
  // their more probable symbol too irregularly for branch prediction. The coded interval is
  // the upper one (C grows by Qe) when the symbol is the MPS and A - Qe is at least Qe, or
  // when it is the LPS and A - Qe is below Qe; else A becomes Qe. The state moves on only
  // when A needs renormalising, which an LPS always does.
  inline void Encode(Registers& r, MqContext& context, std::uint32_t bit) {
    const std::uint32_t state = context.state;
    const std::uint32_t qe = MqQe(state);
    const std::uint32_t lps = (bit ^ (state >> 16)) & 1;
    r.a -= qe;
    const std::uint32_t lower = lps ^ static_cast<std::uint32_t>(r.a < qe);
    const std::uint32_t keep = lower - 1;  // all ones for the upper interval
    r.c += qe & keep;
    r.a ^= (r.a ^ qe) & ~keep;
    const std::uint32_t next = kMqStates[(state >> (24 - 7 * lps)) & 0x7F];
    context.state = (r.a & 0x8000) != 0 ? state : next;
    Renormalize(r);
  }

  void Encode(MqContext& context, std::uint32_t bit) {
    Registers r = Load();
    Encode(r, context, bit);
    Store(r);
  }

  inline void PutRaw(Registers& r, std::uint32_t bit) {
    r.c = (r.c << 1) | bit;
    if (--r.ct != 0) return;
    if (r.bp + 2 >= limit_) r.bp = Grow(r.bp);
    *++r.bp = static_cast<std::uint8_t>(r.c);
    r.ct = r.c == 0xFF ? 7 : 8;
    r.c = 0;
  }

  // Ends a raw segment: the last byte is filled with alternating 0 and 1 bits, and a final
  // 0xFF is dropped, which a decoder reads the same way as its own fill of ones.
  void TerminateRaw();

  // Bytes a decoder needs for the raw bits so far: the bytes out and a partly filled byte.
  std::int64_t RawTruncationEstimate() const {
    const std::uint32_t room = *bp_ == 0xFF ? 7 : 8;
    return (bp_ - base_ + 1) + (ct_ < room ? 1 : 0);
  }

  // Flushes the registers and drops trailing bytes that a decoder reads the
  // same way as its own fill of ones: 0xFF, or the pair 0xFF 0x7F.
  void Terminate();

  // True when nothing was coded since the last start or restart.
  bool Untouched() const {
    return a_ == 0x8000 && c_ == 0 && ct_ == 12 && bp_ + 1 == base_ + segmentStart_;
  }

  // Bytes of the terminated segments, which end in no 0xFF.
  std::uint32_t Length() const { return length_; }

  // Bytes a decoder needs to decode everything coded so far when the codeword is cut there:
  // the bytes out plus a margin for the registers' contents.
  std::int64_t TruncationEstimate() const {
    const std::uint32_t pending = 27 - ct_;
    const std::uint32_t limit = 22 + (*bp_ < 254 ? 1 : 0);
    return (bp_ - base_) + (pending > limit ? 5 : 4);
  }

  // The state ShortestCut needs after the last symbol coded.
  MqIntervalEnd IntervalEnd() const { return {bp_ - base_, *bp_, c_ << ct_, (c_ + a_) << ct_}; }

  // True when the buffer could not grow; the codeword is then lost.
  bool Failed() const { return failed_; }

 private:
  inline void Renormalize(Registers& r) {
    // A is never 0: the low bit only spares the count its zero case.
    std::uint32_t shift = static_cast<std::uint32_t>(std::countl_zero(r.a | 1)) - 16;
    while (shift >= r.ct) {
      r.a <<= r.ct;
      r.c <<= r.ct;
      shift -= r.ct;
      ByteOut(r);
    }
    r.a <<= shift;
    r.c <<= shift;
    r.ct -= shift;
  }

  inline void ByteOut(Registers& r) {
    if (r.bp + 2 >= limit_) r.bp = Grow(r.bp);
    if (*r.bp == 0xFF) {
      *++r.bp = static_cast<std::uint8_t>(r.c >> 20);
      r.c &= 0xFFFFF;
      r.ct = 7;
      return;
    }
    if (r.c >= 0x8000000) {
      ++*r.bp;
      if (*r.bp == 0xFF) {
        r.c &= 0x7FFFFFF;
        *++r.bp = static_cast<std::uint8_t>(r.c >> 20);
        r.c &= 0xFFFFF;
        r.ct = 7;
        return;
      }
    }
    *++r.bp = static_cast<std::uint8_t>(r.c >> 19);
    r.c &= 0x7FFFF;
    r.ct = 8;
  }

  // Moves the codeword to a larger buffer; bp is where the caller's registers stand, and the
  // result where they stand after the move.
  std::uint8_t* Grow(std::uint8_t* bp);

  std::uint32_t a_ = 0x8000;
  std::uint32_t c_ = 0;
  std::uint32_t ct_ = 12;
  std::uint8_t* bp_ = nullptr;
  std::uint8_t* limit_ = nullptr;
  std::uint8_t* base_ = nullptr;
  std::uint32_t segmentStart_ = 0;  // offset of the current segment
  std::uint32_t length_ = 0;
  bool failed_ = false;
  CodewordBuffer* buffer_ = nullptr;
  const MemoryCallbacks* memory_ = nullptr;
};

}  // namespace quillon::jp2
