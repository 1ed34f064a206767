#include "ui/MyDocTemplate.h"

#include "ui/CommandIds.h"
#include "ui/KorvelView.h"
#include "ui/PictureDoc.h"

namespace quillon {

namespace {
constexpr int kRecentFiles = 4;
}

CMyDocTemplate::CMyDocTemplate(wxDocManager* manager)
    : wxDocTemplate(manager, "Korvel Format (*.kvf)", "*.kvf", "", "kvf", "KorvelImage",
                    "Daskor Wavelet Format", CLASSINFO(CPictureDoc), CLASSINFO(CKorvelView)) {}

wxDocument* CMyDocManager::CreateDocument(const wxString& path, long flags) {
  if (path.empty() || (flags & wxDOC_NEW)) return wxDocManager::CreateDocument(path, flags);
  if (m_templates.empty()) return nullptr;
  auto* temp = static_cast<wxDocTemplate*>(m_templates.GetFirst()->GetData());
  wxDocument* doc = temp->CreateDocument(path, flags);
  if (!doc) return nullptr;
  doc->SetDocumentName(temp->GetDocumentName());
  doc->SetDocumentTemplate(temp);
  if (!doc->OnOpenDocument(path)) {
    doc->DeleteAllViews();  // deletes the document too
    return nullptr;
  }
  // Every file that opened goes to the recent-file list, whatever its extension.
  AddFileToHistory(path);
  doc->Activate();
  return doc;
}

wxFileHistory* CMyDocManager::OnCreateFileHistory() {
  return new wxFileHistory(kRecentFiles, id::wxIdOf(id::kFileMru1));
}

}  // namespace quillon
