#include "core/services/FormatMessage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quillon {

namespace {

template <typename T>
std::string printOne(const std::string& conversion, T value) {
  const int size = std::snprintf(nullptr, 0, conversion.c_str(), value);
  if (size < 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
  std::snprintf(buffer.data(), buffer.size(), conversion.c_str(), value);
  return std::string(buffer.data(), static_cast<std::size_t>(size));
}

// Formats one conversion; nothing when the argument does not fit it.
bool convert(char conversion, const std::string& head, const MessageArg& arg, std::string& out) {
  const auto* integer = std::get_if<std::int64_t>(&arg);
  const auto* real = std::get_if<double>(&arg);
  const auto* text = std::get_if<std::string>(&arg);
  switch (conversion) {
    case 'd':
    case 'i':
      if (!integer) return false;
      out += printOne(head + "lld", static_cast<long long>(*integer));
      return true;
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      if (!integer) return false;
      out += printOne(head + "ll" + conversion, static_cast<unsigned long long>(*integer));
      return true;
    case 'c':
      if (!integer) return false;
      out += printOne(head + "c", static_cast<int>(*integer));
      return true;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      if (!real && !integer) return false;
      out += printOne(head + conversion, real ? *real : static_cast<double>(*integer));
      return true;
    case 's':
      if (!text) return false;
      out += printOne(head + "s", text->c_str());
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string FormatMessage(std::string_view pattern, std::initializer_list<MessageArg> args) {
  std::string out;
  auto next = args.begin();
  std::size_t i = 0;
  while (i < pattern.size()) {
    if (pattern[i] != '%') {
      out += pattern[i++];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    // %[flags][width][.precision][length]conversion; width and precision digits only.
    const std::size_t start = i++;
    std::string head = "%";
    while (i < pattern.size() && std::strchr("-+ #0", pattern[i])) head += pattern[i++];
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') head += pattern[i++];
    if (i < pattern.size() && pattern[i] == '.') {
      head += pattern[i++];
      while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') head += pattern[i++];
    }
    if (pattern.substr(i, 3) == "I64") {
      i += 3;
    } else {
      while (i < pattern.size() && (pattern[i] == 'l' || pattern[i] == 'h')) ++i;
    }
    if (i < pattern.size() && next != args.end() && convert(pattern[i], head, *next, out)) {
      ++next;
      ++i;
      continue;
    }
    // Leave the conversion as written.
    i = std::min(i + 1, pattern.size());
    out.append(pattern.substr(start, i - start));
  }
  return out;
}

}  // namespace quillon
