#include "ui/DialogButtons.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "ui/TableText.h"

namespace quillon {

wxSizer* OkCancelButtons(wxWindow* dialog) {
  auto* ok = new wxButton(dialog, wxID_OK, TableText(kOkText));
  auto* cancel = new wxButton(dialog, wxID_CANCEL, TableText(kCancelText));
  ok->SetDefault();
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(ok);
  row->Add(cancel, 0, wxLEFT, 6);
  return row;
}

}  // namespace quillon
