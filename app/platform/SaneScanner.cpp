#include "platform/SaneScanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstring>

namespace quillon {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

bool ToFrameKind(SANE_Frame frame, FrameKind& kind) {
  switch (frame) {
    case SANE_FRAME_GRAY:
      kind = FrameKind::Gray;
      return true;
    case SANE_FRAME_RGB:
      kind = FrameKind::Rgb;
      return true;
    case SANE_FRAME_RED:
      kind = FrameKind::Red;
      return true;
    case SANE_FRAME_GREEN:
      kind = FrameKind::Green;
      return true;
    case SANE_FRAME_BLUE:
      kind = FrameKind::Blue;
      return true;
    default:
      return false;
  }
}

bool ContainsFeeder(const char* source) {
  const std::string text(source);
  return text.find("ADF") != std::string::npos || text.find("Feeder") != std::string::npos ||
         text.find("feeder") != std::string::npos;
}

}  // namespace

SaneScanner::~SaneScanner() {
  CloseManager();
}

bool SaneScanner::OpenManager() {
  if (state_ != State::PreSession) return true;
  SANE_Int version = 0;
  if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) return false;
  state_ = State::ManagerOpen;
  return true;
}

std::vector<ScannerDevice> SaneScanner::Devices() const {
  std::vector<ScannerDevice> devices;
  if (state_ == State::PreSession) return devices;
  const SANE_Device** list = nullptr;
  if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr) return devices;
  for (; *list != nullptr; ++list) {
    const SANE_Device& d = **list;
    std::string label = std::string(d.vendor ? d.vendor : "") + " " + (d.model ? d.model : "");
    devices.push_back({d.name ? d.name : "", label + " (" + (d.name ? d.name : "") + ")"});
  }
  return devices;
}

bool SaneScanner::OpenSource(const std::string& name) {
  if (state_ == State::PreSession) return false;
  if (state_ >= State::SourceOpen) CloseSource();
  std::string device = name;
  if (device.empty()) {
    const std::vector<ScannerDevice> devices = Devices();
    if (devices.empty()) return false;
    device = devices.front().name;
  }
  SANE_Handle handle = nullptr;
  if (sane_open(device.c_str(), &handle) != SANE_STATUS_GOOD) return false;
  handle_ = handle;
  state_ = State::SourceOpen;
  return true;
}

int SaneScanner::OptionIndex(const char* name) const {
  const SANE_Handle handle = handle_;
  SANE_Int count = 0;
  if (sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) {
    return 0;
  }
  for (SANE_Int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle, i);
    if (option && option->name && std::strcmp(option->name, name) == 0 &&
        SANE_OPTION_IS_ACTIVE(option->cap)) {
      return i;
    }
  }
  return 0;
}

bool SaneScanner::FeedsDocuments() const {
  if (state_ < State::SourceOpen) return false;
  const int index = OptionIndex(SANE_NAME_SCAN_SOURCE);
  if (index == 0) return false;
  const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
  if (option->type != SANE_TYPE_STRING || option->size <= 0) return false;
  std::string value(static_cast<std::size_t>(option->size), '\0');
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
      SANE_STATUS_GOOD) {
    return false;
  }
  return ContainsFeeder(value.c_str());
}

void SaneScanner::SetResolutionOf(ScannedPicture& picture) const {
  const int index = OptionIndex(SANE_NAME_SCAN_RESOLUTION);
  if (index == 0) return;
  const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
  if (option->size < static_cast<SANE_Int>(sizeof(SANE_Word))) return;
  std::vector<SANE_Word> value(static_cast<std::size_t>(option->size) / sizeof(SANE_Word));
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
      SANE_STATUS_GOOD) {
    return;
  }
  if (option->type == SANE_TYPE_INT) picture.SetResolution(value[0]);
  if (option->type == SANE_TYPE_FIXED) picture.SetResolution(SANE_UNFIX(value[0]));
}

void SaneScanner::StopTransfer() {
  if (state_ >= State::SourceEnabled) sane_cancel(handle_);
  state_ = State::SourceOpen;
}

SaneScanner::FrameEnd SaneScanner::ReadFrame(ScannedPicture& picture,
                                             const ProgressCallback& progress, std::uint64_t& done,
                                             std::uint64_t& expected) {
  state_ = State::SourceEnabled;
  const SANE_Status started = sane_start(handle_);
  if (started == SANE_STATUS_NO_DOCS) return FrameEnd::NoDocuments;
  if (started == SANE_STATUS_CANCELLED) return FrameEnd::Cancelled;
  if (started != SANE_STATUS_GOOD) return FrameEnd::Failed;
  state_ = State::TransferReady;

  SANE_Parameters parameters{};
  FrameKind kind = FrameKind::Gray;
  if (sane_get_parameters(handle_, &parameters) != SANE_STATUS_GOOD ||
      !ToFrameKind(parameters.format, kind)) {
    return FrameEnd::Failed;
  }
  const FrameFormat format{kind, parameters.depth, parameters.pixels_per_line,
                           parameters.bytes_per_line, parameters.lines};
  if (!picture.BeginFrame(format)) return FrameEnd::Failed;
  if (parameters.lines > 0) {
    expected += std::uint64_t(parameters.bytes_per_line) * std::uint64_t(parameters.lines);
  }

  state_ = State::Transferring;
  std::vector<SANE_Byte> buffer(kReadChunk);
  for (;;) {
    SANE_Int length = 0;
    const SANE_Status status = sane_read(handle_, buffer.data(), SANE_Int(buffer.size()), &length);
    if (status == SANE_STATUS_EOF) break;
    if (status == SANE_STATUS_CANCELLED) return FrameEnd::Cancelled;
    if (status != SANE_STATUS_GOOD || length < 0) return FrameEnd::Failed;
    if (!picture.Append({buffer.data(), std::size_t(length)})) return FrameEnd::Failed;
    done += std::uint64_t(length);
    if (progress && !progress(done, expected)) return FrameEnd::Cancelled;
  }
  return parameters.last_frame ? FrameEnd::Last : FrameEnd::More;
}

SaneScanner::ScanStatus SaneScanner::ScanPicture(ScannedPicture& picture,
                                                 const ProgressCallback& progress) {
  if (state_ != State::SourceOpen) return ScanStatus::Failed;
  SetResolutionOf(picture);
  std::uint64_t done = 0;
  std::uint64_t expected = 0;
  // Single-colour passes come as three frames; no picture has more.
  constexpr int kMaxFrames = 3;
  FrameEnd end = FrameEnd::Failed;
  for (int frame = 0; frame < kMaxFrames; ++frame) {
    end = ReadFrame(picture, progress, done, expected);
    if (end != FrameEnd::More) break;
  }
  const ScanStatus status = end == FrameEnd::Last          ? ScanStatus::Picture
                            : end == FrameEnd::NoDocuments ? ScanStatus::NoMorePictures
                            : end == FrameEnd::Cancelled   ? ScanStatus::Cancelled
                                                           : ScanStatus::Failed;
  // A feeder goes on to its next sheet with the next start; anything else ends the transfer.
  if (status == ScanStatus::Picture && FeedsDocuments()) {
    state_ = State::SourceOpen;
  } else {
    StopTransfer();
  }
  return status;
}

void SaneScanner::CloseSource() {
  if (state_ < State::SourceOpen) return;
  StopTransfer();
  sane_close(handle_);
  handle_ = nullptr;
  state_ = State::ManagerOpen;
}

void SaneScanner::CloseManager() {
  CloseSource();
  if (state_ == State::ManagerOpen) sane_exit();
  state_ = State::PreSession;
}

}  // namespace quillon
