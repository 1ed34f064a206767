// The codec's C interface with what a caller may choose: a small fetch buffer that the header
// outgrows, a password, a byte budget, half-size output and row windows of a few rows.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kvf/kvf.h"

namespace {

constexpr std::uint64_t kMemoryCap = 64u << 20;
// Large pictures from a few bytes are legitimate work, only slow: the program refuses them
// against the file size, and the fuzzer has better use for its time.
constexpr std::uint64_t kPixelCap = 1u << 22;
constexpr std::size_t kBufferSize = 64;

struct FuzzFile {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
  std::uint8_t* buffer;

  static std::int32_t Fetch(void* context, std::uint32_t count) {
    auto* file = static_cast<FuzzFile*>(context);
    const std::size_t left = file->position < file->size ? file->size - file->position : 0;
    const std::size_t take = std::min<std::size_t>(count, left);
    if (take > 0) std::memcpy(file->buffer, file->data + file->position, take);
    file->position += take;
    return static_cast<std::int32_t>(take);
  }
  static std::int32_t Seek(void* context, std::int32_t offset) {
    auto* file = static_cast<FuzzFile*>(context);
    const std::int64_t target = static_cast<std::int64_t>(file->position) + offset;
    if (target < 0) return -1;
    file->position = static_cast<std::size_t>(target);
    return 0;
  }
};

void Allocate(KvfWorkspace& workspace,
              std::array<std::vector<std::uint8_t>, KVF_WORK_BUFFERS>& memory) {
  for (int i = 0; i < KVF_WORK_BUFFERS; ++i) {
    memory[i].assign(workspace.sizes[i], 0);
    workspace.buffers[i] = memory[i].data();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t buffer[kBufferSize];
  FuzzFile file{data, size, 0, buffer};
  KvfDecodeParams params{};
  params.buffer = buffer;
  params.filled = static_cast<std::uint32_t>(FuzzFile::Fetch(&file, kBufferSize));
  params.fetch = &FuzzFile::Fetch;
  params.seek = &FuzzFile::Seek;
  params.context = &file;
  KvfWorkspace workspace{};
  workspace.tag = KVF_INTERFACE_TAG;
  std::array<std::vector<std::uint8_t>, KVF_WORK_BUFFERS> memory;
  if (KvfInit(&workspace) != 0) return 0;
  Allocate(workspace, memory);
  KvfInfo info{};
  if (KvfReadHeader(&info, &params, &workspace) != 0) return 0;

  const bool half = size % 3 == 1;
  KvfImage image{};
  image.width = static_cast<std::int32_t>(std::min<std::uint32_t>(info.width >> half, 0x7FFFFFFF));
  image.height =
      static_cast<std::int32_t>(std::min<std::uint32_t>(info.height >> half, 0x7FFFFFFF));
  image.format = size % 2 == 0 ? KVF_LAYOUT_BYTES_012 : KVF_LAYOUT_GREY;
  KvfPassword password{};
  std::strcpy(password.text, "fuzz");
  params.password = size % 5 == 0 ? &password : nullptr;
  params.qualityLimit = static_cast<std::uint16_t>(size % 7 == 0 ? 300 : 1024);
  params.byteBudget = static_cast<std::int32_t>(size % 4 == 0 ? size / 2 : 0);
  std::vector<std::uint8_t> privateData(size % 11 == 0 ? 512 : 0);
  params.privateData = privateData.empty() ? nullptr : privateData.data();
  params.privateSize = static_cast<std::uint32_t>(privateData.size());
  if (std::uint64_t{info.width} * info.height > kPixelCap) return 0;
  if (KvfDecodeInit(&image, &params, &workspace) != 0) return 0;
  std::uint64_t total = std::uint64_t{static_cast<std::uint32_t>(image.width)} * 3 * 4;
  for (std::uint32_t bytes : workspace.sizes) total += bytes;
  if (total > kMemoryCap) return 0;
  Allocate(workspace, memory);

  // Four rows of output, rewritten by every window.
  std::vector<std::uint8_t> rows(std::size_t(image.width) * 3 * 4);
  image.stride = 0;
  image.rows = rows.data();
  const std::int32_t window = 1 + static_cast<std::int32_t>(size % 4);
  for (std::int32_t y = 0; y < image.height; y += window) {
    params.firstRow = y;
    params.endRow = std::min(y + window, image.height);
    params.flags = y == 0 ? KVF_FIRST_CALL : 0;
    // Row r lands at rows + r * stride; a stride of 0 keeps every row in the first.
    if (KvfDecode(&image, &params, &workspace) != 0) return 0;
  }
  return 0;
}
