// Labels of the interface from the string table of the language the program runs in.
#pragma once

#include <wx/string.h>

#include "core/services/StringTable.h"

namespace quillon {

// Buttons many dialogs share.
inline constexpr StringId kCancelText = 62100;  // "Cancel"
inline constexpr StringId kOkText = 62101;      // "OK"
inline constexpr StringId kHelpText = 62102;    // "&Help"

// The text of `id` in the program's language.
wxString TableText(StringId id);

}  // namespace quillon
