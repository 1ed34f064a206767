// Copy and paste with other programs: pictures that another process puts on the clipboard
// as PNG paste as documents with the same pixels, and copied pictures reach other
// processes as "image/bmp" and PNG.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <wx/process.h>

#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/PictureDocAdapter.h"

namespace quillon::test {
namespace {

// Runs a shell command in another process while this one goes on serving the clipboard.
int RunBeside(const std::string& command) {
  struct Finish : wxProcess {
    int code = -1;
    bool done = false;
    void OnTerminate(int, int status) override {
      code = status;
      done = true;
    }
  } process;
  if (wxExecute(wxString::FromUTF8("sh -c '" + command + "'"), wxEXEC_ASYNC, &process) <= 0) {
    return -1;
  }
  const wxLongLong end = wxGetLocalTimeMillis() + 20000;
  while (!process.done && wxGetLocalTimeMillis() < end) GuiTest::Pump();
  return process.done ? process.code : -1;
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class ClipboardGuiTest : public GuiTest {
 protected:
  static PictureDocAdapter* Current() {
    return dynamic_cast<PictureDocAdapter*>(App().DocManager()->GetCurrentDocument());
  }
};

TEST_F(ClipboardGuiTest, PngFromAnotherProgramPastesWithTheSamePixels) {
  Start();
  struct Case {
    const char* what;
    bool grey;
    int bitCount;  // of the pasted document
  };
  for (const Case& c : {Case{"colour", false, 24}, Case{"grey becomes 8-bit", true, 8}}) {
    wxImage image(5, 3);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        const auto v = static_cast<unsigned char>(40 * x + 10 * y);
        image.SetRGB(x, y, v, c.grey ? v : 255 - v, c.grey ? v : 7 * y);
      }
    }
    const std::string png = (dir.path() / "copied.png").string();
    ASSERT_TRUE(image.SaveFile(png, wxBITMAP_TYPE_PNG));
    // xclip stays in the background serving the selection; with its output on /dev/null it
    // does not hold the test's output open after the test has ended.
    ASSERT_EQ(RunBeside("xclip -selection clipboard -t image/png -i " + png + " >/dev/null 2>&1"),
              0)
        << c.what;

    const std::size_t before = DocumentCount();
    Command(id::kEditPaste);
    ASSERT_EQ(DocumentCount(), before + 1) << c.what;
    const Picture& pasted = Current()->Data().GetPicture();
    ASSERT_EQ(pasted.GetWidth(), 5) << c.what;
    ASSERT_EQ(pasted.GetHeight(), 3) << c.what;
    EXPECT_EQ(pasted.GetBitCount(), c.bitCount) << c.what;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        const Picture::Triple bgr = pasted.GetPixel(x, 2 - y);
        EXPECT_EQ(wxColour(bgr[2], bgr[1], bgr[0]),
                  wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)))
            << c.what << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(ClipboardGuiTest, CopiedPictureReachesOtherProgramsAsBmpAndPng) {
  Picture picture;
  picture.Header().biWidth = 6;
  picture.Header().biHeight = 2;
  ASSERT_TRUE(picture.CreatePicture(false));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 6; ++x) picture.Row(y)[x] = static_cast<std::uint8_t>(20 * (6 * y + x));
  }
  // Pixel 1 of the bottom row is red, so that the picture is not grey and stays 8-bit.
  picture.Palette()[20] = RgbQuad{0, 0, 255, 0};
  Start({WriteBmpFixture(dir.path() / "palette.bmp", picture).string()});
  Command(id::kEditCopy);

  const auto bmp = dir.path() / "out.bmp";
  const auto png = dir.path() / "out.png";
  ASSERT_EQ(RunBeside("xclip -selection clipboard -t image/bmp -o > " + bmp.string()), 0);
  ASSERT_EQ(RunBeside("xclip -selection clipboard -t image/png -o > " + png.string()), 0);
  const std::vector<std::uint8_t> bytes = fileBytes(bmp);
  ASSERT_GE(bytes.size(), 54u);
  const std::uint32_t pixelOffset = bytes[10] | bytes[11] << 8 | bytes[12] << 16;
  EXPECT_EQ(pixelOffset - 54, 1024u);  // the whole palette
  EXPECT_EQ(bytes.size(), 54u + 1024 + 2 * 8);

  wxImage fromPng;
  ASSERT_TRUE(fromPng.LoadFile(png.string(), wxBITMAP_TYPE_PNG));
  ASSERT_EQ(fromPng.GetSize(), wxSize(6, 2));
  EXPECT_EQ(wxColour(fromPng.GetRed(1, 1), fromPng.GetGreen(1, 1), fromPng.GetBlue(1, 1)),
            wxColour(255, 0, 0));
  EXPECT_EQ(wxColour(fromPng.GetRed(1, 0), fromPng.GetGreen(1, 0), fromPng.GetBlue(1, 0)),
            wxColour(140, 140, 140));
  // Pasting it back makes an equal document.
  Command(id::kEditPaste);
  ASSERT_EQ(DocumentCount(), 2u);
  const Picture& pasted = Current()->Data().GetPicture();
  EXPECT_EQ(pasted.GetBitCount(), 8);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(pasted.GetPixel(x, y), picture.GetPixel(x, y)) << x << y;
  }
}

}  // namespace
}  // namespace quillon::test
