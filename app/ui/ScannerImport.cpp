#include "ui/ScannerImport.h"

#include <algorithm>

#include <wx/choicdlg.h>
#include <wx/progdlg.h>

#include "core/pipelines/PictureImport.h"
#include "platform/SaneScanner.h"
#include "ui/ImportedDocument.h"
#include "ui/QuillonApp.h"

namespace quillon {

namespace {

constexpr StringId kSelectSourceTitle = 1196;
constexpr StringId kSourcesLabel = 1197;
constexpr StringId kScanningCaption = 1198;  // "Scanning picture %d"
constexpr int kProgressRange = 1000;

wxString Text(StringId id) {
  return wxString::FromUTF8(wxGetApp().Ui().Strings().Load(id));
}

void ReportNotReady() {
  wxGetApp().Ui().MessageBox(kScannerNotReady, MessageIcon::Exclamation);
}

// The progress of one picture; its Cancel button stops the scan.
class ScanProgress {
 public:
  ScanProgress(wxWindow* parent, int pictureNumber)
      : caption_(wxString::FromUTF8(FormatMessage(wxGetApp().Ui().Strings().Load(kScanningCaption),
                                                  {std::int64_t{pictureNumber}}))),
        dialog_(caption_, caption_, kProgressRange, parent,
                wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_AUTO_HIDE) {}

  bool Update(std::uint64_t done, std::uint64_t expected) {
    const int position =
        expected > 0
            ? int(std::min<std::uint64_t>(done * kProgressRange / expected, kProgressRange - 1))
            : 0;
    return expected > 0 ? dialog_.Update(position) : dialog_.Pulse();
  }

 private:
  wxString caption_;
  wxProgressDialog dialog_;
};

}  // namespace

void ScannerImport::SelectSource(wxWindow* parent) {
  SaneScanner scanner;
  const std::vector<ScannerDevice> devices =
      scanner.OpenManager() ? scanner.Devices() : std::vector<ScannerDevice>{};
  if (devices.empty()) {
    ReportNotReady();
    return;
  }
  wxArrayString labels;
  int current = 0;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    labels.Add(wxString::FromUTF8(devices[i].label));
    if (devices[i].name == source_) current = int(i);
  }
  wxSingleChoiceDialog dialog(parent, Text(kSourcesLabel), Text(kSelectSourceTitle), labels);
  dialog.SetSelection(current);
  if (dialog.ShowModal() == wxID_OK) source_ = devices[std::size_t(dialog.GetSelection())].name;
}

int ScannerImport::Acquire(wxWindow* parent) {
  SaneScanner scanner;
  {
    WaitCursor wait(wxGetApp().Ui());
    if (!scanner.OpenManager() || !scanner.OpenSource(source_)) {
      ReportNotReady();
      return 0;
    }
  }
  int documents = 0;
  for (int number = 1;; ++number) {
    ScannedPicture picture;
    SaneScanner::ScanStatus status;
    {
      ScanProgress progress(parent, number);
      status = scanner.ScanPicture(picture, [&](std::uint64_t done, std::uint64_t expected) {
        return progress.Update(done, expected);
      });
    }
    if (status == SaneScanner::ScanStatus::Failed) ReportNotReady();
    if (status != SaneScanner::ScanStatus::Picture) break;
    const std::vector<std::uint8_t> file = BmpFileImageOfPackedDib(picture.PackedDib());
    if (OpenImportedPicture(file)) ++documents;
    if (!scanner.FeedsDocuments()) break;
  }
  return documents;
}

}  // namespace quillon
