// quillon-convert: converts, compares and describes pictures through the program's open and
// save pipelines, without a display.
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "core/document/FileIoContext.h"
#include "core/formats/jp2/Jpeg2000Threads.h"
#include "platform/FreeDiskSpace.h"
#include "platform/StringTables.h"
#include "tools/convert/BatchCommand.h"
#include "tools/convert/CompareCommand.h"
#include "tools/convert/ConvertArguments.h"
#include "tools/convert/ConvertCommand.h"
#include "tools/convert/ConvertInfo.h"
#include "tools/convert/CountColoursCommand.h"
#include "tools/convert/TextUiServices.h"

namespace {

// The number of files a batch converts at once by default: one per core.
int CoreCount() {
  return int(std::max(1u, std::thread::hardware_concurrency()));
}

int Run(const std::vector<std::string>& argumentList) {
  using namespace quillon;
  using namespace quillon::convert;
  auto parsed = ParseConvertArguments(argumentList, CoreCount());
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    std::cerr << "quillon-convert: " << *error << '\n';
    return 1;
  }
  const ConvertArguments& arguments = std::get<ConvertArguments>(parsed);
  if (arguments.command == Command::Help) {
    std::cout << ConvertHelpText();
    return 0;
  }

  if (arguments.threads) {
    SetJpeg2000Threads(*arguments.threads);
  } else if (arguments.command == Command::Batch) {
    // Files converted side by side share the cores instead of each taking them all.
    SetJpeg2000Threads(std::max(1, CoreCount() / arguments.jobs));
  }
  const bool terminal = isatty(STDERR_FILENO) == 1;
  const FreeDiskSpace disk;
  // A batch shows one progress line of its own instead of each file's.
  const auto withContext = [&](bool showProgress, const auto& command) {
    TextUiServices ui(BuiltInStrings(UserLanguage()), std::cerr, terminal && showProgress,
                      {arguments.yes, arguments.password});
    FileIoContext context{ui, disk, showProgress};
    return command(context, ui);
  };
  switch (arguments.command) {
    case Command::Info:
      return withContext(true, [&](FileIoContext&, TextUiServices& ui) {
        return RunInfo(arguments.files[0], ui, std::cout);
      });
    case Command::Compare:
      return withContext(true, [&](FileIoContext& context, TextUiServices& ui) {
        return RunCompare(arguments, context, ui, std::cout);
      });
    case Command::Convert:
      return withContext(true, [&](FileIoContext& context, TextUiServices& ui) {
        return RunConvert(arguments, context, ui, std::cout);
      });
    case Command::CountColours:
      return withContext(true, [&](FileIoContext& context, TextUiServices& ui) {
        return RunCountColours(arguments, context, ui, std::cout);
      });
    case Command::Batch: {
      const ConvertOne convertOne = [&](const ConvertArguments& one) {
        return withContext(false, [&](FileIoContext& context, TextUiServices& ui) {
          return RunConvert(one, context, ui, std::cout);
        });
      };
      return RunBatch(arguments, convertOne, std::cout, std::cerr, terminal);
    }
    case Command::Help:
      break;
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
