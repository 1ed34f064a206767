// When a progress display appears and refreshes: never for work that ends within half a
// second, and at most every 150 ms once shown, so that progress costs nothing on fast work.
#pragma once

#include <chrono>
#include <string>

namespace quillon {

class ProgressPacer {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kShowDelay{500};
  static constexpr std::chrono::milliseconds kRefreshInterval{150};

  enum class Action { None, Show, Refresh };

  explicit ProgressPacer(Clock::time_point start) : last_(start) {}

  void SetRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
  }
  int Position() const { return position_; }
  int Lower() const { return lower_; }
  int Upper() const { return upper_; }
  bool Shown() const { return shown_; }

  // Each returns what the display has to do at time `now`.
  Action SetPos(int position, Clock::time_point now);
  Action StepIt(Clock::time_point now) { return SetPos(position_ + step_, now); }

  // The share done as "<n>%"; any value other than 100 is taken modulo 100.
  std::string PercentText() const;

 private:
  int lower_ = 0;
  int upper_ = 100;
  int step_ = 1;
  int position_ = 0;
  bool shown_ = false;
  Clock::time_point last_;
};

}  // namespace quillon
