// The worker threads of one compression or decompression call. The calling thread and up to
// 63 workers run the tasks of batches together. Several batches may be open at once: the
// workers take them in the order they were begun, and the calling thread finishes each when
// it needs its results. While the pool lives, the caller's memory callbacks are reached through
// Memory(), which lets one thread at a time into them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <thread>

#include "common/Status.h"

#include "common/CodecMemory.h"

namespace quillon::jp2 {

inline constexpr int kMaxThreads = 64;
// Batches open at once; Begin beyond them runs the batch at once on the calling thread.
inline constexpr int kMaxOpenBatches = 128;

// Names a begun batch for Finish; a batch that had to run at once carries its result.
struct BatchTicket {
  std::uint64_t number = 0;  // 0: not open
  int slot = 0;
  Status result;
};

class WorkerPool {
 public:
  WorkerPool() = default;
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;
  ~WorkerPool() { Stop(); }

  // Starts threads - 1 workers (threads is clamped to 1 to 64). When the system refuses a
  // thread, the pool works with those it has: the call is slower, never wrong.
  void Start(int threads, const MemoryCallbacks& memory);
  // Finishes what is open, then ends the workers.
  void Stop();

  // The calling thread included.
  int Threads() const { return 1 + workerCount_; }
  const MemoryCallbacks& Memory() const { return serialMemory_; }
  // Whether Begin would have to run a batch at once.
  bool Full() const { return openCount_ == kMaxOpenBatches; }

  // Runs task(index, thread) for every index below count, thread 0 being the calling thread
  // and 1 to Threads() - 1 the workers. After a failure the tasks of the batch not yet begun
  // are skipped; the failure of the lowest index that ran is returned.
  template <typename Task>
  Status Run(std::uint32_t count, Task& task) {
    BatchTicket batch = Begin(count, task);
    return Finish(batch);
  }

  // Hands a batch to the workers and returns at once, so that the calling thread can go on
  // with other work; task must live until the batch is finished. Only the calling thread
  // begins and finishes batches.
  // Workers take the batches in the order they were begun, deferred ones after all others.
  template <typename Task>
  BatchTicket Begin(std::uint32_t count, Task& task, bool deferred = false) {
    return BeginBatch(count, &Invoke<Task>, &task, deferred);
  }
  // The calling thread takes part in the batch, and in others while workers end its last
  // tasks, until every task of it has run; returns its result as Run does, success for a
  // ticket already finished.
  Status Finish(BatchTicket& ticket);
  // Finishes every open batch in the order they were begun; the first failure.
  Status Finish();

 private:
  using TaskFn = Status (*)(void* task, std::uint32_t index, int thread);

  template <typename Task>
  static Status Invoke(void* task, std::uint32_t index, int thread) {
    return (*static_cast<Task*>(task))(index, thread);
  }

  struct Slot {
    TaskFn fn = nullptr;
    void* task = nullptr;
    std::uint32_t count = 0;
    bool deferred = false;
    std::uint64_t number = 0;  // guarded by mutex_; 0 when free
    int users = 0;             // guarded by mutex_: workers inside the batch
    std::atomic<std::uint32_t> next{0};
    std::atomic<bool> failed{false};
    std::uint32_t failedIndex = 0;  // guarded by mutex_
    Status failure;                 // guarded by mutex_
  };

  BatchTicket BeginBatch(std::uint32_t count, TaskFn fn, void* task, bool deferred);
  // The open slot that still has tasks to hand out, the first begun among those not deferred,
  // else among the deferred ones; null when none. Under mutex_.
  Slot* NextToWork();
  void WorkerLoop(int thread);
  // Takes the slot's indices until none is left.
  void Work(Slot& slot, int thread);
  // Takes one index and runs its task (skipped after a failure); false when none was left.
  bool WorkOne(Slot& slot, int thread);

  static void* SerialAlloc(std::uint32_t size, std::uintptr_t param);
  static std::int32_t SerialFree(void* block, std::uintptr_t param);

  std::thread workers_[kMaxThreads - 1];
  int workerCount_ = 0;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  Slot slots_[kMaxOpenBatches];
  int openCount_ = 0;                        // the calling thread's: slots in use
  std::uint64_t begun_ = 0;                  // guarded by mutex_; counts batches
  std::atomic<std::uint64_t> published_{0};  // begun_, for workers looking without the lock
  bool stopping_ = false;                    // guarded by mutex_

  MemoryCallbacks callerMemory_;
  MemoryCallbacks serialMemory_;
  std::mutex memoryMutex_;
};

// One T per thread of a pool, each with its own Init(memory) and Release(), in codec memory.
template <typename T>
class PerThread {
 public:
  Status Init(const MemoryCallbacks& memory, int count) {
    memory_ = memory;
    BlockLayout layout;
    layout.Add(static_cast<std::uint64_t>(count), sizeof(T));
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory, layout, &block_));
    items_ = reinterpret_cast<T*>(block_.data);
    // Counted before its Init, so that Release also frees what a failed Init took.
    while (count_ < count) {
      T& item = *new (&items_[count_++]) T();
      JP2_RETURN_IF_ERROR(item.Init(memory));
    }
    return JP2_Success;
  }

  // Releases every item, then the array; the first failure is returned.
  Status Release() {
    Status result;
    for (int i = 0; i < count_; ++i) {
      const Status released = items_[i].Release();
      if (result.ok()) result = released;
      items_[i].~T();
    }
    count_ = 0;
    const Status freed = jp2::Release(memory_, &block_);
    return result.ok() ? freed : result;
  }

  T& operator[](int thread) { return items_[thread]; }

 private:
  MemoryCallbacks memory_;
  OwnedBlock block_;
  T* items_ = nullptr;
  int count_ = 0;
};

}  // namespace quillon::jp2
