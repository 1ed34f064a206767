#include "core/OpenPipeline.h"
#include "core/PictureProbe.h"

namespace quillon {

const PictureReaders& InstalledReaders() {
  static const PictureReaders readers{};
  return readers;
}

const PictureProbers& InstalledProbers() {
  static const PictureProbers probers{};
  return probers;
}

}  // namespace quillon
