#include "ui/TableText.h"

#include "ui/QuillonApp.h"

namespace quillon {

wxString TableText(StringId id) { return wxString::FromUTF8(wxGetApp().Ui().Strings().Load(id)); }

}  // namespace quillon
