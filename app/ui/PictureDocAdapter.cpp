#include "ui/PictureDocAdapter.h"

#include <wx/filename.h>

#include "core/document/DocumentTitle.h"
#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/SavePipeline.h"
#include "ui/ChildFrame.h"
#include "ui/PictureView.h"
#include "ui/QuillonApp.h"
#include "ui/SaveDialog.h"
#include "ui/SavePasswordDialog.h"

namespace quillon {

wxIMPLEMENT_DYNAMIC_CLASS(PictureDocAdapter, wxDocument);

namespace {

// The directory as it is, the name in lower case and without its extension; lowering the
// directory too would point elsewhere on a case-sensitive file system.
std::string suggestedName(const wxString& path) {
  if (path.empty()) return {};
  wxFileName name(path);
  name.SetName(name.GetName().Lower());
  name.ClearExt();
  return name.GetFullPath().utf8_string();
}

}  // namespace

bool PictureDocAdapter::OnCreate(const wxString& path, long flags) {
  if (!path.empty() && !OnOpenDocument(path)) return false;
  return wxDocument::OnCreate(path, flags);
}

bool PictureDocAdapter::OnOpenDocument(const wxString& path) {
  QuillonApp& app = wxGetApp();
  FileIoContext context{app.Ui(), app.Disk(), true};
  OpenRequest request;
  request.load = app.ActiveLoadOptions();
  if (!OpenPicture(path.utf8_string(), data_, context, request)) return false;
  SetFilename(path, true);
  Modify(false);
  UpdateTitle();
  UpdateAllViews();
  return true;
}

bool PictureDocAdapter::OnSaveDocument(const wxString& path) {
  QuillonApp& app = wxGetApp();
  SaveDialog& dialog = app.FileSaveDialog();
  if (data_.format != PictureFormat::Unknown) dialog.options.type = data_.format;
  const Picture& picture = data_.GetPicture();
  dialog.picture = {picture.IsGray(), data_.format,
                    static_cast<std::uint32_t>(std::max(0, picture.GetWidth())),
                    static_cast<std::uint32_t>(std::max(0, picture.GetHeight())), data_.fileSize};
  const std::optional<std::string> chosen = dialog.Run(GetDocumentWindow(), suggestedName(path));
  if (!chosen) return false;

  data_.protection.password = dialog.password.substr(0, kMaxPasswordLength);
  data_.protection.passwordOn = dialog.passwordOn;
  data_.protection.freeQuality = static_cast<std::uint16_t>(dialog.options.freeQuality);
  FileIoContext context{app.Ui(), app.Disk(), true};
  const SaveRequest request{dialog.options, RegionsShown()};
  if (!SavePicture(*chosen, SaveFormatOfPath(*chosen), data_, context, request)) {
    return false;  // the pipeline has told the user
  }
  app.DocManager()->AddFileToHistory(wxString::FromUTF8(*chosen));
  return true;
}

void PictureDocAdapter::UpdateTitle() {
  const wxString name = wxFileName(GetFilename()).GetFullName();
  ShowTitle(wxString::FromUTF8(
      DocumentTitle(name.utf8_string(), data_.compressionRatio, wxGetApp().Ui().Strings())));
}

void PictureDocAdapter::ShowTitle(const wxString& title) {
  SetTitle(title);
  // The frames show the title they had when the view was made; tell them it changed.
  for (wxView* view : GetViewsVector()) {
    auto* pictureView = dynamic_cast<PictureView*>(view);
    auto* frame = dynamic_cast<ChildFrame*>(view->GetFrame());
    if (pictureView && frame) frame->SetTitle(pictureView->WindowTitle());
  }
}

bool PictureDocAdapter::RegionsShown() const {
  const auto& views = GetViewsVector();
  auto* first = views.empty() ? nullptr : dynamic_cast<PictureView*>(views.front());
  return first && first->Regions().Shown();
}

}  // namespace quillon
