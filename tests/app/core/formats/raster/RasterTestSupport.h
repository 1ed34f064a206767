// Fixtures of the raster adapter tests: a scripted UI with the program's English strings,
// a disk whose free space the test sets, a private directory and generated pictures.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "support/RecordingUiServices.h"

namespace quillon::test {

class SettableDiskSpace final : public DiskSpace {
 public:
  std::optional<std::uint64_t> free;
  std::optional<std::uint64_t> FreeBytes(const std::filesystem::path&) const override {
    return free;
  }
};

inline const StringTable& EnglishStrings() {
  static const StringTable table = [] {
    std::ifstream in(QUILLON_ENGLISH_STRINGS, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = StringTable::Parse(text.str());
    return parsed ? *parsed : StringTable{};
  }();
  return table;
}

inline std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class RasterTest : public ::testing::Test {
 protected:
  RasterTest() : ui(EnglishStrings()), context{ui, disk, false} {
    // Memory-backed when there is one: the corruption tests write thousands of small files.
    std::error_code ignored;
    const std::filesystem::path base =
        std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", ignored)
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    std::string pattern = (base / "quillon-raster-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) dir = pattern;
  }
  ~RasterTest() override {
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }

  std::filesystem::path File(const std::string& name) const { return dir / name; }

  // Message ids shown so far, in order.
  std::vector<StringId> MessageIds() const {
    std::vector<StringId> ids;
    for (const Message& m : ui.messages) ids.push_back(m.id.value_or(0));
    return ids;
  }

  RecordingUiServices ui;
  SettableDiskSpace disk;
  FileIoContext context;
  std::filesystem::path dir;
};

// Writes beyond `bytes` fail while this lives, as they do on a full disk.
class FullDiskAfter {
 public:
  explicit FullDiskAfter(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FullDiskAfter() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }
  FullDiskAfter(const FullDiskAfter&) = delete;
  FullDiskAfter& operator=(const FullDiskAfter&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

// A picture whose pixels differ by position, so that swapped rows, columns or channels show.
inline void FillColour(Picture& picture, std::int32_t width, std::int32_t height) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(true));
  std::memset(picture.Bits(), 0, picture.Header().biSizeImage);  // padding too
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = picture.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      row[3 * x] = std::uint8_t(x * 7 + y * 3);
      row[3 * x + 1] = std::uint8_t(x * 13 + 40 - y);
      row[3 * x + 2] = std::uint8_t(y * 11 + x + 5);
    }
  }
}

inline void FillGray(Picture& picture, std::int32_t width, std::int32_t height) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(false));
  std::memset(picture.Bits(), 0, picture.Header().biSizeImage);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) picture.Row(y)[x] = std::uint8_t(x * 9 + y * 17);
  }
}

// An 8-bit picture with a colour palette of `entries` entries.
inline void FillPalette(Picture& picture, std::int32_t width, std::int32_t height,
                        int entries = 256) {
  FillGray(picture, width, height);
  for (int i = 0; i < kPaletteEntries; ++i) {
    picture.Palette()[i] =
        RgbQuad{std::uint8_t(i * 3), std::uint8_t(255 - i), std::uint8_t(i * 7), 0};
  }
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x)
      picture.Row(y)[x] = std::uint8_t((x + 3 * y) % entries);
  }
  picture.InvalidateCaches();
}

// Pixels of two pictures as colours, compared position by position; `tolerance` per channel.
inline ::testing::AssertionResult SamePixels(const Picture& a, const Picture& b,
                                             int tolerance = 0) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) {
    return ::testing::AssertionFailure() << "size " << a.GetWidth() << "x" << a.GetHeight()
                                         << " vs " << b.GetWidth() << "x" << b.GetHeight();
  }
  if (a.IsEmpty()) return ::testing::AssertionFailure() << "empty pictures";
  for (std::int32_t y = 0; y < a.GetHeight(); ++y) {
    for (std::int32_t x = 0; x < a.GetWidth(); ++x) {
      const auto p = a.GetPixel(x, y);
      const auto q = b.GetPixel(x, y);
      for (int c = 0; c < 3; ++c) {
        if (std::abs(int(p[c]) - int(q[c])) > tolerance) {
          return ::testing::AssertionFailure()
                 << "pixel (" << x << ", memory row " << y << ") channel " << c << ": " << int(p[c])
                 << " vs " << int(q[c]);
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace quillon::test
