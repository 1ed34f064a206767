// The picture a scanner delivers, frame by frame, collected into a packed device-independent
// bitmap: grey frames become an 8-bit grey picture, colour frames (one RGB frame or three
// single-colour passes) a 24-bit picture. Samples of 1 and 16 bits are brought to 8 bits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

enum class FrameKind { Gray, Rgb, Red, Green, Blue };

// A frame as the scanner describes it; lines is -1 when the height is not known beforehand
// (hand scanners), and the frame then ends when the data does.
struct FrameFormat {
  FrameKind kind = FrameKind::Gray;
  int depth = 8;
  std::int32_t pixelsPerLine = 0;
  std::int32_t bytesPerLine = 0;
  std::int32_t lines = -1;
};

// Largest picture kept in memory: the size of the 24-bit pixel block.
inline constexpr std::uint64_t kMaxScannedBytes = std::uint64_t{1} << 30;

class ScannedPicture {
 public:
  explicit ScannedPicture(std::uint64_t maxBytes = kMaxScannedBytes) : maxBytes_(maxBytes) {}

  // False for a format that cannot be taken: depth other than 1, 8 or 16, line sizes that
  // do not hold the pixels, a picture above the limit, or a single-colour pass whose width
  // differs from the passes before it.
  [[nodiscard]] bool BeginFrame(const FrameFormat& format);
  // Bytes of the frame in any portions. False when the frame outgrows its line count or the
  // picture its limit; what came before stays.
  [[nodiscard]] bool Append(std::span<const std::uint8_t> bytes);

  std::int32_t Width() const { return width_; }
  std::int32_t Lines() const { return lines_; }
  bool Colour() const { return colour_; }
  void SetResolution(double dpi) { dpi_ = dpi; }

  // Info header, grey palette for 8 bits, bottom-up rows padded to 4 bytes; empty when no
  // line has arrived.
  std::vector<std::uint8_t> PackedDib() const;

 private:
  bool TakeLine();
  std::uint8_t Sample(const std::uint8_t* line, std::int32_t index) const;

  std::uint64_t maxBytes_;
  FrameFormat frame_;
  bool begun_ = false;  // a frame was taken
  bool colour_ = false;
  std::int32_t width_ = 0;
  std::int32_t lines_ = 0;      // of the whole picture
  std::int32_t frameLine_ = 0;  // next line of the current frame
  double dpi_ = 0.0;
  // Top-down lines of 8-bit samples: grey, or red, green, blue.
  std::vector<std::uint8_t> samples_;
  std::vector<std::uint8_t> pending_;  // the part of a line read so far
};

}  // namespace quillon
