#include "platform/HelpBook.h"

namespace quillon {

std::string HelpBaseName(Language language) {
  return language == Language::German ? "qlmnleg" : "qlmnlee";
}

std::filesystem::path HelpBookPath(Language language, const std::filesystem::path& programDir) {
  const std::string file = HelpBaseName(language) + ".hhp";
  const std::filesystem::path installed = programDir / ".." / "share" / "quillon" / "help" / file;
  std::error_code error;
  if (std::filesystem::exists(installed, error)) return installed;
  return std::filesystem::path(QUILLON_SOURCE_HELP_DIR) / file;
}

}  // namespace quillon
