// Opening a JPEG 2000 file in the program under a loading option, from the command line and
// from the open dialog's choice: the picture decoded from that many bytes, the title its ratio.
#include <gtest/gtest.h>

#include "support/EncodeSession.h"
#include "support/GuiTest.h"
#include "ui/OpenDialog.h"
#include "ui/PictureDocAdapter.h"

namespace quillon::test {
namespace {

constexpr std::uint32_t kWidth = 160, kHeight = 120;  // 57,600 bytes raw

struct OpenCase {
  std::vector<std::string> switches;
  std::optional<LoadType> dialogOption;  // chosen in the open dialog instead
  std::string ratio;                     // in the title; empty: the whole file, no loss
};

class Jpeg2000OpenGuiTest : public GuiTest {
 protected:
  void SetUp() override {
    jp2::test::EncodeSession session;
    session.components = jp2::test::MakeComponents(3, kWidth, kHeight);
    ASSERT_EQ(session.Encode([](CompressHandle handle) {
      EXPECT_EQ(jp2::test::EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
      EXPECT_EQ(jp2::test::EncodeSession::Set(handle, JP2_Prop_Layers, 12), 0);
    }),
              0);
    source_ = session.components;
    file_ = (dir.path() / "layers.jp2").string();
    jp2::test::WriteFile(file_, session.output);
  }

  bool SameAsSource(const Picture& picture) const {
    for (std::uint32_t y = 0; y < kHeight; ++y) {
      for (std::uint32_t x = 0; x < kWidth; ++x) {
        const Picture::Triple pixel = picture.GetPixel(static_cast<std::int32_t>(x),
                                                       static_cast<std::int32_t>(kHeight - 1 - y));
        for (std::size_t c = 0; c < 3; ++c) {
          if (pixel[2 - c] != source_[c].samples[y * kWidth + x]) return false;
        }
      }
    }
    return true;
  }

  std::vector<jp2::test::TestComponent> source_;
  std::string file_;
};

TEST_F(Jpeg2000OpenGuiTest, LoadingOptionsDecodeTheirBudgetAndTheTitleShowsTheRatio) {
  const std::vector<OpenCase> cases = {
      {{"/Q20"}, {}, "56"},            // raw / 401 is below the floor of 1,024 bytes
      {{"-C20"}, {}, "20.0"},          // 2,880 bytes
      {{"/C2000"}, {}, "56"},          // clamped to 1:1000, then the floor
      {{"/c0.5"}, {}, ""},             // below 1: no rate
      {{"/Q-3"}, {}, ""},              // not above 0: no quality
      {{}, LoadType::FileSize, "28"},  // 2 KB chosen in the open dialog
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.switches.empty() ? "dialog" : c.switches[0]);
    std::vector<std::string> arguments = c.switches;
    if (!c.dialogOption) arguments.push_back(file_);
    Start(arguments);
    if (c.dialogOption) {
      App().FileOpenDialog().loadType = *c.dialogOption;
      App().FileOpenDialog().sizeText = "2.0";
      App().applyLoadOptions = true;  // as leaving the dialog with OK does
      App().DocManager()->CreateDocument(file_, wxDOC_SILENT);
      Pump();
    }
    auto* document = dynamic_cast<PictureDocAdapter*>(App().DocManager()->GetCurrentDocument());
    ASSERT_NE(document, nullptr);
    const Picture& picture = document->Data().GetPicture();
    EXPECT_EQ(picture.GetWidth(), static_cast<std::int32_t>(kWidth));
    EXPECT_EQ(picture.GetHeight(), static_cast<std::int32_t>(kHeight));
    const std::string title = document->GetTitle().utf8_string();
    if (c.ratio.empty()) {
      EXPECT_TRUE(SameAsSource(picture));
    } else {
      EXPECT_FALSE(SameAsSource(picture));
      EXPECT_EQ(title, "layers.jp2 [Compression Rate 1 to " + c.ratio + "]");
    }
    EXPECT_TRUE(ui->messages.empty());
    Stop();
  }
}

}  // namespace
}  // namespace quillon::test
