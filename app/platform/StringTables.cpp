#include "platform/StringTables.h"

#include <cstdlib>
#include <stdexcept>

namespace quillon {

namespace {

// Generated from resources/strings/*.strings.
#include "strings_de.inc"
#include "strings_en.inc"

StringTable parseBuiltIn(std::string_view source) {
  auto table = StringTable::Parse(source);
  // The tables are part of the build; a malformed one is a build defect.
  if (!table) throw std::logic_error("malformed built-in string table");
  return std::move(*table);
}

}  // namespace

Language LanguageOfLocale(std::string_view locale) {
  return locale.starts_with("de") ? Language::German : Language::English;
}

Language UserLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(name); value && *value) return LanguageOfLocale(value);
  }
  return Language::English;
}

const StringTable& BuiltInStrings(Language language) {
  static const StringTable english = parseBuiltIn(kEnglishStrings);
  static const StringTable german = parseBuiltIn(kGermanStrings);
  return language == Language::German ? german : english;
}

}  // namespace quillon
