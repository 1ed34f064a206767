// The program's command line: files to open and two switches that set how compressed files
// named there are decoded.
#pragma once

#include <string>
#include <vector>

namespace quillon {

struct CommandLineOptions {
  std::vector<std::string> files;
  double compressionRate = 0.0;  // /C: decode at raw size / rate bytes
  int quality = 0;               // /Q
  bool showSplash = true;
  bool showHelp = false;
  // Switches the program does not know, as given; the program refuses to start with them.
  std::vector<std::string> unknownOptions;
  // Texts to print on standard output (clamp notices).
  std::vector<std::string> notices;
};

// Switches begin with "-", or with "/" when the argument is not a path; only their first
// letter counts, in either case. An argument that names an existing file is a file even when
// it begins with "-".
// "--help" and "-h" ask for the usage text.
CommandLineOptions ParseCommandLine(const std::vector<std::string>& arguments);

std::string CommandLineUsage();

// The notice printed when a quality above `highest` is brought down to it: above 100 on the
// command line, above 15 for a legacy KVF file.
std::string QualityClampNotice(int highest);

}  // namespace quillon
