// The OK and Cancel buttons of the program's small dialogs, in the user's language.
#pragma once

class wxSizer;
class wxWindow;

namespace quillon {

// A row with OK (the default button) and Cancel for `dialog`.
wxSizer* OkCancelButtons(wxWindow* dialog);

}  // namespace quillon
