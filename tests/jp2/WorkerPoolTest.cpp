// Batches begun on the pool run while the calling thread does other work, and Finish comes
// back only when every task of its batch has run, with 1, 2 and 3 threads; batches beyond
// the open ones the pool has room for, and failures, reach the right Finish; a waiting caller
// works on other batches.
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

// A worker is inside the one task of the awaited batch, which ends only once a later batch
// has run: the calling thread must run that batch while it waits, or both wait for ever.
TEST(WorkerPool, WaitingCallerRunsOtherBatchesWhileAWorkerEndsTheAwaitedOne) {
  WorkerPool pool;
  pool.Start(2, MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0));
  std::atomic<bool> started{false};
  std::atomic<int> laterRan{0};
  constexpr int kLater = 8;
  auto awaited = [&](std::uint32_t, int thread) {
    started = true;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (laterRan.load() < kLater) {
      if (std::chrono::steady_clock::now() > give_up) return Status(JP2_Error_Internal);
      std::this_thread::yield();
    }
    return thread != 0 ? Status() : Status(JP2_Error_Internal);
  };
  auto later = [&](std::uint32_t, int) {
    laterRan.fetch_add(1);
    return Status();
  };
  BatchTicket first = pool.Begin(1, awaited);
  while (!started.load()) std::this_thread::yield();  // the worker has it
  BatchTicket second = pool.Begin(kLater, later);
  EXPECT_TRUE(pool.Finish(first).ok());
  EXPECT_EQ(laterRan.load(), kLater);
  EXPECT_TRUE(pool.Finish(second).ok());
}

}  // namespace
}  // namespace quillon::jp2::test
