// The document of one picture window: owns the picture and opens files into it.
#pragma once

#include <wx/docview.h>

#include "core/document/PictureDocument.h"

namespace quillon {

class PictureDocAdapter : public wxDocument {
 public:
  PictureDocument& Data() { return data_; }
  const PictureDocument& Data() const { return data_; }

  // Reads the picture before the view and its window are made, so that a file that cannot be
  // opened leaves no empty window behind its message.
  bool OnCreate(const wxString& path, long flags) override;
  bool OnOpenDocument(const wxString& path) override;
  // Save and Save As: runs the save dialog (offering `path` in lower case, in the type the
  // picture was read as), then the writer of the chosen type. The document keeps its path;
  // the file saved joins the recent files.
  bool OnSaveDocument(const wxString& path) override;
  // The file's name and extension, with the compression ratio when it is known.
  void UpdateTitle();
  // Sets the document's title and the titles of its windows.
  void ShowTitle(const wxString& title);
  // Whether the first view shows the enhancement regions; only then do the encoders get them.
  bool RegionsShown() const;

 private:
  PictureDocument data_;

  wxDECLARE_DYNAMIC_CLASS(PictureDocAdapter);
};

}  // namespace quillon
