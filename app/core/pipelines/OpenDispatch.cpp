#include "core/pipelines/OpenDispatch.h"

#include <array>
#include <fstream>

namespace quillon {

namespace {
constexpr std::uint16_t magic(char first, char second) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(first) |
                                    static_cast<std::uint8_t>(second) << 8);
}
}  // namespace

Dispatch DispatchByMagic(std::uint16_t value) {
  switch (value) {
    case magic('P', '2'):
    case magic('P', '5'):
      return {ReaderKind::Pnm, PictureFormat::Pgm};
    case magic('P', '3'):
    case magic('P', '6'):
      return {ReaderKind::Pnm, PictureFormat::Ppm};
    case magic('\xFF', '\xD8'):
      return {ReaderKind::Jpeg, PictureFormat::Jpeg};
    case magic('I', 'I'):
    case magic('M', 'M'):
      return {ReaderKind::Tiff, PictureFormat::Tiff};
    case magic('B', 'M'):
      return {ReaderKind::Bmp, PictureFormat::Bmp};
    case magic('\x89', 'P'):  // the PNG signature
      return {ReaderKind::Png, PictureFormat::Png};
    case magic('W', 'V'):
      return {ReaderKind::Kvf, PictureFormat::Kvf};
    default:
      return {ReaderKind::Jpeg2000, PictureFormat::Jpeg2000};
  }
}

std::optional<KvfGeneration> KvfGenerationOf(std::uint8_t version) {
  if (version <= 1) return KvfGeneration::Legacy;
  if (version == 2) return KvfGeneration::Current;
  return std::nullopt;
}

FileDispatch DispatchFile(const std::filesystem::path& path) {
  std::array<std::uint8_t, 3> head{};
  std::ifstream file(path, std::ios::binary);
  file.read(reinterpret_cast<char*>(head.data()), head.size());
  const auto got = static_cast<std::size_t>(file.gcount());
  const std::uint16_t value = got >= 2 ? static_cast<std::uint16_t>(head[0] | head[1] << 8) : 0;
  FileDispatch result{DispatchByMagic(value), std::nullopt};
  if (got >= 3 && result.dispatch.reader == ReaderKind::Kvf) result.kvf = KvfGenerationOf(head[2]);
  return result;
}

}  // namespace quillon
