#include "kvf/KvfColourModes.h"

namespace kvf {

namespace {

// Modes 33 and 34 pass the encoder's check with 16-bit samples but no reader accepts them.
constexpr KvfColourMode kModes[] = {
    {1, 1, 8, 255, true},     {2, 3, 8, 255, true},      {4, 3, 8, 255, true},
    {6, 3, 8, 255, true},     {8, 3, 8, 255, true},      {5, 4, 8, 255, true},
    {7, 4, 8, 255, true},     {17, 1, 16, 65535, true},  {22, 1, 16, 65535, true},
    {18, 3, 16, 65535, true}, {19, 3, 16, 65535, true},  {20, 3, 16, 65535, true},
    {21, 4, 16, 65535, true}, {33, 1, 16, 65535, false}, {34, 3, 16, 65535, false},
};

}  // namespace

const KvfColourMode* FindKvfColourMode(std::uint32_t mode) {
  for (const KvfColourMode& entry : kModes) {
    if (entry.mode == mode) return &entry;
  }
  return nullptr;
}

}  // namespace kvf
