// What every reader and writer is given besides the path and the document.
#pragma once

#include "core/DiskSpace.h"
#include "core/UiServices.h"

namespace quillon {

struct FileIoContext {
  UiServices& ui;
  const DiskSpace& disk;
  bool showProgress = false;
};

}  // namespace quillon
