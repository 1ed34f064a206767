#include "ui/ToolWindow.h"

#include "ui/QuillonApp.h"

namespace quillon {

namespace {
constexpr int kUnset = -32768;
}

ToolWindow::ToolWindow(wxWindow* parent, const wxString& title, const PositionSetting& position)
    : wxFrame(parent, wxID_ANY, title, wxDefaultPosition, wxSize(320, 240),
              wxDEFAULT_FRAME_STYLE | wxFRAME_TOOL_WINDOW | wxFRAME_FLOAT_ON_PARENT),
      position_(position) {
  const Settings& settings = wxGetApp().GetSettings();
  const int x = settings.GetProfileInt(position_.section, position_.entryX, kUnset);
  const int y = settings.GetProfileInt(position_.section, position_.entryY, kUnset);
  if (x != kUnset && y != kUnset) Move(x, y);
  Bind(wxEVT_CLOSE_WINDOW, &ToolWindow::OnClose, this);
}

void ToolWindow::OnClose(wxCloseEvent&) {
  Settings& settings = wxGetApp().GetSettings();
  const wxPoint where = GetPosition();
  settings.WriteProfileInt(position_.section, position_.entryX, where.x);
  settings.WriteProfileInt(position_.section, position_.entryY, where.y);
  wxGetApp().ForgetToolWindow(this);
  Destroy();
}

}  // namespace quillon
