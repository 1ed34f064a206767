// How a quality value (0..1024) maps to a number of coding passes for a stripe with P bit
// planes, and back; and how a byte budget is shared between stripes.
#pragma once

#include <cstdint>

namespace kvf {

// Passes allowed at quality q for a stripe with `planes` planes (512: P, 900: 2P, 1024: 3P).
// May be 0 or negative for very low q and P: the coder then stops after its first pass.
std::int32_t PassesForQuality(std::int32_t quality, std::int32_t planes);

// Quality reached after `passes` passes of a stripe with `planes` planes; 1024 at 3P.
// `planes` must be positive.
std::int32_t QualityForPasses(std::int32_t passes, std::int32_t planes);

// The byte budget of the next stripe when `limit` bytes are allowed in all, `used` are spent
// and `stripesLeft` stripes (this one included) remain; 0 means no limit. A positive limit
// that is already spent still leaves the smallest stripe possible (one word and the end word),
// so that a file asked to be small stays small.
std::uint32_t StripeBudget(std::uint64_t limit, std::uint64_t used, std::uint32_t stripesLeft);

// The coder stops its plane loop above this plane; the planes below go to the raw stage.
// `stored` is the file's value (-1: the default 2); never above levels - 1, so that the root
// quad, which the raw stage leaves out, is always coded completely by the plane loop.
std::int32_t EffectiveStopPlane(std::int32_t stored, std::uint32_t levels);

}  // namespace kvf
