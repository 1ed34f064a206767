#include "core/formats/jp2/Jpeg2000Threads.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace quillon {
namespace {

std::atomic<int> chosen{0};  // 0: one per core

}  // namespace

int Jpeg2000Threads() {
  const int threads = chosen.load(std::memory_order_relaxed);
  if (threads != 0) return threads;
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxJpeg2000Threads);
}

void SetJpeg2000Threads(int threads) {
  chosen.store(std::clamp(threads, 1, kMaxJpeg2000Threads), std::memory_order_relaxed);
}

}  // namespace quillon
