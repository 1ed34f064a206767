#include "ui/PicturePrintout.h"

#include <cmath>

#include <wx/dc.h>
#include <wx/frame.h>

#include "ui/PictureBitmap.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PrintOptionsDialog.h"
#include "ui/QuillonApp.h"

namespace quillon {

namespace {

constexpr double kInchesPerMeter = 39.37007874015748;

}  // namespace

PictureExtent ExtentOf(const Picture& picture) {
  const BitmapInfoHeader& h = picture.Header();
  return {picture.GetWidth(), picture.GetHeight(), h.biXPelsPerMeter / kInchesPerMeter,
          h.biYPelsPerMeter / kInchesPerMeter};
}

PicturePrintout::PicturePrintout(const Picture& picture, const PrintSettings& settings,
                                 const wxString& title)
    : wxPrintout(title), picture_(picture), settings_(settings) {}

void PicturePrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
  *minPage = *maxPage = *pageFrom = *pageTo = 1;
}

bool PicturePrintout::OnPrintPage(int) {
  wxDC* dc = GetDC();
  if (!dc || picture_.IsEmpty()) return false;
  int ppiX = 0, ppiY = 0, pageWidth = 0, pageHeight = 0, dcWidth = 0, dcHeight = 0;
  GetPPIPrinter(&ppiX, &ppiY);
  GetPageSizePixels(&pageWidth, &pageHeight);
  dc->GetSize(&dcWidth, &dcHeight);
  if (ppiX <= 0 || ppiY <= 0 || pageWidth <= 0 || pageHeight <= 0) return false;

  const Placement placement = PlacePicture(settings_, ExtentOf(picture_), double(pageWidth) / ppiX,
                                           double(pageHeight) / ppiY);
  const PrintBox& box = placement.box;
  printed_ = wxRect(int(std::lround(box.x * ppiX)), int(std::lround(box.y * ppiY)),
                    int(std::lround(box.width * ppiX)), int(std::lround(box.height * ppiY)));
  if (printed_.width <= 0 || printed_.height <= 0) return true;

  // The page's printer pixels on the context: 1:1 on paper, smaller in the preview.
  const double scaleX = double(dcWidth) / pageWidth;
  const double scaleY = double(dcHeight) / pageHeight;
  dc->SetUserScale(1, 1);
  dc->SetDeviceOrigin(0, 0);
  dc->SetClippingRegion(0, 0, dcWidth, dcHeight);  // the printable area
  dc->SetDeviceOrigin(wxCoord(std::lround(printed_.x * scaleX)),
                      wxCoord(std::lround(printed_.y * scaleY)));
  dc->SetUserScale(printed_.width * scaleX / picture_.GetWidth(),
                   printed_.height * scaleY / picture_.GetHeight());
  DrawPicturePart(*dc, picture_, ZoomRatio{}, {0, 0, picture_.GetWidth(), picture_.GetHeight()});
  dc->DestroyClippingRegion();
  return true;
}

wxPrintDialogData& PrintDialogData() {
  static wxPrintDialogData data;
  return data;
}

void PrintPicture(wxWindow* parent, PictureDocAdapter& document) {
  const Picture& picture = document.Data().GetPicture();
  if (picture.IsEmpty()) return;
  QuillonApp& app = wxGetApp();
  PrintOptionsDialog options(parent, picture, app.GetPrintSettings(),
                             PrintDialogData().GetPrintData());
  const int answer = options.ShowModal();
  if (answer == wxID_CANCEL) return;
  app.PrintOptions() = options.Settings();
  const wxString title = document.GetUserReadableName();
  if (answer == PrintOptionsDialog::kPreview) {
    auto* preview = new wxPrintPreview(new PicturePrintout(picture, options.Settings(), title),
                                       new PicturePrintout(picture, options.Settings(), title),
                                       &PrintDialogData());
    if (!preview->IsOk()) {
      delete preview;
      return;
    }
    auto* frame = new wxPreviewFrame(preview, parent, title, wxDefaultPosition, wxSize(800, 700));
    frame->Centre();
    frame->Initialize();
    frame->Show();
    return;
  }
  wxPrinter printer(&PrintDialogData());
  PicturePrintout printout(picture, options.Settings(), title);
  if (printer.Print(parent, &printout, true)) PrintDialogData() = printer.GetPrintDialogData();
}

}  // namespace quillon
