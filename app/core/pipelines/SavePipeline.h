// Saving a document: the writer for each file type, and the steps around it that do not need
// a dialog (the program runs its save dialog first, the converter takes options instead).
#pragma once

#include <filesystem>
#include <string_view>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/SaveOptions.h"
#include "core/document/WriteRequest.h"

namespace quillon {

inline constexpr StringId kCouldNotSave = 61237;  // "The file could not be saved."

// The type of a path's extension by the table ".jp2.kvf.bmp.ppm.pgm.tif.jpg.png" (case is
// ignored); Unknown for any other extension.
PictureFormat SaveFormatOfPath(const std::filesystem::path& path);
// The extension of a type that can be saved (".jp2" ...), empty for any other.
std::string_view SaveExtensionOf(PictureFormat format);

// Writes `document` to `path` as `format` with the writer of that type. Every writer writes a
// temporary file beside the target and renames it over the target on success, so a failed
// save leaves an existing file as it was. Shows message 61237 on failure (after the writer's
// own message, if any), with the writer's failure details; Unknown calls no writer and fails.
bool SavePicture(const std::filesystem::path& path, PictureFormat format, PictureDocument& document,
                 FileIoContext& context, const SaveRequest& request);

}  // namespace quillon
