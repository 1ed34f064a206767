#include "decoder/FileRecognition.h"

#include "common/BoxFields.h"
#include "common/BoxHeader.h"
#include "common/HeaderBoxes.h"
#include "decoder/BoxReading.h"
#include "decoder/CodestreamHeader.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kCodestreamProbeBytes = 42;
constexpr std::uint64_t kCsizOffset = 40;
constexpr std::uint64_t kFileTypeMinimum = 20;

Status CheckCount(std::uint32_t count) {
  return count >= 1 && count <= static_cast<std::uint32_t>(kDecoderMaxComponents)
             ? JP2_Success
             : JP2_Error_ComponentCount;
}

// The contents of the first box of type inside bytes, walking by box lengths; empty when
// there is none or a length is malformed.
std::span<const std::uint8_t> FindBox(std::span<const std::uint8_t> bytes, std::uint32_t type) {
  while (!bytes.empty()) {
    FieldReader in(bytes);
    BoxHeader header;
    if (!header.Parse(in).ok()) return {};
    const std::uint64_t length = header.RunsToEnd() ? bytes.size() : header.length;
    if (length > bytes.size()) {
      return header.type == type ? bytes.subspan(header.headerSize)
                                 : std::span<const std::uint8_t>{};
    }
    if (header.type == type) return bytes.subspan(header.headerSize, length - header.headerSize);
    bytes = bytes.subspan(length);
  }
  return {};
}

}  // namespace

Status ProbeComponentCount(std::span<const std::uint8_t> firstBlock, std::uint32_t* components) {
  *components = 0;
  if (SignatureBox::Matches(firstBlock)) {
    const auto header = FindBox(firstBlock.subspan(sizeof SignatureBox::kBytes), kBoxJp2Header);
    ImageHeaderBox imageHeader;
    if (!imageHeader.Parse(FindBox(header, kBoxImageHeader)).ok()) return JP2_Success;
    *components = imageHeader.components;
    return CheckCount(*components);
  }
  if (firstBlock.size() < kCodestreamProbeBytes) return JP2_Error_ShortRead;
  *components =
      static_cast<std::uint32_t>(firstBlock[kCsizOffset]) << 8 | firstBlock[kCsizOffset + 1];
  return CheckCount(*components);
}

Status RecogniseJp2(ByteReader& input, const MemoryCallbacks& memory, bool* isJp2,
                    std::uint64_t* next) {
  *isJp2 = false;
  *next = 0;
  std::uint8_t signature[sizeof SignatureBox::kBytes];
  if (input.Read(0, sizeof signature, signature) != 0 || !SignatureBox::Matches(signature)) {
    return JP2_Success;
  }
  BoxHeader header;
  const std::uint64_t at = sizeof signature;
  if (!ReadBoxHeader(input, at, &header).ok() || header.type != kBoxFileType ||
      header.RunsToEnd() || header.length < kFileTypeMinimum) {
    return JP2_Success;
  }
  std::uint64_t end = 0;
  if (!BoxEnd(at, header, &end).ok()) return JP2_Success;
  OwnedBlock contents;
  const Status read =
      ReadBoxContents(input, memory, at + header.headerSize, header.ContentLength(), &contents);
  if (read.code() == JP2_Error_OutOfMemory) return read;
  FileTypeBox fileType;
  const bool named = read.ok() && fileType.Parse({contents.data, header.ContentLength()}).ok() &&
                     (fileType.Names(kBrandJp2) || fileType.Names(kBrandJpx));
  JP2_RETURN_IF_ERROR(Release(memory, &contents));
  if (!named) return JP2_Success;
  *isJp2 = true;
  *next = end;
  return JP2_Success;
}

}  // namespace quillon::jp2
