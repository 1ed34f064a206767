// A libpng read or write structure whose errors keep libpng's text and jump back to the
// caller's setjmp, and whose warnings are dropped.
#pragma once

#include <png.h>

#include <string>

namespace quillon {

class PngHandle {
 public:
  enum class Direction { Read, Write };

  explicit PngHandle(Direction direction);
  ~PngHandle();
  PngHandle(const PngHandle&) = delete;
  PngHandle& operator=(const PngHandle&) = delete;

  // Both null when libpng could not make its structures.
  png_structp Png() const { return png_; }
  png_infop Info() const { return info_; }
  // libpng's text of the error that ended the last call, empty before any.
  const char* ErrorText() const { return error_; }

 private:
  void Release();
  static void OnError(png_structp png, png_const_charp text);
  static void OnWarning(png_structp, png_const_charp) {}

  Direction direction_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  char error_[256] = {};
};

}  // namespace quillon
