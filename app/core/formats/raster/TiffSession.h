// One libtiff handle with error handlers of its own, so that an error is tied to the file
// it happened in and marks that read or write as failed.
#pragma once

#include <tiffio.h>

#include <filesystem>
#include <functional>

namespace quillon {

class TiffSession {
 public:
  // Called with libtiff's text for the first error only.
  using ErrorSink = std::function<void(const char* text)>;

  explicit TiffSession(ErrorSink onFirstError = {});
  ~TiffSession();
  TiffSession(const TiffSession&) = delete;
  TiffSession& operator=(const TiffSession&) = delete;

  // Opens a file by name, or a duplicate of an open descriptor; null on failure.
  TIFF* Open(const std::filesystem::path& path, const char* mode);
  TIFF* OpenDescriptor(int fd, const std::filesystem::path& name, const char* mode);
  // Closes the handle (which flushes a file being written); errors while flushing count.
  void Close();

  TIFF* Handle() const { return tiff_; }
  bool Failed() const { return failed_; }

 private:
  static int OnError(TIFF*, void* self, const char* module, const char* format, va_list args);
  static int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

  TIFFOpenOptions* options_ = nullptr;
  TIFF* tiff_ = nullptr;
  ErrorSink onFirstError_;
  bool failed_ = false;
};

}  // namespace quillon
