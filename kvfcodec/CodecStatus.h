// Result codes of the legacy library and the lock that serialises its exports.
#pragma once

#include <cstdint>
#include <mutex>

#include "kvfcodec.h"

namespace kvfcodec {

enum Status : int {
  kOk = 0,
  kBadLevels = -1,
  kNotExpanded = -2,
  kInconsistent = -3,
  kBadFilter = -4,
  kBadExtent = -5,
  kNoMemory = -6,
  kException = -7,
  kWriteFailed = -11,
  kOpenFailed = -12,
  kNotKvf = -13,
  kNewerVersion = -14,
};

#define KVF_RETURN_IF_ERROR(expr)                   \
  do {                                              \
    const int status_ = (expr);                     \
    if (status_ != ::kvfcodec::kOk) return status_; \
  } while (false)

// Held for the whole run of every export that codes, decodes or transforms.
std::unique_lock<std::recursive_mutex> lockLibrary();

// Largest number of plane samples (all channels) the library allocates for one picture.
inline constexpr int64_t kMaxPlaneSamples = KVF_MAX_PLANE_SAMPLES;

}  // namespace kvfcodec
