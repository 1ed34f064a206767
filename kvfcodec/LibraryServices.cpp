// Memory, file streams, the module handle, the library lock and the small helper exports.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "CodecStatus.h"
#include "Extent.h"
#include "kvfcodec.h"

namespace kvfcodec {

std::unique_lock<std::recursive_mutex> lockLibrary() {
  static std::recursive_mutex mutex;
  return std::unique_lock<std::recursive_mutex>(mutex);
}

int64_t stridedExtent(const Strided& s) {
  constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
  if (s.width <= 0 || s.height <= 0 || s.channels <= 0 || s.width > kLimit || s.height > kLimit ||
      s.channels > 255)
    return -1;
  const int64_t col = s.columnStep < 0 ? -s.columnStep : s.columnStep;
  const int64_t row = s.rowStep < 0 ? -s.rowStep : s.rowStep;
  if (col < s.channels || col > kLimit || row > kLimit) return -1;
  if (s.height > 1 && row < col * s.width) return -1;
  const int64_t extent = (s.height - 1) * row + (s.width - 1) * col + s.channels;
  return extent > kLimit * 4 ? -1 : extent;
}

uint8_t* allocateBytes(int64_t extent) {
  if (extent <= 0 || extent > std::numeric_limits<int32_t>::max()) return nullptr;
  return static_cast<uint8_t*>(AllocPtr(static_cast<int32_t>(extent), 1));
}

}  // namespace kvfcodec

extern "C" {

void* AllocPtr(int32_t count, int32_t elementSize) {
  if (count <= 0 || elementSize <= 0) return nullptr;
  return std::calloc(static_cast<size_t>(count), static_cast<size_t>(elementSize));
}

int FreePtr(void* block) {
  std::free(block);
  return 0;
}

FILE* DllFopen(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  if (std::strcmp(mode, "rb") != 0 && std::strcmp(mode, "wb") != 0 && std::strcmp(mode, "ab") != 0)
    return nullptr;
  return std::fopen(path, mode);
}

int DllFclose(FILE* stream) {
  if (stream == nullptr) return kvfcodec::kBadExtent;
  return std::fclose(stream) == 0 ? 0 : kvfcodec::kWriteFailed;
}

void* GetKorvelDllHandle(void) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&GetKorvelDllHandle), &info) == 0) return nullptr;
  return info.dli_fbase;
}

int NormPic(double* plane, int32_t width, int32_t height, int32_t rowStep, int32_t columnStep,
            int32_t channels, KvfSampleMap map, intptr_t user) {
  const kvfcodec::Strided s{width, height, columnStep, rowStep, channels};
  if (plane == nullptr || map == nullptr || kvfcodec::stridedExtent(s) < 0)
    return kvfcodec::kBadExtent;
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x)
      for (int64_t c = 0; c < channels; ++c) {
        double& v = plane[kvfcodec::stridedOffset(s, x, y, c)];
        v = map(v, user);
      }
  return 0;
}

double Multiply(double factor, const double* value) {
  return value == nullptr ? 0.0 : factor * *value;
}

int TestDll(void) {
  return 0;
}

}  // extern "C"
