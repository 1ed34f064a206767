// The library's own string table: error messages and filter names.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "kvfcodec.h"

namespace {

constexpr std::array<std::string_view, 8> kErrorTexts = {
    "Success",
    "Can not transform this number of levels",
    "Image not correctly expanded",
    "Header data inconsistent or inconsistent parameters",
    "Specified filter not existent",
    "Image memory size does not agree with header or invalid pointer",
    "Got no memory from system",
    "An exception occured...",
};

struct FilterName {
  std::string_view shortName, longName;
};

constexpr std::array<FilterName, KVF_FILTER_COUNT> kFilterNames = {{
    {"H", "Haar"},
    {"BO5_3", "Biorthogonal Spline 5 3"},
    {"BO3_5", "Biorthogonal Spline 3 5"},
    {"BO5_7", "Biorthogonal Spline 5 7"},
    {"BO7_5", "Biorthogonal Spline 7 5"},
    {"D1_3", "Spline 0 & Dual 3"},
    {"D3_1", "Spline 2 & Dual 1"},
    {"D1_3I", "Spline 0 & Dual 3 invers"},
    {"BO9_7", "Biorthogonal Spline 9 7"},
    {"BO7_9", "Biorthogonal Spline 7 9"},
    {"D1_5", "Spline 0 & Dual 5"},
    {"D1_5I", "Spline 0 & Dual 5 invers"},
    {"IT2_2", "Interpolating transform 2 2"},
    {"IT4_2", "Interpolating Transform 4 2"},
    {"IT22_2", "Interpolating Transform 2+2 2"},
    {"TS", "Time Scale"},
    {"SP", "S-Transform + Predict"},
    {"IBO9_7", "Biorthogonal Spline 9 7 Integer"},
    {"S", "S-Transform"},
}};

// Each thread gets its own buffer, so one thread's lookup never changes another's text.
thread_local std::array<char, 96> textBuffer;

const char* copyToBuffer(std::string_view text) {
  const size_t n = std::min(text.size(), textBuffer.size() - 1);
  text.copy(textBuffer.data(), n);
  textBuffer[n] = '\0';
  return textBuffer.data();
}

}  // namespace

extern "C" {

const char* GetWaveletError(int code) {
  if (code <= 0 && code > -static_cast<int>(kErrorTexts.size()))
    return copyToBuffer(kErrorTexts[static_cast<size_t>(-code)]);
  std::snprintf(textBuffer.data(), textBuffer.size(), "GetWaveletError: Unknown Errorcode (%d)",
                code);
  return textBuffer.data();
}

const char* GetFilterShortName(int filter) {
  if (filter < 0 || filter >= KVF_FILTER_COUNT) return nullptr;
  return copyToBuffer(kFilterNames[static_cast<size_t>(filter)].shortName);
}

const char* GetFilterLongName(int filter) {
  if (filter < 0 || filter >= KVF_FILTER_COUNT) return nullptr;
  return copyToBuffer(kFilterNames[static_cast<size_t>(filter)].longName);
}

}  // extern "C"
