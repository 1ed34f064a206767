// How many worker threads the JPEG 2000 reader and writer give the codec: one per processor
// core unless a count was chosen (quillon-convert --threads).
#pragma once

namespace quillon {

inline constexpr int kMaxJpeg2000Threads = 64;

int Jpeg2000Threads();

// Clamped to 1 to kMaxJpeg2000Threads.
void SetJpeg2000Threads(int threads);

}  // namespace quillon
