// The main frame: menus, tool bar, status bar, the document windows inside it, and files
// dropped onto it.
#pragma once

#include <wx/aui/aui.h>
#include <wx/docview.h>

#include "ui/ScannerImport.h"

namespace quillon {

using MainFrameBase = wxDocParentFrameAny<wxAuiMDIParentFrame>;

class MainFrame : public MainFrameBase {
 public:
  static constexpr const char* kProgramTitle = "Korvel Quillon 3.0";

  explicit MainFrame(wxDocManager* manager);

  // Tool bar, status bar and their panes; false when any of them cannot be made.
  bool OnCreate();
  // Warns once when the screen shows 256 colours or fewer, unless the user switched it off.
  void Check256Colors();

  // Opens the files as if they were dropped onto the frame.
  void OpenDroppedFiles(const wxArrayString& files);
  void SetPaneText(int paneId, const wxString& text);
  // "name — Korvel Quillon 3.0" for the active window's title, the program's name alone for
  // an empty `document`.
  void ShowDocumentTitle(const wxString& document);
  wxString GetPaneText(int paneId) const;
  ScannerImport& Scanner() { return scanner_; }

  // Shows the active picture again in the histogram window, counting anew: its pixels may
  // have changed. Does nothing while the window is closed.
  void RefreshHistogram();
  // The tool windows follow the active picture window once the toolkit has settled;
  // `closing` says a picture window is going away.
  void ActivePictureChanged(bool closing = false);

 private:
  // "+" and "-" (also on the keypad) zoom the active view.
  void AcceptZoomKeys();
  void OnMenu(wxCommandEvent& event);
  void OnUpdateCheck(wxUpdateUIEvent& event);
  void OnColourCommand(wxCommandEvent& event);
  void OnUpdateColourCommand(wxUpdateUIEvent& event);
  // The information box and the comparison pictures.
  void OnPictureCommand(wxCommandEvent& event);
  void OnUpdatePictureCommand(wxUpdateUIEvent& event);
  void OnClose(wxCloseEvent& event);
  void CloseAllDocuments();
  // Print, scanner, copy and paste: the ways a picture leaves or enters other than by file.
  void OnTransferCommand(wxCommandEvent& event);
  void OnUpdateTransferCommand(wxUpdateUIEvent& event);

  ScannerImport scanner_;

  wxDECLARE_EVENT_TABLE();
};

}  // namespace quillon
