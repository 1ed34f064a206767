// Where the help pages of the user's language are.
#pragma once

#include <filesystem>
#include <string>

#include "platform/StringTables.h"

namespace quillon {

// "qlmnleg" for German, "qlmnlee" for every other language.
std::string HelpBaseName(Language language);

// The help book (.hhp) of the language: beside the installed program first, else in the
// source tree the program was built from.
std::filesystem::path HelpBookPath(Language language, const std::filesystem::path& programDir);

}  // namespace quillon
