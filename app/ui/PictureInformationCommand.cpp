#include "ui/PictureInformationCommand.h"

#include <filesystem>

#include <wx/filename.h>

#include "core/analysis/PictureInformation.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/PictureWindows.h"
#include "ui/QuillonApp.h"

namespace quillon {

void ShowPictureInformation() {
  PictureView* view = ActivePictureView();
  if (!view) return;
  PictureDocAdapter* doc = view->GetPictureDoc();
  // Pictures made in the program have no file, only the name their window shows.
  const bool fromFile = doc->Data().format != PictureFormat::Unknown && !doc->GetFilename().empty();
  const std::string name = fromFile ? wxFileName(doc->GetFilename()).GetFullName().utf8_string()
                                    : view->WindowTitle().utf8_string();
  const std::filesystem::path path =
      fromFile ? std::filesystem::path(doc->GetFilename().utf8_string()) : std::filesystem::path();
  QuillonApp& app = wxGetApp();
  app.Ui().MessageBox(PictureInformationText(doc->Data(), name, path, app.Ui().Strings()),
                      MessageIcon::Information);
}

}  // namespace quillon
