#include "ui/PictureDoc.h"

#include <wx/filename.h>

#include "core/DocumentTitle.h"
#include "core/OpenPipeline.h"
#include "core/SavePipeline.h"
#include "ui/ChildFrame.h"
#include "ui/KorvelApp.h"
#include "ui/KorvelView.h"
#include "ui/MySaveDialog2.h"
#include "ui/SavePassDlg.h"

namespace quillon {

wxIMPLEMENT_DYNAMIC_CLASS(CPictureDoc, wxDocument);

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

bool CPictureDoc::OnCreate(const wxString& path, long flags) {
  if (!path.empty() && !OnOpenDocument(path)) return false;
  return wxDocument::OnCreate(path, flags);
}

bool CPictureDoc::OnOpenDocument(const wxString& path) {
  CKorvelApp& app = wxGetApp();
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

bool CPictureDoc::OnSaveDocument(const wxString& path) {
  CKorvelApp& app = wxGetApp();
  CMySaveDialog2& dialog = app.SaveDialog();
  if (data_.format != PictureFormat::Unknown) dialog.options.type = data_.format;
  const Picture& picture = data_.GetPicture();
  dialog.picture = {picture.IsGray(), data_.format,
                    static_cast<std::uint32_t>(std::max(0, picture.GetWidth())),
                    static_cast<std::uint32_t>(std::max(0, picture.GetHeight())), data_.fileSize};
  const std::optional<std::string> chosen = dialog.Run(GetDocumentWindow(), suggestedName(path));
  if (!chosen) return false;

  data_.protection.password = dialog.password.substr(0, CSavePassDlg::kMaxPasswordLength);
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

void CPictureDoc::UpdateTitle() {
  const wxString name = wxFileName(GetFilename()).GetFullName();
  SetTitle(wxString::FromUTF8(
      DocumentTitle(name.utf8_string(), data_.compressionRatio, wxGetApp().Ui().Strings())));
  // The frames show the title they had when the view was made; tell them it changed.
  for (wxView* view : GetViewsVector()) {
    auto* pictureView = dynamic_cast<CKorvelView*>(view);
    auto* frame = dynamic_cast<CChildFrame*>(view->GetFrame());
    if (pictureView && frame) frame->SetTitle(pictureView->WindowTitle());
  }
}

bool CPictureDoc::RegionsShown() const {
  const auto& views = GetViewsVector();
  auto* first = views.empty() ? nullptr : dynamic_cast<CKorvelView*>(views.front());
  return first && first->Regions().Shown();
}

}  // namespace quillon
