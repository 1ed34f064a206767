#include "StreamCoders.h"

#include "TreeCoder.h"

namespace kvfcodec {
namespace {

constexpr size_t kReserve = 5;      // the zerotree stream stops this far below its budget
constexpr size_t kMarkerBytes = 4;  // 255, 241 and the 16-bit symbol count

size_t codingBudget(size_t budget, size_t reserve) {
  if (budget == 0) return SIZE_MAX;
  return budget > reserve ? budget - reserve : 0;
}

// Places decoded symbols against the data's size. An encoder that stops early stops right
// after the first symbol whose terminated stream reaches its budget, so a symbol whose
// terminated stream is shorter than the data was coded and one whose stream is longer was
// not. Several symbols can end in the same last byte: the first of them was coded, the
// later ones were if the stream holds every pass, which only the end of the passes tells.
class DataEnd {
 public:
  DataEnd(const ArithmeticDecoder& decoder, size_t size) : decoder_(decoder), size_(size) {}
  SymbolEnd operator()() {
    const size_t length = decoder_.encodedSizeSoFar();
    if (length < size_) return SymbolEnd::Coded;
    if (length > size_) return SymbolEnd::Beyond;
    if (reached_) return SymbolEnd::Undecided;
    reached_ = true;
    return SymbolEnd::Coded;
  }

 private:
  const ArithmeticDecoder& decoder_;
  size_t size_;
  bool reached_ = false;
};

}  // namespace

std::vector<uint8_t> encodeZerotree(std::span<uint32_t> words, const TreeShape& shape,
                                    int threshold, int planeLimit, size_t budget) {
  ArithmeticEncoder encoder;
  encodeTrees(words, shape, planeOrder(threshold, planeLimit, shape.levels),
              codingBudget(budget, kReserve), encoder);
  encoder.finish();
  return std::move(encoder.bytes());
}

void decodeZerotree(std::span<uint32_t> words, const TreeShape& shape, int threshold,
                    int planeLimit, std::span<const uint8_t> stream) {
  ArithmeticDecoder decoder(stream);
  DataEnd end(decoder, stream.size());
  const DecodedTrees decoded =
      decodeTrees(words, shape, planeOrder(threshold, planeLimit, shape.levels), decoder,
                  [&](uint32_t) { return end(); });
  // A plane cut short (by the budget or the plane limit) puts every known coefficient a
  // quarter of that plane's step above its known bits.
  const bool cut =
      !decoded.complete || planeCount(threshold, planeLimit) < planeCount(threshold, 15);
  if (cut && decoded.lastMask > 3)
    for (uint32_t& w : words)
      if (w & kMagnitude) w |= decoded.lastMask / 4;
}

std::vector<uint8_t> encodeIntegerStream(std::span<uint32_t> words, const TreeShape& shape,
                                         int threshold, int planeLimit, size_t budget) {
  ArithmeticEncoder encoder;
  const EncodedTrees coded =
      encodeTrees(words, shape, diagonalOrder(threshold, planeLimit, shape.levels),
                  codingBudget(budget, kReserve + kMarkerBytes), encoder);
  encoder.finish();
  std::vector<uint8_t> bytes = std::move(encoder.bytes());
  bytes.insert(bytes.end(), {255, 241, static_cast<uint8_t>(coded.symbols),
                             static_cast<uint8_t>(coded.symbols >> 8)});
  return bytes;
}

void decodeIntegerStream(std::span<uint32_t> words, const TreeShape& shape, int threshold,
                         int planeLimit, std::span<const uint8_t> stream) {
  ArithmeticDecoder decoder(stream);
  // The end marker counts the symbols (modulo 2^16); without it (a stream cut short) the
  // data's size tells.
  DataEnd end(decoder, stream.size());
  decodeTrees(words, shape, diagonalOrder(threshold, planeLimit, shape.levels), decoder,
              [&](uint32_t symbols) {
                if (!decoder.markerSeen()) return end();
                return (symbols & 0xFFFF) == decoder.markerCount() ? SymbolEnd::Last
                                                                   : SymbolEnd::Coded;
              });
}

}  // namespace kvfcodec
