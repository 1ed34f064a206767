#include "core/document/CommandLine.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "core/services/FormatMessage.h"

namespace quillon {

namespace {

constexpr double kMaxRate = 1000.0;
// The open dialog's quality scale; legacy KVF files clamp it further to their own.
constexpr int kMaxQuality = 100;

// The number that starts at the first character of `text` that is one of `starters`.
const char* numberStart(const std::string& text, const char* starters) {
  const std::size_t at = text.find_first_of(starters);
  return at == std::string::npos ? nullptr : text.c_str() + at;
}

}  // namespace

CommandLineOptions ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLineOptions result;
  for (const std::string& argument : arguments) {
    if (argument.empty()) continue;
    if (argument == "--help" || argument == "-h") {
      result.showHelp = true;
      continue;
    }
    // On this system "/" also starts every absolute path: such an argument is a switch only
    // when it holds no further "/" and names no existing file.
    std::error_code error;
    const bool exists = std::filesystem::exists(argument, error);
    const bool slashSwitch =
        argument[0] == '/' && argument.find('/', 1) == std::string::npos && !exists;
    const bool isSwitch = argument.size() >= 2 && ((argument[0] == '-' && !exists) || slashSwitch);
    if (!isSwitch) {
      result.files.push_back(argument);
      continue;
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argument[1])));
    const std::string rest = argument.substr(1);
    if (letter == 'C') {
      if (const char* number = numberStart(rest, "0123456789.-+")) {
        result.compressionRate = std::strtod(number, nullptr);
        if (result.compressionRate > kMaxRate) {
          result.compressionRate = kMaxRate;
          result.notices.push_back(FormatMessage(
              "Kompressionsraten gr\u00f6\u00dfer als %lf werden nicht unterst\u00fctzt !\n",
              {kMaxRate}));
        }
      }
    } else if (letter == 'Q') {
      if (const char* number = numberStart(rest, "0123456789-+")) {
        const long quality = std::strtol(number, nullptr, 10);
        result.quality = quality > kMaxQuality ? kMaxQuality : static_cast<int>(quality);
        if (quality > kMaxQuality) result.notices.push_back(QualityClampNotice(kMaxQuality));
      }
    } else {
      result.unknownOptions.push_back(argument);
    }
  }
  // A program started to open files shows them at once, without the splash window.
  if (!result.files.empty()) result.showSplash = false;
  return result;
}

std::string QualityClampNotice(int highest) {
  return FormatMessage(
      "Eine Qualit\u00e4t gr\u00f6\u00dfer als %d ist nicht m\u00f6glich. Ich stelle %d ein.\n",
      {std::int64_t{highest}, std::int64_t{highest}});
}

std::string CommandLineUsage() {
  return "Usage: quillon [OPTIONS] [FILE...]\n"
         "Opens the named pictures (BMP, PGM, PPM, TIFF, JPEG, JPEG 2000, KVF).\n"
         "\n"
         "  /C<rate>, -C<rate>   decode compressed files at raw size / rate bytes (1 to 1000)\n"
         "  /Q<quality>, -Q<q>   decode compressed files at this quality (1 to 100)\n"
         "  -h, --help           show this text\n"
         "\n"
         "Without a display, use quillon-convert.\n";
}

}  // namespace quillon
