// quillon-convert --info: what a picture file holds, read from its header.
#pragma once

#include <filesystem>
#include <ostream>

#include "tools/convert/TextUiServices.h"

namespace quillon::convert {

// Prints file, format, file size, image size, colour depth, for compressed files the
// compression ratio, and what the header probe says of the coding. Returns the exit status.
int RunInfo(const std::filesystem::path& path, TextUiServices& ui, std::ostream& out);

}  // namespace quillon::convert
