// Where the codewords of every code-block of an image live until the codestream is written:
// a chain of blocks of codec memory. A codeword that does not fit the newest block opens a
// new one of at least ten times its size; nothing is released before the end.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"

namespace quillon::jp2 {

class CodewordPool {
 public:
  void Init(const MemoryCallbacks& memory) { memory_ = memory; }

  // Copies length bytes into the pool and points *stored at the copy; -1 when memory runs
  // out (the pool keeps what it held).
  Status Append(const std::uint8_t* bytes, std::uint32_t length, const std::uint8_t** stored);

  // Room for length bytes starting at a multiple of alignment (a power of two up to 16);
  // -1 when memory runs out.
  Status Take(std::uint64_t length, std::uint64_t alignment, std::uint8_t** stored);

  // Releases every block; a release callback's error is returned and the blocks not yet
  // released stay in the pool.
  Status Release();

  std::uint32_t BlockCount() const { return blockCount_; }

 private:
  struct Chunk {
    Chunk* next;
    OwnedBlock block;
    std::uint64_t capacity;
    std::uint64_t used;
  };

  MemoryCallbacks memory_;
  Chunk* first_ = nullptr;
  Chunk* newest_ = nullptr;
  std::uint32_t blockCount_ = 0;
};

}  // namespace quillon::jp2
