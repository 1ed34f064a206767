// A modeless tool window of the main frame (colour histogram, statistics) that remembers
// where the user left it.
#pragma once

#include <wx/frame.h>

#include "core/services/SettingsTable.h"

namespace quillon {

class ToolWindow : public wxFrame {
 public:
  ToolWindow(wxWindow* parent, const wxString& title, const PositionSetting& position);

 private:
  void OnClose(wxCloseEvent& event);

  PositionSetting position_;
};

}  // namespace quillon
