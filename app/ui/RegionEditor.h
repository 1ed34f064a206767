// Editing the enhancement regions of a document in one of its views: showing them, adding,
// deleting, selecting, dragging with the mouse, and the level dialog.
#pragma once

#include <optional>

#include <wx/cursor.h>
#include <wx/event.h>

#include "core/document/EnhancementRegions.h"
#include "core/services/StringTable.h"

class wxDC;

namespace quillon {

class PictureView;

class RegionEditor {
 public:
  // The question for the enhancement level.
  static constexpr StringId kLevelTitle = 62160;   // "Enhancement"
  static constexpr StringId kLevelPrompt = 62161;  // "Please set the enhancement level (0..10) !"

  explicit RegionEditor(PictureView& view) : view_(view) {}

  bool Shown() const { return shown_; }
  bool DeleteMode() const { return deleteMode_; }
  int Selected() const { return selected_; }
  bool Dragging() const { return drag_.has_value(); }

  void ToggleShown();       // 32803
  void ToggleDeleteMode();  // 32804, only with regions present
  void Add();               // Insert key, 32805
  void DeleteSelected();    // Delete key
  void Delete(int index);

  // Mouse input in client pixels; true when the editor used it.
  bool LeftDown(int x, int y, bool otherButtonHeld);
  bool Move(int x, int y);
  bool LeftUp(int x, int y);
  bool RightDown(int x, int y, bool otherButtonHeld);
  // The cursor to show over the client area, or nothing when regions are hidden.
  std::optional<wxCursor> Cursor() const;

  // Draws the regions over the painted picture (device coordinates of the scrolled window).
  void Draw(wxDC& dc) const;

 private:
  EnhancementRegions& Regions() const;
  void AskLevel();
  void ShowDragText(const EdgeRect& viewRect) const;
  void RedrawAll() const;

  struct DragState {
    int index;
    DragMode mode;
    int startX, startY;
    EdgeRect startRect;    // view pixels
    EdgeRect currentRect;  // view pixels
  };

  PictureView& view_;
  bool shown_ = false;
  bool deleteMode_ = false;
  int selected_ = -1;
  DragMode hover_ = DragMode::None;
  std::optional<DragState> drag_;
};

}  // namespace quillon
