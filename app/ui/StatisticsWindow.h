// The statistics window: compares the active picture window with the one chosen in its list
// by MAE, RMS, MSE, SNR, PSNR and SSIM.
#pragma once

#include <array>

#include "ui/ToolWindow.h"

class wxChoice;
class wxStaticText;

namespace quillon {

class StatisticsWindow : public ToolWindow {
 public:
  explicit StatisticsWindow(wxWindow* parent);

  // Refills the list of picture windows (keeping the choice while that window exists) and
  // compares again; called when the active picture window changes.
  void FollowActivePicture();
  // Compares the chosen window with the active one, or shows no error when either is
  // missing or both are the same window.
  void Recompute();

  wxChoice* Originals() const { return originals_; }
  wxString ComparedTitle() const;
  // MAE, RMS, MSE, SNR, PSNR and SSIM as shown.
  wxString ValueText(int index) const;

 private:
  static constexpr int kValues = 6;

  wxChoice* originals_ = nullptr;
  wxStaticText* compared_ = nullptr;
  std::array<wxStaticText*, kValues> values_{};
};

}  // namespace quillon
