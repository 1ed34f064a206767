// Enhancement regions edited with mouse and keyboard events in a real view.
#include <gtest/gtest.h>

#include <fstream>

#include <wx/statusbr.h>

#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"

namespace quillon::test {
namespace {

class RegionsGuiTest : public GuiTest {
 protected:
  void SetUp() override {
    Picture picture;
    picture.Header().biWidth = 100;
    picture.Header().biHeight = 60;
    ASSERT_TRUE(picture.CreatePicture(false));
    std::fill_n(picture.Bits(), picture.Header().biSizeImage, std::uint8_t{90});
    Start({WriteBmpFixture(dir.path() / "regions.bmp", picture).string()});
    Pump();
    view_ = dynamic_cast<PictureView*>(App().DocManager()->GetCurrentView());
    ASSERT_NE(view_, nullptr);
  }

  void Command(int command) {
    wxCommandEvent event(wxEVT_MENU, id::wxIdOf(command));
    view_->ProcessEvent(event);
  }
  void Key(int code) {
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = code;
    event.SetEventObject(view_->Canvas());
    view_->Canvas()->ProcessWindowEvent(event);
  }
  void Mouse(wxEventType type, int x, int y, bool leftDown) {
    wxMouseEvent event(type);
    event.m_x = x;
    event.m_y = y;
    event.m_leftDown = leftDown;
    event.SetEventObject(view_->Canvas());
    view_->Canvas()->ProcessWindowEvent(event);
  }
  const EnhancementRegions& Regions() { return view_->GetPictureDoc()->Data().regions; }

  PictureView* view_ = nullptr;
};

TEST_F(RegionsGuiTest, InsertAddsOnlyWhileShownAndAsksTheLevelOnce) {
  Key(WXK_INSERT);
  EXPECT_EQ(Regions().Count(), 0) << "regions hidden: Insert does nothing";
  Command(id::kEnhancement);
  ASSERT_TRUE(view_->Regions().Shown());
  ui->numbers.push_back(7);
  Key(WXK_INSERT);
  ASSERT_EQ(Regions().Count(), 1);
  EXPECT_EQ(Regions()[0], (EnhancementRegion{25, 15, 50, 30}));
  EXPECT_EQ(Regions().Level(), 7);
  EXPECT_EQ(view_->Regions().Selected(), 0);
  Command(id::kAddRegion);
  EXPECT_EQ(Regions().Count(), 2);
  EXPECT_EQ(ui->numberPrompts.size(), 1u) << "asked for the first region only";
  EXPECT_EQ(ui->numberPrompts[0], "Please set the enhancement level (0..10) !");
}

TEST_F(RegionsGuiTest, DeleteNeedsASelectionAndDeleteModeRemovesTheRegionClicked) {
  Command(id::kEnhancement);
  Key(WXK_DELETE);
  EXPECT_EQ(Regions().Count(), 0);
  Command(id::kDeleteRegion);
  EXPECT_FALSE(view_->Regions().DeleteMode()) << "no regions, no delete mode";
  Key(WXK_INSERT);
  Key(WXK_INSERT);
  Command(id::kDeleteRegion);
  ASSERT_TRUE(view_->Regions().DeleteMode());
  Mouse(wxEVT_LEFT_DOWN, 50, 30, true);
  EXPECT_EQ(Regions().Count(), 1);
  EXPECT_FALSE(view_->Regions().DeleteMode()) << "delete mode ends after a deletion";
  Key(WXK_DELETE);
  EXPECT_EQ(Regions().Count(), 0);
  EXPECT_EQ(view_->Regions().Selected(), -1);
}

TEST_F(RegionsGuiTest, DraggingTheRightEdgePastThePictureStopsAtWidthMinusOne) {
  Command(id::kEnhancement);
  Key(WXK_INSERT);
  ASSERT_TRUE(view_->ZoomIn());  // 2:1: the right edge of 25 + 50 lies at view x 150
  Pump();
  Mouse(wxEVT_LEFT_DOWN, 151, 60, true);
  ASSERT_TRUE(view_->Regions().Dragging());
  Mouse(wxEVT_MOTION, 260, 62, true);
  EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0), "(x,y=25,15) (w,h=74,30)");
  Mouse(wxEVT_MOTION, 400, 70, true);
  Mouse(wxEVT_LEFT_UP, 400, 70, false);
  EXPECT_FALSE(view_->Regions().Dragging());
  EXPECT_EQ(Regions()[0], (EnhancementRegion{25, 15, 74, 30}));

  // Moving the whole region by the middle, at 2:1 (10 view pixels are 5 picture pixels).
  Mouse(wxEVT_LEFT_DOWN, 100, 60, true);
  Mouse(wxEVT_MOTION, 90, 70, true);
  Mouse(wxEVT_LEFT_UP, 90, 70, false);
  EXPECT_EQ(Regions()[0], (EnhancementRegion{20, 20, 74, 30}));
}

TEST_F(RegionsGuiTest, EncodersGetRegionsOnlyWhileTheFirstViewShowsThem) {
  Command(id::kEnhancement);
  Key(WXK_INSERT);
  auto* doc = view_->GetPictureDoc();
  EXPECT_TRUE(doc->RegionsShown());
  Command(id::kEnhancement);  // hidden again
  EXPECT_FALSE(doc->RegionsShown());
  EXPECT_EQ(Regions().Count(), 1) << "hiding keeps the regions";
}

TEST_F(RegionsGuiTest, RightClickOnARegionAsksTheLevel) {
  Command(id::kEnhancement);
  Key(WXK_INSERT);
  ui->numbers.push_back(std::nullopt);  // cancelled
  Mouse(wxEVT_RIGHT_DOWN, 50, 30, false);
  EXPECT_EQ(ui->numberPrompts.size(), 2u);
  ui->numbers.push_back(3);
  Mouse(wxEVT_RIGHT_DOWN, 50, 30, false);
  EXPECT_EQ(Regions().Level(), 3);
  Mouse(wxEVT_RIGHT_DOWN, 2, 2, false);
  EXPECT_EQ(ui->numberPrompts.size(), 3u) << "outside every region nothing is asked";
}

}  // namespace
}  // namespace quillon::test
