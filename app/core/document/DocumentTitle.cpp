#include "core/document/DocumentTitle.h"

#include "core/services/FormatMessage.h"

namespace quillon {

std::string FormatRatio(double ratio) {
  const char* pattern = ratio < 10.0 ? "%.2lf" : ratio < 25.0 ? "%.1lf" : "%.0lf";
  return FormatMessage(pattern, {ratio});
}

std::string DocumentTitle(const std::string& fileName, double ratio, const StringTable& strings) {
  if (ratio == 0.0) return fileName;
  return FormatMessage(strings.Load(kTitleWithRatio), {fileName, FormatRatio(ratio)});
}

}  // namespace quillon
