// Turns a Picture into an image the toolkit can show, and draws it on screens and printers.
#pragma once

#include <wx/image.h>

#include "core/display/ScaledRender.h"
#include "core/picture/Picture.h"

class wxDC;

namespace quillon {

// The whole picture at its own size; an empty image for an empty picture.
wxImage ToImage(const Picture& picture);

// Draws `part` (clipped to the picture) of the picture at `zoom` at its own place in the
// device context's logical coordinates. The view draws the visible part of its window;
// printing draws the whole picture at 1:1 with the context scaled to the printed box.
void DrawPicturePart(wxDC& dc, const Picture& picture, ZoomRatio zoom, const ScaledRect& part);

}  // namespace quillon
