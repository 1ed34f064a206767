// The File Open dialog: several files at once, a preview, information about the selected
// file, and the loading options that decode compressed files only in part.
#pragma once

#include <string>
#include <vector>

#include <wx/arrstr.h>

#include "core/document/LoadOptions.h"
#include "core/services/Settings.h"

class wxWindow;

namespace quillon {

class OpenDialog {
 public:
  // Reads its state from the settings.
  explicit OpenDialog(Settings& settings);
  // Writes its state back to the settings.
  ~OpenDialog();
  OpenDialog(const OpenDialog&) = delete;
  OpenDialog& operator=(const OpenDialog&) = delete;

  // Runs the dialog; the chosen paths, empty when cancelled. OK also sets the application's
  // applyLoadOptions.
  std::vector<std::string> Run(wxWindow* parent);

  // The loading options as the dialog holds them.
  LoadOptions Options() const;
  LoadType loadType = LoadType::Quality;
  int quality = 80;
  std::string rateText = "10.0";  // one decimal
  std::string sizeText = "10.0";  // kilobytes
  std::string directory;
  bool preview = false;
  // The state of the loading options group.
  int loadOption = 0;

 private:
  Settings& settings_;
};

}  // namespace quillon
