// The information box about the active picture window's picture.
#pragma once

namespace quillon {

void ShowPictureInformation();

}  // namespace quillon
