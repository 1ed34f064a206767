#include "ui/ComparisonPictureCommand.h"

#include <vector>

#include <wx/docview.h>

#include "ui/MainFrame.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/PictureWindows.h"
#include "ui/QuillonApp.h"
#include "ui/SecondWindowChooser.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kNeedSecondWindow = 33002;  // "You need a second image window to ..."
constexpr StringId kOutOfMemory = 33007;
constexpr StringId kDifferenceTitle = 111;  // "Difference %s - %s"
constexpr StringId kErrorTitle = 110;       // "Error |%s - %s|"

}  // namespace

void RunComparisonPictureCommand(DifferenceKind kind) {
  QuillonApp& app = wxGetApp();
  PictureView* active = ActivePictureView();
  if (!active) return;
  std::vector<PictureView*> others;
  wxArrayString titles;
  for (PictureView* view : OpenPictureViews()) {
    if (view == active) continue;
    others.push_back(view);
    titles.Add(view->WindowTitle());
  }
  if (others.empty()) {
    app.Ui().MessageBox(kNeedSecondWindow, MessageIcon::Exclamation);
    return;
  }
  SecondWindowChooser chooser(app.MainWindow(), titles);
  if (chooser.ShowModal() != wxID_OK || !chooser.Chosen()) return;
  PictureView* second = others[std::size_t(*chooser.Chosen())];

  const wxString title =
      TableText(kind == DifferenceKind::Difference ? kDifferenceTitle : kErrorTitle,
                {active->WindowTitle().utf8_string(), second->WindowTitle().utf8_string()});
  const Picture& a = PictureOf(*active);
  const Picture& b = PictureOf(*second);
  auto* target =
      dynamic_cast<PictureDocAdapter*>(app.DocManager()->CreateDocument(wxString(), wxDOC_NEW));
  if (!target) return;
  if (!MakeDifferencePicture(a, b, kind, target->Data().GetPicture())) {
    app.Ui().MessageBox(kOutOfMemory, MessageIcon::Stop);
    target->Modify(false);
    target->DeleteAllViews();
    return;
  }
  target->ShowTitle(title);
  target->Modify(true);
  target->UpdateAllViews();
  // The new frame's tab was selected before its view could take the activation.
  target->Activate();
  app.MainWindow()->ShowDocumentTitle(title);
  app.MainWindow()->RefreshHistogram();
}

}  // namespace quillon
