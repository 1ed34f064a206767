// A batch begun on the pool runs while the calling thread does other work, and Finish comes
// back only when every task of it has run, with 1, 2 and 3 threads.
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

}  // namespace
}  // namespace quillon::jp2::test
