// Where the JPEG 2000 decoder's row segments land: each sample brought to 8 bits and stored
// in its colour slot of the picture (a fourth slot in a plane of its own), spread over the
// picture's pixels when its channel is subsampled; and progress over all deliveries.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/formats/jp2/Jpeg2000ColourPlan.h"
#include "core/picture/Picture.h"
#include "core/services/UiServices.h"

namespace quillon {

// A decoded sample of `depth` bits (1 to 32; signed ones in two's complement) as 8 bits:
// deeper samples keep their top 8 bits, rounded; shallower ones are stretched to 0..255.
std::uint8_t SampleTo8Bits(std::uint32_t sample, std::uint32_t depth, bool isSigned);

// Bytes per packed sample of a channel of `depth` bits.
std::uint32_t PackedSampleBytes(std::uint32_t depth);

class Jpeg2000RowSink {
 public:
  // The picture has been created at the plan's size (8 bits for grey, else 24). `channels` is
  // the decoder's output channel count; `deliveries` how many row segments to expect in all.
  // Samples arrive little-endian.
  Jpeg2000RowSink(const Jp2ColourPlan& plan, std::uint32_t channels, Picture& picture,
                  Progress* progress, std::uint64_t deliveries);

  // The decoder's write callback; param is the sink. Segments outside the channel are cut.
  static std::int32_t Write(const void* samples, std::int16_t channel, std::uint32_t row,
                            std::uint32_t column, std::uint32_t count, std::uintptr_t param);

  // The fourth slot (K of CMYK), top-down, width times height bytes; empty for other spaces.
  const std::vector<std::uint8_t>& FourthPlane() const { return fourth_; }

 private:
  struct Target {
    bool used = false;
    Jp2UsedChannel channel;
    // Picture columns of each channel column, and picture rows of each channel row: the first
    // and one past the last.
    std::vector<std::uint32_t> columnStarts;
    std::vector<std::uint32_t> rowStarts;
    // 8-bit unsigned samples without a palette, one per picture column: copied as they are.
    bool direct = false;
  };

  void Store(const Target& target, const std::uint8_t* packed, std::uint32_t row,
             std::uint32_t column, std::uint32_t count);
  void Advance();

  Picture& picture_;
  std::vector<Target> targets_;  // by output channel
  std::vector<std::uint8_t> fourth_;
  std::uint32_t width_;
  std::uint32_t height_;
  int bytesPerPixel_;
  Progress* progress_;
  std::uint64_t deliveries_;
  std::uint64_t delivered_ = 0;
  int percent_ = -1;
};

}  // namespace quillon
