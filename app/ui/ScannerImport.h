// Scanner import: TWAIN Select Source chooses a SANE scanner for the run, TWAIN Acquire
// scans pictures from it into new documents, with progress and a way to cancel.
#pragma once

#include <string>

class wxWindow;

namespace quillon {

inline constexpr int kScannerNotReady = 61225;  // "TWAIN is not ready. The hardware ..."

class ScannerImport {
 public:
  // Lists the scanners to choose from; message 61225 when none is reachable.
  void SelectSource(wxWindow* parent);
  // Scans from the chosen scanner (the first one when none was chosen): one picture, or
  // every sheet of a document feeder, each into a new document. Returns the number of
  // documents made; message 61225 when no scanner can be opened or a scan fails.
  int Acquire(wxWindow* parent);

  const std::string& SourceName() const { return source_; }

 private:
  std::string source_;  // SANE device name; empty for the first scanner found
};

}  // namespace quillon
