// Palette pictures on the way to the wavelet encoders: which pictures they are, and the
// warning that their compression rate works out differently.
#pragma once

#include "core/picture/Picture.h"
#include "core/services/UiServices.h"

namespace quillon {

// The warning has no entry in the string tables; its text is the program's own.
inline constexpr const char* kPaletteWarningText =
    "The image you are currently saving is not a true color image. The resulting compression "
    "rate will be factor 3 less than given in the file save dialog.";

// An 8-bit picture whose colours are not all grey.
inline bool IsPalettePicture(const Picture& picture) {
  return picture.GetBitCount() == 8 && !picture.IsGray();
}

inline void ShowPaletteWarning(UiServices& ui) {
  ui.MessageBox(kPaletteWarningText, MessageIcon::Exclamation, MessageButtons::Ok);
}

}  // namespace quillon
