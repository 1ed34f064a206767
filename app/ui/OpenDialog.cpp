#include "ui/OpenDialog.h"

#include <cstdlib>

#include <wx/filedlg.h>

#include "core/services/SettingsTable.h"
#include "ui/FileChooserPanel.h"
#include "ui/FileDialogFilter.h"
#include "ui/OpenDialogPanel.h"
#include "ui/QuillonApp.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kChooserTitle = 62105;  // "File Open..."

constexpr StringId kOpenFilter = 32783;

// The dialog whose extra controls are being made; the toolkit's creator takes no context.
OpenDialog* creating = nullptr;

wxWindow* createPanel(wxWindow* fileDialog) {
  return AttachToFileChooser(fileDialog,
                             [](wxWindow* host) { return new OpenDialogPanel(host, *creating); });
}

double parseNumber(const std::string& text, double fallback) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return end == text.c_str() ? fallback : value;
}

}  // namespace

OpenDialog::OpenDialog(Settings& settings) : settings_(settings) {
  directory = Read(settings_, setting::kLoadDirectory);
  preview = Read(settings_, setting::kPreview) != 0;
  loadType = static_cast<LoadType>(std::clamp(Read(settings_, setting::kLoadType), 0, 3));
  loadOption = Read(settings_, setting::kLoadOption);
  quality = std::clamp(Read(settings_, setting::kLoadQuality), 1, 100);
  rateText = Read(settings_, setting::kLoadCompression);
  sizeText = Read(settings_, setting::kLoadSize);
}

OpenDialog::~OpenDialog() {
  Write(settings_, setting::kLoadDirectory, directory);
  Write(settings_, setting::kPreview, preview ? 1 : 0);
  Write(settings_, setting::kLoadType, static_cast<int>(loadType));
  Write(settings_, setting::kLoadOption, loadOption);
  Write(settings_, setting::kLoadQuality, quality);
  Write(settings_, setting::kLoadCompression, rateText);
  Write(settings_, setting::kLoadSize, sizeText);
}

LoadOptions OpenDialog::Options() const {
  LoadOptions options;
  options.type = loadType;
  options.quality = quality;
  options.rate = parseNumber(rateText, 10.0);
  options.sizeKb = parseNumber(sizeText, 10.0);
  return options;
}

std::vector<std::string> OpenDialog::Run(wxWindow* parent) {
  wxFileDialog dialog(parent, TableText(kChooserTitle), wxString::FromUTF8(directory),
                      wxEmptyString, FileDialogFilter(kOpenFilter),
                      wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_MULTIPLE);
  creating = this;
  dialog.SetExtraControlCreator(&createPanel);
  const int answer = dialog.ShowModal();
  creating = nullptr;
  if (auto* panel = dynamic_cast<OpenDialogPanel*>(dialog.GetExtraControl())) {
    panel->TransferToDialog();
  }
  if (answer != wxID_OK) return {};

  wxArrayString paths;
  dialog.GetPaths(paths);
  directory = dialog.GetDirectory().utf8_string();
  wxGetApp().applyLoadOptions = true;
  std::vector<std::string> chosen;
  for (const wxString& path : paths) chosen.push_back(path.utf8_string());
  return chosen;
}

}  // namespace quillon
