// Turns a Picture into an image the toolkit can show.
#pragma once

#include <wx/image.h>

#include "core/picture/Picture.h"

namespace quillon {

// The whole picture at its own size; an empty image for an empty picture.
wxImage ToImage(const Picture& picture);

}  // namespace quillon
