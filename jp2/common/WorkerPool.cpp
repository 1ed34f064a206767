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
  static_cast<void>(Finish());
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

BatchTicket WorkerPool::BeginBatch(std::uint32_t count, TaskFn fn, void* task, bool deferred) {
  if (count == 0) return BatchTicket{};
  if (openCount_ == kMaxOpenBatches) {
    // No slot for the workers to find it in: the calling thread runs it now.
    Slot alone;
    alone.fn = fn;
    alone.task = task;
    alone.count = count;
    Work(alone, 0);
    return BatchTicket{0, 0, alone.failure};
  }
  // Only the calling thread changes a slot's number, so it may read them without the lock.
  Slot* slot = slots_;
  while (slot->number != 0) ++slot;
  {
    std::lock_guard lock(mutex_);
    slot->fn = fn;
    slot->task = task;
    slot->count = count;
    slot->deferred = deferred;
    slot->next.store(0, std::memory_order_relaxed);
    slot->failed.store(false, std::memory_order_relaxed);
    slot->failure = JP2_Success;
    slot->number = ++begun_;
    published_.store(begun_, std::memory_order_release);
  }
  ++openCount_;
  if (workerCount_ != 0) wake_.notify_all();
  return BatchTicket{slot->number, static_cast<int>(slot - slots_), JP2_Success};
}

WorkerPool::Slot* WorkerPool::NextToWork() {
  Slot* first = nullptr;
  for (Slot& slot : slots_) {
    if (slot.number == 0 || slot.next.load(std::memory_order_relaxed) >= slot.count) continue;
    if (first == nullptr ||
        (slot.deferred != first->deferred ? first->deferred : slot.number < first->number)) {
      first = &slot;
    }
  }
  return first;
}

Status WorkerPool::Finish(BatchTicket& ticket) {
  const BatchTicket taken = ticket;
  ticket = BatchTicket{};
  if (taken.number == 0) return taken.result;
  Slot* slot = &slots_[taken.slot];
  if (slot->number != taken.number) return JP2_Success;  // finished by Finish()
  Work(*slot, 0);
  std::unique_lock lock(mutex_);
  // While workers run the batch's last tasks, the calling thread takes tasks of other batches
  // one at a time. Only it begins batches, so once none has a task left it only waits.
  while (slot->users != 0) {
    Slot* other = NextToWork();
    if (other == nullptr) {
      idle_.wait(lock, [slot] { return slot->users == 0; });
      break;
    }
    ++other->users;
    lock.unlock();
    static_cast<void>(WorkOne(*other, 0));
    lock.lock();
    if (--other->users == 0) idle_.notify_all();
  }
  const Status result = slot->failure;
  slot->number = 0;
  --openCount_;
  return result;
}

Status WorkerPool::Finish() {
  Status first;
  while (openCount_ != 0) {
    Slot* oldest = nullptr;
    for (Slot& slot : slots_) {
      if (slot.number != 0 && (oldest == nullptr || slot.number < oldest->number)) oldest = &slot;
    }
    BatchTicket ticket{oldest->number, static_cast<int>(oldest - slots_), JP2_Success};
    const Status status = Finish(ticket);
    if (first.ok()) first = status;
  }
  return first;
}

void WorkerPool::WorkerLoop(int thread) {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    Slot* slot = NextToWork();
    if (slot == nullptr) {
      const std::uint64_t seen = begun_;
      lock.unlock();
      for (int spin = 0; spin < kSpinsBeforeSleep; ++spin) {
        if (published_.load(std::memory_order_acquire) != seen) break;
        Relax();
      }
      lock.lock();
      wake_.wait(lock, [&] { return stopping_ || begun_ != seen; });
      continue;
    }
    ++slot->users;
    lock.unlock();
    Work(*slot, thread);
    lock.lock();
    if (--slot->users == 0) idle_.notify_all();
  }
}

void WorkerPool::Work(Slot& slot, int thread) {
  while (WorkOne(slot, thread)) {
  }
}

bool WorkerPool::WorkOne(Slot& slot, int thread) {
  const std::uint32_t index = slot.next.fetch_add(1, std::memory_order_relaxed);
  if (index >= slot.count) return false;
  if (slot.failed.load(std::memory_order_relaxed)) return true;
  const Status status = slot.fn(slot.task, index, thread);
  if (status.ok()) return true;
  std::lock_guard lock(mutex_);
  if (!slot.failed.load(std::memory_order_relaxed) || index < slot.failedIndex) {
    slot.failedIndex = index;
    slot.failure = status;
  }
  slot.failed.store(true, std::memory_order_relaxed);
  return true;
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
