// libjpeg's standard error manager with a jump back to the caller on fatal errors and no
// output on warnings, plus the limits that keep hostile files from running away.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace quillon {

struct JpegErrorManager {
  jpeg_error_mgr standard;
  jpeg_progress_mgr scanLimit;
  std::jmp_buf jump;
};

// Installs the manager into `info` before jpeg_create_*. The caller does
// setjmp(manager.jump) before any libjpeg call and destroys the libjpeg object when it
// returns there.
void InstallJpegErrorManager(jpeg_common_struct& info, JpegErrorManager& manager);

// After jpeg_create_decompress: fails files with endless progressive scans and caps
// libjpeg's own memory.
void LimitJpegDecompress(jpeg_decompress_struct& info, JpegErrorManager& manager);

}  // namespace quillon
