#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "tools/convert/CompareCommand.h"
#include "tools/convert/ConvertCommand.h"
#include "tools/convert/TextUiServices.h"

namespace quillon::convert {
namespace {

StringTable Strings() {
  return *StringTable::Parse("33003\tFile '%s' has an unsupported format !\n");
}

TEST(TextUiServices, MessagesGoToTheStreamAndQuestionsFollowTheYesOption) {
  const StringTable strings = Strings();
  std::ostringstream err;
  TextUiServices cautious(strings, err, false, {});
  EXPECT_EQ(cautious.MessageBox(33003, MessageIcon::Exclamation, MessageButtons::Ok, {"x.jp2"}),
            MessageAnswer::Ok);
  EXPECT_NE(err.str().find("File 'x.jp2' has an unsupported format !"), std::string::npos);
  EXPECT_EQ(cautious.MessageBox("Proceed?", MessageIcon::Question, MessageButtons::YesNo),
            MessageAnswer::No);
  EXPECT_EQ(cautious.MessageBox("Go?", MessageIcon::Question, MessageButtons::OkCancel),
            MessageAnswer::Cancel);
  EXPECT_EQ(cautious.MessageCount(), 3);
  EXPECT_NE(err.str().find("--yes"), std::string::npos);  // says how to answer otherwise

  TextUiServices willing(strings, err, false, {.yes = true, .password = std::nullopt});
  EXPECT_EQ(willing.MessageBox("Proceed?", MessageIcon::Question, MessageButtons::YesNoCancel),
            MessageAnswer::Yes);
  EXPECT_EQ(willing.MessageBox("Go?", MessageIcon::Question, MessageButtons::OkCancel),
            MessageAnswer::Ok);
}

TEST(TextUiServices, PasswordAnswersEveryPromptAndProgressShowsOnlyOnATerminal) {
  const StringTable strings = Strings();
  std::ostringstream err;
  // A compare of two protected files asks twice.
  TextUiServices ui(strings, err, false, {.yes = false, .password = "secret"});
  EXPECT_EQ(ui.AskPassword({"a.kvf", "quality 5 %"}), "secret");
  EXPECT_EQ(ui.AskPassword({"b.kvf", "quality 5 %"}), "secret");
  EXPECT_EQ(ui.AskNumber("t", "p", 1, 9, 4), 4);

  TextUiServices without(strings, err, false, {});
  EXPECT_EQ(without.AskPassword({"a.kvf", "quality 5 %"}), std::nullopt);
  EXPECT_NE(err.str().find("quality 5 %"), std::string::npos);

  {
    auto progress = without.BeginProgress("Saving");
    progress->SetRange(0, 10);
    progress->SetPos(5);
  }
  EXPECT_EQ(err.str().find("Saving"), std::string::npos);

  std::ostringstream terminal;
  TextUiServices shown(strings, terminal, true, {});
  {
    auto progress = shown.BeginProgress("Saving");
    progress->SetRange(0, 4);
    progress->StepIt();
    progress->StepIt();
    progress->SetPos(9);  // beyond the range: shown as 100 %
  }
  EXPECT_NE(terminal.str().find("Saving: 50%"), std::string::npos);
  EXPECT_NE(terminal.str().find("Saving: 100%"), std::string::npos);
  EXPECT_EQ(terminal.str().find("Saving: 225%"), std::string::npos);
}

TEST(ConvertOutputLines, MeasuresPrintInTheirSixLines) {
  EXPECT_EQ(MeasuresText({1, 1, 1, 40.5, 20 * std::log10(255.0)}, 0.98765432),
            "MAE: 1\nMSE: 1\nRMS: 1\nSNR: 40.5 dB\nPSNR: 48.1308 dB\nSSIM: 0.987654\n");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(MeasuresText({0, 0, 0, inf, inf}, 1.0),
            "MAE: 0\nMSE: 0\nRMS: 0\nSNR: inf dB\nPSNR: inf dB\nSSIM: 1.000000\n");
  EXPECT_EQ(SummaryLine("out.jp2", 1000, 20000, 0.25), "out.jp2: 1000 bytes, 1:20.00, 0.250 s");
}

class DocumentOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    document.GetPicture().Header().biWidth = 100;
    document.GetPicture().Header().biHeight = 50;
    ASSERT_TRUE(document.GetPicture().CreatePicture(true));
  }
  PictureDocument document;
};

TEST_F(DocumentOptions, RegionsAndLevelReachTheDocument) {
  ConvertArguments arguments;
  arguments.regions = {{0, 0, 100, 50}, {10, 20, 5, 6}};
  arguments.enhanceLevel = 7;
  EXPECT_FALSE(ApplyDocumentOptions(arguments, document));
  ASSERT_EQ(document.regions.Count(), 2);
  EXPECT_EQ(document.regions[0], (EnhancementRegion{0, 0, 100, 50}));
  EXPECT_EQ(document.regions[1], (EnhancementRegion{10, 20, 5, 6}));
  EXPECT_EQ(document.regions.Level(), 7);
}

TEST_F(DocumentOptions, RegionOffThePictureIsRefused) {
  for (const EnhancementRegion region :
       {EnhancementRegion{1, 0, 100, 50}, EnhancementRegion{0, 45, 10, 6},
        EnhancementRegion{INT32_MAX, 0, 1, 1}}) {
    ConvertArguments arguments;
    arguments.regions = {region};
    const std::optional<std::string> error = ApplyDocumentOptions(arguments, document);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("100 x 50"), std::string::npos) << *error;
  }
}

TEST_F(DocumentOptions, PasswordProtectsWithTheFreeQuality) {
  ConvertArguments arguments;
  arguments.password = "pw";
  EXPECT_FALSE(ApplyDocumentOptions(arguments, document));
  EXPECT_TRUE(document.protection.passwordOn);
  EXPECT_EQ(document.protection.password, "pw");
  EXPECT_EQ(document.protection.freeQuality, SaveOptions{}.freeQuality);  // the dialog's 50 %

  arguments.freeQualityPercent = 25;
  EXPECT_FALSE(ApplyDocumentOptions(arguments, document));
  EXPECT_EQ(document.protection.freeQuality, 256);

  PictureDocument open;  // without a password nothing is protected
  EXPECT_FALSE(ApplyDocumentOptions(ConvertArguments{}, open));
  EXPECT_FALSE(open.protection.passwordOn);
}

}  // namespace
}  // namespace quillon::convert
