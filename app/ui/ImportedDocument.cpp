#include "ui/ImportedDocument.h"

#include <wx/docview.h>

#include "core/pipelines/PictureImport.h"
#include "ui/MainFrame.h"
#include "ui/PictureDocAdapter.h"
#include "ui/QuillonApp.h"

namespace quillon {

PictureDocAdapter* OpenImportedPicture(std::span<const std::uint8_t> bmpFileImage) {
  QuillonApp& app = wxGetApp();
  wxDocManager* manager = app.DocManager();
  auto* doc = dynamic_cast<PictureDocAdapter*>(manager->CreateDocument(wxString(), wxDOC_NEW));
  if (!doc) return nullptr;
  FileIoContext context{app.Ui(), app.Disk(), true};
  if (!ReadImportedPicture(bmpFileImage, doc->Data(), context)) {
    doc->DeleteAllViews();  // the document goes with its last view
    return nullptr;
  }
  doc->UpdateTitle();
  doc->UpdateAllViews();
  if (MainFrame* frame = app.MainWindow()) frame->RefreshHistogram();
  return doc;
}

}  // namespace quillon
