// The title of a document window: the file name, and the compression ratio when known.
#pragma once

#include <string>

#include "core/services/StringTable.h"

namespace quillon {

inline constexpr StringId kTitleWithRatio = 120;  // "%s [Compression Rate 1 to %s]"

// The ratio with two decimals below 10, one below 25, none from 25 on.
std::string FormatRatio(double ratio);
std::string DocumentTitle(const std::string& fileName, double ratio, const StringTable& strings);

}  // namespace quillon
