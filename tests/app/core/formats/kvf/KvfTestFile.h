// KVF files made from pictures as the program's writer makes them: grey pictures from layout
// 0, colour pictures (blue, green, red in memory) from layout 16, top row first.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/picture/Picture.h"
#include "kvf/kvf.h"

namespace quillon::test {

struct KvfWriteOptions {
  std::uint16_t quality = 1024;
  std::string password;  // empty: none
  std::uint16_t freeQuality = 1024;
};

// The bytes of a KVF file holding the rows of `image` in `colourMode`; empty when the codec
// refuses.
inline std::vector<std::uint8_t> KvfFileBytes(KvfImage image, std::uint16_t colourMode,
                                              const KvfWriteOptions& options = {}) {
  struct Output {
    std::vector<std::uint8_t> file;
    std::size_t position = 0;
    std::array<std::uint8_t, 32768> buffer{};
    static std::int16_t Flush(void* context, std::uint32_t count) {
      auto* self = static_cast<Output*>(context);
      if (self->file.size() < self->position + count) self->file.resize(self->position + count);
      std::memcpy(self->file.data() + self->position, self->buffer.data(), count);
      self->position += count;
      return 0;
    }
    static std::int32_t Seek(void* context, std::int32_t offset) {
      auto* self = static_cast<Output*>(context);
      self->position = static_cast<std::size_t>(static_cast<std::int64_t>(self->position) + offset);
      return 0;
    }
  };
  Output output;
  KvfPassword password{};
  std::strncpy(password.text, options.password.c_str(), KVF_PASSWORD_CHARS);
  password.freeQuality = options.freeQuality;
  KvfEncodeParams params{};
  params.outBuffer = output.buffer.data();
  params.outSize = static_cast<std::uint32_t>(output.buffer.size());
  params.flush = &Output::Flush;
  params.seek = &Output::Seek;
  params.context = &output;
  params.quality = options.quality;
  params.levels = 6;
  params.modeFlags = KVF_MODE_BASELINE;
  params.colourMode = colourMode;
  params.password = options.password.empty() ? nullptr : &password;
  KvfWorkspace workspace{};
  workspace.tag = KVF_INTERFACE_TAG;
  if (KvfEncodeInit(&image, &params, &workspace) != 0) return {};
  std::array<std::vector<std::uint8_t>, KVF_WORK_BUFFERS> buffers;
  for (int i = 0; i < KVF_WORK_BUFFERS; ++i) {
    buffers[i].resize(workspace.sizes[i]);
    workspace.buffers[i] = buffers[i].data();
  }
  for (std::int32_t y = 0; y < image.height; y += 64) {
    params.firstRow = y;
    params.endRow = std::min(y + 64, image.height);
    params.flags =
        (y == 0 ? KVF_FIRST_CALL : 0) | (params.endRow == image.height ? KVF_LAST_CALL : 0);
    if (KvfEncode(&image, &params, &workspace) != 0) return {};
  }
  return output.file;
}

// The file the program's writer makes of `picture`: grey from layout 0 in mode 1, colour
// (red first in the file) from the picture's blue, green, red bytes as layout 19 in mode 2.
inline std::vector<std::uint8_t> KvfFileBytes(Picture& picture,
                                              const KvfWriteOptions& options = {}) {
  const bool colour = picture.GetBitCount() == 24;
  KvfImage image{};
  image.width = picture.GetWidth();
  image.height = picture.GetHeight();
  image.rows = picture.Row(image.height - 1);
  image.stride = -static_cast<std::int32_t>(picture.GetStride());
  image.format = colour ? KVF_LAYOUT_BYTES_210 : KVF_LAYOUT_GREY;
  image.xres = picture.GetXDpi16();
  image.yres = picture.GetYDpi16();
  return KvfFileBytes(image, colour ? 2 : 1, options);
}

inline std::filesystem::path WriteBytes(const std::filesystem::path& path,
                                        const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

// A colour picture whose red and blue differ everywhere, with detail for the coder.
inline void FillColourPicture(Picture& picture, std::int32_t width, std::int32_t height) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  if (!picture.CreatePicture(true)) return;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(20 + (x * 3) % 50);       // blue
      p[1] = static_cast<std::uint8_t>((x * 7 + y * 13) % 256);  // green
      p[2] = static_cast<std::uint8_t>(180 + (x + y) % 70);      // red
    }
  }
}

}  // namespace quillon::test
