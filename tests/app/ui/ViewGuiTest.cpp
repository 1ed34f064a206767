// The picture view on a real display: zoomed painting read back from the screen, status
// panes, new windows and the dithered copy of small displays.
#include <gtest/gtest.h>

#include <fstream>

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/settings.h>

#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"

namespace quillon::test {
namespace {

// 16 x 8 picture of colour patches: pixel (x, y) has red 16x, green 30y, blue 200.
wxColour expected(int x, int y) {
  return wxColour(16 * x, 30 * y, 200);
}

class ViewGuiTest : public GuiTest {
 protected:
  PictureView& OpenPatches(int displayDepth = 24) {
    Picture picture;
    picture.Header().biWidth = 16;
    picture.Header().biHeight = 8;
    EXPECT_TRUE(picture.CreatePicture(true));
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 16; ++x) {
        std::uint8_t* p = picture.Row(7 - y) + 3 * x;
        const wxColour c = expected(x, y);
        p[0] = c.Blue();
        p[1] = c.Green();
        p[2] = c.Red();
      }
    }
    Start({WriteBmpFixture(dir.path() / "patches.bmp", picture).string()}, displayDepth);
    for (int i = 0; i < 5; ++i) Pump();
    auto* view = dynamic_cast<PictureView*>(App().DocManager()->GetCurrentView());
    EXPECT_NE(view, nullptr);
    return *view;
  }

  static wxImage Screenshot(wxWindow* window) {
    const wxSize size = window->GetClientSize();
    const wxPoint origin = window->ClientToScreen(wxPoint(0, 0));
    wxBitmap shot(size.x, size.y);
    {
      wxMemoryDC memory(shot);
      wxScreenDC screen;
      memory.Blit(0, 0, size.x, size.y, &screen, origin.x, origin.y);
    }
    return shot.ConvertToImage();
  }
};

TEST_F(ViewGuiTest, ZoomedTwoToOneShowsEveryPixelAsATwoByTwoBlock) {
  PictureView& view = OpenPatches();
  wxCommandEvent zoomIn(wxEVT_MENU, id::wxIdOf(id::kZoomIn));
  view.ProcessEvent(zoomIn);
  ASSERT_EQ(view.Zoom(), (ZoomRatio{2, 1}));
  EXPECT_EQ(Frame().GetPaneText(id::kPaneZoom), "Zoom  2: 1");
  view.Canvas()->Refresh();
  view.Canvas()->Update();
  for (int i = 0; i < 5; ++i) Pump();

  const wxImage shot = Screenshot(view.Canvas());
  ASSERT_GE(shot.GetWidth(), 32);
  ASSERT_GE(shot.GetHeight(), 16);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const wxColour want = expected(x, y);
      for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
          const int sx = 2 * x + dx, sy = 2 * y + dy;
          ASSERT_EQ(wxColour(shot.GetRed(sx, sy), shot.GetGreen(sx, sy), shot.GetBlue(sx, sy)),
                    want)
              << "picture pixel " << x << "," << y << " screen " << sx << "," << sy;
        }
      }
    }
  }
  // Right of the picture: the workspace colour, not picture pixels.
  const wxColour outside(shot.GetRed(40, 4), shot.GetGreen(40, 4), shot.GetBlue(40, 4));
  EXPECT_EQ(outside, wxSystemSettings::GetColour(wxSYS_COLOUR_APPWORKSPACE));
}

TEST_F(ViewGuiTest, PanesFollowTheCursorAndTheActiveView) {
  PictureView& view = OpenPatches();
  ASSERT_TRUE(view.ZoomIn());
  ASSERT_TRUE(view.ZoomIn());  // 3:1
  view.ShowPixelUnder(7, 4);
  EXPECT_EQ(Frame().GetPaneText(id::kPanePixel), "(   2,   1)-(R: 32, G: 30, B:200)");
  view.ShowPixelUnder(300, 4);
  EXPECT_EQ(Frame().GetPaneText(id::kPanePixel), "") << "outside the picture";
  EXPECT_EQ(Frame().GetPaneText(id::kPaneZoom), "Zoom  3: 1");
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(view.ZoomIn());
  EXPECT_FALSE(view.ZoomIn()) << "8:1 is the end";
  EXPECT_EQ(Frame().GetPaneText(id::kPaneZoom), "Zoom  8: 1");
}

TEST_F(ViewGuiTest, NewWindowShowsTheSameDocumentInASecondView) {
  PictureView& view = OpenPatches();
  wxCommandEvent newWindow(wxEVT_MENU, id::wxIdOf(id::kWindowNew));
  view.ProcessEvent(newWindow);
  Pump();
  EXPECT_EQ(view.GetDocument()->GetViewsVector().size(), 2u);
  EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(ViewGuiTest, SmallDisplaysDitherOncePerZoomNotPerPaint) {
  PictureView& view = OpenPatches(8);
  ASSERT_TRUE(view.Dithering());
  const int afterOpen = view.DitherBuilds();
  EXPECT_GE(afterOpen, 1);
  ASSERT_NE(view.DitheredCopy(), nullptr);
  EXPECT_EQ(view.DitheredCopy()->GetWidth(), 16);
  for (int i = 0; i < 3; ++i) {
    view.Canvas()->Refresh();
    view.Canvas()->Update();
    Pump();
  }
  EXPECT_EQ(view.DitherBuilds(), afterOpen);
  ASSERT_TRUE(view.ZoomIn());
  Pump();
  EXPECT_EQ(view.DitherBuilds(), afterOpen + 1);
  EXPECT_EQ(view.DitheredCopy()->GetWidth(), 32);
}

}  // namespace
}  // namespace quillon::test
