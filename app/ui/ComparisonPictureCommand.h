// The difference and error picture commands: the active picture window against a second one
// the user chooses, the result a new document.
#pragma once

#include "core/analysis/DifferencePictures.h"

namespace quillon {

void RunComparisonPictureCommand(DifferenceKind kind);

}  // namespace quillon
