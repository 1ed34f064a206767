// Saving a document from the program: the save dialog's answer (given by a chooser in place
// of the system's file dialog), its checks on OK, and the real writers behind it.
#include <gtest/gtest.h>

#include <fstream>

#include <wx/docview.h>

#include "app/ui/SaveGuiTest.h"
#include "core/document/FileIoContext.h"
#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/SavePipeline.h"
#include "core/pipelines/SaveWarnings.h"
#include "platform/FreeDiskSpace.h"
#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/PictureDocAdapter.h"
#include "ui/SaveDialog.h"
#include "ui/SaveWarningDialog.h"

namespace quillon::test {
namespace {

constexpr StringId kCouldNotSaveId = 61237;

class SaveDocumentGuiTest : public GuiTest {
 protected:
  // Opens a 40 x 30 picture, colour or grey, from `name` in a directory of its own.
  void OpenFixture(const std::string& name, bool colour = true) {
    Picture picture;
    picture.Header().biWidth = 40;
    picture.Header().biHeight = 30;
    ASSERT_TRUE(picture.CreatePicture(colour));
    const int samples = colour ? 3 : 1;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40 * samples; ++x) {
        picture.Row(y)[x] = static_cast<std::uint8_t>(x * 5 + y * 7);
      }
    }
    std::filesystem::create_directories(dir.path() / "In");
    Start({WriteBmpFixture(dir.path() / "In" / name, picture).string()});
    doc_ = dynamic_cast<PictureDocAdapter*>(App().DocManager()->GetCurrentDocument());
    ASSERT_NE(doc_, nullptr);
  }

  SaveDialog& Dialog() { return App().FileSaveDialog(); }

  // Every call of the file dialog is recorded with the path it offers; the answers are
  // given in order, and Cancel once they run out.
  void Answer(std::vector<std::optional<std::string>> answers) {
    answers_ = std::move(answers);
    Dialog().SetChooser([this](const std::string& offered) -> std::optional<std::string> {
      offered_.push_back(offered);
      if (offered_.size() > answers_.size()) return std::nullopt;
      return answers_[offered_.size() - 1];
    });
  }

  bool SaveAs() { return doc_->OnSaveDocument(doc_->GetFilename()); }

  bool Shown(StringId id) const {
    for (const Message& message : ui->messages) {
      if (message.id == id) return true;
    }
    return false;
  }

  // The picture of a file as the program opens it.
  void ExpectSamePixels(const std::filesystem::path& path) {
    PictureDocument reopened;
    FileIoContext context{*ui, App().Disk(), false};
    ASSERT_TRUE(OpenPicture(path, reopened, context, OpenRequest{})) << path;
    const Picture& original = doc_->Data().GetPicture();
    const Picture& read = reopened.GetPicture();
    ASSERT_EQ(read.GetWidth(), original.GetWidth());
    ASSERT_EQ(read.GetHeight(), original.GetHeight());
    for (int y = 0; y < original.GetHeight(); ++y) {
      for (int x = 0; x < original.GetWidth(); ++x) {
        // A colour KVF file holds red, green, blue; its reader must store them back as blue,
        // green, red.
        ASSERT_EQ(read.GetPixel(x, y), original.GetPixel(x, y)) << path << " at " << x << "," << y;
      }
    }
  }

  std::filesystem::path Out(const std::string& name) const { return dir.path() / name; }

  PictureDocAdapter* doc_ = nullptr;
  std::vector<std::optional<std::string>> answers_;
  std::vector<std::string> offered_;
};

TEST_F(SaveDocumentGuiTest, SaveAsOffersTheLowerCaseNameInTheTypeItWasReadAs) {
  OpenFixture("Holiday Photo.BMP");
  Dialog().options.type = PictureFormat::Kvf;
  Answer({});
  EXPECT_FALSE(SaveAs()) << "Cancel saves nothing";
  ASSERT_EQ(offered_.size(), 1u);
  EXPECT_EQ(offered_[0], (dir.path() / "In" / "holiday photo.bmp").string())
      << "the directory keeps its case";
  EXPECT_EQ(Dialog().options.type, PictureFormat::Bmp);
  EXPECT_TRUE(ui->messages.empty());
}

TEST_F(SaveDocumentGuiTest, EveryLosslessTypeWritesThePicturesPixels) {
  OpenFixture("picture.bmp");
  Dialog().options.option = SaveOption::Lossless;
  for (const char* name : {"copy.bmp", "copy.ppm", "copy.tif", "copy.kvf", "copy.jp2"}) {
    SCOPED_TRACE(name);
    offered_.clear();
    Answer({Out(name).string()});
    ASSERT_TRUE(SaveAs());
    EXPECT_EQ(offered_.size(), 1u);
    ExpectSamePixels(Out(name));
  }
  std::ifstream jp2(Out("copy.jp2"), std::ios::binary);
  char box[12] = {};
  jp2.read(box, sizeof box);
  EXPECT_EQ(std::string(box + 4, 4), "jP  ") << "a JP2 file";

  EXPECT_TRUE(ui->messages.empty());
  EXPECT_EQ(doc_->GetFilename(), (dir.path() / "In" / "picture.bmp").string())
      << "the document keeps its own path";
  EXPECT_EQ(App().DocManager()->GetHistoryFile(0), Out("copy.jp2").string())
      << "the file saved last heads the recent files";
}

TEST_F(SaveDocumentGuiTest, NameWithoutExtensionGetsThatOfTheType) {
  OpenFixture("picture.bmp");
  Answer({Out("plain").string()});
  ASSERT_TRUE(SaveAs());
  EXPECT_TRUE(std::filesystem::exists(Out("plain.bmp")));
  EXPECT_FALSE(std::filesystem::exists(Out("plain")));
}

TEST_F(SaveDocumentGuiTest, GreyPictureSortedByColorIsRefusedAndTheDialogOpensAgain) {
  OpenFixture("grey.bmp", false);
  Dialog().options.progression = SortedBy::Color;
  Answer({Out("grey.jp2").string()});
  EXPECT_FALSE(SaveAs());
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].id, kSortedByColorNeedsColour);
  EXPECT_EQ(ui->messages[0].text, "Sorted by Color can only be used with color images.");
  ASSERT_EQ(offered_.size(), 2u) << "the dialog runs again after the refusal";
  EXPECT_EQ(offered_[1], Out("grey.jp2").string()) << "on the path chosen";
  EXPECT_FALSE(std::filesystem::exists(Out("grey.jp2")));

  // Colour order is fine for KVF.
  offered_.clear();
  Answer({Out("grey.kvf").string()});
  EXPECT_TRUE(SaveAs());
}

TEST_F(SaveDocumentGuiTest, JpegSourceWarnsBeforeSavingLargerAndCancelReturnsToTheDialog) {
  OpenFixture("photo.bmp");
  doc_->Data().format = PictureFormat::Jpeg;  // as if read from a JPEG file of 500 bytes
  doc_->Data().fileSize = 500;
  Dialog().options.option = SaveOption::Lossless;  // 40 * 30 * 3 = 3600 bytes expected
  std::vector<wxString> warnings;
  std::vector<int> replies = {wxID_CANCEL, wxID_OK};
  ModalAnswers answers([&](wxDialog& shown) {
    auto* warning = dynamic_cast<SaveWarningDialog*>(&shown);
    if (!warning) return static_cast<int>(wxID_CANCEL);
    warnings.push_back(warning->Text());
    const int reply = replies.front();
    replies.erase(replies.begin());
    return reply;
  });
  Answer({Out("photo.kvf").string(), Out("photo.kvf").string()});
  EXPECT_TRUE(SaveAs());
  EXPECT_EQ(offered_[0], (dir.path() / "In" / "photo.jpg").string()) << "offered as JPEG";
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], wxString::FromUTF8(ui->Strings().Load(kLargerThanJpeg)));
  EXPECT_EQ(offered_.size(), 2u) << "Cancel in the warning goes back to the file dialog";
  EXPECT_TRUE(std::filesystem::exists(Out("photo.kvf")));

  // With the quality option the warning gives its own advice; switched off, none at all.
  warnings.clear();
  replies = {wxID_CANCEL};
  offered_.clear();
  Dialog().options.option = SaveOption::Quality;
  Dialog().options.quality = 100;
  Answer({Out("q.jp2").string()});
  EXPECT_FALSE(SaveAs());
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(warnings[0].StartsWith("When compressing JPG images")) << warnings[0];

  warnings.clear();
  offered_.clear();
  Dialog().options.showWarnings = false;
  Answer({Out("q.jp2").string()});
  EXPECT_TRUE(SaveAs());
  EXPECT_TRUE(warnings.empty());
}

TEST_F(SaveDocumentGuiTest, PasswordOfTheDialogProtectsTheKvfFile) {
  OpenFixture("secret.bmp");
  Dialog().passwordOn = true;
  Dialog().password = "open sesame";
  Dialog().options.freeQuality = 307;
  Answer({Out("secret.kvf").string()});
  ASSERT_TRUE(SaveAs());
  const KvfProtection& protection = doc_->Data().protection;
  EXPECT_TRUE(protection.passwordOn);
  EXPECT_EQ(protection.password, "open sesame");
  EXPECT_EQ(protection.freeQuality, 307);

  PictureDocument reopened;
  FileIoContext context{*ui, App().Disk(), false};
  ui->passwords.push_back(std::string("open sesame"));
  ASSERT_TRUE(OpenPicture(Out("secret.kvf"), reopened, context, OpenRequest{}));
  EXPECT_EQ(ui->passwordPrompts.size(), 1u) << "the file asks for its password";
}

TEST_F(SaveDocumentGuiTest, FailedSaveReportsItAndKeepsTheDocumentAndTheOldFile) {
  OpenFixture("keep.bmp");
  const std::filesystem::path existing = Out("existing.gif");  // no save type has .gif
  std::ofstream(existing) << "old contents";
  const std::filesystem::path unreachable = dir.path() / "no such directory" / "x.bmp";
  for (const std::filesystem::path& target : {existing, unreachable}) {
    SCOPED_TRACE(target);
    offered_.clear();
    ui->messages.clear();
    Answer({target.string()});
    EXPECT_FALSE(SaveAs());
    ASSERT_FALSE(ui->messages.empty());
    EXPECT_EQ(ui->messages.back().id, kCouldNotSaveId);
    EXPECT_EQ(ui->messages.back().text, "The file could not be saved.");
    EXPECT_EQ(offered_.size(), 1u) << "a failed save does not reopen the dialog";
  }
  std::ifstream old(existing);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old contents");
  EXPECT_FALSE(std::filesystem::exists(unreachable));
  EXPECT_EQ(doc_->GetFilename(), (dir.path() / "In" / "keep.bmp").string());
  wxDocManager& manager = *App().DocManager();
  for (std::size_t i = 0; i < manager.GetHistoryFilesCount(); ++i) {
    EXPECT_NE(manager.GetHistoryFile(i), existing.string());
    EXPECT_NE(manager.GetHistoryFile(i), unreachable.string());
  }
}

TEST_F(SaveDocumentGuiTest, SaveAndSaveAsCommandsRunTheDialogForTheCurrentDocument) {
  OpenFixture("menu.bmp");
  Answer({});
  for (int command : {id::kFileSave, id::kFileSaveAs}) {
    wxUpdateUIEvent update(id::wxIdOf(command));
    Frame().ProcessWindowEvent(update);
    EXPECT_TRUE(update.GetEnabled()) << command;
    wxCommandEvent menu(wxEVT_MENU, id::wxIdOf(command));
    Frame().ProcessWindowEvent(menu);
  }
  EXPECT_EQ(offered_.size(), 2u);

  App().DocManager()->CloseDocuments(true);
  Pump();
  wxUpdateUIEvent update(id::wxIdOf(id::kFileSave));
  Frame().ProcessWindowEvent(update);
  EXPECT_FALSE(update.GetEnabled()) << "nothing to save";
}

}  // namespace
}  // namespace quillon::test
