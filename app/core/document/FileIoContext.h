// What every reader and writer is given besides the path and the document.
#pragma once

#include <string>

#include "core/services/DiskSpace.h"
#include "core/services/UiServices.h"

namespace quillon {

struct FileIoContext {
  UiServices& ui;
  const DiskSpace& disk;
  bool showProgress = false;
  // Why the last writer failed, in the words of the library that failed, when it says more
  // than the save failure message; the save pipeline shows it with that message.
  std::string failureDetails{};
};

}  // namespace quillon
