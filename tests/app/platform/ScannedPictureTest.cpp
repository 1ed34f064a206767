#include "platform/ScannedPicture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quillon {
namespace {

constexpr std::size_t kHeader = 40;

// Blue, green, red (or the grey value) of pixel x on line `line` from the top.
std::vector<int> pixel(const std::vector<std::uint8_t>& dib, int width, int lines, int x,
                       int line) {
  const int bitCount = dib[14];
  const std::size_t palette = bitCount == 8 ? 1024 : 0;
  const std::size_t stride = (std::size_t(width) * bitCount / 8 + 3) & ~std::size_t{3};
  const std::uint8_t* row = dib.data() + kHeader + palette + stride * std::size_t(lines - 1 - line);
  if (bitCount == 8) return {row[x]};
  return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

std::vector<std::uint8_t> words16(std::initializer_list<std::uint16_t> values) {
  std::vector<std::uint8_t> bytes(values.size() * 2);
  std::memcpy(bytes.data(), std::data(values), bytes.size());
  return bytes;
}

struct Frame {
  FrameFormat format;
  std::vector<std::uint8_t> bytes;
};

TEST(ScannedPicture, FramesOfEveryKindAndDepthBecomeOneBitmap) {
  struct Case {
    const char* what;
    std::vector<Frame> frames;
    std::vector<int> first, second;  // the two pixels of the one line
  };
  const Case cases[] = {
      {"grey 8", {{{FrameKind::Gray, 8, 2, 4, 1}, {10, 200, 0, 0}}}, {10}, {200}},
      {"grey 1, a set bit is black", {{{FrameKind::Gray, 1, 2, 1, 1}, {0x40}}}, {255}, {0}},
      {"grey 16", {{{FrameKind::Gray, 16, 2, 4, 1}, words16({0x1234, 0xFF00})}}, {0x12}, {0xFF}},
      {"rgb 8", {{{FrameKind::Rgb, 8, 2, 6, 1}, {1, 2, 3, 4, 5, 6}}}, {3, 2, 1}, {6, 5, 4}},
      {"rgb 16",
       {{{FrameKind::Rgb, 16, 2, 12, 1},
         words16({0x0100, 0x0200, 0x0300, 0x0400, 0x0500, 0x0600})}},
       {3, 2, 1},
       {6, 5, 4}},
      {"three passes",
       {{{FrameKind::Blue, 8, 2, 2, 1}, {7, 8}},
        {{FrameKind::Red, 8, 2, 2, 1}, {1, 2}},
        {{FrameKind::Green, 8, 2, 2, 1}, {4, 5}}},
       {7, 4, 1},
       {8, 5, 2}},
  };
  for (const Case& c : cases) {
    ScannedPicture picture;
    for (const Frame& frame : c.frames) {
      ASSERT_TRUE(picture.BeginFrame(frame.format)) << c.what;
      // In portions of one byte, as a slow scanner may deliver them.
      for (std::uint8_t byte : frame.bytes) ASSERT_TRUE(picture.Append({&byte, 1})) << c.what;
    }
    const std::vector<std::uint8_t> dib = picture.PackedDib();
    ASSERT_FALSE(dib.empty()) << c.what;
    EXPECT_EQ(pixel(dib, 2, 1, 0, 0), c.first) << c.what;
    EXPECT_EQ(pixel(dib, 2, 1, 1, 0), c.second) << c.what;
  }
}

TEST(ScannedPicture, LinesRunTopDownIntoBottomUpRowsAndUnknownHeightsGrow) {
  ScannedPicture picture;
  picture.SetResolution(254);
  ASSERT_TRUE(picture.BeginFrame({FrameKind::Gray, 8, 3, 3, -1}));
  const std::uint8_t lines[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_TRUE(picture.Append(lines));
  EXPECT_EQ(picture.Lines(), 3);
  const std::vector<std::uint8_t> dib = picture.PackedDib();
  EXPECT_EQ(pixel(dib, 3, 3, 0, 0), std::vector<int>{1});
  EXPECT_EQ(pixel(dib, 3, 3, 2, 2), std::vector<int>{9});
  EXPECT_EQ(dib[24] | dib[25] << 8, 10000);  // pels per metre of 254 dpi
}

TEST(ScannedPicture, RefusesWhatItCannotHold) {
  ScannedPicture picture(100);
  EXPECT_FALSE(picture.BeginFrame({FrameKind::Gray, 4, 2, 4, 1}));     // depth
  EXPECT_FALSE(picture.BeginFrame({FrameKind::Rgb, 8, 2, 5, 1}));      // line too short
  EXPECT_FALSE(picture.BeginFrame({FrameKind::Gray, 8, 10, 10, 11}));  // above the limit
  EXPECT_FALSE(picture.BeginFrame({FrameKind::Gray, 8, 0, 0, 1}));
  EXPECT_TRUE(picture.PackedDib().empty());

  ASSERT_TRUE(picture.BeginFrame({FrameKind::Gray, 8, 10, 10, -1}));
  const std::vector<std::uint8_t> tenLines(100, 7);
  EXPECT_TRUE(picture.Append(tenLines));
  const std::uint8_t more[10] = {};
  EXPECT_FALSE(picture.Append(more));  // an unknown height still stops at the limit
  EXPECT_EQ(picture.Lines(), 10);

  ScannedPicture passes;
  ASSERT_TRUE(passes.BeginFrame({FrameKind::Red, 8, 4, 4, 1}));
  EXPECT_FALSE(passes.BeginFrame({FrameKind::Green, 8, 5, 5, 1}));  // other width
  ScannedPicture known;
  ASSERT_TRUE(known.BeginFrame({FrameKind::Gray, 8, 2, 2, 1}));
  const std::uint8_t twoLines[4] = {};
  EXPECT_FALSE(known.Append(twoLines));  // more lines than announced
}

}  // namespace
}  // namespace quillon
