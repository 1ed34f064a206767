// What a save hands the writers besides the document, shared by the writers and the save
// pipeline that calls them.
#pragma once

#include "core/document/SaveOptions.h"

namespace quillon {

struct SaveRequest {
  const SaveOptions& options;
  // The enhancement regions are handed to the encoders only while a view shows them.
  bool regionsShown = false;
};

}  // namespace quillon
