// Numeric ids of commands, menus, resources and status panes; the menus, tool bar and
// event tables use them.
#pragma once

namespace quillon::id {

// The toolkit takes menu and tool ids below 0x7FFF only; commands keep their numbers and
// are given to it with the top bit cleared (every command id here is 0x8000 or above).
constexpr int wxIdOf(int command) {
  return command & 0x7FFF;
}
constexpr int CommandOf(int wxId) {
  return wxId | 0x8000;
}

// Menus and the document template.
inline constexpr int kMenuNoPicture = 269;  // File, View, Help
inline constexpr int kMenuPicture = 129;    // File, Edit, Picture, View, Window, Help

// File
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileClose = 57602;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFileMru1 = 57616;  // four entries
inline constexpr int kAppExit = 57665;
inline constexpr int kTwainAcquire = 32816;
inline constexpr int kTwainSelectSource = 32819;

// Edit
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEnhancement = 32803;
inline constexpr int kDeleteRegion = 32804;
inline constexpr int kAddRegion = 32805;

// Picture
inline constexpr int kInformation = 32797;
inline constexpr int kGrayscale = 32800;
inline constexpr int kColorMap8 = 32793;
inline constexpr int kCountColors = 32791;
inline constexpr int kSmooth = 32812;
inline constexpr int kSharpen = 32813;
inline constexpr int kDifferenceImage = 32790;
inline constexpr int kErrorImage = 32772;

// View
inline constexpr int kViewToolBar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kZoomIn = 35000;
inline constexpr int kZoomOut = 35001;
inline constexpr int kColorHistogram = 32792;
inline constexpr int kStatistics = 32796;

// Window
inline constexpr int kWindowNew = 57648;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTile = 57651;
inline constexpr int kCloseAll = 32821;

// Help
inline constexpr int kAppAbout = 57664;
inline constexpr int kHelpFinder = 57667;
inline constexpr int kContextHelp = 57669;
inline constexpr int kHelp = 57670;
inline constexpr int kDefaultHelp = 57671;

// Status bar panes and their initial texts (string ids).
inline constexpr int kPanePixel = 59143;
inline constexpr int kPaneZoom = 59141;
inline constexpr int kPanePixelFormat = 59144;
inline constexpr int kPaneZoomFormat = 59142;

inline constexpr int kToolBar = 59392;
inline constexpr int kStatusBar = 59393;

// Messages of the frame.
inline constexpr int kMsg256ColorWarning = 33001;
inline constexpr int kMsgOutOfMemory = 33007;

}  // namespace quillon::id
