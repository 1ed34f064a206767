#include "ui/DialogButtons.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "ui/UiText.h"

namespace quillon {

wxSizer* OkCancelButtons(wxWindow* dialog) {
  auto* ok = new wxButton(dialog, wxID_OK, "OK");
  auto* cancel = new wxButton(dialog, wxID_CANCEL, Localized({"Cancel", "Abbrechen"}));
  ok->SetDefault();
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(ok);
  row->Add(cancel, 0, wxLEFT, 6);
  return row;
}

}  // namespace quillon
