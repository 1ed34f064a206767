#include "core/services/StringTable.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(StringTable, ParsesIdsTextsAndEscapes) {
  const auto table = StringTable::Parse(
      "# comment\n\n132\tThe given password is wrong.\n"
      "126\tline one.\\n line two\n154\tA\\tB\\\\C\n59141\tZoom  - : - \n");
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Load(132), "The given password is wrong.");
  EXPECT_EQ(table->Load(126), "line one.\n line two");
  EXPECT_EQ(table->Load(154), "A\tB\\C");
  EXPECT_EQ(table->Load(59141), "Zoom  - : - ") << "trailing blanks are text";
  EXPECT_EQ(table->Load(1), "");
  EXPECT_FALSE(table->Contains(1));
}

TEST(StringTable, RejectsMalformedTables) {
  EXPECT_FALSE(StringTable::Parse("12 no tab\n"));
  EXPECT_FALSE(StringTable::Parse("x1\ttext\n"));
  EXPECT_FALSE(StringTable::Parse("1\ta\n1\tb\n")) << "duplicate id";
  EXPECT_FALSE(StringTable::Parse("1\tbad \\q escape\n"));
  EXPECT_FALSE(StringTable::Parse("1\tdangling \\"));
  EXPECT_FALSE(StringTable::Parse("99999999999\ttoo large\n"));
}

}  // namespace
}  // namespace quillon
