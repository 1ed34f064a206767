#include "ui/SplashWindow.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>

#include "ui/QuillonApp.h"
#include "ui/TableText.h"

namespace quillon {

namespace {
constexpr StringId kSplashLine = 62440;  // "Wavelet image compression: JPEG 2000 and KVF"
}  // namespace

SplashWindow::SplashWindow(wxWindow* owner)
    : wxFrame(owner, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
              wxBORDER_NONE | wxFRAME_NO_TASKBAR | wxFRAME_FLOAT_ON_PARENT | wxSTAY_ON_TOP),
      bitmap_(MakeBitmap()),
      timer_(this) {
  SetClientSize(bitmap_.GetWidth(), bitmap_.GetHeight());
  SetCursor(*wxSTANDARD_CURSOR);
  Centre();
  Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.DrawBitmap(bitmap_, 0, 0);
  });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Destroy(); });
  timer_.StartOnce(kShowMilliseconds);
  Show();
}

SplashWindow::~SplashWindow() {
  wxGetApp().SplashClosed();
}

wxBitmap SplashWindow::MakeBitmap() {
  wxBitmap bitmap(420, 240);
  wxMemoryDC dc(bitmap);
  dc.GradientFillLinear(wxRect(0, 0, 420, 240), wxColour(30, 60, 120), wxColour(120, 170, 220),
                        wxSOUTH);
  dc.SetTextForeground(*wxWHITE);
  wxFont title(wxFontInfo(28).Bold());
  dc.SetFont(title);
  dc.DrawText("Korvel Quillon 3.0", 30, 80);
  dc.SetFont(wxFontInfo(11));
  dc.DrawText(TableText(kSplashLine), 32, 135);
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

}  // namespace quillon
