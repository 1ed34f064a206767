// The extra controls of the File Save dialog: the options of the chosen file type, each
// group shown only for the types it belongs to.
#pragma once

#include <wx/panel.h>

#include "core/document/PictureFormat.h"

class wxCheckBox;
class wxFileDialog;
class wxChoice;
class wxRadioButton;
class wxSizer;
class wxSlider;
class wxSpinCtrl;
class wxStaticText;
class wxTextCtrl;

namespace quillon {

class SaveDialog;

class SaveDialogPanel : public wxPanel {
 public:
  // Control identifiers.
  static constexpr int kLosslessId = 1000;
  static constexpr int kQualityOptionId = 1012;
  static constexpr int kQualityEditId = 1010;
  static constexpr int kQualitySliderId = 1007;
  static constexpr int kRateOptionId = 1002;
  static constexpr int kRateEditId = 1005;
  static constexpr int kRateSliderId = 1011;
  static constexpr int kMaxSliderRate = 200;  // the rate slider's range is 1:1 to 1:200
  static constexpr int kSizeOptionId = 1003;
  static constexpr int kSizeEditId = 1006;
  static constexpr int kEmbeddedId = 1141;
  static constexpr int kBaselineId = 1142;
  static constexpr int kPasswordButtonId = 1144;
  static constexpr int kProtectionTextId = 1145;
  static constexpr int kShowWarningsId = 1147;
  static constexpr int kBinaryId = 1154;
  static constexpr int kAsciiId = 1155;
  static constexpr int kJpegQualityEditId = 1156;
  static constexpr int kJpegQualitySliderId = 1158;
  static constexpr int kTiffCompressionId = 1159;
  static constexpr int kPngCompressionId = 1160;
  static constexpr int kSortedById = 1185;

  SaveDialogPanel(wxWindow* parent, SaveDialog& dialog);

  // Shows the options of `type`.
  void SetType(PictureFormat type);
  PictureFormat Type() const { return type_; }
  // Asks for the KVF password and the quality free without it.
  void EditPassword();
  // Copies the controls into the dialog's options.
  void TransferToDialog();

 private:
  void OnUpdateUi(wxUpdateUIEvent& event);
  // Gives the name typed in `fileDialog` the extension of the type.
  void FollowExtension(wxFileDialog& fileDialog);
  void EnableEdits();
  void ShowProtection();

  SaveDialog& dialog_;
  PictureFormat type_ = PictureFormat::Unknown;
  wxSizer* compression_ = nullptr;
  wxSizer* kvf_ = nullptr;
  wxSizer* jp2_ = nullptr;
  wxSizer* pnm_ = nullptr;
  wxSizer* tiff_ = nullptr;
  wxSizer* jpeg_ = nullptr;
  wxSizer* png_ = nullptr;
  wxRadioButton* options_[4] = {};
  wxSlider* qualitySlider_ = nullptr;
  wxSpinCtrl* quality_ = nullptr;
  wxTextCtrl* rate_ = nullptr;
  wxSlider* rateSlider_ = nullptr;
  wxTextCtrl* size_ = nullptr;
  wxRadioButton* embedded_ = nullptr;
  wxRadioButton* baseline_ = nullptr;
  wxStaticText* protection_ = nullptr;
  wxChoice* sortedBy_ = nullptr;
  wxRadioButton* binary_ = nullptr;
  wxRadioButton* ascii_ = nullptr;
  wxChoice* tiffCompression_ = nullptr;
  wxSlider* jpegQualitySlider_ = nullptr;
  wxSpinCtrl* jpegQuality_ = nullptr;
  wxSpinCtrl* pngCompression_ = nullptr;
  wxCheckBox* showWarnings_ = nullptr;
};

}  // namespace quillon
