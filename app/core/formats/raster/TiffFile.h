// TIFF pictures through libtiff: reading by its RGBA image interface, writing scan lines.
#pragma once

#include <filesystem>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/SaveOptions.h"

namespace quillon {

// Routes libtiff's errors outside the readers and writers to message 33013 and silences its
// warnings. Called once at start-up; `ui` must outlive every later libtiff call.
void InstallTiffErrorHandler(UiServices& ui);

// Grey, RGB and palette files of 1 to 16 bits per sample (strips or tiles, contiguous or
// planar, with or without opacity) are read sample by sample, every other file through
// libtiff's RGBA interface. Grey files give an 8-bit grey ramp picture, all others 24 bits;
// deeper samples are rounded to 8 bits and opacity is composited over mid grey. LZW files
// are refused with message 158, files the RGBA interface cannot read with its own text, and
// errors while reading show message 33013 once.
[[nodiscard]] bool ReadTiff(const std::filesystem::path& path, PictureDocument& document,
                            FileIoContext& context);

// Writes RGB for 24 bits, min-is-black for grey 8-bit pictures and a colour map otherwise.
// Too little free space asks with message 153 whether to save anyway.
[[nodiscard]] bool WriteTiff(const std::filesystem::path& path, PictureDocument& document,
                             FileIoContext& context, TiffCompression compression);

}  // namespace quillon
