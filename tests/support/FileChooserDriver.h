// Drives the system's file chooser as a user would see it: shown for real, inspected and
// ended from inside its own event loop.
#pragma once

#include <functional>

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/modalhook.h>
#include <wx/utils.h>

#include "support/GuiTest.h"

namespace quillon::test {

// Calls `run`, which must show a file chooser. Once the chooser is on the screen and laid
// out, `inside` gets it and answers the code the chooser ends with. Returns whether the
// chooser came up; gives up after a few seconds rather than hang.
inline bool WithFileChooser(const std::function<void()>& run,
                            const std::function<int(wxFileDialog&)>& inside) {
  struct Watch final : wxModalDialogHook {
    wxFileDialog* shown = nullptr;
    Watch() { Register(); }
    int Enter(wxDialog* dialog) override {
      if (auto* files = dynamic_cast<wxFileDialog*>(dialog)) shown = files;
      return wxID_NONE;  // shown for real
    }
    void Exit(wxDialog*) override {}
  } watch;
  bool cameUp = false;
  int waits = 0;
  std::function<void()> look = [&] {
    wxFileDialog* dialog = watch.shown;
    if (!(dialog && dialog->IsShown()) && ++waits < 1000) {
      wxMilliSleep(5);
      wxTheApp->CallAfter(look);
      return;
    }
    if (!dialog) return;
    cameUp = dialog->IsShown();
    GuiTest::Settle();  // let the chooser size and draw itself
    dialog->EndModal(cameUp ? inside(*dialog) : wxID_CANCEL);
  };
  wxTheApp->CallAfter(look);
  run();
  return cameUp;
}

}  // namespace quillon::test
