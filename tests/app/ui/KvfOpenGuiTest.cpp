// Opening a password-protected KVF file in the program: the prompt's three answers, and the
// prompt dialog itself.
#include <gtest/gtest.h>

#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/core/formats/kvf/KvfTestFile.h"
#include "support/GuiTest.h"
#include "ui/LoadPasswordDialog.h"
#include "ui/PictureDocAdapter.h"

namespace quillon::test {
namespace {

class KvfOpenGuiTest : public GuiTest {
 protected:
  void SetUp() override {
    FillColourPicture(original_, 64, 48);
    file_ = WriteBytes(dir.path() / "locked.kvf", KvfFileBytes(original_, {1024, "Quill 7", 512}));
    Start();
  }

  // Opens the file as File Open does; the document or null.
  PictureDocAdapter* Open() {
    wxDocument* document = App().DocManager()->CreateDocument(file_.string(), wxDOC_SILENT);
    Pump();
    return static_cast<PictureDocAdapter*>(document);
  }

  int Differences(const Picture& picture) const {
    int count = 0;
    for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
      for (std::int32_t x = 0; x < picture.GetWidth(); ++x) {
        count += picture.GetPixel(x, y) != original_.GetPixel(x, y);
      }
    }
    return count;
  }

  Picture original_;
  std::filesystem::path file_;
};

TEST_F(KvfOpenGuiTest, CancellingThePromptShowsTheFreeQualityPicture) {
  PictureDocAdapter* document = Open();
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(ui->passwordPrompts.size(), 1u);
  EXPECT_EQ(ui->passwordPrompts[0].title, "locked.kvf");
  EXPECT_EQ(ui->passwordPrompts[0].qualityLine,
            "Without password this image will be decoded with a quality of 50 %.");
  EXPECT_EQ(document->Data().format, PictureFormat::Kvf);
  EXPECT_EQ(document->Data().GetPicture().GetWidth(), 64);
  EXPECT_GT(Differences(document->Data().GetPicture()), 0);
  EXPECT_TRUE(ui->messages.empty());
}

TEST_F(KvfOpenGuiTest, TheRightPasswordShowsTheFullPicture) {
  ui->passwords.push_back("Quill 7");
  PictureDocAdapter* document = Open();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(Differences(document->Data().GetPicture()), 0);
  EXPECT_TRUE(document->Data().protection.passwordOn);
  EXPECT_EQ(document->GetTitle().utf8_string().rfind("locked.kvf [Compression Rate 1 to ", 0), 0u);
}

TEST_F(KvfOpenGuiTest, AWrongPasswordShowsMessage132AndOpensNothing) {
  ui->passwords.push_back("Quill 8");
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(DocumentCount(), 0u);
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].id, 132u);
  EXPECT_EQ(ui->messages[0].text, "The given password is wrong.");
}

TEST_F(KvfOpenGuiTest, ThePromptDialogShowsTitleRequestAndQualityLine) {
  LoadPasswordDialog dialog(&Frame(), {"locked.kvf", "Without password ... 50 %."});
  EXPECT_EQ(dialog.GetId(), 211);
  EXPECT_EQ(dialog.GetTitle(), "locked.kvf");
  auto* line = dynamic_cast<wxStaticText*>(dialog.FindWindow(LoadPasswordDialog::kQualityLineId));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->GetLabel(), "Without password ... 50 %.");
  auto* password = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(LoadPasswordDialog::kPasswordId));
  ASSERT_NE(password, nullptr);
  password->ChangeValue(wxString::FromUTF8("Quill 7 \xC3\xA4"));
  EXPECT_EQ(dialog.Password(), "Quill 7 \xC3\xA4");
}

}  // namespace
}  // namespace quillon::test
