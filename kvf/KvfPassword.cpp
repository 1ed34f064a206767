#include "kvf/KvfPassword.h"

#include <cstring>

namespace kvf {

namespace {

// Format constants: changing any of them makes existing protected files unreadable.
constexpr std::uint32_t kKeyMultiplier = 0x01000193;
constexpr std::uint32_t kKeySubstitute = 0x5F5;
constexpr std::uint32_t kKeyForZero = 0x6B76660D;
constexpr std::uint32_t kCheckMultiplier = 0x9E37;
constexpr std::uint32_t kCheckSubstitute = 0x2A;
constexpr std::uint16_t kCheckForZero = 0x4B56;

// Letters, digits, space and fifteen punctuation characters hash by their code; every other
// character hashes as one substitute, so that passwords typed on other keyboards still match.
bool IsPlainCharacter(unsigned char ch) {
  if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) {
    return true;
  }
  return ch != '\0' && std::strchr(" +-/*!\"$%&()=?_", ch) != nullptr;
}

std::string_view Counted(std::string_view password) {
  const std::size_t end = password.find('\0');
  return password.substr(0, end == std::string_view::npos ? password.size() : end)
      .substr(0, kKvfPasswordLength);
}

}  // namespace

std::uint16_t KvfPasswordCheckValue(std::string_view password) {
  std::uint32_t value = 0;
  for (const char c : Counted(password)) {
    const auto ch = static_cast<unsigned char>(c);
    value = value * kCheckMultiplier + (IsPlainCharacter(ch) ? ch / 3u : kCheckSubstitute);
    value &= 0xFFFF;
  }
  return value == 0 ? kCheckForZero : static_cast<std::uint16_t>(value);
}

std::uint32_t KvfPasswordKey(std::string_view password) {
  std::uint32_t value = 0;
  for (const char c : Counted(password)) {
    const auto ch = static_cast<unsigned char>(c);
    value = value * kKeyMultiplier + (IsPlainCharacter(ch) ? ch : kKeySubstitute);
  }
  return value == 0 ? kKeyForZero : value;
}

}  // namespace kvf
