// The decoder's input: the caller's read function behind a cache of 65,536-byte blocks, or,
// with caching off, every read handed straight to the read function. Offsets beyond what the
// 32-bit read interface reaches are never delivered.
#pragma once

#include <cstdint>
#include <span>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/ByteReader.h"
#include "jp2.h"

namespace quillon::jp2 {

inline constexpr std::uint32_t kCacheBlockSize = 65536;
inline constexpr std::uint64_t kReadableLimit = std::uint64_t{1}
                                                << 32;  // first offset not reachable

class InputSource final : public ByteReader {
 public:
  // Takes the first cache block and fills it with one read at offset 0; -1 when the block
  // cannot be allocated.
  Status Open(const MemoryCallbacks& memory, JP2_ReadCallback read, std::uintptr_t param);
  // Releases the cache chain, first block first; stops at a failing release.
  Status Close(const MemoryCallbacks& memory);

  std::uint32_t Read(std::uint64_t offset, std::uint32_t count, std::uint8_t* destination) override;
  // Appends the rest of the input to the cache; stops quietly at its end, -1 when a block
  // cannot be allocated, -100 when the cached count disagrees with the chain.
  Status LoadAll(const MemoryCallbacks& memory);

  void SetCaching(bool on) { caching_ = on; }
  bool Caching() const { return caching_; }
  std::uint64_t CachedBytes() const { return cached_; }
  std::uint64_t HighWater() const { return highWater_; }
  // The bytes of the first block that the first read delivered.
  std::span<const std::uint8_t> FirstBlock() const;

 private:
  struct CacheBlock;

  std::uint32_t ReadThrough(std::uint64_t offset, std::uint32_t count, std::uint8_t* destination);
  CacheBlock* BlockAt(std::uint64_t index);

  JP2_ReadCallback read_ = nullptr;
  std::uintptr_t param_ = 0;
  bool caching_ = true;
  OwnedBlock first_;
  CacheBlock* last_ = nullptr;
  std::uint64_t blocks_ = 0;
  CacheBlock* recent_ = nullptr;  // speeds up reads that move forward through the chain
  std::uint64_t recentIndex_ = 0;
  std::uint64_t cached_ = 0;
  std::uint64_t highWater_ = 0;
};

}  // namespace quillon::jp2
