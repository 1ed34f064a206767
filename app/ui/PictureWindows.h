// The picture windows open in the main frame, for the tools that compare two of them.
#pragma once

#include <vector>

#include <wx/string.h>

namespace quillon {

class Picture;
class PictureView;

// Every picture window, in the order the documents were opened.
std::vector<PictureView*> OpenPictureViews();
// The active picture window, or null.
PictureView* ActivePictureView();
// The picture window titled `title`, or null.
PictureView* PictureViewTitled(const wxString& title);
// The picture a window shows.
const Picture& PictureOf(const PictureView& view);

}  // namespace quillon
