// The KVF version 2 encoder core. It takes the picture in blocks of rows over several calls,
// codes each stripe as soon as its coefficients are final and writes through the caller's
// output stream. All state between calls lives in the caller's five work buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "kvf/KvfChunks.h"
#include "kvf/KvfOutputStream.h"
#include "kvf/KvfStatus.h"
#include "kvf/KvfStreamCallbacks.h"
#include "kvf/KvfWorkBuffers.h"

namespace kvf {

struct KvfEncodeSettings {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::int32_t layout = 0;  // pixel layout code
  std::uint32_t colourMode = 1;
  std::uint32_t levels = 6;
  bool baseline = true;
  std::uint32_t maxValue = 0;  // largest sample value; 0: the layout's largest
  std::uint16_t quality = 1024;
  std::uint32_t targetSize = 0;  // bytes for the whole file; 0: no limit
  std::span<const KvfRegion> regions;
  std::uint8_t regionWeight = 0;
  std::string_view password;         // empty: no password
  std::uint16_t freeQuality = 1024;  // with a password: the quality open to everybody
  std::uint32_t xResolution = kKvfDefaultResolution;
  std::uint32_t yResolution = kKvfDefaultResolution;
  std::span<const std::uint8_t> privateData;  // must stay valid until the last call
  KvfProgressCallback progress = nullptr;
};

// Rows of pixels in the settings' layout; stride may be negative for bottom-up buffers.
struct KvfPixelRows {
  const std::uint8_t* first = nullptr;
  std::ptrdiff_t stride = 0;
  std::uint32_t count = 0;
};

struct KvfEncodeReport {
  std::uint32_t bytesWritten = 0;
  std::uint16_t qualityReached = 0;  // lowest over the stripes coded so far
};

class KvfEncoder {
 public:
  // Checks the settings (invalidImageSize, invalidSourceFormat for an unknown layout or a
  // maxValue above it, invalidColourSpace for a mode the layout cannot be coded in,
  // invalidCoderParameters, levelTooHigh) and reports the work buffer sizes.
  [[nodiscard]] static KvfStatus Plan(const KvfEncodeSettings& settings, KvfBufferSizes& sizes);

  // Sets up the state in the buffers, opens the output on `target` and writes the file's
  // first header. The target's buffer and callbacks serve the whole encoding.
  [[nodiscard]] static KvfStatus Start(const KvfEncodeSettings& settings,
                                       const KvfWorkBuffers& buffers,
                                       const KvfOutputTarget& target);

  // Encodes the next rows (the picture from top to bottom in blocks of any size). With `last`
  // the block must end at the picture's last row: the rest of the coded area is filled, the
  // last stripes are coded, the header is completed and the output flushed. Fails with
  // sourceOutOfRange when a stripe would need more than the 31 planes a stripe can announce
  // (only 16-bit pictures of extreme contrast come near), with the output stream's codes when
  // writing fails.
  [[nodiscard]] static KvfStatus EncodeRows(const KvfWorkBuffers& buffers, const KvfPixelRows& rows,
                                            bool last, KvfEncodeReport& report);

  // Picture rows taken so far (0 before Start), where the next block must begin.
  static std::uint32_t RowsReceived(const KvfWorkBuffers& buffers);
};

}  // namespace kvf
