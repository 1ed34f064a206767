// The JPEG 2000 decoder over a file that it may read only up to a byte budget, so that a
// partial decode sees exactly the bytes a shorter transmission would have brought; and the
// decoder's start, which grows a budget too small for the headers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "jp2.h"

namespace quillon {

// The file behind the decoder's read callback. Reads stop at the budget; small reads are
// served from a window of the file kept in memory.
class BudgetedFile {
 public:
  explicit BudgetedFile(const std::filesystem::path& path);
  ~BudgetedFile();
  BudgetedFile(const BudgetedFile&) = delete;
  BudgetedFile& operator=(const BudgetedFile&) = delete;

  bool IsOpen() const { return descriptor_ >= 0; }
  std::uint64_t Length() const { return length_; }
  std::uint64_t Budget() const { return budget_; }
  // At most the file's length.
  void SetBudget(std::uint64_t budget);

  static std::int32_t Read(void* buffer, std::uint32_t offset, std::uint32_t count,
                           std::uintptr_t param);

 private:
  std::int32_t ReadAt(std::uint8_t* buffer, std::uint64_t offset, std::uint32_t count);
  bool Fill(std::uint64_t offset);

  int descriptor_ = -1;
  std::uint64_t length_ = 0;
  std::uint64_t budget_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;
  std::uint64_t windowLength_ = 0;
};

// A started decoder; ends it when destroyed.
class DecoderSession {
 public:
  DecoderSession() = default;
  ~DecoderSession() { Close(); }
  DecoderSession(const DecoderSession&) = delete;
  DecoderSession& operator=(const DecoderSession&) = delete;

  // Starts the decoder on `file` as far as its budget goes.
  [[nodiscard]] std::int32_t Start(BudgetedFile& file);
  void Close();
  DecompressHandle Handle() const { return handle_; }

  // A property of the image (tile 0, channel `channel`); nothing when the decoder has none.
  std::optional<std::uintptr_t> Get(std::uint32_t id, std::int16_t channel = 0) const;

 private:
  DecompressHandle handle_ = nullptr;
};

// Starts `session` on `file` at `budget` (nothing: the whole file). While the decoder finds
// too little data for the headers, the budget grows by `step` up to the file's length.
[[nodiscard]] std::int32_t StartWithinBudget(DecoderSession& session, BudgetedFile& file,
                                             std::optional<std::uint64_t> budget,
                                             std::uint64_t step);

}  // namespace quillon
