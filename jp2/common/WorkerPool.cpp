#include "common/WorkerPool.h"

#include <algorithm>
#include <system_error>

namespace quillon::jp2 {
namespace {

// How long a worker looks for the next batch before it sleeps: batches follow each other
// within microseconds while a tile is coded, and a sleep and wake cost more than that.
constexpr int kSpinsBeforeSleep = 4000;

inline void Relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

void WorkerPool::Start(int threads, const MemoryCallbacks& memory) {
  callerMemory_ = memory;
  serialMemory_ = MemoryCallbacks{&SerialAlloc, reinterpret_cast<std::uintptr_t>(this), &SerialFree,
                                  reinterpret_cast<std::uintptr_t>(this)};
  const int wanted = std::clamp(threads, 1, kMaxThreads) - 1;
  for (; workerCount_ < wanted; ++workerCount_) {
    try {
      workers_[workerCount_] = std::thread(&WorkerPool::WorkerLoop, this, workerCount_ + 1);
    } catch (const std::system_error&) {
      break;
    }
  }
}

void WorkerPool::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (int i = 0; i < workerCount_; ++i) workers_[i].join();
  workerCount_ = 0;
  std::lock_guard lock(mutex_);
  stopping_ = false;
}

void WorkerPool::BeginBatch(std::uint32_t count, TaskFn fn, void* task) {
  open_ = Batch{fn, task, count};
  // Alone or with one task, the calling thread runs the batch in Finish.
  if (workerCount_ == 0 || count <= 1) return;
  {
    std::unique_lock lock(mutex_);
    // A worker that woke late for the previous batch leaves it before the counters restart.
    idle_.wait(lock, [this] { return active_ == 0; });
    batch_ = open_;
    next_.store(0, std::memory_order_relaxed);
    failed_.store(false, std::memory_order_relaxed);
    failure_ = JP2_Success;
    ++generation_;
    published_.store(generation_, std::memory_order_release);
  }
  wake_.notify_all();
}

Status WorkerPool::Finish() {
  const Batch batch = open_;
  open_ = Batch{};
  if (batch.count == 0) return JP2_Success;
  if (workerCount_ == 0 || batch.count == 1) {
    for (std::uint32_t i = 0; i < batch.count; ++i) {
      JP2_RETURN_IF_ERROR(batch.fn(batch.task, i, 0));
    }
    return JP2_Success;
  }
  Work(batch, 0);
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return active_ == 0; });
  return failure_;
}

void WorkerPool::WorkerLoop(int thread) {
  std::uint64_t seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    lock.unlock();
    for (int spin = 0; spin < kSpinsBeforeSleep; ++spin) {
      if (published_.load(std::memory_order_acquire) != seen) break;
      Relax();
    }
    lock.lock();
    wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
    if (stopping_) return;
    seen = generation_;
    const Batch batch = batch_;
    ++active_;
    lock.unlock();
    Work(batch, thread);
    lock.lock();
    if (--active_ == 0) idle_.notify_all();
  }
}

void WorkerPool::Work(const Batch& batch, int thread) {
  for (;;) {
    const std::uint32_t index = next_.fetch_add(1, std::memory_order_relaxed);
    if (index >= batch.count) return;
    if (failed_.load(std::memory_order_relaxed)) continue;
    const Status status = batch.fn(batch.task, index, thread);
    if (status.ok()) continue;
    std::lock_guard lock(mutex_);
    if (!failed_.load(std::memory_order_relaxed) || index < failedIndex_) {
      failedIndex_ = index;
      failure_ = status;
    }
    failed_.store(true, std::memory_order_relaxed);
  }
}

void* WorkerPool::SerialAlloc(std::uint32_t size, std::uintptr_t param) {
  auto* pool = reinterpret_cast<WorkerPool*>(param);
  std::lock_guard lock(pool->memoryMutex_);
  return pool->callerMemory_.alloc(size, pool->callerMemory_.allocParam);
}

std::int32_t WorkerPool::SerialFree(void* block, std::uintptr_t param) {
  auto* pool = reinterpret_cast<WorkerPool*>(param);
  std::lock_guard lock(pool->memoryMutex_);
  return pool->callerMemory_.release(block, pool->callerMemory_.freeParam);
}

}  // namespace quillon::jp2
