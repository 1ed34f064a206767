// The file-type filter of the open and save dialogs, from the string table.
#pragma once

#include <wx/string.h>

#include "core/services/StringTable.h"
#include "ui/QuillonApp.h"

namespace quillon {

// The table's filters end in "||"; the toolkit wants the pairs only.
inline wxString FileDialogFilter(StringId id) {
  wxString filter = wxString::FromUTF8(wxGetApp().Ui().Strings().Load(id));
  while (filter.EndsWith("|")) filter.RemoveLast();
  return filter;
}

}  // namespace quillon
