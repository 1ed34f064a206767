// The one document template (picture document, child frame, view) and the document manager
// that opens every file as a new document, even one that is already open.
#pragma once

#include <wx/docview.h>

namespace quillon {

class CMyDocTemplate : public wxDocTemplate {
 public:
  explicit CMyDocTemplate(wxDocManager* manager);
};

class CMyDocManager : public wxDocManager {
 public:
  // The base class would make its own file history before ours can be asked for.
  CMyDocManager() : wxDocManager(0, false) { Initialize(); }

  // Opens `path` whatever its extension; a file that is already open opens again in a
  // second document instead of activating the first.
  wxDocument* CreateDocument(const wxString& path, long flags = 0) override;
  wxFileHistory* OnCreateFileHistory() override;
};

}  // namespace quillon
