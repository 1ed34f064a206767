// The File Save dialog: the system's save dialog with the compression options of each file
// type, kept in the settings, and the checks made when the user confirms it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/document/SaveOptions.h"
#include "core/pipelines/SaveWarnings.h"
#include "core/services/Settings.h"

class wxWindow;

namespace quillon {

class SaveDialog {
 public:
  // Answers in place of the system's file dialog (tests): the path chosen, none for Cancel.
  using Chooser = std::function<std::optional<std::string>(const std::string& offered)>;

  // Reads the options from the settings.
  explicit SaveDialog(Settings& settings);
  // Writes the options back to the settings.
  ~SaveDialog();
  SaveDialog(const SaveDialog&) = delete;
  SaveDialog& operator=(const SaveDialog&) = delete;

  // Runs the dialog, offering `suggested`, until the user confirms a path the checks let
  // through or cancels. A refused or warned-off choice opens the dialog again on the path
  // chosen, since the system's dialog cannot be kept open from outside. The extension of the
  // path chosen sets the type; a name without one gets the extension of the type.
  std::optional<std::string> Run(wxWindow* parent, const std::string& suggested);

  void SetChooser(Chooser chooser) { chooser_ = std::move(chooser); }

  SaveOptions options;
  // Set before the dialog runs.
  SavePictureFacts picture;
  // The KVF protection; kept for the whole run, never in the settings.
  std::string password;
  bool passwordOn = false;

 private:
  std::optional<std::string> ShowFileDialog(wxWindow* parent, const std::string& offered);
  // The checks on OK; false sends the user back to the file dialog.
  bool Confirm(wxWindow* parent, PictureFormat type);

  Settings& settings_;
  Chooser chooser_;
};

}  // namespace quillon
