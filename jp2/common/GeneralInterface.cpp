// The exported functions that need no handle.
#include "common/IccProfile.h"
#include "jp2.h"

extern "C" {

JP2_API int32_t JP2_General_CheckICC(const uint8_t* profile, uint32_t length, uint32_t* usable,
                                     uint32_t* restricted, uint32_t* channels) {
  if (usable != nullptr) *usable = 0;
  if (restricted != nullptr) *restricted = 0;
  if (channels != nullptr) *channels = 0;
  if (usable == nullptr || restricted == nullptr || channels == nullptr) {
    return JP2_Error_NullArgument;
  }
  if (profile == nullptr) return JP2_Error_NullArgument;
  quillon::jp2::IccProfileInfo info;
  const quillon::jp2::Status status = quillon::jp2::CheckIccProfile(profile, length, &info);
  if (!status.ok()) return status.code();
  *usable = info.usable ? 1 : 0;
  *restricted = info.restricted ? 1 : 0;
  *channels = info.channels;
  return JP2_Success;
}

JP2_API const char* JP2_General_ErrorText(int32_t code) {
  switch (code) {
#define JP2_STATUS_TEXT_CASE(name, value, text) \
  case value:                                   \
    return text;
    JP2_STATUS_TABLE(JP2_STATUS_TEXT_CASE)
#undef JP2_STATUS_TEXT_CASE
    default:
      return "error code not known to the codec";
  }
}

}  // extern "C"
