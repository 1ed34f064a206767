// quillon-convert: converts, compares and describes pictures through the program's open and
// save pipelines, without a display.
#include <unistd.h>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "core/document/FileIoContext.h"
#include "core/formats/jp2/Jpeg2000Threads.h"
#include "platform/FreeDiskSpace.h"
#include "platform/StringTables.h"
#include "tools/convert/CompareCommand.h"
#include "tools/convert/ConvertArguments.h"
#include "tools/convert/ConvertCommand.h"
#include "tools/convert/ConvertInfo.h"
#include "tools/convert/TextUiServices.h"

namespace {

int Run(const std::vector<std::string>& argumentList) {
  using namespace quillon;
  using namespace quillon::convert;
  auto parsed = ParseConvertArguments(argumentList);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    std::cerr << "quillon-convert: " << *error << '\n';
    return 1;
  }
  const ConvertArguments& arguments = std::get<ConvertArguments>(parsed);
  if (arguments.command == Command::Help) {
    std::cout << ConvertHelpText();
    return 0;
  }

  if (arguments.threads) SetJpeg2000Threads(*arguments.threads);
  TextUiServices ui(BuiltInStrings(UserLanguage()), std::cerr, isatty(STDERR_FILENO) == 1,
                    {arguments.yes, arguments.password});
  const FreeDiskSpace disk;
  FileIoContext context{ui, disk, true};
  switch (arguments.command) {
    case Command::Info: return RunInfo(arguments.files[0], ui, std::cout);
    case Command::Compare: return RunCompare(arguments, context, ui, std::cout);
    case Command::Convert: return RunConvert(arguments, context, ui, std::cout);
    case Command::Help: break;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "quillon-convert: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "quillon-convert: unexpected error\n";
  }
  return 1;
}
