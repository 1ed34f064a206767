// The print options: position, size and unit of the printed picture, centring, fitting to
// the page, full format, the scaling slider, the printer's resolution and a preview of the
// page. Every value shown follows from the others as the picture would be printed.
#pragma once

#include <wx/dialog.h>

#include "core/display/PrintPlacement.h"
#include "core/picture/Picture.h"

class wxCheckBox;
class wxChoice;
class wxPrintData;
class wxSlider;
class wxStaticText;
class wxTextCtrl;

namespace quillon {

class PrintOptionsDialog final : public wxDialog {
 public:
  // Ends the dialog to show the print preview instead of printing.
  static constexpr int kPreview = 1193;
  // Control ids.
  static constexpr int kScaling = 1167;
  static constexpr int kWidth = 1170;
  static constexpr int kHeight = 1171;
  static constexpr int kUnit = 1172;
  static constexpr int kFitToPage = 1175;
  static constexpr int kResolution = 1177;
  static constexpr int kCenter = 1178;
  static constexpr int kPositionY = 1180;
  static constexpr int kPositionX = 1181;
  static constexpr int kFullFormat = 1182;

  PrintOptionsDialog(wxWindow* parent, const Picture& picture, const PrintSettings& settings,
                     const wxPrintData& printer);

  const PrintSettings& Settings() const { return settings_; }
  // The box the picture gets on the printable area, in inches.
  const Placement& CurrentPlacement() const { return placement_; }

 private:
  class PagePreview;

  wxSizer* PositionBox();
  wxSizer* SizeBox();
  // Takes the controls' values into the settings, then shows what follows from them.
  void OnEdit(wxCommandEvent& event);
  // A typed width or height sets the size.
  void TakeTypedSize(int control);
  // Shows the placement in every control but the one the user is typing in.
  void ShowPlacement(int typing = 0);

  const Picture& picture_;
  PrintSettings settings_;
  Placement placement_;
  double areaWidth_ = 0.0;  // inches
  double areaHeight_ = 0.0;
  wxTextCtrl* positionX_ = nullptr;
  wxTextCtrl* positionY_ = nullptr;
  wxTextCtrl* width_ = nullptr;
  wxTextCtrl* height_ = nullptr;
  wxChoice* unit_ = nullptr;
  wxCheckBox* center_ = nullptr;
  wxCheckBox* fit_ = nullptr;
  wxCheckBox* full_ = nullptr;
  wxSlider* scaling_ = nullptr;
  wxStaticText* scalingValue_ = nullptr;
  PagePreview* preview_ = nullptr;
};

}  // namespace quillon
