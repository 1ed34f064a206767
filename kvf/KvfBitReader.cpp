#include "kvf/KvfBitStream.h"

#include <limits>

namespace kvf {

namespace {
constexpr std::uint32_t kWordBytes = 4;
}

KvfBitReader::KvfBitReader(KvfInputStream& in, std::uint32_t limit)
    : in_(in), limit_(limit == 0 ? std::numeric_limits<std::uint64_t>::max() : limit) {}

bool KvfBitReader::Take(std::uint32_t& word) {
  if (read_ + std::uint64_t{kWordBytes} > limit_) return false;
  status_ = in_.ReadU32(word);
  if (status_ != KvfStatus::ok) return false;
  read_ += kWordBytes;
  return true;
}

bool KvfBitReader::NextDataWord() {
  std::uint32_t word = 0;
  for (;;) {
    if (!Take(word)) break;
    if (word == kKvfEndWord) {
      sawEndWord_ = true;
      break;
    }
    if (word == kKvfFillerWord) continue;
    if (word >= kKvfEscapeWord) {
      std::uint32_t skipped = 0;
      if (word != kKvfEscapeWord && !Take(skipped)) break;
      if (!Take(word)) break;
    }
    word_ = word;
    bits_ = 32;
    return true;
  }
  ended_ = true;
  return false;
}

bool KvfBitReader::CodeLsbFirst(std::uint32_t& value, int count) {
  std::uint32_t result = 0;
  for (int i = 0; i < count; ++i) {
    bool bit = false;
    if (!Code(bit)) return false;
    result |= std::uint32_t{bit} << i;
  }
  value = result;
  return true;
}

KvfStatus KvfBitReader::SkipToStripeEnd(std::uint32_t stripeSize) {
  if (sawEndWord_)
    return stripeSize == 0 || stripeSize == read_ ? KvfStatus::ok : KvfStatus::corruptedFile;
  limit_ = std::numeric_limits<std::uint64_t>::max();
  ended_ = false;
  bits_ = 0;
  if (stripeSize == 0) {
    while (!sawEndWord_) {
      if (!NextDataWord() && !sawEndWord_) {
        return status_ == KvfStatus::ok ? KvfStatus::corruptedFile : status_;
      }
    }
    return KvfStatus::ok;
  }
  if (stripeSize < read_ + kWordBytes || stripeSize % kWordBytes != 0) {
    return KvfStatus::corruptedFile;
  }
  KVF_RETURN_IF_ERROR(in_.SeekForward(stripeSize - kWordBytes - read_));
  read_ = stripeSize - kWordBytes;
  std::uint32_t word = 0;
  if (!Take(word)) return status_ == KvfStatus::ok ? KvfStatus::corruptedFile : status_;
  sawEndWord_ = word == kKvfEndWord;
  return sawEndWord_ ? KvfStatus::ok : KvfStatus::corruptedFile;
}

}  // namespace kvf
