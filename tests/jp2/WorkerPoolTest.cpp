// Batches begun on the pool run while the calling thread does other work, and Finish comes
// back only when every task of its batch has run, with 1, 2 and 3 threads; batches beyond
// the open ones the pool has room for, and failures, reach the right Finish.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/WorkerPool.h"

namespace quillon::jp2::test {
namespace {

TEST(WorkerPool, FinishWaitsForEveryTaskOfTheBatchBegun) {
  for (const int threads : {1, 2, 3}) {
    WorkerPool pool;
    pool.Start(threads, MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0));
    std::atomic<int> ran{0};
    auto task = [&ran](std::uint32_t, int) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
      ran.fetch_add(1);
      return Status();
    };
    for (int batch = 0; batch < 20; ++batch) {
      pool.Begin(40, task);
      std::this_thread::sleep_for(std::chrono::microseconds(200));  // the caller's own work
      ASSERT_TRUE(pool.Finish().ok());
      ASSERT_EQ(ran.load(), 40 * (batch + 1)) << threads << " threads, batch " << batch;
    }
    EXPECT_TRUE(pool.Finish().ok()) << "no batch open";
  }
}

TEST(WorkerPool, ManyOpenBatchesFinishInAnyOrderWithTheirOwnResults) {
  for (const int threads : {1, 2, 3}) {
    WorkerPool pool;
    pool.Start(threads, MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0));
    constexpr int kBatches = kMaxOpenBatches + 5;  // the last ones find the pool full
    struct Counting {
      std::atomic<int> ran{0};
      int failAt = -1;
      Status operator()(std::uint32_t index, int) {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        ran.fetch_add(1);
        return static_cast<int>(index) == failAt ? Status(JP2_Error_Internal) : Status();
      }
    };
    Counting tasks[kBatches];
    BatchTicket batches[kBatches];
    for (int b = 0; b < kBatches; ++b) {
      tasks[b].failAt = b % 7 == 3 ? 2 : -1;
      batches[b] = pool.Begin(10, tasks[b], /*deferred=*/b % 2 == 1);
    }
    EXPECT_TRUE(pool.Full());
    // Newest first, so that each Finish finds older batches still open.
    for (int b = kBatches; b-- > 0;) {
      const Status status = pool.Finish(batches[b]);
      EXPECT_EQ(status.ok(), tasks[b].failAt < 0) << threads << " threads, batch " << b;
      if (status.ok()) {
        EXPECT_EQ(tasks[b].ran.load(), 10) << threads << " threads, batch " << b;
      }
      EXPECT_TRUE(pool.Finish(batches[b]).ok()) << "finished once";
    }
    EXPECT_FALSE(pool.Full());
  }
}

}  // namespace
}  // namespace quillon::jp2::test
