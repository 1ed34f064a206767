// The program's English and German message tables, built into the program.
#pragma once

#include <string_view>

#include "core/services/StringTable.h"

namespace quillon {

enum class Language { English, German };

// German when the first set of LC_ALL, LC_MESSAGES and LANG names German, else English.
Language UserLanguage();
Language LanguageOfLocale(std::string_view locale);

const StringTable& BuiltInStrings(Language language);

}  // namespace quillon
