// What the save dialog checks when the user confirms it: choices it refuses and the warning
// that a JPEG picture would grow when saved with our wavelet codecs.
#pragma once

#include <cstdint>
#include <optional>

#include "core/document/PictureFormat.h"
#include "core/document/SaveOptions.h"
#include "core/services/StringTable.h"

namespace quillon {

inline constexpr StringId kSortedByColorNeedsColour = 61238;  // "Sorted by Color can only ..."
inline constexpr StringId kLargerThanJpeg = 61216;  // "... larger than the existing JPG file ..."

// What the save dialog is told about the picture before it runs.
struct SavePictureFacts {
  bool grey = false;
  PictureFormat format = PictureFormat::Unknown;  // the format it was read from
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint64_t sourceFileSize = 0;  // bytes of the file it was read from
};

enum class SaveVerdict { Proceed, Refuse, Warn };

struct SaveCheck {
  SaveVerdict verdict = SaveVerdict::Proceed;
  // Refuse: the message box to show. Warn: the warning's text, or none for the warning
  // dialog's own text (the advice given for the quality option).
  std::optional<StringId> message;
};

// The size the wavelet codecs are expected to produce with `options`, in bytes.
std::uint64_t ExpectedCompressedSize(const SaveOptions& options, const SavePictureFacts& picture);

// The verdict on saving `picture` as `type` with `options`: refused for a grey picture saved
// as JPEG 2000 sorted by colour; a warning, while warnings are on, when a picture read from
// JPEG would be saved as JPEG 2000 or KVF larger than its JPEG file.
SaveCheck CheckSave(PictureFormat type, const SaveOptions& options,
                    const SavePictureFacts& picture);

}  // namespace quillon
