#include "common/IccProfile.h"

#include <initializer_list>

#include "common/BigEndian.h"
#include "jp2.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kHeaderSize = 128;
constexpr std::uint64_t kTagTableStart = 132;
constexpr std::uint64_t kTagEntrySize = 12;

// Colour channels of an ICC colour space signature; 0 for one the codec does not carry.
std::uint32_t ChannelsOf(std::uint32_t colourSpace) {
  switch (colourSpace) {
    case FourCC("GRAY"):
      return 1;
    case FourCC("RGB "):
    case FourCC("XYZ "):
    case FourCC("Lab "):
    case FourCC("Luv "):
    case FourCC("YCbr"):
    case FourCC("Yxy "):
    case FourCC("HSV "):
    case FourCC("HLS "):
    case FourCC("CMY "):
      return 3;
    case FourCC("CMYK"):
      return 4;
    default:
      break;
  }
  // 2CLR .. 9CLR and ACLR .. FCLR: the leading hexadecimal digit is the channel count.
  if ((colourSpace & 0x00FFFFFFu) != (FourCC("0CLR") & 0x00FFFFFFu)) return 0;
  const std::uint32_t digit = colourSpace >> 24;
  if (digit >= '2' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return 0;
}

std::uint32_t ApproximationOf(std::uint32_t colourSpace) {
  switch (colourSpace) {
    case FourCC("GRAY"):
      return JP2_Colour_Greyscale;
    case FourCC("RGB "):
      return JP2_Colour_sRGB;
    case FourCC("YCbr"):
      return JP2_Colour_sYCC;
    default:
      return 0;
  }
}

bool HasTag(const std::uint8_t* profile, std::uint32_t tagCount, std::uint32_t signature) {
  for (std::uint32_t i = 0; i < tagCount; ++i) {
    if (ReadU32(profile + kTagTableStart + kTagEntrySize * i) == signature) return true;
  }
  return false;
}

bool HasAllTags(const std::uint8_t* profile, std::uint32_t tagCount,
                std::initializer_list<std::uint32_t> signatures) {
  for (const std::uint32_t signature : signatures) {
    if (!HasTag(profile, tagCount, signature)) return false;
  }
  return true;
}

}  // namespace

Status CheckIccProfile(const std::uint8_t* profile, std::uint64_t length, IccProfileInfo* info) {
  *info = IccProfileInfo{};
  if (profile == nullptr || length < kHeaderSize) return JP2_Error_IccProfile;
  // The profile's own size bounds everything below; bytes behind it are not looked at.
  const std::uint64_t size = ReadU32(profile);
  if (length < size) return JP2_Error_IccProfile;
  if (ReadU32(profile + 36) != FourCC("acsp")) return JP2_Error_IccProfile;
  const std::uint32_t connectionSpace = ReadU32(profile + 20);
  if (connectionSpace != FourCC("XYZ ") && connectionSpace != FourCC("Lab ")) {
    return JP2_Error_IccProfile;
  }
  const std::uint32_t colourSpace = ReadU32(profile + 16);
  const std::uint32_t channels = ChannelsOf(colourSpace);
  if (channels == 0) return JP2_Error_IccProfile;
  if (size < kTagTableStart) return JP2_Error_IccProfile;
  const std::uint32_t tagCount = ReadU32(profile + 128);
  if (kTagTableStart + kTagEntrySize * tagCount > size) return JP2_Error_IccProfile;

  bool restricted = false;
  if (ReadU32(profile + 12) == FourCC("scnr") && connectionSpace == FourCC("XYZ ")) {
    if (channels == 1) {
      restricted = HasTag(profile, tagCount, FourCC("kTRC"));
    } else if (channels == 3) {
      restricted = HasAllTags(profile, tagCount,
                              {FourCC("rTRC"), FourCC("gTRC"), FourCC("bTRC"), FourCC("rXYZ"),
                               FourCC("gXYZ"), FourCC("bXYZ")});
    }
  }
  info->restricted = restricted;
  info->channels = channels;
  info->approximation = ApproximationOf(colourSpace);
  info->usable = restricted || info->approximation != 0;
  return JP2_Success;
}

}  // namespace quillon::jp2
