// What the raster readers and writers share: progress per row, the free-space check before
// a save, whole-file reading and the limits that keep hostile files from huge allocations.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/document/FileIoContext.h"
#include "core/picture/Picture.h"

namespace quillon {

inline constexpr StringId kLoadingCaption = 105;
inline constexpr StringId kSavingCaption = 107;
inline constexpr StringId kFileNotReadMessage = 33013;
inline constexpr StringId kOutOfMemoryMessage = 33007;

// The progress dialog of one read or write, advanced once per row; inert unless the
// context asks for progress.
class RowProgress {
 public:
  RowProgress(FileIoContext& context, StringId caption, const std::filesystem::path& path,
              std::int32_t rows);
  void Step() {
    if (progress_) progress_->StepIt();
  }

 private:
  std::unique_ptr<Progress> progress_;
};

// How a writer reacts when the target's file system has less room than the file needs.
enum class SpaceShortage {
  Refuse,  // message 143, the save fails
  Ask,     // message 153 with Yes and No; Yes saves anyway
};

// True when the save may go on. A file system that cannot be asked does not stop it.
[[nodiscard]] bool ConfirmFreeSpace(FileIoContext& context, const std::filesystem::path& target,
                                    std::uint64_t requiredBytes, SpaceShortage policy);

enum class FileReadStatus { Ok, CannotOpen, TooLarge, ReadError };

// Reads a whole file of at most maxBytes.
[[nodiscard]] FileReadStatus ReadFileBytes(const std::filesystem::path& path,
                                           std::vector<std::uint8_t>& bytes,
                                           std::uint64_t maxBytes);

// Largest file the memory-based readers take in one piece.
inline constexpr std::uint64_t kMaxRasterFileBytes = std::uint64_t{1} << 32;

// Reads a whole raster file of at most kMaxRasterFileBytes; any failure shows message 33013.
[[nodiscard]] bool ReadRasterFile(const std::filesystem::path& path,
                                  std::vector<std::uint8_t>& bytes, FileIoContext& context);

// Whether a picture of width by height pixels may be allocated for a source of `sourceBytes`
// bytes that can hold at most `pixelsPerByte` pixels per byte (compressed sources expand).
// Small pictures always pass; nothing passes that Picture cannot hold.
[[nodiscard]] bool PlausiblePictureSize(std::int64_t width, std::int64_t height,
                                        std::uint64_t sourceBytes, std::uint64_t pixelsPerByte);

// Sets the size, creates the picture and reports message 33007 when memory runs out.
[[nodiscard]] bool CreateSizedPicture(Picture& picture, std::int32_t width, std::int32_t height,
                                      bool colour, FileIoContext& context);

// Clears the bytes between the end of the pixels and the stride in every row.
void ClearRowPadding(Picture& picture);

// The picture row (memory row) that holds picture line `line`, counted from the top.
inline std::uint8_t* TopDownRow(Picture& picture, std::int32_t line) {
  return picture.Row(picture.Header().biHeight - 1 - line);
}
inline const std::uint8_t* TopDownRow(const Picture& picture, std::int32_t line) {
  return picture.Row(picture.Header().biHeight - 1 - line);
}

// Red, green, blue of one picture line (any depth) into `rgb` (3 times width bytes).
void LineToRgb(const Picture& picture, std::int32_t line, std::uint8_t* rgb);

// File name shown in captions and messages.
std::string DisplayName(const std::filesystem::path& path);

}  // namespace quillon
