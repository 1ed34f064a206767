// Texts of the dialogs in both languages of the program; the user's language picks one.
#pragma once

#include <wx/string.h>

namespace quillon {

struct UiText {
  const char* english;  // UTF-8
  const char* german;   // UTF-8
};

// The text in the language the program runs in.
wxString Localized(const UiText& text);

}  // namespace quillon
