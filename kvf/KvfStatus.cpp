#include "kvf/KvfStatus.h"

namespace kvf {

namespace {

struct StatusMessage {
  std::int32_t code;
  const char* text;
};

#define KVF_STATUS_MESSAGE(name, code, message) {code, message},
constexpr StatusMessage kMessages[] = {KVF_STATUS_LIST(KVF_STATUS_MESSAGE)};
#undef KVF_STATUS_MESSAGE

}  // namespace

const char* KvfErrorMessage(std::int32_t code) {
  if (code > 0) return "Illegal error code";
  for (const StatusMessage& entry : kMessages) {
    if (entry.code == code) return entry.text;
  }
  return "No error description available";
}

}  // namespace kvf
