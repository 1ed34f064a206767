#include "ui/ChildFrame.h"

#include "ui/CommandIds.h"
#include "ui/Menus.h"
#include "ui/QuillonApp.h"

namespace quillon {

ChildFrame::ChildFrame(wxDocument* doc, wxView* view, wxAuiMDIParentFrame* parent, wxWindowID id,
                       const wxString& title)
    : ChildFrameBase(doc, view, parent, id, title) {
  // While a picture window is active the main frame shows the picture menu.
  wxMenuBar* bar = CreateMenuBar(id::kMenuPicture, wxGetApp().GetLanguage());
  SetMenuBar(bar);
  if (wxDocManager* manager = doc->GetDocumentManager()) {
    manager->FileHistoryUseMenu(bar->GetMenu(0));
    manager->FileHistoryAddFilesToMenu(bar->GetMenu(0));
  }
}

ChildFrame::~ChildFrame() {
  wxDocManager* manager = wxGetApp().DocManager();
  wxMenuBar* bar = GetMenuBar();
  if (manager && bar) manager->FileHistoryRemoveMenu(bar->GetMenu(0));
}

}  // namespace quillon
