// Opening the converter's input files through the program's open pipeline.
#pragma once

#include <filesystem>
#include <string>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "tools/convert/ConvertArguments.h"
#include "tools/convert/TextUiServices.h"

namespace quillon::convert {

// False, after saying why, when `path` is not a regular file that can be read.
[[nodiscard]] bool CheckReadable(const std::filesystem::path& path, TextUiServices& ui);

// Opens `path` into `document` with the command line's load options. Every failure is
// reported on standard error.
[[nodiscard]] bool OpenInput(const std::filesystem::path& path, PictureDocument& document,
                             FileIoContext& context, TextUiServices& ui,
                             const ConvertArguments& arguments);

// "BMP", "JPEG 2000", ...; "unknown" for Unknown.
std::string FormatName(PictureFormat format);

}  // namespace quillon::convert
