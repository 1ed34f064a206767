// Where a decoder finds the codeword segments of a code-block (T.800 D.4 and D.6), written
// apart from the coder as the tests' reference. Passes count from 0, the first cleanup pass.
#pragma once

namespace quillon::jp2::test {

// Terminate-each-pass (4) ends a segment after every pass; bypass (1) after the fourth
// cleanup pass (pass 9), then after every raw refinement pass and every cleanup pass.
inline bool SegmentEndsAfter(int style, int pass) {
  if ((style & 4) != 0) return true;
  return (style & 1) != 0 && pass >= 9 && pass % 3 != 1;
}

// With bypass, the significance and refinement passes from the fifth plane on are raw.
inline bool RawPass(int style, int pass) {
  return (style & 1) != 0 && pass >= 10 && pass % 3 != 0;
}

}  // namespace quillon::jp2::test
