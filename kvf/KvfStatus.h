// Result codes of the KVF codec, 0 for success and negative for errors, with their English
// messages. Both come from the one list below; the numbers are the public ones of kvf.h.
#pragma once

#include <cstdint>

#include "kvf/kvf.h"

namespace kvf {

// X(name, code, message)
#define KVF_STATUS_LIST(X)                                                          \
  X(ok, KVF_OK, "No error")                                                         \
  X(internalError, KVF_ERROR_INTERNAL, "Internal error")                            \
  X(levelTooHigh, KVF_ERROR_LEVEL_TOO_HIGH, "Level too high")                       \
  X(invalidImageSize, KVF_ERROR_IMAGE_SIZE, "Invalid image size")                   \
  X(invalidSourceFormat, KVF_ERROR_SOURCE_FORMAT, "Invalid source format")          \
  X(invalidColourSpace, KVF_ERROR_COLOUR_MODE, "Invalid colorspace")                \
  X(invalidResultPointer, KVF_ERROR_RESULT_POINTER, "Invalid result pointer")       \
  X(resultSizeTooSmall, KVF_ERROR_RESULT_SIZE, "Result size too small")             \
  X(invalidDataPointer, KVF_ERROR_DATA_POINTER, "Invalid data pointer passed")      \
  X(corruptedHeader, KVF_ERROR_CORRUPTED_HEADER, "Corrupted file header")           \
  X(invalidScaling, KVF_ERROR_SCALING, "Invalid scaling parameters")                \
  X(invalidScanMode, KVF_ERROR_SCAN_MODE, "Invalid scanmode")                       \
  X(invalidCoderParameters, KVF_ERROR_CODER_PARAMETERS, "Invalid coder parameters") \
  X(flushFailed, KVF_ERROR_FLUSH, "Error while flushing to file")                   \
  X(fetchFailed, KVF_ERROR_FETCH, "Error while fetching data")                      \
  X(seekFailed, KVF_ERROR_SEEK, "Error while seeking data in file or memory")       \
  X(wrongVersion, KVF_ERROR_VERSION, "Wrong KVF file version")                      \
  X(illegalEndOfFile, KVF_ERROR_END_OF_FILE, "Illegal end of file")                 \
  X(wrongPassword, KVF_ERROR_WRONG_PASSWORD, "Sorry, the password was wrong.")      \
  X(corruptedFile, KVF_ERROR_CORRUPTED_FILE, "KVF file is corrupted")               \
  X(sourceOutOfRange, KVF_ERROR_SOURCE_RANGE, "Source data out of range")           \
  X(wrongInterface, KVF_ERROR_WRONG_INTERFACE, "Wrong Library interface")

#define KVF_STATUS_ENUMERATOR(name, code, message) name = (code),
enum class [[nodiscard]] KvfStatus : std::int16_t{KVF_STATUS_LIST(KVF_STATUS_ENUMERATOR)};
#undef KVF_STATUS_ENUMERATOR

// The message of a code: "Illegal error code" above 0, "No error description available" for
// a negative code without an entry.
const char* KvfErrorMessage(std::int32_t code);

}  // namespace kvf

// Returns from the enclosing function when `expr` yields anything but KvfStatus::ok.
#define KVF_RETURN_IF_ERROR(expr)                                                       \
  do {                                                                                  \
    if (const ::kvf::KvfStatus kvfStatus_ = (expr); kvfStatus_ != ::kvf::KvfStatus::ok) \
      return kvfStatus_;                                                                \
  } while (false)
