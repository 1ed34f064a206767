// The program's entry: --help is answered without a display; everything else starts the
// application.
#include <cstdio>
#include <string>

#include <wx/init.h>

#include "core/CommandLine.h"
#include "ui/KorvelApp.h"

wxIMPLEMENT_APP_NO_MAIN(quillon::CKorvelApp);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::fputs(quillon::CommandLineUsage().c_str(), stdout);
      return 0;
    }
  }
  return wxEntry(argc, argv);
}
