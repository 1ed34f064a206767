// The ICC profile check shared by JP2_General_CheckICC, JP2_Compress_SetICC and the decoder.
#pragma once

#include <cstdint>

#include "common/Status.h"

namespace quillon::jp2 {

struct IccProfileInfo {
  bool restricted = false;     // meets the JP2 restricted-profile rules (colr method 2)
  bool usable = false;         // restricted, or a GRAY, RGB or YCbr colour space
  std::uint32_t channels = 0;  // colour channels of the profile's colour space
  // The enumerated colour space (10, 20, 30) a JP2 reader may use instead, 0 when none.
  std::uint32_t approximation = 0;
};

// Parses the header and tag table of length bytes; JP2_Error_IccProfile when they are not a
// profile the codec can carry.
Status CheckIccProfile(const std::uint8_t* profile, std::uint64_t length, IccProfileInfo* info);

}  // namespace quillon::jp2
