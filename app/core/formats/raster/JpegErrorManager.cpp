#include "core/formats/raster/JpegErrorManager.h"

namespace quillon {

namespace {

// Real progressive files have a few dozen scans.
constexpr int kMaxScans = 1000;
constexpr long kMaxLibjpegMemory = 1L << 30;

[[noreturn]] void JumpBack(j_common_ptr info) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
  std::longjmp(manager->jump, 1);
}

void IgnoreMessage(j_common_ptr, int) {}

void LimitScans(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMaxScans) JumpBack(info);
}

}  // namespace

void InstallJpegErrorManager(jpeg_common_struct& info, JpegErrorManager& manager) {
  info.err = jpeg_std_error(&manager.standard);
  manager.standard.error_exit = JumpBack;
  manager.standard.emit_message = IgnoreMessage;
}

void LimitJpegDecompress(jpeg_decompress_struct& info, JpegErrorManager& manager) {
  manager.scanLimit = jpeg_progress_mgr{LimitScans, 0, 0, 0, 0};
  info.progress = &manager.scanLimit;
  info.mem->max_memory_to_use = kMaxLibjpegMemory;
}

}  // namespace quillon
