// Printing to a PostScript file: the picture's box on the page follows position, size,
// centring, fitting and full format.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <wx/generic/printps.h>

#include "support/GuiTest.h"
#include "ui/PicturePrintout.h"

namespace quillon::test {
namespace {

// A4 in points.
constexpr double kPageWidth = 595.28;
constexpr double kPageHeight = 841.89;

struct Box {
  double left, bottom, right, top;  // points, from the page's bottom-left corner
};

// Where the page puts its image: the origin that the image is drawn from and the size it
// is scaled to, in points from the page's bottom-left corner; a zero box without an image.
Box ImageBox(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  double x = 0, y = 0, width = 0, height = 0;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    double a = 0, b = 0;
    std::string op;
    if (!(words >> a >> b >> op)) continue;
    if (op == "translate") x = a, y = b;
    if (op == "scale") width = a, height = b;
  }
  return {x, y, x + width, y + height};
}

TEST(PrintGuiTest, PrintedBoxFollowsTheOptions) {
  // 144 x 72 pixels at 72 dpi: 2 x 1 inches, 144 x 72 points.
  Picture picture;
  picture.Header().biWidth = 144;
  picture.Header().biHeight = 72;
  ASSERT_TRUE(picture.CreatePicture(true));
  std::fill(picture.Bits(), picture.Bits() + picture.Header().biSizeImage, std::uint8_t{90});
  struct Case {
    const char* what;
    PrintSettings settings;
    Box box;
  };
  const double fullHeight = kPageWidth / 2;
  const Case cases[] = {
      {"position and own size",
       {false, false, false, "1.00", "1.50", 100, 0},
       {72, kPageHeight - 108 - 72, 216, kPageHeight - 108}},
      {"position in centimetres, half size",
       {false, false, false, "2.54", "0", 50, 1},
       {72 * 0.99974, kPageHeight - 36, 72 * 0.99974 + 72, kPageHeight}},
      {"centred",
       {true, false, false, "3", "3", 100, 0},
       {(kPageWidth - 144) / 2, (kPageHeight - 72) / 2, (kPageWidth + 144) / 2,
        (kPageHeight + 72) / 2}},
      {"fitted to the page",
       {false, true, false, "0", "0", 1000, 0},
       {0, kPageHeight - fullHeight, kPageWidth, kPageHeight}},
      {"full format, centred",
       {true, false, true, "5", "5", 10, 0},
       {0, (kPageHeight - fullHeight) / 2, kPageWidth, (kPageHeight + fullHeight) / 2}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const auto file = dir.path() / "page.ps";
    wxPrintDialogData data;
    data.GetPrintData().SetPaperId(wxPAPER_A4);
    data.GetPrintData().SetPrintMode(wxPRINT_MODE_FILE);
    data.GetPrintData().SetFilename(file.string());
    data.SetFromPage(1);  // as the print dialog sets them
    data.SetToPage(1);
    wxPostScriptPrinter printer(&data);
    PicturePrintout printout(picture, c.settings, "page");
    ASSERT_TRUE(printer.Print(nullptr, &printout, false)) << c.what;
    const Box box = ImageBox(file);
    constexpr double kSlack = 1.5;  // printer pixels and the paper's whole millimetres
    EXPECT_NEAR(box.left, c.box.left, kSlack) << c.what;
    EXPECT_NEAR(box.bottom, c.box.bottom, kSlack) << c.what;
    EXPECT_NEAR(box.right, c.box.right, kSlack) << c.what;
    EXPECT_NEAR(box.top, c.box.top, kSlack) << c.what;
  }
}

}  // namespace
}  // namespace quillon::test
