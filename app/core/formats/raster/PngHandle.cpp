#include "core/formats/raster/PngHandle.h"

#include <cstdio>

namespace quillon {

namespace {

// Largest ancillary chunk libpng may hold in memory (profiles, compressed text), and the
// most ancillary chunks it keeps: hostile files must not make it hoard memory.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;
constexpr png_uint_32 kMaxCachedChunks = 1000;

}  // namespace

PngHandle::PngHandle(Direction direction) : direction_(direction) {
  png_ = direction == Direction::Read
             ? png_create_read_struct(PNG_LIBPNG_VER_STRING, this, &OnError, &OnWarning)
             : png_create_write_struct(PNG_LIBPNG_VER_STRING, this, &OnError, &OnWarning);
  if (png_ == nullptr) return;
  info_ = png_create_info_struct(png_);
  if (info_ == nullptr) {
    Release();
    return;
  }
  if (direction == Direction::Read) {
    png_set_chunk_malloc_max(png_, kMaxChunkBytes);
    png_set_chunk_cache_max(png_, kMaxCachedChunks);
  }
}

PngHandle::~PngHandle() {
  Release();
}

void PngHandle::Release() {
  if (png_ == nullptr) return;
  png_infop* info = info_ != nullptr ? &info_ : nullptr;
  if (direction_ == Direction::Read) {
    png_destroy_read_struct(&png_, info, nullptr);
  } else {
    png_destroy_write_struct(&png_, info);
  }
  png_ = nullptr;
  info_ = nullptr;
}

void PngHandle::OnError(png_structp png, png_const_charp text) {
  auto* self = static_cast<PngHandle*>(png_get_error_ptr(png));
  std::snprintf(self->error_, sizeof self->error_, "%s", text != nullptr ? text : "");
  png_longjmp(png, 1);
}

}  // namespace quillon
