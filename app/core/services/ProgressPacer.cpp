#include "core/services/ProgressPacer.h"

#include <cstdint>

namespace quillon {

ProgressPacer::Action ProgressPacer::SetPos(int position, Clock::time_point now) {
  position_ = position;
  if (!shown_) {
    if (now - last_ <= kShowDelay) return Action::None;
    shown_ = true;
    last_ = now;
    return Action::Show;
  }
  if (now - last_ <= kRefreshInterval) return Action::None;
  last_ = now;
  return Action::Refresh;
}

std::string ProgressPacer::PercentText() const {
  if (upper_ == lower_) return "0%";
  std::int64_t percent = (std::int64_t{position_} - lower_) * 100 / (std::int64_t{upper_} - lower_);
  if (percent != 100) percent %= 100;
  return std::to_string(percent) + "%";
}

}  // namespace quillon
