#include "core/services/FormatMessage.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(FormatMessage, FillsTheConversionsOfTheTables) {
  EXPECT_EQ(FormatMessage("File '%s' has an unsupported format !", {std::string("a.xyz")}),
            "File 'a.xyz' has an unsupported format !");
  EXPECT_EQ(FormatMessage("(%4d,%4d)-(R:%3d, G:%3d, B:%3d)",
                          {std::int64_t{12}, std::int64_t{3}, std::int64_t{255}, std::int64_t{0},
                           std::int64_t{7}}),
            "(  12,   3)-(R:255, G:  0, B:  7)");
  EXPECT_EQ(FormatMessage("Zoom %2d:%2d", {std::int64_t{1}, std::int64_t{8}}), "Zoom  1: 8");
  EXPECT_EQ(FormatMessage("Only %I64d bytes, %ld needed",
                          {std::int64_t{5'000'000'000}, std::int64_t{12}}),
            "Only 5000000000 bytes, 12 needed");
  EXPECT_EQ(FormatMessage("Compression:\t1:%.2f", {2.5}), "Compression:\t1:2.50");
  EXPECT_EQ(FormatMessage("%24.24s|", {std::string("abc")}), std::string(21, ' ') + "abc|");
  EXPECT_EQ(FormatMessage("quality of %d %%.", {std::int64_t{50}}), "quality of 50 %.");
  EXPECT_EQ(FormatMessage("%d%c", {std::int64_t{40}, std::int64_t{'%'}}), "40%");
}

TEST(FormatMessage, MissingOrMismatchedArgumentsStayAsText) {
  EXPECT_EQ(FormatMessage("%s and %d", {std::string("x")}), "x and %d");
  EXPECT_EQ(FormatMessage("%s", {std::int64_t{3}}), "%s");
  EXPECT_EQ(FormatMessage("%d", {std::string("x")}), "%d");
  EXPECT_EQ(FormatMessage("100%", {}), "100%");
  EXPECT_EQ(FormatMessage("%q", {std::int64_t{1}}), "%q");
}

}  // namespace
}  // namespace quillon
