// The picture of one document window with what the program knows about where it came from.
// Toolkit-free: readers and writers fill and read it; the window's document wraps it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/document/EnhancementRegions.h"
#include "core/document/PictureFormat.h"
#include "core/picture/Picture.h"

namespace quillon {

// The longest password the dialogs and the converter take and a document keeps; the KVF codec
// compares its first KVF_PASSWORD_CHARS (32) characters, and stored files rely on that.
inline constexpr std::size_t kMaxPasswordLength = 33;

// What protects a KVF file: the quality anyone may see, and the password for the rest.
struct KvfProtection {
  std::uint16_t freeQuality = 50;  // in 1/1024 of full quality
  bool passwordOn = false;
  std::string password;  // up to kMaxPasswordLength characters
};

class PictureDocument {
 public:
  Picture& GetPicture() { return picture_; }
  const Picture& GetPicture() const { return picture_; }

  // Uncompressed size / compressed bytes the picture was decoded from; 0 when unknown.
  double compressionRatio = 0.0;
  // Length of the file the picture was read from (or the raw size of a scanned picture).
  std::uint32_t fileSize = 0;
  PictureFormat format = PictureFormat::Unknown;
  KvfProtection protection;
  // Rectangles to keep more quality when saving compressed, with their common level.
  EnhancementRegions regions;

 private:
  Picture picture_;
};

}  // namespace quillon
