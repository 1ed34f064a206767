// Worker threads change nothing but the speed: files coded and pixels decoded with 2 and 3
// threads are those of 1 thread, rows reach the write callback in order from the calling
// thread, and failures while the workers run (memory, cancel, callback errors) come back as
// they would with 1 thread and leave no block behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/DecodeSession.h"
#include "support/DecodedImage.h"
#include "support/EncodeSession.h"

namespace quillon::jp2::test {
namespace {

std::int32_t Set(CompressHandle h, std::uint32_t id, std::uintptr_t value) {
  return JP2_Compress_SetProp(h, id, value, -1, -1);
}

// Small code-blocks, so that every band row holds several for the workers to share.
void SmallBlocks(CompressHandle h) {
  EXPECT_EQ(Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
  EXPECT_EQ(Set(h, JP2_Prop_CodeBlockWidth, 8), 0);
  EXPECT_EQ(Set(h, JP2_Prop_CodeBlockHeight, 8), 0);
}

struct ThreadCase {
  std::string name;
  std::function<void(CompressHandle)> configure;
  bool lossless = true;
};

std::vector<ThreadCase> ThreadCases() {
  std::vector<ThreadCase> cases;
  cases.push_back({"lossless", SmallBlocks});
  cases.push_back({"one-to-twenty",
                   [](CompressHandle h) {
                     SmallBlocks(h);
                     EXPECT_EQ(Set(h, JP2_Prop_Reversible, 0), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_TargetSize, 3 * 90 * 70 / 20), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_Layers, 3), 0);
                   },
                   false});
  cases.push_back({"tiled-precincts", [](CompressHandle h) {
                     SmallBlocks(h);
                     EXPECT_EQ(Set(h, JP2_Prop_TileWidth, 37), 0);
                     EXPECT_EQ(Set(h, JP2_Prop_TileHeight, 29), 0);
                     EXPECT_EQ(JP2_Compress_SetPrecinct(h, 4, 4, -1, -1, -1), 0);
                   }});
  for (std::uintptr_t style : {1u, 2u, 4u, 8u, 16u, 32u, 63u}) {
    cases.push_back({"style" + std::to_string(style), [style](CompressHandle h) {
                       SmallBlocks(h);
                       EXPECT_EQ(Set(h, JP2_Prop_CodeBlockStyle, style), 0);
                       EXPECT_EQ(Set(h, JP2_Prop_Layers, 2), 0);
                     }});
  }
  return cases;
}

const std::vector<TestComponent>& Picture() {
  static const std::vector<TestComponent> picture = MakeComponents(3, 90, 70);
  return picture;
}

Bytes EncodeWith(const ThreadCase& param, std::uintptr_t threads) {
  EncodeSession encoder;
  encoder.components = Picture();
  EXPECT_EQ(encoder.Encode([&](CompressHandle h) {
    param.configure(h);
    EXPECT_EQ(Set(h, JP2_Prop_Threads, threads), 0);
  }),
            0);
  return encoder.output;
}

// Decoded at 1 / reduce of the size, which leaves bands out of the rows decoded ahead.
std::vector<TestComponent> DecodeWith(const Bytes& file, std::uintptr_t threads,
                                      std::uintptr_t reduce = 1) {
  DecodeSession session(file);
  DecodedImage image;
  EXPECT_EQ(Decode(session, Picture(), &image,
                   [&](DecompressHandle h) {
                     EXPECT_EQ(JP2_Decompress_SetProp(h, JP2_Prop_Threads, threads), 0);
                     EXPECT_EQ(JP2_Decompress_SetProp(h, JP2_Prop_ReduceFactor, reduce), 0);
                   }),
            0);
  return image.channels;
}

class ThreadCount : public ::testing::TestWithParam<ThreadCase> {};

TEST_P(ThreadCount, GivesTheBytesAndPixelsOfOneThread) {
  const Bytes one = EncodeWith(GetParam(), 1);
  ASSERT_FALSE(one.empty());
  const std::vector<TestComponent> pixels = DecodeWith(one, 1);
  const std::vector<TestComponent> reduced = DecodeWith(one, 1, 2);
  if (GetParam().lossless) {
    EXPECT_EQ(LargestDifference(pixels, Picture()), 0);
  }
  for (const std::uintptr_t threads : {2u, 3u}) {
    EXPECT_EQ(EncodeWith(GetParam(), threads), one) << threads << " threads";
    EXPECT_EQ(LargestDifference(DecodeWith(one, threads), pixels), 0) << threads << " threads";
    EXPECT_EQ(LargestDifference(DecodeWith(one, threads, 2), reduced), 0) << threads << " threads";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, ThreadCount, ::testing::ValuesIn(ThreadCases()),
                         CaseName<::testing::TestParamInfo<ThreadCase>>);

// Every allocation of a three-thread encode, failed in turn (every seventh, to stay quick):
// out of memory each time, and End leaves nothing allocated.
TEST(ThreadCountFailures, EncoderAllocationFailuresReleaseEverything) {
  CountingAllocator allocator;
  EncodeSession encoder;
  encoder.components = Picture();
  encoder.alloc = CountingAllocator::Allocate;
  encoder.release = CountingAllocator::Release;
  encoder.memoryParam = allocator.Param();
  const auto configure = [](CompressHandle h) {
    SmallBlocks(h);
    EXPECT_EQ(Set(h, JP2_Prop_Threads, 3), 0);
  };
  ASSERT_EQ(encoder.Encode(configure), 0);
  const int total = allocator.allocations;
  ASSERT_TRUE(allocator.live.empty());
  for (int fail = 1; fail < total; fail += 7) {
    allocator.allocations = 0;
    allocator.failAt = fail;
    EXPECT_EQ(encoder.Encode(configure), JP2_Error_OutOfMemory) << "allocation " << fail;
    EXPECT_TRUE(allocator.live.empty()) << "allocation " << fail;
  }
}

TEST(ThreadCountFailures, DecoderAllocationFailuresReleaseEverything) {
  const Bytes file = EncodeWith(ThreadCases()[0], 1);
  int total = 0;
  {
    DecodeSession session(file);
    DecodedImage image;
    ASSERT_EQ(Decode(session, Picture(), &image,
                     [](DecompressHandle h) {
                       EXPECT_EQ(JP2_Decompress_SetProp(h, JP2_Prop_Threads, 3), 0);
                     }),
              0);
    total = session.allocator.allocations;
  }
  for (int fail = 1; fail < total; fail += 3) {
    DecodeSession session(file);  // its destructor checks that nothing is left allocated
    session.allocator.failAt = fail;
    if (session.Start() != 0) continue;  // failed while reading the headers
    DecodedImage image;
    image.channels = Picture();
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_Threads, 3), 0);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteCallback,
                                     reinterpret_cast<std::uintptr_t>(&DecodedImage::Write)),
              0);
    ASSERT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteParam,
                                     reinterpret_cast<std::uintptr_t>(&image)),
              0);
    EXPECT_EQ(JP2_Decompress_Image(session.handle), JP2_Error_OutOfMemory) << "allocation " << fail;
  }
}

// A file damaged or cut in a later tile: with workers the next tile is read while one is
// delivered, yet every tile comes out, and the call ends, as with one thread.
TEST(ThreadCountFailures, DamageInALaterTileDecodesAsWithOneThread) {
  const std::vector<ThreadCase> cases = ThreadCases();
  const auto tiled = std::find_if(cases.begin(), cases.end(),
                                  [](const ThreadCase& c) { return c.name == "tiled-precincts"; });
  ASSERT_NE(tiled, cases.end());
  const Bytes file = EncodeWith(*tiled, 1);
  for (const double at : {0.4, 0.7, 0.9}) {
    for (const bool cut : {true, false}) {
      Bytes bytes = file;
      const auto position = static_cast<std::size_t>(static_cast<double>(file.size()) * at);
      if (cut) {
        bytes.resize(position);
      } else {
        for (std::size_t i = position; i < std::min(bytes.size(), position + 40); ++i) {
          bytes[i] ^= 0x5A;
        }
      }
      std::int32_t status[2] = {};
      std::vector<TestComponent> pixels[2];
      for (int run = 0; run < 2; ++run) {
        DecodeSession session(bytes);
        DecodedImage image;
        status[run] = Decode(session, Picture(), &image, [run](DecompressHandle h) {
          EXPECT_EQ(JP2_Decompress_SetProp(h, JP2_Prop_Threads, run == 0 ? 1 : 3), 0);
        });
        pixels[run] = image.channels;
      }
      SCOPED_TRACE(::testing::Message() << (cut ? "cut" : "damaged") << " at " << at);
      EXPECT_EQ(status[1], status[0]);
      EXPECT_EQ(LargestDifference(pixels[1], pixels[0]), 0);
    }
  }
}

// The encoder's input and output callbacks fail part-way: their code comes back.
TEST(ThreadCountFailures, EncoderCallbackErrorsComeBack) {
  struct Failing {
    EncodeSession session;
    int calls = 0;
    int failAt = 0;
    static std::int32_t Input(void* buffer, std::int16_t c, std::uint32_t row, std::uint32_t column,
                              std::uint32_t count, std::uintptr_t param) {
      auto* self = reinterpret_cast<Failing*>(param);
      if (++self->calls == self->failAt) return -71;
      return EncodeSession::Input(buffer, c, row, column, count,
                                  reinterpret_cast<std::uintptr_t>(&self->session));
    }
    static std::int32_t Output(const void* data, std::uint32_t offset, std::uint32_t length,
                               std::uintptr_t param) {
      auto* self = reinterpret_cast<Failing*>(param);
      if (++self->calls == self->failAt) return -72;
      return EncodeSession::Output(data, offset, length,
                                   reinterpret_cast<std::uintptr_t>(&self->session));
    }
  };
  const struct {
    std::uint32_t callbackId;
    JP2_InputRowCallback input;
    JP2_OutputWriteCallback output;
    std::int32_t expected;
  } cases[] = {{JP2_Prop_InputCallback, Failing::Input, nullptr, -71},
               {JP2_Prop_OutputCallback, nullptr, Failing::Output, -72}};
  for (const auto& c : cases) {
    for (const int failAt : {2, 50, 150}) {
      Failing failing;
      failing.session.components = Picture();
      failing.failAt = failAt;
      const std::int32_t status = failing.session.Encode([&](CompressHandle h) {
        SmallBlocks(h);
        EXPECT_EQ(Set(h, JP2_Prop_Threads, 3), 0);
        EXPECT_EQ(Set(h, JP2_Prop_OutputBufferSize, 64), 0);
        const auto callback = c.input != nullptr ? reinterpret_cast<std::uintptr_t>(c.input)
                                                 : reinterpret_cast<std::uintptr_t>(c.output);
        EXPECT_EQ(Set(h, c.callbackId, callback), 0);
        EXPECT_EQ(Set(h, c.callbackId + 1, reinterpret_cast<std::uintptr_t>(&failing)), 0);
      });
      EXPECT_EQ(status, c.expected) << c.callbackId << " failing at call " << failAt;
    }
  }
}

// What the decoder's calling thread sees: rows of each channel and tile in order, on its own
// thread, and the progress callback's stop or the write callback's error ends decoding there.
struct WatchedImage {
  DecodedImage image;
  std::thread::id caller = std::this_thread::get_id();
  std::map<std::pair<std::int16_t, std::uint32_t>, std::uint32_t> nextRow;  // by channel, column
  bool ordered = true;
  bool onCaller = true;
  int progressCalls = 0;
  int stopProgressAt = 0;

  static std::int32_t Write(const void* samples, std::int16_t channel, std::uint32_t row,
                            std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
    auto* self = reinterpret_cast<WatchedImage*>(param);
    self->onCaller = self->onCaller && std::this_thread::get_id() == self->caller;
    std::uint32_t& next = self->nextRow[{channel, column}];
    self->ordered = self->ordered && row >= next;
    next = row + 1;
    return DecodedImage::Write(samples, channel, row, column, count,
                               reinterpret_cast<std::uintptr_t>(&self->image));
  }
  static std::int32_t Progress(std::uintptr_t param) {
    auto* self = reinterpret_cast<WatchedImage*>(param);
    self->onCaller = self->onCaller && std::this_thread::get_id() == self->caller;
    return ++self->progressCalls == self->stopProgressAt ? 1 : 0;
  }
};

TEST(ThreadCountFailures, DecoderCallbacksStayOnTheCallingThreadInRowOrder) {
  ThreadCase tiled = ThreadCases()[2];
  const Bytes file = EncodeWith(tiled, 1);
  const struct {
    int stopProgressAt;
    std::int32_t stopWriteWith;
    std::int32_t expected;
  } cases[] = {{0, 0, 0}, {40, 0, JP2_Error_Cancelled}, {0, -73, -73}};
  for (const auto& c : cases) {
    DecodeSession session(file);
    ASSERT_EQ(session.Start(), 0);
    WatchedImage watched;
    watched.image.channels = Picture();
    watched.image.stopWith = c.stopWriteWith;
    watched.stopProgressAt = c.stopProgressAt;
    const std::pair<std::uint32_t, std::uintptr_t> props[] = {
        {JP2_Prop_Threads, 3},
        {JP2_Prop_WriteCallback, reinterpret_cast<std::uintptr_t>(&WatchedImage::Write)},
        {JP2_Prop_WriteParam, reinterpret_cast<std::uintptr_t>(&watched)},
        {JP2_Prop_ProgressCallback, reinterpret_cast<std::uintptr_t>(&WatchedImage::Progress)},
        {JP2_Prop_ProgressParam, reinterpret_cast<std::uintptr_t>(&watched)}};
    for (const auto& [id, value] : props)
      ASSERT_EQ(JP2_Decompress_SetProp(session.handle, id, value), 0);
    EXPECT_EQ(JP2_Decompress_Image(session.handle), c.expected);
    EXPECT_TRUE(watched.ordered);
    EXPECT_TRUE(watched.onCaller);
    if (c.expected == 0) {
      EXPECT_EQ(LargestDifference(watched.image.channels, Picture()), 0);
    }
  }
}

}  // namespace
}  // namespace quillon::jp2::test
