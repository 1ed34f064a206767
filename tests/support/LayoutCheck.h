// What a user would see as wrong in a laid-out window: controls that are not on the screen,
// reach out of their parent, cover a sibling or are smaller than they need to be. And
// screenshots, so that a person can look too.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/scrolwin.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>
#include <wx/treectrl.h>
#include <wx/window.h>

namespace quillon::test {

namespace layout_detail {

inline std::string describe(const wxWindow* window) {
  std::string text = wxString(window->GetClassInfo()->GetClassName()).utf8_string();
  text += " " + std::to_string(window->GetId());
  const wxString label = window->GetLabel();
  if (!label.empty()) text += " \"" + label.utf8_string() + "\"";
  const wxRect r = window->GetRect();
  text += " at " + std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) +
          "x" + std::to_string(r.height);
  return text;
}

// A window that scrolls its content shows all of it at any size.
inline bool scrollsItsContent(const wxWindow* window) {
  if (dynamic_cast<const wxScrollHelperBase*>(window) || dynamic_cast<const wxListBox*>(window) ||
      dynamic_cast<const wxTreeCtrl*>(window)) {
    return true;
  }
  const auto* text = dynamic_cast<const wxTextCtrl*>(window);
  return text && text->IsMultiLine();
}

inline void checkChildren(const wxWindow* parent, std::vector<std::string>& faults) {
  std::vector<const wxWindow*> shown;
  for (const wxWindow* child : parent->GetChildren()) {
    if (child->IsTopLevel() || !child->IsShown()) continue;  // hidden on purpose
    shown.push_back(child);
  }
  const auto* frame = dynamic_cast<const wxFrame*>(parent);
  for (const wxWindow* child : shown) {
    const wxRect rect = child->GetRect();
    // A frame's tool and status bars sit outside its client area.
    const bool frameBar = frame && (child == frame->GetStatusBar() ||
                                    child == static_cast<const wxWindow*>(frame->GetToolBar()));
    const wxRect area(frameBar ? parent->GetSize() : parent->GetClientSize());
    if (!child->IsShownOnScreen()) faults.push_back("not on the screen: " + describe(child));
    if (!area.Contains(rect)) {
      faults.push_back("outside its parent " + describe(parent) + ": " + describe(child));
    }
    const wxSize best = child->GetBestSize();
    if (!scrollsItsContent(child) && (rect.width < best.x || rect.height < best.y)) {
      faults.push_back("smaller than its best size " + std::to_string(best.x) + "x" +
                       std::to_string(best.y) + ": " + describe(child));
    }
    checkChildren(child, faults);
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      if (shown[i]->GetRect().Intersects(shown[j]->GetRect())) {
        faults.push_back("overlap: " + describe(shown[i]) + " and " + describe(shown[j]));
      }
    }
  }
}

}  // namespace layout_detail

// The faults of every shown control inside `root`; `root` itself must be on the screen and at
// least its best size.
inline std::vector<std::string> LayoutFaults(const wxWindow* root) {
  std::vector<std::string> faults;
  if (!root->IsShownOnScreen())
    faults.push_back("not on the screen: " + layout_detail::describe(root));
  const wxSize size = root->GetSize(), best = root->GetBestSize();
  if (size.x < best.x || size.y < best.y) {
    faults.push_back("smaller than its best size " + std::to_string(best.x) + "x" +
                     std::to_string(best.y) + ": " + layout_detail::describe(root));
  }
  layout_detail::checkChildren(root, faults);
  return faults;
}

// Copies `area` of the screen to screenshots/NAME.png below the working directory; returns
// the file written. The toolkit's screen device context keeps showing what the screen held
// when it was first read, so ImageMagick's import reads the X server instead.
inline std::filesystem::path SaveScreenshot(const wxRect& area, const std::string& name) {
  const std::filesystem::path file = std::filesystem::path("screenshots") / (name + ".png");
  std::filesystem::create_directories(file.parent_path());
  const std::string command = "import -window root -crop " + std::to_string(area.width) + "x" +
                              std::to_string(area.height) + "+" + std::to_string(area.x) + "+" +
                              std::to_string(area.y) + " +repage '" + file.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return file;
}

// The whole screen, for windows whose place the toolkit does not report (the file chooser).
inline wxRect WholeScreen() {
  int width = 0, height = 0;
  wxDisplaySize(&width, &height);
  return wxRect(0, 0, width, height);
}

}  // namespace quillon::test
