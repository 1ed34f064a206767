#include "core/formats/raster/TiffSession.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "core/formats/raster/RasterIoSupport.h"
#include "core/formats/raster/TiffFile.h"
#include "core/services/UiServices.h"

namespace quillon {

namespace {

// Largest block libtiff may allocate at once for one file; keeps hostile tags from
// asking for gigabytes.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{512} << 20;

UiServices* gTiffUi = nullptr;

void ApplicationTiffError(const char* module, const char*, va_list) {
  if (gTiffUi != nullptr) {
    gTiffUi->MessageBox(kFileNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                        {std::string(module != nullptr ? module : "")});
  }
}

}  // namespace

void InstallTiffErrorHandler(UiServices& ui) {
  gTiffUi = &ui;
  TIFFSetErrorHandler(ApplicationTiffError);
  TIFFSetWarningHandler(nullptr);
}

TiffSession::TiffSession(ErrorSink onFirstError) : onFirstError_(std::move(onFirstError)) {
  options_ = TIFFOpenOptionsAlloc();
  if (options_ != nullptr) {
    TIFFOpenOptionsSetMaxSingleMemAlloc(options_, kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options_, &TiffSession::OnError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options_, &TiffSession::OnWarning, this);
  }
}

TiffSession::~TiffSession() {
  Close();
  if (options_ != nullptr) TIFFOpenOptionsFree(options_);
}

TIFF* TiffSession::Open(const std::filesystem::path& path, const char* mode) {
  if (options_ == nullptr || tiff_ != nullptr) return nullptr;
  tiff_ = TIFFOpenExt(path.c_str(), mode, options_);
  return tiff_;
}

TIFF* TiffSession::OpenDescriptor(int fd, const std::filesystem::path& name, const char* mode) {
  if (options_ == nullptr || tiff_ != nullptr) return nullptr;
  const int copy = dup(fd);
  if (copy < 0) return nullptr;
  tiff_ = TIFFFdOpenExt(copy, name.c_str(), mode, options_);
  if (tiff_ == nullptr) close(copy);
  return tiff_;
}

void TiffSession::Close() {
  if (tiff_ != nullptr) TIFFClose(tiff_);
  tiff_ = nullptr;
}

int TiffSession::OnError(TIFF*, void* self, const char*, const char* format, va_list args) {
  auto* session = static_cast<TiffSession*>(self);
  if (!session->failed_ && session->onFirstError_) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    session->onFirstError_(text);
  }
  session->failed_ = true;
  return 1;
}

}  // namespace quillon
