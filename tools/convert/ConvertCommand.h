// quillon-convert INPUT OUTPUT: open, apply the save options, save, and print a summary.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "tools/convert/ConvertArguments.h"
#include "tools/convert/TextUiServices.h"

namespace quillon::convert {

// Puts the regions, their level and the KVF protection of the command line on the document.
// Fails with a text for the user when a region does not lie on the picture.
[[nodiscard]] std::optional<std::string> ApplyDocumentOptions(const ConvertArguments& arguments,
                                                              PictureDocument& document);

// "OUTPUT: N bytes, 1:R, T s" (ratio of the picture's raw size to the file's).
std::string SummaryLine(const std::string& output, std::uint64_t bytes, std::uint64_t rawSize,
                        double seconds);

// Returns the exit status.
int RunConvert(const ConvertArguments& arguments, FileIoContext& context, TextUiServices& ui,
               std::ostream& out);

}  // namespace quillon::convert
