// The frame of one document window inside the main frame.
#pragma once

#include <wx/aui/aui.h>
#include <wx/docview.h>
#include <wx/menu.h>

namespace quillon {

using CChildFrameBase = wxDocChildFrameAny<wxAuiMDIChildFrame, wxAuiMDIParentFrame>;

class CChildFrame : public CChildFrameBase {
 public:
  CChildFrame(wxDocument* doc, wxView* view, wxAuiMDIParentFrame* parent, wxWindowID id,
              const wxString& title);
  ~CChildFrame() override;
};

}  // namespace quillon
