// The one document template (picture document, child frame, view) and the document manager
// that opens every file as a new document, even one that is already open.
#pragma once

#include <wx/docview.h>

namespace quillon {

class PictureDocTemplate : public wxDocTemplate {
 public:
  explicit PictureDocTemplate(wxDocManager* manager);
};

class DocumentManager : public wxDocManager {
 public:
  // The base class would make its own file history before ours can be asked for.
  DocumentManager() : wxDocManager(0, false) { Initialize(); }

  // Opens `path` whatever its extension; a file that is already open opens again in a
  // second document instead of activating the first.
  wxDocument* CreateDocument(const wxString& path, long flags = 0) override;
  wxFileHistory* OnCreateFileHistory() override;
};

}  // namespace quillon
