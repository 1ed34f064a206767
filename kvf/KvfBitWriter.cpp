#include "kvf/KvfBitStream.h"

#include <limits>

namespace kvf {

namespace {
constexpr std::uint32_t kWordBytes = 4;
}

KvfBitWriter::KvfBitWriter(KvfOutputStream& out, std::uint32_t budget)
    : out_(out),
      dataLimit_(budget == 0           ? std::numeric_limits<std::uint64_t>::max()
                 : budget > kWordBytes ? budget - kWordBytes
                                       : 0) {}

bool KvfBitWriter::Put(std::uint32_t word) {
  if (status_ == KvfStatus::ok) status_ = out_.PutU32(word);
  if (status_ != KvfStatus::ok) {
    exhausted_ = true;
    return false;
  }
  written_ += kWordBytes;
  return true;
}

bool KvfBitWriter::EmitWord(std::uint32_t word) {
  const std::uint64_t room = dataLimit_ - written_;
  if (word < kKvfEscapeWord) {
    if (room >= kWordBytes) return Put(word);
  } else if (room >= 2 * kWordBytes) {
    return Put(kKvfEscapeWord) && Put(word);
  } else if (room >= kWordBytes) {
    Put(kKvfFillerWord);  // the word does not fit with its escape; it is lost either way
  }
  exhausted_ = true;
  return false;
}

bool KvfBitWriter::CodeLsbFirst(std::uint32_t& value, int count) {
  for (int i = 0; i < count; ++i) {
    bool bit = (value >> i & 1u) != 0;
    if (!Code(bit)) return false;
  }
  return true;
}

KvfStatus KvfBitWriter::Finish() {
  if (!exhausted_ && bits_ > 0) EmitWord(word_ << (32 - bits_));
  word_ = 0;
  bits_ = 0;
  KVF_RETURN_IF_ERROR(status_);
  KVF_RETURN_IF_ERROR(out_.PutU32(kKvfEndWord));
  written_ += kWordBytes;
  return KvfStatus::ok;
}

}  // namespace kvf
