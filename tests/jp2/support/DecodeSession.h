// Runs the decoder over the C interface on bytes held in memory, with counted allocations;
// builds JP2 files box by box for the edge cases.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/BoxFields.h"
#include "common/BoxHeader.h"
#include "jp2.h"
#include "support/CountingAllocator.h"
#include "support/EncodeSession.h"

namespace quillon::jp2::test {

using Bytes = std::vector<std::uint8_t>;

// A segment writer that appends to a vector.
class VectorSink final : public SegmentWriter {
 public:
  Status Put(const std::uint8_t* bytes, std::uint32_t count) override {
    out.insert(out.end(), bytes, bytes + count);
    return JP2_Success;
  }
  std::vector<std::uint8_t> out;
};

// Writes one box with the shared writer, or a raw box of type around contents.
template <typename Box>
Bytes Written(const Box& box) {
  VectorSink sink;
  EXPECT_EQ(box.Write(sink).code(), 0);
  return sink.out;
}

inline Bytes RawBox(const char (&type)[5], const Bytes& contents) {
  VectorSink sink;
  EXPECT_EQ(BoxHeader::For(FourCC(type), contents.size()).Write(sink).code(), 0);
  sink.out.insert(sink.out.end(), contents.begin(), contents.end());
  return sink.out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes Signature() {
  return Bytes(SignatureBox::kBytes, SignatureBox::kBytes + 12);
}

inline Bytes FileType(std::uint32_t brand = kBrandJp2,
                      std::vector<std::uint32_t> listed = {kBrandJp2}) {
  FileTypeBox box;
  box.brand = brand;
  box.compatibility = listed;
  return Written(box);
}

// The codestream inside a JP2 file written by our encoder: the contents of its 'jp2c'.
inline Bytes CodestreamOf(const Bytes& file) {
  std::size_t at = 12;
  while (at + 8 <= file.size()) {
    const std::uint32_t length = ReadU32(file.data() + at);
    if (ReadU32(file.data() + at + 4) == kBoxCodestream) {
      return Bytes(
          file.begin() + static_cast<std::ptrdiff_t>(at + 8),
          length == 0 ? file.end() : file.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    if (length < 8) break;
    at += length;
  }
  return file;  // already a codestream
}

inline Bytes Jp2File(const Bytes& headerBoxes, const Bytes& codestream,
                     const Bytes& trailing = {}) {
  return Concat(
      {Signature(), FileType(), RawBox("jp2h", headerBoxes), RawBox("jp2c", codestream), trailing});
}

// A decoder handle over bytes in memory; End is checked and leaks are caught.
class DecodeSession {
 public:
  explicit DecodeSession(Bytes input) : bytes(std::move(input)) {}
  ~DecodeSession() {
    if (handle != nullptr) {
      EXPECT_EQ(JP2_Decompress_End(handle), 0);
    }
    EXPECT_TRUE(allocator.live.empty()) << allocator.live.size() << " blocks not released";
    EXPECT_EQ(allocator.badReleases, 0);
  }

  static std::int32_t Read(void* buffer, std::uint32_t offset, std::uint32_t count,
                           std::uintptr_t param) {
    auto* self = reinterpret_cast<DecodeSession*>(param);
    ++self->reads;
    if (offset >= self->bytes.size()) return 0;
    const auto n =
        static_cast<std::uint32_t>(std::min<std::size_t>(count, self->bytes.size() - offset));
    std::memcpy(buffer, self->bytes.data() + offset, n);
    return static_cast<std::int32_t>(n);
  }

  std::int32_t Start() {
    const std::int32_t status = JP2_Decompress_Start(
        &handle, CountingAllocator::Allocate, allocator.Param(), CountingAllocator::Release,
        allocator.Param(), Read, reinterpret_cast<std::uintptr_t>(this));
    if (status == 0) {
      EXPECT_EQ(JP2_Decompress_SetProp(handle, JP2_Prop_Threads, TestThreads()), 0);
    }
    return status;
  }

  // A property; -1000 - code when GetProp fails.
  std::int64_t Prop(std::uint32_t id, std::int32_t tile = 0, std::int16_t channel = 0) {
    std::uintptr_t value = 0;
    const std::int32_t status = JP2_Decompress_GetProp(handle, id, &value, tile, channel);
    return status == 0 ? static_cast<std::int64_t>(value) : -1000 + status;
  }

  Bytes bytes;
  CountingAllocator allocator;
  DecompressHandle handle = nullptr;
  int reads = 0;
};

}  // namespace quillon::jp2::test
