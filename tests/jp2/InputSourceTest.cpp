// The input source: reads across cache blocks, past the cached bytes, with caching off, and a
// read function that misbehaves.
#include <gtest/gtest.h>

#include "decoder/InputSource.h"
#include "support/CountingAllocator.h"
#include "support/DecodeSession.h"

namespace quillon::jp2::test {
namespace {

struct Input {
  Bytes bytes;
  int calls = 0;
  std::int32_t result = 0;  // when not 0, what the read function reports instead of the truth

  static std::int32_t Read(void* buffer, std::uint32_t offset, std::uint32_t count,
                           std::uintptr_t param) {
    auto* self = reinterpret_cast<Input*>(param);
    ++self->calls;
    const auto n = static_cast<std::uint32_t>(
        offset >= self->bytes.size() ? 0
                                     : std::min<std::size_t>(count, self->bytes.size() - offset));
    if (n != 0) std::memcpy(buffer, self->bytes.data() + offset, n);
    return self->result != 0 ? self->result : static_cast<std::int32_t>(n);
  }
};

TEST(InputSource, CachedUncachedAndLoadedReadsAgree) {
  Input input;
  input.bytes.resize(3 * kCacheBlockSize + 123);
  for (std::size_t i = 0; i < input.bytes.size(); ++i)
    input.bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  CountingAllocator allocator;
  const MemoryCallbacks memory{CountingAllocator::Allocate, allocator.Param(),
                               CountingAllocator::Release, allocator.Param()};
  InputSource source;
  ASSERT_EQ(source.Open(memory, Input::Read, reinterpret_cast<std::uintptr_t>(&input)).code(), 0);
  EXPECT_EQ(source.CachedBytes(), kCacheBlockSize);

  const auto check = [&](const char* when) {
    for (const std::uint64_t offset :
         {std::uint64_t{0}, std::uint64_t{kCacheBlockSize - 3},
          std::uint64_t{2 * kCacheBlockSize + 5}, std::uint64_t{input.bytes.size() - 4}}) {
      std::uint8_t bytes[10] = {};
      const std::uint64_t available = std::min<std::uint64_t>(10, input.bytes.size() - offset);
      EXPECT_EQ(source.Read(offset, 10, bytes), 10 - available) << when << " at " << offset;
      EXPECT_EQ(std::memcmp(bytes, input.bytes.data() + offset, available), 0)
          << when << " at " << offset;
    }
  };
  check("first block cached");
  source.SetCaching(false);
  check("uncached");
  source.SetCaching(true);
  ASSERT_EQ(source.LoadAll(memory).code(), 0);
  EXPECT_EQ(source.CachedBytes(), input.bytes.size());
  const int callsLoaded = input.calls;
  check("all cached");
  EXPECT_EQ(input.calls, callsLoaded + 1) << "only the read past the end goes to the callback";
  EXPECT_EQ(source.HighWater(), input.bytes.size());

  std::uint8_t byte = 0;
  EXPECT_EQ(source.Read(kReadableLimit, 1, &byte), 1u) << "beyond the 32-bit read interface";
  ASSERT_EQ(source.Close(memory).code(), 0);
  EXPECT_TRUE(allocator.live.empty());
}

TEST(InputSource, AReadFunctionReportingMoreThanAskedIsNotBelieved) {
  Input input;
  input.bytes = {1, 2, 3};
  input.result = 100000;
  CountingAllocator allocator;
  const MemoryCallbacks memory{CountingAllocator::Allocate, allocator.Param(),
                               CountingAllocator::Release, allocator.Param()};
  InputSource source;
  ASSERT_EQ(source.Open(memory, Input::Read, reinterpret_cast<std::uintptr_t>(&input)).code(), 0);
  EXPECT_EQ(source.CachedBytes(), kCacheBlockSize) << "the claim is capped at the request";
  source.SetCaching(false);
  input.result = -5;
  std::uint8_t bytes[4] = {};
  EXPECT_EQ(source.Read(1, 4, bytes), 4u) << "a negative result delivers nothing";
  ASSERT_EQ(source.Close(memory).code(), 0);
}

}  // namespace
}  // namespace quillon::jp2::test
