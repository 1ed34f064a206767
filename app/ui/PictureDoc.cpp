#include "ui/PictureDoc.h"

#include <wx/filename.h>

#include "core/DocumentTitle.h"
#include "core/OpenPipeline.h"
#include "ui/KorvelApp.h"
#include "ui/KorvelView.h"

namespace quillon {

wxIMPLEMENT_DYNAMIC_CLASS(CPictureDoc, wxDocument);

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

void CPictureDoc::UpdateTitle() {
  const wxString name = wxFileName(GetFilename()).GetFullName();
  SetTitle(wxString::FromUTF8(
      DocumentTitle(name.utf8_string(), data_.compressionRatio, wxGetApp().Ui().Strings())));
  // The frames show the title they had when the view was made; tell them it changed.
  for (wxView* view : GetViewsVector()) {
    if (wxWindow* frame = view->GetFrame()) frame->SetLabel(GetTitle());
  }
}

}  // namespace quillon

namespace quillon {

EnhancementRegions CPictureDoc::RegionsForEncoder() const {
  const auto& views = GetViewsVector();
  auto* first = views.empty() ? nullptr : dynamic_cast<CKorvelView*>(views.front());
  if (first && first->Regions().Shown()) return data_.regions;
  return {};
}

}  // namespace quillon
