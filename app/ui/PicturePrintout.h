// Printing a picture: the page it is printed on, placed by the print options, and the
// print and preview commands around it.
#pragma once

#include <wx/print.h>

#include "core/display/PrintPlacement.h"
#include "core/picture/Picture.h"

namespace quillon {

class PictureDocAdapter;

class PicturePrintout final : public wxPrintout {
 public:
  // The picture must outlive the printout.
  PicturePrintout(const Picture& picture, const PrintSettings& settings, const wxString& title);

  bool OnPrintPage(int page) override;
  bool HasPage(int page) override { return page == 1; }
  void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;

  // Where the last page put the picture, in printer pixels from the printable area's
  // top-left corner (before clipping to it).
  wxRect PrintedBox() const { return printed_; }

 private:
  const Picture& picture_;
  PrintSettings settings_;
  wxRect printed_;
};

// The picture's own size for placing it.
PictureExtent ExtentOf(const Picture& picture);

// The printer and paper chosen last, kept for the run.
wxPrintDialogData& PrintDialogData();

// File > Print: the print options, then the system's print dialog or the print preview.
void PrintPicture(wxWindow* parent, PictureDocAdapter& document);

}  // namespace quillon
