#include "ui/TableText.h"

#include "ui/QuillonApp.h"

namespace quillon {

wxString TableText(StringId id) {
  return wxString::FromUTF8(wxGetApp().Ui().Strings().Load(id));
}

wxString TableText(StringId id, std::initializer_list<MessageArg> args) {
  return wxString::FromUTF8(FormatMessage(wxGetApp().Ui().Strings().Load(id), args));
}

}  // namespace quillon
