// What the raster reader fuzz targets share: a user interface that shows nothing, a disk
// that cannot be asked, and a scratch file for readers that take a path.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"

namespace quillon::fuzz {

class SilentUi final : public UiServices {
 public:
  const StringTable& Strings() const override { return strings_; }
  MessageAnswer ShowMessage(const Message&) override { return MessageAnswer::Ok; }
  std::unique_ptr<Progress> BeginProgress(const std::string&) override { return nullptr; }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  std::optional<std::string> AskPassword(const PasswordPrompt&) override { return std::nullopt; }
  std::optional<int> AskNumber(const std::string&, const std::string&, int, int, int) override {
    return std::nullopt;
  }

 private:
  StringTable strings_;
};

class UnknownDisk final : public DiskSpace {
 public:
  std::optional<std::uint64_t> FreeBytes(const std::filesystem::path&) const override { return {}; }
};

// Writes the input to a per-process file in memory-backed storage and returns its path.
inline std::filesystem::path ScratchFile(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path path =
      (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path()) /
      ("quillon-fuzz-" + std::to_string(getpid()));
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file != nullptr) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}

// Runs `read` on a fresh document with a silent context.
template <typename Read>
void ReadSilently(Read read) {
  static SilentUi ui;
  static UnknownDisk disk;
  FileIoContext context{ui, disk, true};
  PictureDocument document;
  (void)read(document, context);
}

}  // namespace quillon::fuzz
