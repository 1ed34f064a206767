// Extra controls below the system's file chooser.
#pragma once

#include <functional>

class wxWindow;

namespace quillon {

// Makes the panel of extra controls for `fileDialog` with `make` and attaches it at its best
// size. The chooser takes the panel's size once, when the panel is attached, and keeps it, so
// the panel is built on a hidden host and moved into the dialog once its controls are laid
// out; built in the dialog directly it would be squeezed to a strip.
wxWindow* AttachToFileChooser(wxWindow* fileDialog,
                              const std::function<wxWindow*(wxWindow* host)>& make);

}  // namespace quillon
