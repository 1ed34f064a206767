// The 15-bit arithmetic coder of the legacy streams: interval [low, high) in 0..0x8000,
// bits packed from each byte's least significant bit upwards, every data byte 255
// followed by a 0; 255 followed by anything else is a marker.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "AdaptiveModel.h"

namespace kvfcodec {

class ArithmeticEncoder {
 public:
  void encode(Interval symbol);
  // Terminates the stream: one bit, the pending bits and a padded last byte.
  void finish();
  // Bytes completed so far, stuffing included.
  size_t size() const { return out_.size(); }
  std::vector<uint8_t>& bytes() { return out_; }

 private:
  void emit(int bit);
  void emitWithPending(int bit);
  int low_ = 0, high_ = 0x8000;
  int pending_ = 0;
  int byte_ = 0, bits_ = 0;
  std::vector<uint8_t> out_;
};

class ArithmeticDecoder {
 public:
  explicit ArithmeticDecoder(std::span<const uint8_t> in);
  // Decodes one symbol against the model's intervals (leaf or interior).
  int decode(const AdaptiveModel& model, bool leaf);
  // The stream length the encoder would have written had it stopped after the last
  // decoded symbol; compared with the bytes available it tells where the data ends.
  size_t encodedSizeSoFar() const;
  // The symbol count of a 255, 241 end marker, once the reader has met it.
  bool markerSeen() const { return markerSeen_; }
  uint32_t markerCount() const { return markerCount_; }

 private:
  int nextBit();
  int readByte();
  std::span<const uint8_t> in_;
  size_t position_ = 0;
  int byte_ = 0, bits_ = 0;
  int low_ = 0, high_ = 0x8000, code_ = 0;
  int64_t emitted_ = 0;  // bits the encoder had emitted at this point
  int pending_ = 0;
  std::vector<uint32_t> rawEnd_;  // input offset after each data byte
  bool markerSeen_ = false;
  uint32_t markerCount_ = 0;
};

}  // namespace kvfcodec
