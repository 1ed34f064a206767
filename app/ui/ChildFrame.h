// The frame of one document window inside the main frame.
#pragma once

#include <wx/aui/aui.h>
#include <wx/docview.h>
#include <wx/menu.h>

namespace quillon {

using ChildFrameBase = wxDocChildFrameAny<wxAuiMDIChildFrame, wxAuiMDIParentFrame>;

class ChildFrame : public ChildFrameBase {
 public:
  ChildFrame(wxDocument* doc, wxView* view, wxAuiMDIParentFrame* parent, wxWindowID id,
             const wxString& title);
  ~ChildFrame() override;
};

}  // namespace quillon
