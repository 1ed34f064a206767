// The extra controls of the File Open dialog: preview, file information and the loading
// options.
#pragma once

#include <wx/image.h>
#include <wx/panel.h>
#include <wx/timer.h>

class wxCheckBox;
class wxRadioButton;
class wxSpinCtrl;
class wxStaticText;
class wxTextCtrl;

namespace quillon {

class OpenDialog;

class OpenDialogPanel : public wxPanel {
 public:
  // The preview waits this long after a selection, so that double-clicks open at once.
  static constexpr int kPreviewDelayMs = 400;

  OpenDialogPanel(wxWindow* parent, OpenDialog& dialog);

  // A file was selected in the dialog (empty: nothing selected).
  void SelectionChanged(const wxString& path);
  // Loads the preview of the selected file now.
  void LoadPreview();
  // Copies the controls into the dialog's state.
  void TransferToDialog();

  wxString InfoText() const;
  wxString FileSizeText() const;
  const wxImage& PreviewImage() const { return preview_; }
  bool PreviewPending() const { return timer_.IsRunning(); }

 private:
  void OnUpdateUi(wxUpdateUIEvent& event);
  void PaintPreview(wxPaintEvent& event);
  void EnableEdits();

  OpenDialog& dialog_;
  wxString selected_;
  wxImage preview_;
  wxTimer timer_;
  wxCheckBox* previewCheck_ = nullptr;
  wxPanel* previewFrame_ = nullptr;
  wxStaticText* fileSize_ = nullptr;
  wxStaticText* info_ = nullptr;
  wxRadioButton* options_[4] = {};
  wxSpinCtrl* quality_ = nullptr;
  wxTextCtrl* rate_ = nullptr;
  wxTextCtrl* size_ = nullptr;
  wxStaticText* range_ = nullptr;
};

}  // namespace quillon
