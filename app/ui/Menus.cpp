#include "ui/Menus.h"

#include <initializer_list>

#include <wx/menu.h>

#include "ui/CommandIds.h"

namespace quillon {

namespace {

struct Item {
  int id;  // 0: separator
  const char* english;
  const char* german;
};

struct Popup {
  const char* english;
  const char* german;
  std::initializer_list<Item> items;
};

constexpr Item kSeparator{0, "", ""};

const Item kOpen{id::kFileOpen, "&Open...\tCtrl+O", "\u00d6&ffnen...\tCtrl+O"};
const Item kExit{id::kAppExit, "E&xit", "&Beenden"};
const Item kAcquire{id::kTwainAcquire, "&TWAIN Acquire...", "&TWAIN Einlesen..."};
const Item kSelectSource{id::kTwainSelectSource, "TWAIN &Select Source...",
                         "TWAIN &Quelle w\u00e4hlen..."};
const Item kPaste{id::kEditPaste, "&Paste\tCtrl+V", "&Einf\u00fcgen\tCtrl+V"};
const Item kToolBar{id::kViewToolBar, "&Toolbar", "&Symbolleiste"};
const Item kStatusBar{id::kViewStatusBar, "&Status Bar", "Status&leiste"};
const Item kHistogram{id::kColorHistogram, "&Color Histogram", "&Farbhistogramm"};
const Item kStatistics{id::kStatistics, "St&atistics", "St&atistik"};
const Item kHelpTopics{id::kHelpFinder, "&Help Topics", "&Hilfethemen"};
const Item kAbout{id::kAppAbout, "&About Korvel Quillon 3.0 ...",
                  "\u00dc&ber Korvel Quillon 3.0 ..."};

const Popup kHelpMenu{"&Help", "&Hilfe", {kHelpTopics, kSeparator, kAbout}};

const std::initializer_list<Popup> kNoPictureMenu{
    {"&File", "&Datei", {kOpen, kSeparator, kAcquire, kSelectSource, kSeparator, kExit}},
    {"&View", "&Ansicht", {kToolBar, kStatusBar, kSeparator, kHistogram, kStatistics}},
    kHelpMenu,
};

const std::initializer_list<Popup> kPictureMenu{
    {"&File",
     "&Datei",
     {kOpen,
      {id::kFileClose, "&Close", "&Schlie\u00dfen"},
      {id::kFileSave, "&Save\tCtrl+S", "&Speichern\tCtrl+S"},
      {id::kFileSaveAs, "Save &As...", "Speichern &unter..."},
      kSeparator,
      {id::kFilePrint, "&Print...\tCtrl+P", "&Drucken...\tCtrl+P"},
      kSeparator,
      kAcquire,
      kSelectSource,
      kSeparator,
      kExit}},
    {"&Edit",
     "&Bearbeiten",
     {{id::kEditCopy, "&Copy\tCtrl+C", "&Kopieren\tCtrl+C"},
      kPaste,
      kSeparator,
      {id::kEnhancement, "&Enhancement", "&Hervorhebung"},
      {id::kAddRegion, "&Add Region", "Bereich &hinzuf\u00fcgen"},
      {id::kDeleteRegion, "&Delete Region", "Bereich &l\u00f6schen"}}},
    {"&Picture",
     "&Bild",
     {{id::kInformation, "&Information...", "&Information..."},
      {id::kCountColors, "Count &Colors", "&Farben z\u00e4hlen"},
      kSeparator,
      {id::kGrayscale, "&Grayscale", "&Graustufen"},
      {id::kColorMap8, "&8-Bit Color Map", "&8-Bit-Farbpalette"},
      kSeparator,
      {id::kSmooth, "S&mooth...", "&Gl\u00e4tten..."},
      {id::kSharpen, "S&harpen...", "&Sch\u00e4rfen..."},
      kSeparator,
      {id::kDifferenceImage, "&Difference Image", "&Differenzbild"},
      {id::kErrorImage, "&Error Image", "F&ehlerbild"}}},
    {"&View",
     "&Ansicht",
     {kToolBar,
      kStatusBar,
      kSeparator,
      {id::kZoomIn, "&Zoom In\t+", "&Vergr\u00f6\u00dfern\t+"},
      {id::kZoomOut, "Zoom &Out\t-", "Ver&kleinern\t-"},
      kSeparator,
      kHistogram,
      kStatistics}},
    {"&Window",
     "&Fenster",
     {{id::kWindowNew, "&New Window", "&Neues Fenster"},
      {id::kWindowCascade, "&Cascade", "\u00dc&berlappend"},
      {id::kWindowTile, "&Tile", "&Nebeneinander"},
      {id::kCloseAll, "C&lose All", "&Alle schlie\u00dfen"}}},
    kHelpMenu,
};

}  // namespace

bool IsCheckCommand(int commandId) {
  switch (commandId) {
    case id::kViewToolBar:
    case id::kViewStatusBar:
    case id::kColorHistogram:
    case id::kStatistics:
    case id::kEnhancement:
    case id::kDeleteRegion:
      return true;
    default:
      return false;
  }
}

wxMenuBar* CreateMenuBar(int resourceId, Language language) {
  const std::initializer_list<Popup>* popups = resourceId == id::kMenuNoPicture ? &kNoPictureMenu
                                               : resourceId == id::kMenuPicture ? &kPictureMenu
                                                                                : nullptr;
  if (!popups) return nullptr;
  const bool german = language == Language::German;
  auto* bar = new wxMenuBar;
  for (const Popup& popup : *popups) {
    auto* menu = new wxMenu;
    for (const Item& item : popup.items) {
      if (item.id == 0) {
        menu->AppendSeparator();
        continue;
      }
      const wxString text = wxString::FromUTF8(german ? item.german : item.english);
      menu->Append(id::wxIdOf(item.id), text, wxEmptyString,
                   IsCheckCommand(item.id) ? wxITEM_CHECK : wxITEM_NORMAL);
    }
    bar->Append(menu, wxString::FromUTF8(german ? popup.german : popup.english));
  }
  return bar;
}

}  // namespace quillon
