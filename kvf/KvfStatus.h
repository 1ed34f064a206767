// Result codes of the KVF codec, 0 for success and negative for errors, with their English
// messages. Both come from the one list below.
#pragma once

#include <cstdint>

namespace kvf {

// X(name, code, message)
#define KVF_STATUS_LIST(X)                                                        \
  X(ok, 0, "No error")                                                            \
  X(internalError, -1, "Internal error")                                          \
  X(levelTooHigh, -2, "Level too high")                                           \
  X(invalidImageSize, -3, "Invalid image size")                                   \
  X(invalidSourceFormat, -4, "Invalid source format")                             \
  X(invalidColourSpace, -5, "Invalid colorspace")                                 \
  X(invalidResultPointer, -6, "Invalid result pointer")                           \
  X(resultSizeTooSmall, -7, "Result size too small")                              \
  X(invalidDataPointer, -8, "Invalid data pointer passed")                        \
  X(corruptedHeader, -9, "Corrupted file header")                                 \
  X(invalidScaling, -10, "Invalid scaling parameters")                            \
  X(invalidScanMode, -11, "Invalid scanmode")                                     \
  X(invalidCoderParameters, -12, "Invalid coder parameters")                      \
  X(flushFailed, -13, "Error while flushing to file")                             \
  X(fetchFailed, -14, "Error while fetching data")                                \
  X(seekFailed, -15, "Error while seeking data in file or memory")                \
  X(wrongVersion, -16, "Wrong KVF file version")                                  \
  X(illegalEndOfFile, -17, "Illegal end of file")                                 \
  X(wrongPassword, -18, "Sorry, the password was wrong.")                         \
  X(corruptedFile, -19, "KVF file is corrupted")                                  \
  X(sourceOutOfRange, -22, "Source data out of range")                            \
  X(wrongInterface, -23, "Wrong Library interface")

#define KVF_STATUS_ENUMERATOR(name, code, message) name = (code),
enum class [[nodiscard]] KvfStatus : std::int16_t { KVF_STATUS_LIST(KVF_STATUS_ENUMERATOR) };
#undef KVF_STATUS_ENUMERATOR

// The message of a code: "Illegal error code" above 0, "No error description available" for
// a negative code without an entry.
const char* KvfErrorMessage(std::int32_t code);

}  // namespace kvf

// Returns from the enclosing function when `expr` yields anything but KvfStatus::ok.
#define KVF_RETURN_IF_ERROR(expr)                                      \
  do {                                                                 \
    if (const ::kvf::KvfStatus kvfStatus_ = (expr); kvfStatus_ != ::kvf::KvfStatus::ok) \
      return kvfStatus_;                                               \
  } while (false)
