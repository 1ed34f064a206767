// The splash window: shown at start for ten seconds or until the first key or click.
#pragma once

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/timer.h>

namespace quillon {

class SplashWindow : public wxFrame {
 public:
  static constexpr int kShowMilliseconds = 10000;

  explicit SplashWindow(wxWindow* owner);
  ~SplashWindow() override;

  // The splash picture of the program, drawn rather than loaded.
  static wxBitmap MakeBitmap();

 private:
  wxBitmap bitmap_;
  wxTimer timer_;
};

}  // namespace quillon
