// The KVF version 2 decoder core. It reads the header, checks the password, then decodes
// stripe by stripe as the requested rows need them, inverts the transforms and writes rows in
// the caller's pixel layout, optionally scaled down by a power of two. All state between calls
// lives in the caller's five work buffers.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "kvf/KvfHeader.h"
#include "kvf/KvfInputStream.h"
#include "kvf/KvfStatus.h"
#include "kvf/KvfStreamCallbacks.h"
#include "kvf/KvfWorkBuffers.h"

namespace kvf {

struct KvfDecodeSettings {
  std::int32_t layout = 0;  // pixel layout code of the output
  std::uint32_t width = 0;  // output size: the picture's, or divided by a power of two
  std::uint32_t height = 0;
  std::uint16_t qualityLimit = 1024;
  std::uint32_t byteBudget = 0;         // coded bytes to read at most; 0: all
  std::string_view password;            // empty: none
  std::uint32_t key = 0;                // a precomputed password key; used when non-zero
  std::span<std::uint8_t> privateData;  // receives the PR data when it has room for all of it
  KvfProgressCallback progress = nullptr;
};

struct KvfDecodeReport {
  std::uint16_t qualityReached = 0;  // lowest over the stripes decoded so far
};

// Rows of output pixels; stride may be negative for bottom-up buffers.
struct KvfOutputRows {
  std::uint8_t* first = nullptr;  // output row firstRow
  std::ptrdiff_t stride = 0;
};

class KvfDecoder {
 public:
  // Checks the output layout (invalidSourceFormat) and size (invalidImageSize) against a parsed
  // header and reports the work buffer sizes.
  [[nodiscard]] static KvfStatus Plan(const KvfHeader& header, const KvfDecodeSettings& settings,
                                      KvfBufferSizes& sizes);

  // Opens the input on `source` (holding the file's first bytes), reads the header, checks
  // the password (wrongPassword when the check value differs) and sets up the state. The
  // source's buffer and callbacks serve the whole decoding.
  [[nodiscard]] static KvfStatus Start(const KvfDecodeSettings& settings,
                                       const KvfWorkBuffers& buffers, const KvfInputSource& source);

  // The header Start read (buffer 3), or null before Start: privateLength and privateCopied
  // tell what became of the private data.
  static const KvfHeader* Header(const KvfWorkBuffers& buffers);

  // Writes output rows firstRow .. endRow - 1 (windows in increasing order; rows before a
  // window are skipped). Coded data that ends early is not an error: the rows come at the
  // quality reached. wrongPassword when the key inside the data differs.
  [[nodiscard]] static KvfStatus DecodeRows(const KvfWorkBuffers& buffers, std::uint32_t firstRow,
                                            std::uint32_t endRow, const KvfOutputRows& rows,
                                            KvfDecodeReport& report);
};

}  // namespace kvf
