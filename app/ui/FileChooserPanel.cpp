#include "ui/FileChooserPanel.h"

#include <wx/frame.h>

namespace quillon {

wxWindow* AttachToFileChooser(wxWindow* fileDialog,
                              const std::function<wxWindow*(wxWindow* host)>& make) {
  auto* host = new wxFrame(nullptr, wxID_ANY, wxEmptyString);
  wxWindow* panel = make(host);
  const wxSize best = panel->GetBestSize();
  panel->SetMinSize(best);
  panel->SetSize(best);
  panel->Reparent(fileDialog);
  host->Destroy();
  return panel;
}

}  // namespace quillon
