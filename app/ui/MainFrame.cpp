#include "ui/MainFrame.h"

#include <iterator>

#include <wx/accel.h>
#include <wx/artprov.h>
#include <wx/dnd.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "core/services/SettingsTable.h"
#include "ui/ColourCommands.h"
#include "ui/CommandIds.h"
#include "ui/ComparisonPictureCommand.h"
#include "ui/HistogramWindow.h"
#include "ui/Menus.h"
#include "ui/PictureClipboard.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureInformationCommand.h"
#include "ui/PicturePrintout.h"
#include "ui/PictureWindows.h"
#include "ui/QuillonApp.h"
#include "ui/StatisticsWindow.h"
#include "ui/TableText.h"
#include "ui/ToolWindow.h"

namespace quillon {

namespace {

// Status bar panes: the message pane, then pixel and zoom.
constexpr int kPaneIndexPixel = 1;
constexpr int kPaneIndexZoom = 2;

// The tips of the tool bar.
constexpr StringId kOpenTip = 62170;     // "Open"
constexpr StringId kSaveTip = 62171;     // "Save"
constexpr StringId kCopyTip = 62172;     // "Copy"
constexpr StringId kPasteTip = 62173;    // "Paste"
constexpr StringId kPrintTip = 62174;    // "Print"
constexpr StringId kZoomInTip = 62175;   // "Zoom In"
constexpr StringId kZoomOutTip = 62176;  // "Zoom Out"
constexpr StringId kAboutTip = 62177;    // "About"
// "Korvel Quillon 3.0\nImage viewer and wavelet image compressor\n(JPEG 2000, KVF)"
constexpr StringId kAboutText = 62178;

// Disabled tools are drawn grey and faint: the toolkit's own disabled look is hard to tell
// from an enabled tool.
wxBitmap disabledLook(const wxBitmap& bitmap) {
  constexpr double kOpacity = 0.35;
  wxImage image = bitmap.ConvertToImage().ConvertToGreyscale();
  if (!image.HasAlpha()) image.InitAlpha();
  unsigned char* alpha = image.GetAlpha();
  for (int i = 0, n = image.GetWidth() * image.GetHeight(); i < n; ++i) {
    alpha[i] = static_cast<unsigned char>(alpha[i] * kOpacity);
  }
  return wxBitmap(image);
}

int paneIndex(int paneId) {
  return paneId == id::kPanePixel ? kPaneIndexPixel : paneId == id::kPaneZoom ? kPaneIndexZoom : 0;
}

class FileDropTarget final : public wxFileDropTarget {
 public:
  explicit FileDropTarget(MainFrame& frame) : frame_(frame) {}
  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
    frame_.OpenDroppedFiles(files);
    return true;
  }

 private:
  MainFrame& frame_;
};

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(MainFrame, MainFrameBase)
  EVT_MENU(id::wxIdOf(id::kFileOpen), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kFileSave), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kFileSaveAs), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kAppExit), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kAppAbout), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kColorHistogram), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kStatistics), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kViewToolBar), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kViewStatusBar), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kCloseAll), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kFileClose), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kWindowCascade), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kWindowTile), MainFrame::OnMenu)
  EVT_MENU(id::wxIdOf(id::kHelpFinder), MainFrame::OnMenu)
  EVT_MENU_RANGE(id::wxIdOf(id::kFileMru1), id::wxIdOf(id::kFileMru1) + 3, MainFrame::OnMenu)
  EVT_UPDATE_UI(id::wxIdOf(id::kColorHistogram), MainFrame::OnUpdateCheck)
  EVT_UPDATE_UI(id::wxIdOf(id::kStatistics), MainFrame::OnUpdateCheck)
  EVT_UPDATE_UI(id::wxIdOf(id::kViewToolBar), MainFrame::OnUpdateCheck)
  EVT_UPDATE_UI(id::wxIdOf(id::kViewStatusBar), MainFrame::OnUpdateCheck)
  EVT_UPDATE_UI(id::wxIdOf(id::kFileSave), MainFrame::OnUpdateCheck)
  EVT_UPDATE_UI(id::wxIdOf(id::kFileSaveAs), MainFrame::OnUpdateCheck)
  EVT_MENU(id::wxIdOf(id::kFilePrint), MainFrame::OnTransferCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kFilePrint), MainFrame::OnUpdateTransferCommand)
  EVT_MENU(id::wxIdOf(id::kTwainAcquire), MainFrame::OnTransferCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kTwainAcquire), MainFrame::OnUpdateTransferCommand)
  EVT_MENU(id::wxIdOf(id::kTwainSelectSource), MainFrame::OnTransferCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kTwainSelectSource), MainFrame::OnUpdateTransferCommand)
  EVT_MENU(id::wxIdOf(id::kEditCopy), MainFrame::OnTransferCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kEditCopy), MainFrame::OnUpdateTransferCommand)
  EVT_MENU(id::wxIdOf(id::kEditPaste), MainFrame::OnTransferCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kEditPaste), MainFrame::OnUpdateTransferCommand)
  EVT_MENU(id::wxIdOf(id::kInformation), MainFrame::OnPictureCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kInformation), MainFrame::OnUpdatePictureCommand)
  EVT_MENU(id::wxIdOf(id::kGrayscale), MainFrame::OnColourCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kGrayscale), MainFrame::OnUpdateColourCommand)
  EVT_MENU(id::wxIdOf(id::kColorMap8), MainFrame::OnColourCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kColorMap8), MainFrame::OnUpdateColourCommand)
  EVT_MENU(id::wxIdOf(id::kCountColors), MainFrame::OnColourCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kCountColors), MainFrame::OnUpdateColourCommand)
  EVT_MENU(id::wxIdOf(id::kSmooth), MainFrame::OnColourCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kSmooth), MainFrame::OnUpdateColourCommand)
  EVT_MENU(id::wxIdOf(id::kSharpen), MainFrame::OnColourCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kSharpen), MainFrame::OnUpdateColourCommand)
  EVT_MENU(id::wxIdOf(id::kDifferenceImage), MainFrame::OnPictureCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kDifferenceImage), MainFrame::OnUpdatePictureCommand)
  EVT_MENU(id::wxIdOf(id::kErrorImage), MainFrame::OnPictureCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kErrorImage), MainFrame::OnUpdatePictureCommand)
  EVT_CLOSE(MainFrame::OnClose)
wxEND_EVENT_TABLE()
    // clang-format on

    MainFrame::MainFrame(wxDocManager* manager)
    : MainFrameBase(manager, nullptr, wxID_ANY, kProgramTitle, wxDefaultPosition,
                    wxSize(1024, 768)) {
  // The picture menu brings its own Window menu.
  SetWindowMenu(nullptr);
  SetMenuBar(CreateMenuBar(id::kMenuNoPicture, wxGetApp().GetLanguage()));
  SetDropTarget(new FileDropTarget(*this));
}

bool MainFrame::OnCreate() {
  wxToolBar* toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT, id::wxIdOf(id::kToolBar));
  if (!toolBar) return false;
  const auto tool = [&](int commandId, const wxArtID& art, StringId tip) {
    const wxBitmap bitmap = wxArtProvider::GetBitmap(art, wxART_TOOLBAR);
    toolBar->AddTool(id::wxIdOf(commandId), wxString(), bitmap, disabledLook(bitmap), wxITEM_NORMAL,
                     TableText(tip));
  };
  tool(id::kFileOpen, wxART_FILE_OPEN, kOpenTip);
  tool(id::kFileSave, wxART_FILE_SAVE, kSaveTip);
  toolBar->AddSeparator();
  tool(id::kEditCopy, wxART_COPY, kCopyTip);
  tool(id::kEditPaste, wxART_PASTE, kPasteTip);
  toolBar->AddSeparator();
  tool(id::kFilePrint, wxART_PRINT, kPrintTip);
  tool(id::kZoomIn, wxART_PLUS, kZoomInTip);
  tool(id::kZoomOut, wxART_MINUS, kZoomOutTip);
  toolBar->AddSeparator();
  tool(id::kAppAbout, wxART_HELP, kAboutTip);
  toolBar->Realize();
  AcceptZoomKeys();

  wxStatusBar* statusBar = CreateStatusBar(3, wxSTB_DEFAULT_STYLE, id::wxIdOf(id::kStatusBar));
  if (!statusBar) return false;
  const int widths[] = {-1, 260, 110};
  statusBar->SetStatusWidths(3, widths);
  SetPaneText(id::kPanePixel, TableText(id::kPanePixel));
  SetPaneText(id::kPaneZoom, TableText(id::kPaneZoom));
  return true;
}

void MainFrame::AcceptZoomKeys() {
  // The menus name "+" and "-", which the toolkit cannot take as accelerators of a menu
  // item; the table reaches the active view like the menu does. Keys are matched without
  // their Shift level, so "+" on keyboards where it is Shift and "=" is also Shift+"=";
  // the keypad has both keys.
  const int zoomIn = id::wxIdOf(id::kZoomIn);
  const int zoomOut = id::wxIdOf(id::kZoomOut);
  wxAcceleratorEntry keys[] = {
      {wxACCEL_NORMAL, '+', zoomIn},  {wxACCEL_SHIFT, '+', zoomIn},
      {wxACCEL_SHIFT, '=', zoomIn},   {wxACCEL_NORMAL, WXK_NUMPAD_ADD, zoomIn},
      {wxACCEL_NORMAL, '-', zoomOut}, {wxACCEL_NORMAL, WXK_NUMPAD_SUBTRACT, zoomOut}};
  SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(keys)), keys));
}

void MainFrame::Check256Colors() {
  QuillonApp& app = wxGetApp();
  if (app.DisplayDepth() < 9 && Read(app.GetSettings(), setting::kHide256ColorWarning) == 0) {
    app.Ui().MessageBox(id::kMsg256ColorWarning, MessageIcon::Exclamation);
  }
}

void MainFrame::OpenDroppedFiles(const wxArrayString& files) {
  for (const wxString& file : files) GetDocumentManager()->CreateDocument(file, wxDOC_SILENT);
}

void MainFrame::ShowDocumentTitle(const wxString& document) {
  SetTitle(document.empty() ? wxString(kProgramTitle)
                            : document + wxString::FromUTF8(" \u2014 ") + kProgramTitle);
}

void MainFrame::SetPaneText(int paneId, const wxString& text) {
  if (wxStatusBar* bar = GetStatusBar()) bar->SetStatusText(text, paneIndex(paneId));
}

wxString MainFrame::GetPaneText(int paneId) const {
  const wxStatusBar* bar = GetStatusBar();
  return bar ? bar->GetStatusText(paneIndex(paneId)) : wxString();
}

void MainFrame::CloseAllDocuments() {
  GetDocumentManager()->CloseDocuments(false);
}

void MainFrame::OnMenu(wxCommandEvent& event) {
  QuillonApp& app = wxGetApp();
  const int command = id::CommandOf(event.GetId());
  if (command >= id::kFileMru1 && command < id::kFileMru1 + 4) {
    wxDocManager* manager = GetDocumentManager();
    const size_t index = static_cast<size_t>(command - id::kFileMru1);
    if (index < manager->GetHistoryFilesCount()) {
      manager->CreateDocument(manager->GetHistoryFile(index), wxDOC_SILENT);
    }
    return;
  }
  switch (command) {
    case id::kFileOpen:
      app.OnFileOpen();
      break;
    case id::kFileSave:
    case id::kFileSaveAs:
      // Both run the save dialog, offering the document's own path.
      if (wxDocument* doc = GetDocumentManager()->GetCurrentDocument()) {
        doc->OnSaveDocument(doc->GetFilename());
      }
      break;
    case id::kAppExit:
      Close();
      break;
    case id::kAppAbout:
      app.Ui().MessageBox(kAboutText, MessageIcon::Information);
      break;
    case id::kColorHistogram:
      app.ToggleHistogram();
      break;
    case id::kStatistics:
      app.ToggleStatistics();
      break;
    case id::kViewToolBar:
      if (wxToolBar* bar = GetToolBar()) bar->Show(!bar->IsShown());
      SendSizeEvent();
      break;
    case id::kViewStatusBar:
      if (wxStatusBar* bar = GetStatusBar()) bar->Show(!bar->IsShown());
      SendSizeEvent();
      break;
    case id::kCloseAll:
      CloseAllDocuments();
      break;
    case id::kFileClose:
      if (wxDocument* doc = GetDocumentManager()->GetCurrentDocument(); doc && doc->Close()) {
        doc->DeleteAllViews();
      }
      break;
    case id::kWindowCascade:
      Cascade();
      break;
    case id::kWindowTile:
      Tile();
      break;
    case id::kHelpFinder:
      app.ShowHelpContents();
      break;
    default:
      event.Skip();
  }
}

void MainFrame::OnUpdateCheck(wxUpdateUIEvent& event) {
  QuillonApp& app = wxGetApp();
  switch (id::CommandOf(event.GetId())) {
    case id::kColorHistogram:
      event.Check(app.Histogram() != nullptr);
      break;
    case id::kStatistics:
      event.Check(app.Statistics() != nullptr);
      break;
    case id::kViewToolBar:
      event.Check(GetToolBar() && GetToolBar()->IsShown());
      break;
    case id::kViewStatusBar:
      event.Check(GetStatusBar() && GetStatusBar()->IsShown());
      break;
    case id::kFileSave:
    case id::kFileSaveAs:
      event.Enable(GetDocumentManager()->GetCurrentDocument() != nullptr);
      break;
    default:
      break;
  }
}

void MainFrame::OnColourCommand(wxCommandEvent& event) {
  RunColourCommand(id::CommandOf(event.GetId()));
}

void MainFrame::OnUpdateColourCommand(wxUpdateUIEvent& event) {
  event.Enable(ColourCommandsAvailable());
}

namespace {

PictureDocAdapter* CurrentPictureDoc(wxDocManager* manager) {
  auto* doc = dynamic_cast<PictureDocAdapter*>(manager->GetCurrentDocument());
  return doc && !doc->Data().GetPicture().IsEmpty() ? doc : nullptr;
}

}  // namespace

void MainFrame::OnTransferCommand(wxCommandEvent& event) {
  PictureDocAdapter* doc = CurrentPictureDoc(GetDocumentManager());
  switch (id::CommandOf(event.GetId())) {
    case id::kFilePrint:
      if (doc) PrintPicture(this, *doc);
      break;
    case id::kEditCopy:
      if (doc) CopyPicture(doc->Data().GetPicture());
      break;
    case id::kEditPaste:
      PastePicture();
      break;
    case id::kTwainAcquire:
      scanner_.Acquire(this);
      break;
    case id::kTwainSelectSource:
      scanner_.SelectSource(this);
      break;
    default:
      event.Skip();
  }
}

void MainFrame::OnPictureCommand(wxCommandEvent& event) {
  switch (id::CommandOf(event.GetId())) {
    case id::kInformation:
      ShowPictureInformation();
      break;
    case id::kDifferenceImage:
      RunComparisonPictureCommand(DifferenceKind::Difference);
      break;
    case id::kErrorImage:
      RunComparisonPictureCommand(DifferenceKind::Error);
      break;
    default:
      event.Skip();
  }
}

void MainFrame::OnUpdateTransferCommand(wxUpdateUIEvent& event) {
  // Paste and the scanner make new documents; print and copy need a picture.
  const int command = id::CommandOf(event.GetId());
  event.Enable(!(command == id::kFilePrint || command == id::kEditCopy) ||
               CurrentPictureDoc(GetDocumentManager()) != nullptr);
}

void MainFrame::OnUpdatePictureCommand(wxUpdateUIEvent& event) {
  event.Enable(ActivePictureView() != nullptr);
}

void MainFrame::RefreshHistogram() {
  if (HistogramWindow* histogram = wxGetApp().Histogram()) histogram->FollowActivePicture(true);
}

void MainFrame::ActivePictureChanged(bool closing) {
  CallAfter([closing] {
    QuillonApp& app = wxGetApp();
    if (HistogramWindow* histogram = app.Histogram()) histogram->FollowActivePicture(closing);
    if (StatisticsWindow* statistics = app.Statistics()) statistics->FollowActivePicture();
  });
}

void MainFrame::OnClose(wxCloseEvent& event) {
  // The documents close first: a quit the user cancels at a document leaves the tool windows
  // open, and only a quit that goes through records and closes them.
  if (!GetDocumentManager()->CloseDocuments(!event.CanVeto())) {
    event.Veto();
    return;
  }
  wxGetApp().RecordToolWindows();
  event.Skip();  // the document frame destroys the frame
}

}  // namespace quillon
