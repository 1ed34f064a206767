// The program's entry: --help and unknown switches are answered without a display;
// everything else starts the application.
#include <cstdio>
#include <string>
#include <vector>

#include <wx/init.h>

#include "core/document/CommandLine.h"
#include "ui/QuillonApp.h"

wxIMPLEMENT_APP_NO_MAIN(quillon::QuillonApp);

int main(int argc, char** argv) {
  const quillon::CommandLineOptions line =
      quillon::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.showHelp) {
    std::fputs(quillon::CommandLineUsage().c_str(), stdout);
    return 0;
  }
  if (!line.unknownOptions.empty()) {
    for (const std::string& option : line.unknownOptions) {
      std::fprintf(stderr, "quillon: unknown option '%s'\n", option.c_str());
    }
    std::fputs(quillon::CommandLineUsage().c_str(), stderr);
    return 2;
  }
  return wxEntry(argc, argv);
}
