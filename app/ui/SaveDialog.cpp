#include "ui/SaveDialog.h"

#include <filesystem>

#include <wx/filedlg.h>
#include <wx/filename.h>

#include "core/pipelines/SavePipeline.h"
#include "ui/FileChooserPanel.h"
#include "ui/FileDialogFilter.h"
#include "ui/QuillonApp.h"
#include "ui/SaveDialogPanel.h"
#include "ui/SaveWarningDialog.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kChooserTitle = 62106;  // "File Save"

constexpr StringId kSaveFilter = 32784;
constexpr int kFirstSaveType = static_cast<int>(PictureFormat::Jpeg2000);
constexpr int kLastSaveType = static_cast<int>(PictureFormat::Png);

// The dialog whose extra controls are being made; the toolkit's creator takes no context.
SaveDialog* creating = nullptr;

wxWindow* createPanel(wxWindow* fileDialog) {
  return AttachToFileChooser(fileDialog,
                             [](wxWindow* host) { return new SaveDialogPanel(host, *creating); });
}

bool hasExtension(const std::string& path) {
  return !std::filesystem::path(path).extension().empty();
}

}  // namespace

SaveDialog::SaveDialog(Settings& settings)
    : options(LoadSaveOptions(settings)), settings_(settings) {}

SaveDialog::~SaveDialog() {
  StoreSaveOptions(options, settings_);
}

std::optional<std::string> SaveDialog::Run(wxWindow* parent, const std::string& suggested) {
  std::string offered = suggested;
  if (!offered.empty() && !hasExtension(offered)) offered += SaveExtensionOf(options.type);
  for (;;) {
    std::optional<std::string> chosen =
        chooser_ ? chooser_(offered) : ShowFileDialog(parent, offered);
    if (!chosen || chosen->empty()) return std::nullopt;
    std::string path = *chosen;
    if (!hasExtension(path)) path += SaveExtensionOf(options.type);
    const PictureFormat type = SaveFormatOfPath(path);
    if (type != PictureFormat::Unknown) options.type = type;
    if (Confirm(parent, type)) return path;
    offered = path;
  }
}

std::optional<std::string> SaveDialog::ShowFileDialog(wxWindow* parent,
                                                      const std::string& offered) {
  const wxFileName name(wxString::FromUTF8(offered));
  wxFileDialog dialog(parent, TableText(kChooserTitle), name.GetPath(), name.GetFullName(),
                      FileDialogFilter(kSaveFilter), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  // The toolkit counts filters from 0, the type codes start at 2.
  const int code = static_cast<int>(options.type);
  if (code >= kFirstSaveType && code <= kLastSaveType) dialog.SetFilterIndex(code - kFirstSaveType);
  creating = this;
  dialog.SetExtraControlCreator(&createPanel);
  const int answer = dialog.ShowModal();
  creating = nullptr;
  if (answer != wxID_OK) return std::nullopt;
  if (auto* panel = dynamic_cast<SaveDialogPanel*>(dialog.GetExtraControl())) {
    panel->TransferToDialog();
  }
  // The panel hears of filter changes only when the toolkit refreshes it; the filter in
  // force at OK decides (an extension typed by the user decides over both, see Run).
  const int chosenCode = dialog.GetFilterIndex() + kFirstSaveType;
  if (chosenCode >= kFirstSaveType && chosenCode <= kLastSaveType) {
    options.type = static_cast<PictureFormat>(chosenCode);
  }
  return dialog.GetPath().utf8_string();
}

bool SaveDialog::Confirm(wxWindow* parent, PictureFormat type) {
  const SaveCheck check = CheckSave(type, options, picture);
  switch (check.verdict) {
    case SaveVerdict::Proceed:
      return true;
    case SaveVerdict::Refuse:
      wxGetApp().Ui().MessageBox(check.message.value_or(kCouldNotSave), MessageIcon::Exclamation);
      return false;
    case SaveVerdict::Warn: {
      SaveWarningDialog warning(parent, check.message ? TableText(*check.message) : wxString());
      return warning.ShowModal() == wxID_OK;
    }
  }
  return false;
}

}  // namespace quillon
