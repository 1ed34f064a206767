// The word framing of a coded stripe. Bits are packed most significant first into 32-bit
// big-endian words. The words 0xFFFFFF00 and above are reserved: 0xFFFFFFFF ends a stripe,
// 0xFFFFFFFE is filler, and a data word in that range is written behind an 0xFFFFFF00 escape.
// Both classes offer Code(bit) and CodeLsbFirst(value, count) so that one traversal of the
// coefficient trees serves the encoder (writing) and the decoder (reading).
#pragma once

#include <cstdint>

#include "kvf/KvfInputStream.h"
#include "kvf/KvfOutputStream.h"
#include "kvf/KvfStatus.h"

namespace kvf {

inline constexpr std::uint32_t kKvfEndWord = 0xFFFFFFFF;
inline constexpr std::uint32_t kKvfFillerWord = 0xFFFFFFFE;
inline constexpr std::uint32_t kKvfEscapeWord = 0xFFFFFF00;

class KvfBitWriter {
 public:
  static constexpr bool kReading = false;

  // `budget` counts every byte of the stripe, end word included; 0 means no limit.
  KvfBitWriter(KvfOutputStream& out, std::uint32_t budget);

  // Each returns false once the budget is spent or writing failed; the bit is then lost and
  // the caller ends the stripe.
  bool Code(bool& bit) {
    if (exhausted_) return false;
    word_ = word_ << 1 | (bit ? 1u : 0u);
    if (++bits_ < 32) return true;
    const std::uint32_t word = word_;
    word_ = 0;
    bits_ = 0;
    return EmitWord(word);
  }
  bool CodeLsbFirst(std::uint32_t& value, int count);

  // Pads the last word with zero bits, then writes the end word (always within the budget).
  [[nodiscard]] KvfStatus Finish();

  bool Exhausted() const { return exhausted_; }
  std::uint32_t BytesWritten() const { return written_; }

 private:
  bool EmitWord(std::uint32_t word);
  bool Put(std::uint32_t word);

  KvfOutputStream& out_;
  std::uint64_t dataLimit_;  // bytes available before the end word
  std::uint32_t written_ = 0;
  std::uint32_t word_ = 0;
  int bits_ = 0;
  bool exhausted_ = false;
  KvfStatus status_ = KvfStatus::ok;
};

class KvfBitReader {
 public:
  static constexpr bool kReading = true;

  // `limit` caps the bytes this stripe may consume; 0 means no limit.
  KvfBitReader(KvfInputStream& in, std::uint32_t limit);

  // Each returns false, leaving the value untouched, once the stripe has ended: at its end
  // word, at the byte limit, at the end of the file or on a failing callback.
  bool Code(bool& bit) {
    if (bits_ == 0 && (ended_ || !NextDataWord())) return false;
    --bits_;
    bit = (word_ >> bits_ & 1u) != 0;
    return true;
  }
  bool CodeLsbFirst(std::uint32_t& value, int count);

  // Passes over the rest of a stripe of `stripeSize` bytes (0: unknown, then words are read
  // up to the end word) and checks that it closes with the end word; corruptedFile if not.
  [[nodiscard]] KvfStatus SkipToStripeEnd(std::uint32_t stripeSize);

  bool Ended() const { return ended_; }
  bool SawEndWord() const { return sawEndWord_; }
  bool FileEnded() const { return status_ == KvfStatus::illegalEndOfFile; }
  // Callback failures (fetchFailed, seekFailed); the end of the file is not an error here.
  KvfStatus Failure() const { return FileEnded() ? KvfStatus::ok : status_; }
  std::uint32_t BytesRead() const { return read_; }

 private:
  bool NextDataWord();
  bool Take(std::uint32_t& word);

  KvfInputStream& in_;
  std::uint64_t limit_;
  std::uint32_t read_ = 0;
  std::uint32_t word_ = 0;
  int bits_ = 0;
  bool ended_ = false;
  bool sawEndWord_ = false;
  KvfStatus status_ = KvfStatus::ok;
};

}  // namespace kvf
