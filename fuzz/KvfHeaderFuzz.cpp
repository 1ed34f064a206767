// Feeds arbitrary bytes to the KVF header reader through a small refilled buffer, with and
// without payload destinations; any outcome but a crash or a sanitizer report is fine.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kvf/KvfHeader.h"

namespace {

struct FuzzFile {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
  std::uint8_t* buffer;
};

std::int32_t Fetch(void* context, std::uint32_t size) {
  auto* file = static_cast<FuzzFile*>(context);
  const std::size_t count = std::min<std::size_t>(size, file->size - file->position);
  if (count > 0) std::memcpy(file->buffer, file->data + file->position, count);
  file->position += count;
  return static_cast<std::int32_t>(count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (const bool withSinks : {false, true}) {
    std::uint8_t buffer[37];
    FuzzFile file{data, size, 0, buffer};
    const std::uint32_t filled = static_cast<std::uint32_t>(Fetch(&file, sizeof buffer));
    kvf::KvfInputStream in;
    if (in.Open({buffer, filled, &Fetch, nullptr, &file}) != kvf::KvfStatus::ok) return 0;
    kvf::KvfRegion regions[4];
    std::uint32_t stripeSizes[8];
    std::vector<std::uint8_t> privateData(withSinks ? 4096 : 0);
    kvf::KvfHeaderSinks sinks;
    if (withSinks) sinks = {regions, stripeSizes, privateData};
    kvf::KvfHeader header;
    if (kvf::ReadKvfHeader(in, header, sinks) == kvf::KvfStatus::ok) {
      static_cast<void>(kvf::CheckKvfCodingLayout(header));
    }
  }
  return 0;
}
