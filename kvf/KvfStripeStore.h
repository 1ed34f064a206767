// The parts of the work buffers that both directions use per stripe: the ring of coefficient
// rows, the carry lines, the tree tables and the coder's lists, and the view of one stripe
// that the coder works on.
#pragma once

#include <span>

#include "kvf/KvfLineTransform.h"
#include "kvf/KvfQuadCoder.h"
#include "kvf/KvfStreamCallbacks.h"
#include "kvf/KvfTrees.h"
#include "kvf/KvfWorkBuffers.h"

namespace kvf {

// What both directions keep between calls, at the start of their session state.
struct KvfSessionBase {
  std::uint32_t mark = 0;  // tells an encoder's session from a decoder's
  KvfCodingShape shape;
  std::int32_t layout = 0;  // pixel layout code of the caller's rows
  KvfCoderLimits limits;
  std::uint32_t regionCount = 0;
  std::uint32_t regionWeight = 0;      // effective
  std::uint16_t lowestQuality = 1024;  // over the stripes coded so far
  KvfProgressCallback progress = nullptr;
  KvfLineTransformState transform;
};

template <typename Sample>
class KvfStripeStore {
 public:
  KvfStripeStore(const KvfSessionBase& session, const KvfWorkLayout& layout)
      : KvfStripeStore(session.shape, layout, session.regionCount, session.regionWeight) {}

  const KvfRowRing<Sample>& Ring() const { return ring_; }
  Sample* Carry() const { return carry_; }
  const KvfTreeTables& Tables() const { return tables_; }
  const KvfCoderLists& Lists() const { return lists_; }

  KvfStripeCoefficients<Sample> Stripe(std::uint32_t index) const {
    KvfStripeCoefficients<Sample> stripe;
    for (std::uint32_t c = 0; c < shape_.components; ++c) {
      stripe.planes[c] = ring_.Row(c, index * shape_.stripeHeight);
    }
    stripe.rowStride = shape_.codedWidth;
    stripe.components = shape_.components;
    stripe.treesAcross = shape_.TreesAcross();
    stripe.treesDown = shape_.TreesDown();
    return stripe;
  }

  KvfStripeRegions RegionsOf(std::uint32_t index) const {
    return {regions_, regionWeight_, std::int64_t{index} * shape_.stripeHeight};
  }

 private:
  KvfStripeStore(const KvfCodingShape& shape, const KvfWorkLayout& layout,
                 std::uint32_t regionCount, std::uint32_t regionWeight)
      : shape_(shape),
        ring_{reinterpret_cast<Sample*>(layout.ring.data()), shape.codedWidth, shape.RingRows(),
              shape.components},
        carry_(reinterpret_cast<Sample*>(layout.carry.data())),
        regions_(layout.regions.first(regionCount)),
        regionWeight_(regionWeight) {
    tables_.Build(shape.levels, shape.codedWidth, layout.treeTables);
    lists_.Carve(layout.lists, shape.QuadsPerStripe(), shape.TreesPerStripe());
  }

  const KvfCodingShape& shape_;
  KvfRowRing<Sample> ring_;
  Sample* carry_;
  std::span<const KvfRegion> regions_;
  std::uint32_t regionWeight_;
  KvfTreeTables tables_;
  KvfCoderLists lists_;
};

}  // namespace kvf
