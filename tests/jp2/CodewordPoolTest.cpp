// The codeword pool: copies stay where they were put, new blocks open at ten times the
// request, failures lose nothing held, and release gives every block back.
#include <gtest/gtest.h>

#include <vector>

#include "encoder/CodewordPool.h"
#include "support/CountingAllocator.h"

namespace quillon::jp2::test {
namespace {

class CodewordPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pool_.Init(MemoryCallbacksOrDefaults(CountingAllocator::Allocate, allocator_.Param(),
                                         CountingAllocator::Release, allocator_.Param()));
  }

  CountingAllocator allocator_;
  CodewordPool pool_;
};

TEST_F(CodewordPoolTest, CopiesStayPutAcrossNewBlocks) {
  std::vector<std::vector<std::uint8_t>> words;
  std::vector<const std::uint8_t*> stored;
  for (int i = 0; i < 300; ++i) {
    words.emplace_back(static_cast<std::size_t>(i * 37 % 2000), static_cast<std::uint8_t>(i));
    const std::uint8_t* at = nullptr;
    ASSERT_TRUE(
        pool_.Append(words.back().data(), static_cast<std::uint32_t>(words.back().size()), &at)
            .ok());
    ASSERT_NE(at, nullptr);
    stored.push_back(at);
  }
  EXPECT_GT(pool_.BlockCount(), 1u);
  for (std::size_t i = 0; i < words.size(); ++i) {
    ASSERT_EQ(std::vector<std::uint8_t>(stored[i], stored[i] + words[i].size()), words[i]) << i;
  }
  EXPECT_TRUE(pool_.Release().ok());
  EXPECT_TRUE(allocator_.live.empty());
  EXPECT_EQ(pool_.BlockCount(), 0u);
}

TEST_F(CodewordPoolTest, LargeCodewordOpensABlockOfTenTimesItsSize) {
  const std::vector<std::uint8_t> word(100000, 0x5A);
  const std::uint8_t* at = nullptr;
  ASSERT_TRUE(pool_.Append(word.data(), 100000, &at).ok());
  EXPECT_GE(allocator_.largest, 1000000u);
  // The block it opened takes the following codewords too.
  ASSERT_TRUE(pool_.Append(word.data(), 100000, &at).ok());
  EXPECT_EQ(pool_.BlockCount(), 1u);
  EXPECT_TRUE(pool_.Release().ok());
}

TEST_F(CodewordPoolTest, RefusedBlockKeepsWhatThePoolHeld) {
  const std::vector<std::uint8_t> word(400000, 0x33);
  const std::uint8_t* first = nullptr;
  ASSERT_TRUE(pool_.Append(word.data(), 40000, &first).ok());  // opens 400000 bytes
  allocator_.failAt = allocator_.allocations;
  const std::uint8_t* second = reinterpret_cast<const std::uint8_t*>(1);
  EXPECT_EQ(pool_.Append(word.data(), 400000, &second).code(), JP2_Error_OutOfMemory);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(first, first + 40000),
            std::vector<std::uint8_t>(word.begin(), word.begin() + 40000));
  EXPECT_TRUE(pool_.Release().ok());
  EXPECT_TRUE(allocator_.live.empty());
}

TEST_F(CodewordPoolTest, FailedReleaseReportsAndKeepsTheRest) {
  // Each codeword is too long for what the block before has left: three blocks.
  const std::vector<std::uint8_t> word(655360, 1);
  const std::uint8_t* at = nullptr;
  for (const std::uint32_t length : {1u, 65536u, 655360u}) {
    ASSERT_TRUE(pool_.Append(word.data(), length, &at).ok());
  }
  ASSERT_EQ(pool_.BlockCount(), 3u);
  allocator_.failReleaseAt = allocator_.releaseCalls + 1;
  EXPECT_EQ(pool_.Release().code(), allocator_.releaseError);
  EXPECT_EQ(pool_.BlockCount(), 2u);
  EXPECT_TRUE(pool_.Release().ok());
  EXPECT_TRUE(allocator_.live.empty());
  EXPECT_EQ(allocator_.badReleases, 0);
}

}  // namespace
}  // namespace quillon::jp2::test
