#include "ui/Menus.h"

#include <initializer_list>

#include <wx/menu.h>

#include "ui/CommandIds.h"

namespace quillon {

namespace {

// Menu texts are the string tables' 62400 to 62438, in the order the menus first show them.
struct Item {
  int id;  // 0: separator
  StringId text;
};

struct Popup {
  StringId title;
  std::initializer_list<Item> items;
};

constexpr Item kSeparator{0, 0};

constexpr StringId kFileTitle = 62412, kEditTitle = 62418, kPictureTitle = 62423;
constexpr StringId kViewTitle = 62413, kWindowTitle = 62434, kHelpTitle = 62411;

const Item kOpen{id::kFileOpen, 62400};
const Item kExit{id::kAppExit, 62401};
const Item kAcquire{id::kTwainAcquire, 62402};
const Item kSelectSource{id::kTwainSelectSource, 62403};
const Item kPaste{id::kEditPaste, 62404};
const Item kToolBar{id::kViewToolBar, 62405};
const Item kStatusBar{id::kViewStatusBar, 62406};
const Item kHistogram{id::kColorHistogram, 62407};
const Item kStatistics{id::kStatistics, 62408};
const Item kHelpTopics{id::kHelpFinder, 62409};
const Item kAbout{id::kAppAbout, 62410};

const Popup kHelpMenu{kHelpTitle, {kHelpTopics, kSeparator, kAbout}};

const std::initializer_list<Popup> kNoPictureMenu{
    {kFileTitle, {kOpen, kSeparator, kAcquire, kSelectSource, kSeparator, kExit}},
    {kViewTitle, {kToolBar, kStatusBar, kSeparator, kHistogram, kStatistics}},
    kHelpMenu,
};

const std::initializer_list<Popup> kPictureMenu{
    {kFileTitle,
     {kOpen,
      {id::kFileClose, 62414},
      {id::kFileSave, 62415},
      {id::kFileSaveAs, 62416},
      kSeparator,
      {id::kFilePrint, 62417},
      kSeparator,
      kAcquire,
      kSelectSource,
      kSeparator,
      kExit}},
    {kEditTitle,
     {{id::kEditCopy, 62419},
      kPaste,
      kSeparator,
      {id::kEnhancement, 62420},
      {id::kAddRegion, 62421},
      {id::kDeleteRegion, 62422}}},
    {kPictureTitle,
     {{id::kInformation, 62424},
      {id::kCountColors, 62425},
      kSeparator,
      {id::kGrayscale, 62426},
      {id::kColorMap8, 62427},
      kSeparator,
      {id::kSmooth, 62428},
      {id::kSharpen, 62429},
      kSeparator,
      {id::kDifferenceImage, 62430},
      {id::kErrorImage, 62431}}},
    {kViewTitle,
     {kToolBar,
      kStatusBar,
      kSeparator,
      {id::kZoomIn, 62432},
      {id::kZoomOut, 62433},
      kSeparator,
      kHistogram,
      kStatistics}},
    {kWindowTitle,
     {{id::kWindowNew, 62435},
      {id::kWindowCascade, 62436},
      {id::kWindowTile, 62437},
      {id::kCloseAll, 62438}}},
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
  const StringTable& strings = BuiltInStrings(language);
  const auto text = [&strings](StringId id) { return wxString::FromUTF8(strings.Load(id)); };
  auto* bar = new wxMenuBar;
  for (const Popup& popup : *popups) {
    auto* menu = new wxMenu;
    for (const Item& item : popup.items) {
      if (item.id == 0) {
        menu->AppendSeparator();
        continue;
      }
      menu->Append(id::wxIdOf(item.id), text(item.text), wxEmptyString,
                   IsCheckCommand(item.id) ? wxITEM_CHECK : wxITEM_NORMAL);
    }
    bar->Append(menu, text(popup.title));
  }
  return bar;
}

}  // namespace quillon
