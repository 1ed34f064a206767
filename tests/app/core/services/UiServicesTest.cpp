#include "core/services/UiServices.h"

#include <gtest/gtest.h>

#include "support/RecordingUiServices.h"

namespace quillon {
namespace {

TEST(UiServices, MessageBoxFillsTheTablePatternAndKeepsTheId) {
  const auto table = StringTable::Parse("33003\tFile '%s' has an unsupported format !\n");
  ASSERT_TRUE(table);
  test::RecordingUiServices ui(*table);
  ui.answers.push_back(MessageAnswer::No);
  EXPECT_EQ(
      ui.MessageBox(33003, MessageIcon::Stop, MessageButtons::YesNo, {std::string("/tmp/a.xyz")}),
      MessageAnswer::No);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].id, 33003u);
  EXPECT_EQ(ui.messages[0].text, "File '/tmp/a.xyz' has an unsupported format !");
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Stop);

  EXPECT_EQ(ui.MessageBox("plain", MessageIcon::Information), MessageAnswer::Ok);
  EXPECT_FALSE(ui.messages[1].id.has_value());
}

TEST(UiServices, WaitCursorIsBalancedByScope) {
  StringTable empty;
  test::RecordingUiServices ui(empty);
  {
    WaitCursor outer(ui);
    WaitCursor inner(ui);
    EXPECT_EQ(ui.waitDepth, 2);
  }
  EXPECT_EQ(ui.waitDepth, 0);
  EXPECT_EQ(ui.maxWaitDepth, 2);
}

}  // namespace
}  // namespace quillon
