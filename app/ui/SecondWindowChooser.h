// Asks which other picture window a two-picture command works with: a list of their titles,
// where a double click chooses.
#pragma once

#include <optional>

#include <wx/arrstr.h>
#include <wx/dialog.h>

class wxListBox;

namespace quillon {

class SecondWindowChooser : public wxDialog {
 public:
  SecondWindowChooser(wxWindow* parent, const wxArrayString& titles);

  // The index of the chosen title, nothing when none is selected.
  std::optional<int> Chosen() const;
  wxListBox* List() const { return list_; }

 private:
  wxListBox* list_ = nullptr;
};

}  // namespace quillon
