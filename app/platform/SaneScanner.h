// A scanner session on SANE, kept in the states a TWAIN session passes through: the
// source manager (sane_init) is opened, then a source (sane_open), which is enabled and
// transfers pictures frame by frame (sane_start, sane_read) until it is closed again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ScannedPicture.h"

namespace quillon {

struct ScannerDevice {
  std::string name;   // what sane_open takes
  std::string label;  // maker and model, as the user knows the device
};

class SaneScanner {
 public:
  enum class State {
    PreSession = 1,
    ManagerOpen = 3,
    SourceOpen = 4,
    SourceEnabled = 5,
    TransferReady = 6,
    Transferring = 7,
  };
  enum class ScanStatus { Picture, NoMorePictures, Cancelled, Failed };
  // Told the bytes read so far and the bytes expected (0 when unknown); false cancels.
  using ProgressCallback = std::function<bool(std::uint64_t done, std::uint64_t expected)>;

  SaneScanner() = default;
  SaneScanner(const SaneScanner&) = delete;
  SaneScanner& operator=(const SaneScanner&) = delete;
  ~SaneScanner();

  State GetState() const { return state_; }

  [[nodiscard]] bool OpenManager();
  // The scanners SANE reaches; empty when the manager is not open.
  std::vector<ScannerDevice> Devices() const;
  // Opens the named scanner, or the first one for an empty name, closing an open one first.
  [[nodiscard]] bool OpenSource(const std::string& name);
  // Scans one picture with all its frames. After a picture, further ones follow only from a
  // document feeder; NoMorePictures tells that it is empty.
  ScanStatus ScanPicture(ScannedPicture& picture, const ProgressCallback& progress);
  // Whether the open source feeds documents, so that more pictures may be waiting.
  bool FeedsDocuments() const;
  void CloseSource();
  void CloseManager();

 private:
  enum class FrameEnd { Last, More, NoDocuments, Cancelled, Failed };
  FrameEnd ReadFrame(ScannedPicture& picture, const ProgressCallback& progress, std::uint64_t& done,
                     std::uint64_t& expected);
  void SetResolutionOf(ScannedPicture& picture) const;
  // The option's index by its name; 0 (the option count) when the source has none.
  int OptionIndex(const char* name) const;
  // Ends a transfer and returns to the open source.
  void StopTransfer();

  State state_ = State::PreSession;
  void* handle_ = nullptr;  // SANE_Handle
};

}  // namespace quillon
