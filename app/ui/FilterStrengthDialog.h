// Asks how strongly to smooth or sharpen: low, medium or high. Opens with low chosen.
#pragma once

#include <array>

#include <wx/dialog.h>

#include "core/analysis/KernelFilters.h"

class wxRadioButton;

namespace quillon {

class FilterStrengthDialog : public wxDialog {
 public:
  FilterStrengthDialog(wxWindow* parent, KernelFilter filter);

  FilterStrength Strength() const;
  void SetStrength(FilterStrength strength);

 private:
  // In the order shown: low, medium, high.
  std::array<wxRadioButton*, 3> choices_{};
};

}  // namespace quillon
