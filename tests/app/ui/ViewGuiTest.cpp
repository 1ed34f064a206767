// The picture view on a real display: zoomed painting read back from the screen, status
// panes, new windows and the dithered copy of small displays.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

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

  // Where a screenshot of the patches zoomed 2:1 differs from what they must show, or
  // empty when every screen pixel is right.
  static std::string FirstWrongPixel(const wxImage& shot) {
    if (shot.GetWidth() < 32 || shot.GetHeight() < 16) return "screenshot too small";
    for (int sy = 0; sy < 16; ++sy) {
      for (int sx = 0; sx < 32; ++sx) {
        const wxColour seen(shot.GetRed(sx, sy), shot.GetGreen(sx, sy), shot.GetBlue(sx, sy));
        if (seen != expected(sx / 2, sy / 2)) {
          return "picture pixel " + std::to_string(sx / 2) + "," + std::to_string(sy / 2) +
                 " screen " + std::to_string(sx) + "," + std::to_string(sy) + " shows " +
                 seen.GetAsString(wxC2S_HTML_SYNTAX).ToStdString();
        }
      }
    }
    return "";
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
  // Under load the server may show the window's paint late: read the screen again until
  // it shows the picture, for a few seconds at most.
  wxImage shot = Screenshot(view.Canvas());
  for (int tries = 0; tries < 30 && !FirstWrongPixel(shot).empty(); ++tries) {
    Settle(100);
    shot = Screenshot(view.Canvas());
  }
  ASSERT_EQ(FirstWrongPixel(shot), "");
  ASSERT_GT(shot.GetWidth(), 40);
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
