#include "ui/PictureView.h"

#include <vector>

#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "core/display/HalftoneDither.h"
#include "core/services/FormatMessage.h"
#include "ui/ChildFrame.h"
#include "ui/CommandIds.h"
#include "ui/MainFrame.h"
#include "ui/PictureBitmap.h"
#include "ui/PictureDocAdapter.h"
#include "ui/QuillonApp.h"

namespace quillon {

wxIMPLEMENT_DYNAMIC_CLASS(PictureView, wxView);

// clang-format off
wxBEGIN_EVENT_TABLE(PictureView, wxView)
  EVT_MENU(id::wxIdOf(id::kZoomIn), PictureView::OnZoomIn)
  EVT_MENU(id::wxIdOf(id::kZoomOut), PictureView::OnZoomOut)
  EVT_MENU(id::wxIdOf(id::kWindowNew), PictureView::OnNewWindow)
  EVT_MENU(id::wxIdOf(id::kEnhancement), PictureView::OnRegionCommand)
  EVT_MENU(id::wxIdOf(id::kDeleteRegion), PictureView::OnRegionCommand)
  EVT_MENU(id::wxIdOf(id::kAddRegion), PictureView::OnRegionCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kEnhancement), PictureView::OnUpdateRegionCommand)
  EVT_UPDATE_UI(id::wxIdOf(id::kDeleteRegion), PictureView::OnUpdateRegionCommand)
wxEND_EVENT_TABLE()
    // clang-format on

    namespace {
  constexpr StringId kDitheringCaption = 108;  // "Dithering picture %s"

  class PictureCanvas final : public wxScrolledCanvas {
   public:
    PictureCanvas(wxWindow* parent, PictureView& view)
        : wxScrolledCanvas(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE),
          view_(view) {
      SetBackgroundStyle(wxBG_STYLE_PAINT);
      Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC dc(this);
        DoPrepareDC(dc);
        view_.OnDraw(&dc);
      });
      Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
        view_.ShowPixelUnder(event.GetX(), event.GetY());
        view_.Regions().Move(event.GetX(), event.GetY());
        event.Skip();
      });
      Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
        SetFocus();
        if (!view_.Regions().LeftDown(event.GetX(), event.GetY(),
                                      event.RightIsDown() || event.MiddleIsDown())) {
          event.Skip();
        }
      });
      Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
        if (!view_.Regions().LeftUp(event.GetX(), event.GetY())) event.Skip();
      });
      Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& event) {
        if (!view_.Regions().RightDown(event.GetX(), event.GetY(),
                                       event.LeftIsDown() || event.MiddleIsDown())) {
          event.Skip();
        }
      });
      Bind(wxEVT_MOUSE_CAPTURE_LOST,
           [this](wxMouseCaptureLostEvent&) { view_.Regions().LeftUp(0, 0); });
      Bind(wxEVT_SET_CURSOR, [this](wxSetCursorEvent& event) {
        if (const std::optional<wxCursor> cursor = view_.Regions().Cursor()) {
          event.SetCursor(*cursor);
        } else {
          event.Skip();
        }
      });
      Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_INSERT) {
          view_.Regions().Add();
        } else if (event.GetKeyCode() == WXK_DELETE) {
          view_.Regions().DeleteSelected();
        } else {
          event.Skip();
        }
      });
      Bind(wxEVT_LEAVE_WINDOW, [](wxMouseEvent& event) {
        if (MainFrame* frame = wxGetApp().MainWindow()) frame->SetPaneText(id::kPanePixel, "");
        event.Skip();
      });
    }

   private:
    PictureView& view_;
  };

}  // namespace

bool PictureView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  // One more than the highest number in use, so that no two windows share a title.
  for (wxView* other : doc->GetViewsVector()) {
    if (auto* view = dynamic_cast<PictureView*>(other); view && view != this) {
      windowNumber_ = std::max(windowNumber_, view->windowNumber_ + 1);
    }
  }
  auto* frame = new ChildFrame(doc, this, wxGetApp().MainWindow(), wxID_ANY, WindowTitle());
  canvas_ = new PictureCanvas(frame, *this);
  canvas_->SetScrollRate(1, 1);
  SetFrame(frame);
  frame->Show();
  return true;
}

PictureDocAdapter* PictureView::GetPictureDoc() const {
  return static_cast<PictureDocAdapter*>(GetDocument());
}

wxString PictureView::WindowTitle() const {
  const wxString title = GetDocument()->GetTitle();
  return windowNumber_ > 1 ? wxString::Format("%s:%d", title, windowNumber_) : title;
}

bool PictureView::Dithering() const {
  return wxGetApp().DisplayDepth() < 9;
}

ScrollPoint PictureView::ScrollPosition() const {
  int x = 0, y = 0;
  canvas_->GetViewStart(&x, &y);
  return {x, y};
}

void PictureView::OnDraw(wxDC* dc) {
  const Picture& picture = GetPictureDoc()->Data().GetPicture();
  const wxSize client = canvas_->GetClientSize();
  const ScrollPoint scroll = ScrollPosition();
  const int scaledWidth = zoom_.Scale(picture.GetWidth());
  const int scaledHeight = zoom_.Scale(picture.GetHeight());

  // Outside the picture: the colour of the application's workspace.
  dc->SetPen(*wxTRANSPARENT_PEN);
  dc->SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_APPWORKSPACE)));
  const int right = scroll.x + client.x, bottom = scroll.y + client.y;
  if (right > scaledWidth) dc->DrawRectangle(scaledWidth, scroll.y, right - scaledWidth, client.y);
  if (bottom > scaledHeight) {
    dc->DrawRectangle(scroll.x, scaledHeight, std::min(right, scaledWidth) - scroll.x,
                      bottom - scaledHeight);
  }

  if (Dithering() && !ditheredValid_) BuildDitheredCopy();
  const bool useDithered = Dithering() && dithered_;
  const Picture& source = useDithered ? *dithered_ : picture;
  const ZoomRatio zoom = useDithered ? ZoomRatio{} : zoom_;  // the copy is already zoomed
  DrawPicturePart(*dc, source, zoom, {scroll.x, scroll.y, client.x, client.y});
  regions_.Draw(*dc);
}

void PictureView::OnUpdate(wxView*, wxObject*) {
  if (!canvas_) return;
  UpdateScrollSizes();
  canvas_->Refresh();
}

void PictureView::UpdateScrollSizes() {
  dithered_.reset();
  ditheredValid_ = false;
  if (Dithering()) BuildDitheredCopy();
  const Picture& picture = GetPictureDoc()->Data().GetPicture();
  if (picture.IsEmpty()) {
    canvas_->SetVirtualSize(canvas_->GetClientSize());
  } else {
    canvas_->SetVirtualSize(zoom_.Scale(picture.GetWidth()), zoom_.Scale(picture.GetHeight()));
  }
}

void PictureView::BuildDitheredCopy() {
  ditheredValid_ = true;  // a copy that cannot be built is not tried again at this zoom
  const Picture& picture = GetPictureDoc()->Data().GetPicture();
  if (picture.IsEmpty()) return;
  QuillonApp& app = wxGetApp();
  const std::string caption = FormatMessage(app.Ui().Strings().Load(kDitheringCaption),
                                            {GetPictureDoc()->GetUserReadableName().utf8_string()});
  std::unique_ptr<Progress> progress = app.Ui().BeginProgress(caption);
  progress->SetRange(0, zoom_.Scale(picture.GetHeight()));
  auto copy = std::make_unique<Picture>();
  const auto step = [](void* context, int rows) { static_cast<Progress*>(context)->SetPos(rows); };
  if (DitherToHalftone(picture, zoom_, app.ErrorLimits(), app.ColourCache(), *copy, step,
                       progress.get())) {
    dithered_ = std::move(copy);
    ++ditherBuilds_;
  }
}

bool PictureView::ZoomIn() {
  const ZoomRatio before = zoom_;
  if (!zoom_.ZoomIn()) {
    wxBell();
    return false;
  }
  ApplyZoom(before);
  return true;
}

bool PictureView::ZoomOut() {
  const ZoomRatio before = zoom_;
  if (!zoom_.ZoomOut()) {
    wxBell();
    return false;
  }
  ApplyZoom(before);
  return true;
}

void PictureView::ApplyZoom(ZoomRatio before) {
  const Picture& picture = GetPictureDoc()->Data().GetPicture();
  const ScrollPoint old = ScrollPosition();
  UpdateScrollSizes();
  const wxSize client = canvas_->GetClientSize();
  const ScrollPoint next = ScrollAfterZoom(
      old, client.x, client.y, before.Scale(picture.GetWidth()), before.Scale(picture.GetHeight()),
      zoom_.Scale(picture.GetWidth()), zoom_.Scale(picture.GetHeight()));
  canvas_->Scroll(next.x, next.y);
  canvas_->Refresh();
  if (MainFrame* frame = wxGetApp().MainWindow()) {
    frame->SetPaneText(id::kPaneZoom,
                       wxString::FromUTF8(ZoomPaneText(zoom_, wxGetApp().Ui().Strings())));
  }
}

void PictureView::ShowPixelUnder(int x, int y) {
  MainFrame* frame = wxGetApp().MainWindow();
  if (!frame) return;
  const std::string text = PixelPaneText(GetPictureDoc()->Data().GetPicture(), zoom_,
                                         ScrollPosition(), x, y, wxGetApp().Ui().Strings());
  frame->SetPaneText(id::kPanePixel, wxString::FromUTF8(text));
}

void PictureView::OnActivateView(bool activate, wxView*, wxView*) {
  MainFrame* frame = wxGetApp().MainWindow();
  if (!frame) return;
  const StringTable& strings = wxGetApp().Ui().Strings();
  frame->SetPaneText(id::kPaneZoom, wxString::FromUTF8(activate ? ZoomPaneText(zoom_, strings)
                                                                : strings.Load(kZoomPaneIdle)));
  // The pixel under the cursor belonged to the window that was active before.
  frame->SetPaneText(id::kPanePixel, wxString());
  if (activate) {
    frame->ShowDocumentTitle(WindowTitle());
    frame->ActivePictureChanged();
  }
}

void PictureView::OnRegionCommand(wxCommandEvent& event) {
  switch (id::CommandOf(event.GetId())) {
    case id::kEnhancement:
      regions_.ToggleShown();
      break;
    case id::kDeleteRegion:
      regions_.ToggleDeleteMode();
      break;
    case id::kAddRegion:
      regions_.Add();
      break;
    default:
      break;
  }
}

void PictureView::OnUpdateRegionCommand(wxUpdateUIEvent& event) {
  if (id::CommandOf(event.GetId()) == id::kEnhancement) {
    event.Check(regions_.Shown());
  } else {
    event.Check(regions_.DeleteMode());
  }
}

void PictureView::OnZoomIn(wxCommandEvent&) {
  ZoomIn();
}
void PictureView::OnZoomOut(wxCommandEvent&) {
  ZoomOut();
}

void PictureView::OnNewWindow(wxCommandEvent&) {
  wxDocument* doc = GetDocument();
  wxView* view = doc->GetDocumentTemplate()->CreateView(doc);
  if (!view) return;
  view->OnUpdate(nullptr, nullptr);
  // The frame's tab is selected while the frame is made, before the frame can pass the
  // activation on to its view; without this, commands would still go to the old window.
  view->Activate(true);
}

bool PictureView::OnClose(bool deleteWindow) {
  if (!wxView::OnClose(deleteWindow)) return false;
  Activate(false);
  if (MainFrame* frame = wxGetApp().MainWindow()) {
    if (!GetDocumentManager()->GetCurrentView()) frame->ShowDocumentTitle(wxString());
    frame->ActivePictureChanged(true);
  }
  if (deleteWindow) {
    GetFrame()->Destroy();
    SetFrame(nullptr);
  }
  return true;
}

}  // namespace quillon
