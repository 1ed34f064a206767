// The status every internal codec function returns: 0 or a code of the status table in jp2.h,
// or a code a caller's callback returned, which is passed on unchanged.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

class [[nodiscard]] Status {
 public:
  constexpr Status() = default;
  // Implicit so that table codes and callback results convert where a Status is returned.
  constexpr Status(std::int32_t code) : code_(code) {}

  constexpr bool ok() const { return code_ == 0; }
  constexpr std::int32_t code() const { return code_; }

 private:
  std::int32_t code_ = 0;
};

}  // namespace quillon::jp2

#define JP2_RETURN_IF_ERROR(expression)                  \
  do {                                                   \
    const ::quillon::jp2::Status status_ = (expression); \
    if (!status_.ok()) return status_;                   \
  } while (false)
