// Feeds arbitrary bytes to the KVF decoder: header, password check, stripes, inverse
// transforms and output rows, at full and at half size. Work buffers are capped as a caller
// caps them against the input; any outcome but a crash or a sanitizer report is fine.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kvf/KvfColourModes.h"
#include "kvf/KvfDecoder.h"

namespace {

constexpr std::uint64_t kMemoryCap = 64u << 20;

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

void DecodeOnce(const std::uint8_t* data, std::size_t size, bool half) {
  std::uint8_t buffer[256];
  FuzzFile file{data, size, 0, buffer};
  kvf::KvfInputStream in;
  const auto filled = static_cast<std::uint32_t>(Fetch(&file, sizeof buffer));
  if (in.Open({buffer, filled, &Fetch, nullptr, &file}) != kvf::KvfStatus::ok) return;
  kvf::KvfHeader header;
  if (kvf::ReadKvfHeader(in, header, {}) != kvf::KvfStatus::ok) return;

  kvf::KvfDecodeSettings settings;
  const kvf::KvfColourMode* mode = kvf::FindKvfColourMode(header.picture.colourMode);
  if (mode == nullptr) return;
  const bool wide = mode->sampleBits == 16;
  settings.layout = mode->components == 1   ? (wide ? 32 : 0)
                    : mode->components == 3 ? (wide ? 33 : 16)
                                            : (wide ? 36 : 2);
  settings.width = header.picture.width >> (half ? 1 : 0);
  settings.height = header.picture.height >> (half ? 1 : 0);
  settings.password = size % 2 == 0 ? "fuzz" : "";
  settings.byteBudget = static_cast<std::uint32_t>(size % 3 == 0 ? size / 2 : 0);
  kvf::KvfBufferSizes sizes{};
  if (kvf::KvfDecoder::Plan(header, settings, sizes) != kvf::KvfStatus::ok) return;
  std::uint64_t total = std::uint64_t{settings.width} * 8;
  for (std::uint32_t bytes : sizes) total += bytes;
  if (total > kMemoryCap) return;

  std::array<std::vector<std::byte>, kvf::kKvfWorkBufferCount> memory;
  kvf::KvfWorkBuffers buffers;
  for (std::size_t i = 0; i < buffers.size(); ++i) {
    memory[i].resize(sizes[i]);
    buffers[i] = memory[i];
  }
  FuzzFile again{data, size, 0, buffer};
  const auto refilled = static_cast<std::uint32_t>(Fetch(&again, sizeof buffer));
  if (kvf::KvfDecoder::Start(settings, buffers, {buffer, refilled, &Fetch, nullptr, &again}) !=
      kvf::KvfStatus::ok) {
    return;
  }
  std::vector<std::uint8_t> row(std::size_t{settings.width} * 8);
  kvf::KvfDecodeReport report;
  for (std::uint32_t y = 0; y < settings.height; ++y) {
    if (kvf::KvfDecoder::DecodeRows(buffers, y, y + 1, {row.data(), 0}, report) !=
        kvf::KvfStatus::ok) {
      return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodeOnce(data, size, false);
  DecodeOnce(data, size, true);
  return 0;
}
