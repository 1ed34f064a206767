#include "ui/PictureDocTemplate.h"

#include <wx/filename.h>

#include "ui/CommandIds.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"

namespace quillon {

namespace {
constexpr int kRecentFiles = 4;
}

PictureDocTemplate::PictureDocTemplate(wxDocManager* manager)
    : wxDocTemplate(manager, "Korvel Format (*.kvf)", "*.kvf", "", "kvf", "KorvelImage",
                    "Daskor Wavelet Format", CLASSINFO(PictureDocAdapter), CLASSINFO(PictureView)) {
}

wxDocument* DocumentManager::CreateDocument(const wxString& path, long flags) {
  if (path.empty() || (flags & wxDOC_NEW)) return wxDocManager::CreateDocument(path, flags);
  if (m_templates.empty()) return nullptr;
  // A relative name would point elsewhere once the working directory differs, as it does for
  // the recent-file list at the next start.
  wxFileName absolute(path);
  absolute.MakeAbsolute();
  const wxString file = absolute.GetFullPath();
  auto* temp = static_cast<wxDocTemplate*>(m_templates.GetFirst()->GetData());
  // The document reads the file before its window is made (PictureDocAdapter::OnCreate); a file
  // that does not open leaves neither a document nor a window.
  wxDocument* doc = temp->CreateDocument(file, flags);
  if (!doc) return nullptr;
  doc->SetDocumentName(temp->GetDocumentName());
  doc->UpdateAllViews();
  // Every file that opened goes to the recent-file list, whatever its extension.
  AddFileToHistory(file);
  doc->Activate();
  return doc;
}

wxFileHistory* DocumentManager::OnCreateFileHistory() {
  return new wxFileHistory(kRecentFiles, id::wxIdOf(id::kFileMru1));
}

}  // namespace quillon
