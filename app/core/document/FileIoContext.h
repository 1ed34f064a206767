// What every reader and writer is given besides the path and the document.
#pragma once

#include "core/services/DiskSpace.h"
#include "core/services/UiServices.h"

namespace quillon {

struct FileIoContext {
  UiServices& ui;
  const DiskSpace& disk;
  bool showProgress = false;
};

}  // namespace quillon
