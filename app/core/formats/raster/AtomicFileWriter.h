// Saving that never destroys data: the new file is written to a temporary file beside the
// target and renamed over the target only when everything was written.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>

namespace quillon {

class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path target);
  ~AtomicFileWriter();  // removes the temporary file unless Commit succeeded
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file in the target's directory; false when that is not possible.
  [[nodiscard]] bool Open();

  // Descriptor of the temporary file; stays owned by the writer (duplicate it to hand it on).
  int Descriptor() const { return fd_; }
  // A stdio stream over the temporary file, made on first use; null when that fails.
  std::FILE* Stream();
  [[nodiscard]] bool Write(const void* data, std::size_t size);

  // Flushes and syncs the temporary file and renames it over the target. False (and the
  // target untouched) when any write, the flush or the rename failed.
  [[nodiscard]] bool Commit();

  const std::filesystem::path& Target() const { return target_; }
  const std::filesystem::path& TemporaryPath() const { return temporary_; }

 private:
  void Discard();

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  std::FILE* stream_ = nullptr;
  bool failed_ = false;
};

}  // namespace quillon
