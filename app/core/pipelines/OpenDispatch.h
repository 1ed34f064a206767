// Which reader a file goes to, by its first bytes; the file name plays no part.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "core/document/PictureFormat.h"

namespace quillon {

enum class ReaderKind { Pnm, Jpeg, Tiff, Bmp, Png, Kvf, Jpeg2000 };

struct Dispatch {
  ReaderKind reader;
  PictureFormat format;
};

// `magic` is the first two bytes of the file as a little-endian number.
Dispatch DispatchByMagic(std::uint16_t magic);

enum class KvfGeneration { Legacy, Current };

// The KVF version byte (the third byte of the file): 0 and 1 are the legacy codec's, 2 the
// current one's; any other is not a file we can read.
std::optional<KvfGeneration> KvfGenerationOf(std::uint8_t version);

struct FileDispatch {
  Dispatch dispatch;
  std::optional<KvfGeneration> kvf;  // set for KVF files of a known version
};

// Reads the first bytes of `path`; a short or unreadable file goes to the JPEG 2000 reader,
// which then fails on it.
FileDispatch DispatchFile(const std::filesystem::path& path);

// One handler (reader, probe) per reader kind, the KVF ones split by generation.
template <typename Handler>
struct ByReader {
  Handler pnm, jpeg, tiff, bmp, png, kvfLegacy, kvfCurrent, jpeg2000;

  // The handler for a file; null for a KVF file of an unknown version.
  const Handler* Select(const FileDispatch& file) const {
    switch (file.dispatch.reader) {
      case ReaderKind::Pnm:
        return &pnm;
      case ReaderKind::Jpeg:
        return &jpeg;
      case ReaderKind::Tiff:
        return &tiff;
      case ReaderKind::Bmp:
        return &bmp;
      case ReaderKind::Png:
        return &png;
      case ReaderKind::Kvf:
        if (!file.kvf) return nullptr;
        return *file.kvf == KvfGeneration::Legacy ? &kvfLegacy : &kvfCurrent;
      case ReaderKind::Jpeg2000:
        return &jpeg2000;
    }
    return nullptr;
  }
};

}  // namespace quillon
