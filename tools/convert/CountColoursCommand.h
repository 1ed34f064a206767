// quillon-convert --count-colours: how many distinct colours a picture shows.
#pragma once

#include <ostream>

#include "core/document/FileIoContext.h"
#include "tools/convert/ConvertArguments.h"
#include "tools/convert/TextUiServices.h"

namespace quillon::convert {

// Opens the file (with the load options) and prints "The Picture consists of N Colors." in
// the user's language. Returns the exit status.
int RunCountColours(const ConvertArguments& arguments, FileIoContext& context, TextUiServices& ui,
                    std::ostream& out);

}  // namespace quillon::convert
