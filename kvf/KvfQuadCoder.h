// The bit-plane coder of one stripe: a set-partitioning coder over the quads of the
// coefficient trees (all components of the stripe in one stream). Magnitudes are coded from
// the highest plane down, each coefficient as if multiplied by 2^shift of its quad, with three
// passes per plane (significance, set, refinement), followed by a raw stage for the lowest
// planes. One traversal serves both directions: with a KvfBitWriter it writes the stripe, with
// a KvfBitReader it rebuilds the magnitudes (unknown low bits set to 3/8 of their interval).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "kvf/KvfStreamCallbacks.h"
#include "kvf/KvfTrees.h"

namespace kvf {

// Where the coefficients of one stripe lie: per component a pointer to its first row.
template <typename Coefficient>
struct KvfStripeCoefficients {
  std::array<Coefficient*, 4> planes{};
  std::size_t rowStride = 0;
  std::uint32_t components = 0;
  std::uint32_t treesAcross = 0;
  std::uint32_t treesDown = 0;

  std::uint64_t Trees() const { return std::uint64_t{treesAcross} * treesDown * components; }
  // The coefficient block of tree g (trees counted component by component, raster order).
  Coefficient* TreeOrigin(std::uint64_t g, std::uint32_t levels) const {
    const std::uint64_t perComponent = std::uint64_t{treesAcross} * treesDown;
    const std::uint64_t t = g % perComponent;
    return planes[g / perComponent] + (t / treesAcross) * (rowStride << levels) +
           ((t % treesAcross) << levels);
  }
};

// The coder's lists and tables (work buffer 2): per quad a flag word, a link and four set
// planes; per tree where its coefficients start in the current stripe.
struct KvfCoderLists {
  std::span<std::uint32_t> entries;
  std::span<std::uint32_t> next;
  std::span<std::uint8_t> setPlanes;
  std::span<void*> treeOrigins;

  static std::uint64_t BytesNeeded(std::uint64_t quads, std::uint64_t trees) {
    return trees * sizeof(void*) + quads * 12;
  }
  void Carve(std::span<std::byte> memory, std::uint64_t quads, std::uint64_t trees);
};

// What the coder is allowed to do in one stripe.
struct KvfCoderLimits {
  std::int32_t quality = 1024;      // passes allowed follow from it and the stripe's planes
  std::int32_t freeQuality = 1024;  // the key goes in where this quality is reached
  std::uint32_t key = 0;            // encoder: written; decoder: expected (0: no password)
  std::int32_t storedStopPlane = -1;
};

// Progress after every plane: the share of stripes done, refined by the planes done.
struct KvfCoderProgress {
  KvfProgressCallback callback = nullptr;
  std::uint32_t stripesDone = 0;
  std::uint32_t stripeCount = 1;
};

struct KvfCoderResult {
  std::int32_t planes = 0;  // P
  std::int32_t passesDone = 0;
  bool keyMismatch = false;  // decoder: the key in the data differs from the expected one
  std::int32_t QualityReached() const;
};

// Encoder: turns the stripe's coefficients into magnitudes in place (Coefficient is int16_t or
// int32_t, read back as its unsigned twin), records their signs and shifts in the lists, fills
// the set planes and returns P (which can exceed 31 for data out of range).
template <typename Coefficient>
std::int32_t PrepareStripeForCoding(const KvfTreeTables& tables,
                                    const KvfStripeCoefficients<Coefficient>& stripe,
                                    std::uint32_t colourMode, const KvfStripeRegions& regions,
                                    const KvfCoderLists& lists);

// Decoder: clears the stripe's coefficients and sets the shifts in the lists.
template <typename Coefficient>
void PrepareStripeForDecoding(const KvfTreeTables& tables,
                              const KvfStripeCoefficients<Coefficient>& stripe,
                              std::uint32_t colourMode, const KvfStripeRegions& regions,
                              const KvfCoderLists& lists);

// Decoder: turns the decoded magnitudes and signs back into two's complement coefficients.
template <typename Coefficient>
void FinishDecodedStripe(const KvfTreeTables& tables,
                         const KvfStripeCoefficients<Coefficient>& stripe,
                         const KvfCoderLists& lists);

// Codes P (the encoder's `planes`; read by the decoder) and the passes the limits allow.
// Stops early, without error, when the bit stream runs out.
template <typename BitStream, typename Coefficient>
KvfCoderResult CodeStripe(BitStream& bits, const KvfTreeTables& tables,
                          const KvfStripeCoefficients<Coefficient>& stripe,
                          const KvfCoderLists& lists, const KvfCoderLimits& limits,
                          std::int32_t planes, const KvfCoderProgress& progress = {});

}  // namespace kvf
