// Texts of the other language's string table that a window shows: a German user must meet
// no English label, and the other way round. Texts both tables share (names such as
// "JPEG 2000", "PackBits", "OK") belong to both languages and never count.
#pragma once

#include <set>
#include <string>
#include <vector>

#include <wx/ctrlsub.h>
#include <wx/stattext.h>
#include <wx/tokenzr.h>
#include <wx/toolbar.h>
#include <wx/window.h>

#include "core/services/StringTable.h"

namespace quillon::test {

namespace foreign_detail {

// Wrapping and tab stops change where a text breaks, not what it says.
inline wxString Flattened(const wxString& text) {
  wxString flat = text;
  flat.Replace("\n", " ");
  flat.Replace("\t", " ");
  return flat;
}

inline std::vector<wxString> Lines(const wxString& text) {
  std::vector<wxString> lines;
  for (const wxString& line : wxStringTokenize(text, "\n", wxTOKEN_STRTOK)) lines.push_back(line);
  return lines;
}

struct Texts {
  std::set<wxString> whole;  // flattened entries
  std::set<wxString> lines;  // single lines of entries
};

inline Texts TextsOf(const StringTable& table) {
  Texts texts;
  for (const auto& [id, text] : table.Entries()) {
    const wxString entry = wxString::FromUTF8(text);
    texts.whole.insert(Flattened(entry));
    for (const wxString& line : Lines(entry)) texts.lines.insert(line);
  }
  return texts;
}

// The texts of `other` that `own` does not have, whole and line by line.
inline Texts ForeignTexts(const StringTable& own, const StringTable& other) {
  const Texts ownTexts = TextsOf(own);
  const Texts otherTexts = TextsOf(other);
  Texts foreign;
  for (const wxString& entry : otherTexts.whole) {
    if (!ownTexts.whole.contains(entry)) foreign.whole.insert(entry);
  }
  for (const wxString& line : otherTexts.lines) {
    if (!ownTexts.lines.contains(line)) foreign.lines.insert(line);
  }
  return foreign;
}

inline void Collect(const wxWindow* window, std::vector<wxString>& shown) {
  if (!window->IsShown()) return;
  shown.push_back(window->GetLabel());
  if (const auto* items = dynamic_cast<const wxItemContainerImmutable*>(window)) {
    for (unsigned i = 0; i < items->GetCount(); ++i) shown.push_back(items->GetString(i));
  }
  if (const auto* tools = dynamic_cast<const wxToolBar*>(window)) {
    for (size_t i = 0; i < tools->GetToolsCount(); ++i) {
      shown.push_back(tools->GetToolByPos(static_cast<int>(i))->GetShortHelp());
    }
  }
  for (const wxWindow* child : window->GetChildren()) Collect(child, shown);
}

}  // namespace foreign_detail

// The texts `root` and the windows inside it show that only `other` has, one per line.
inline std::vector<std::string> ForeignLabels(const wxWindow* root, const StringTable& own,
                                              const StringTable& other) {
  using namespace foreign_detail;
  const Texts foreign = ForeignTexts(own, other);
  std::vector<wxString> shown;
  Collect(root, shown);
  std::vector<std::string> found;
  for (const wxString& text : shown) {
    if (text.empty()) continue;
    bool isForeign = foreign.whole.contains(Flattened(text));
    for (const wxString& line : Lines(text)) isForeign = isForeign || foreign.lines.contains(line);
    if (isForeign) found.push_back(text.utf8_string());
  }
  return found;
}

}  // namespace quillon::test
