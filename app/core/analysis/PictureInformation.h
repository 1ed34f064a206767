// The text of the information box about a document's picture: name, file size, format,
// number of colours, picture size and depth, and what the file says about its coding.
#pragma once

#include <filesystem>
#include <string>

#include "core/document/PictureDocument.h"
#include "core/services/StringTable.h"

namespace quillon {

inline constexpr StringId kInformationText = 34143;  // "Name:\t\t%s\nSize:\t\t%lu Bytes\n..."
inline constexpr StringId kInformationUnknownFormat = 34144;  // "Unknown"
inline constexpr StringId kInformationCompression = 34145;    // "Compression:\t1:%.2f"

// `name` is the window's title; `path` the file the picture was read from (empty for pictures
// made in the program), whose header gives the coding line when its format is probed.
std::string PictureInformationText(PictureDocument& document, const std::string& name,
                                   const std::filesystem::path& path, const StringTable& strings);

}  // namespace quillon
