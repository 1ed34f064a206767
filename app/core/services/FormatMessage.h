// printf-style patterns of the string tables, filled from typed arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace quillon {

using MessageArg = std::variant<std::int64_t, double, std::string>;

// Fills each conversion of `pattern` (%d, %ld, %I64d, %s, %f, %g, %c, %x, %%, with flags,
// width and precision) with the next argument. A conversion without a matching argument,
// or whose kind does not fit the argument, is left as written, so a bad table entry shows
// up as text instead of reading memory that is not there.
std::string FormatMessage(std::string_view pattern, std::initializer_list<MessageArg> args);

}  // namespace quillon
