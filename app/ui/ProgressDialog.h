// The progress dialog of long reads, writes and conversions. It appears only when the work
// takes longer than half a second and refreshes at most every 150 ms.
#pragma once

#include <memory>

#include <wx/dialog.h>

#include "core/services/ProgressPacer.h"
#include "core/services/UiServices.h"

class wxGauge;
class wxStaticText;
class wxWindow;

namespace quillon {

class ProgressDialog final : public Progress {
 public:
  explicit ProgressDialog(const wxString& caption);
  ~ProgressDialog() override;

  void SetRange(int lower, int upper) override;
  void SetPos(int position) override;
  void StepIt() override;

  bool IsShown() const { return dialog_ != nullptr; }

 private:
  void Apply(ProgressPacer::Action action);
  void Refresh();

  wxString caption_;
  ProgressPacer pacer_;
  wxDialog* dialog_ = nullptr;
  wxGauge* gauge_ = nullptr;
  wxStaticText* percent_ = nullptr;
  wxWindow* disabledOwner_ = nullptr;
};

}  // namespace quillon
