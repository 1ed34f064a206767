#include "ui/RegionEditor.h"

#include <wx/dc.h>

#include "core/services/FormatMessage.h"
#include "ui/CommandIds.h"
#include "ui/MainFrame.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/QuillonApp.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr const char* kDragText = "(x,y=%ld,%ld) (w,h=%ld,%ld)";
constexpr int kMessagePane = 0;

wxStockCursor cursorOf(DragMode mode) {
  switch (mode) {
    case DragMode::Move:
      return wxCURSOR_SIZING;
    case DragMode::Left:
    case DragMode::Right:
      return wxCURSOR_SIZEWE;
    case DragMode::Top:
    case DragMode::Bottom:
      return wxCURSOR_SIZENS;
    case DragMode::TopLeft:
    case DragMode::BottomRight:
      return wxCURSOR_SIZENWSE;
    case DragMode::TopRight:
    case DragMode::BottomLeft:
      return wxCURSOR_SIZENESW;
    case DragMode::None:
      break;
  }
  return wxCURSOR_ARROW;
}

wxRect toWx(const EdgeRect& r) {
  return wxRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

EnhancementRegions& RegionEditor::Regions() const {
  return view_.GetPictureDoc()->Data().regions;
}

void RegionEditor::RedrawAll() const {
  view_.GetDocument()->UpdateAllViews();
}

void RegionEditor::ToggleShown() {
  shown_ = !shown_;
  RedrawAll();
}

void RegionEditor::ToggleDeleteMode() {
  if (Regions().Count() > 0) deleteMode_ = !deleteMode_;
}

void RegionEditor::Add() {
  if (!shown_) return;
  const Picture& picture = view_.GetPictureDoc()->Data().GetPicture();
  const std::optional<int> added = Regions().Add(picture.GetWidth(), picture.GetHeight());
  if (!added) return;
  if (*added == 0) AskLevel();
  if (selected_ < 0) selected_ = 0;
  RedrawAll();
}

void RegionEditor::Delete(int index) {
  if (index < 0 || index >= Regions().Count()) return;
  Regions().Delete(index);
  selected_ = Regions().Count() > 0 ? 0 : -1;
  deleteMode_ = false;
  RedrawAll();
}

void RegionEditor::DeleteSelected() {
  if (shown_) Delete(selected_);
}

void RegionEditor::AskLevel() {
  EnhancementRegions& regions = Regions();
  const std::optional<int> level = wxGetApp().Ui().AskNumber(
      TableText(kLevelTitle).utf8_string(), TableText(kLevelPrompt).utf8_string(), 0,
      EnhancementRegions::kMaxLevel, regions.Level());
  if (level) regions.SetLevel(*level);
}

bool RegionEditor::LeftDown(int x, int y, bool otherButtonHeld) {
  if (!shown_ || otherButtonHeld) return false;
  const RegionHit hit =
      FindRegion(Regions(), selected_, view_.Zoom(), view_.ScrollPosition(), x, y);
  if (hit.index < 0) return true;
  if (deleteMode_) {
    Delete(hit.index);
    return true;
  }
  selected_ = hit.index;
  const EdgeRect rect = ToView(Regions()[hit.index], view_.Zoom(), view_.ScrollPosition());
  drag_ = DragState{hit.index, hit.mode, x, y, rect, rect};
  view_.Canvas()->CaptureMouse();
  ShowDragText(rect);
  view_.Canvas()->Refresh();
  return true;
}

bool RegionEditor::Move(int x, int y) {
  if (!shown_) return false;
  if (!drag_) {
    hover_ = FindRegion(Regions(), selected_, view_.Zoom(), view_.ScrollPosition(), x, y).mode;
    return false;
  }
  drag_->currentRect = Drag(drag_->startRect, drag_->mode, x - drag_->startX, y - drag_->startY);
  ShowDragText(drag_->currentRect);
  view_.Canvas()->Refresh();
  return true;
}

bool RegionEditor::LeftUp(int x, int y) {
  if (!drag_) return false;
  Move(x, y);
  if (view_.Canvas()->HasCapture()) view_.Canvas()->ReleaseMouse();
  const Picture& picture = view_.GetPictureDoc()->Data().GetPicture();
  const EdgeRect onPicture =
      ClampToPicture(ToPicture(drag_->currentRect, view_.Zoom(), view_.ScrollPosition()),
                     picture.GetWidth(), picture.GetHeight());
  Regions().Set(drag_->index, ToRegion(onPicture));
  drag_.reset();
  RedrawAll();
  return true;
}

bool RegionEditor::RightDown(int x, int y, bool otherButtonHeld) {
  if (!shown_ || deleteMode_ || otherButtonHeld) return false;
  const RegionHit hit =
      FindRegion(Regions(), selected_, view_.Zoom(), view_.ScrollPosition(), x, y);
  if (hit.index >= 0) AskLevel();
  return true;
}

std::optional<wxCursor> RegionEditor::Cursor() const {
  if (!shown_) return std::nullopt;
  QuillonApp& app = wxGetApp();
  if (deleteMode_) return app.DeleteCursor();
  const DragMode mode = drag_ ? drag_->mode : hover_;
  if (mode != DragMode::None) return wxCursor(cursorOf(mode));
  return app.RegionCursor();
}

void RegionEditor::ShowDragText(const EdgeRect& viewRect) const {
  const Picture& picture = view_.GetPictureDoc()->Data().GetPicture();
  const EdgeRect r = ClampToPicture(ToPicture(viewRect, view_.Zoom(), view_.ScrollPosition()),
                                    picture.GetWidth(), picture.GetHeight());
  if (MainFrame* frame = wxGetApp().MainWindow()) {
    frame->SetStatusText(
        wxString::FromUTF8(FormatMessage(
            kDragText, {std::int64_t{r.left}, std::int64_t{r.top}, std::int64_t{r.right - r.left},
                        std::int64_t{r.bottom - r.top}})),
        kMessagePane);
  }
}

void RegionEditor::Draw(wxDC& dc) const {
  if (!shown_) return;
  // The dc is already shifted by the scroll position: draw in scaled picture pixels.
  const ScrollPoint none{};
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.SetPen(wxGetApp().RegionPen());
  const EnhancementRegions& regions = Regions();
  for (int i = 0; i < regions.Count(); ++i) {
    const EdgeRect r = ToView(regions[i], view_.Zoom(), none);
    dc.DrawRectangle(toWx(r));
    if (i == selected_) {  // small handles at the corners mark the selection
      dc.SetBrush(wxBrush(wxGetApp().RegionPen().GetColour()));
      for (const wxPoint& corner : {wxPoint(r.left, r.top), wxPoint(r.right, r.top),
                                    wxPoint(r.left, r.bottom), wxPoint(r.right, r.bottom)}) {
        dc.DrawRectangle(corner.x - 2, corner.y - 2, 5, 5);
      }
      dc.SetBrush(*wxTRANSPARENT_BRUSH);
    }
  }
  if (drag_) {
    const ScrollPoint scroll = view_.ScrollPosition();
    EdgeRect r = drag_->currentRect;
    r = {r.left + scroll.x, r.top + scroll.y, r.right + scroll.x, r.bottom + scroll.y};
    dc.SetPen(wxPen(*wxBLACK, 2));
    dc.DrawRectangle(toWx(r));
  }
}

}  // namespace quillon
