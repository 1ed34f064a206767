#include "ui/UiText.h"

#include "ui/QuillonApp.h"

namespace quillon {

wxString Localized(const UiText& text) {
  return wxString::FromUTF8(wxGetApp().GetLanguage() == Language::German ? text.german
                                                                         : text.english);
}

}  // namespace quillon
