#include "kvf/KvfQuadCoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#include "kvf/KvfBitStream.h"
#include "kvf/KvfQuality.h"

namespace kvf {

namespace {

// Flag word of a quad entry: per node i a significant bit, a set-pending bit, the
// significant-since-this-plane copy, and the sign; the minimum field in bits 20..23 and the
// quad's shift in the top byte.
constexpr std::uint32_t Significant(std::uint32_t i) {
  return 0x40u >> (2 * i);
}
constexpr std::uint32_t Pending(std::uint32_t i) {
  return 0x80u >> (2 * i);
}
constexpr std::uint32_t SignificantNow(std::uint32_t i) {
  return 0x4000u >> (2 * i);
}
constexpr std::uint32_t Negative(std::uint32_t i) {
  return 0x10000u << i;
}
constexpr std::uint32_t kAllSignificant = 0x55;
constexpr std::uint32_t kAllPending = 0xAA;
constexpr std::uint32_t kRootGroupPending = Pending(1) | Pending(2) | Pending(3);
constexpr std::uint32_t kAllSignificantNow = 0x5500;
constexpr std::uint32_t kListEnd = 0xFFFFFFFF;

std::int32_t ShiftOf(std::uint32_t entry) {
  return static_cast<std::int32_t>(entry >> 24);
}
std::int32_t MinShiftOf(std::uint32_t entry) {
  return static_cast<std::int32_t>(entry >> 20 & 0xF);
}

// The value a decoder assumes for a magnitude whose highest known bit is b: the known bits
// plus 3/8 of the interval below.
std::uint32_t FirstEstimate(std::int32_t b) {
  std::uint32_t value = 1u << b;
  if (b >= 2) value |= 1u << (b - 2);
  if (b >= 3) value |= 1u << (b - 3);
  return value;
}

std::uint32_t Refined(std::uint32_t value, std::int32_t b, bool bit) {
  value &= ~(1u << b);
  if (b >= 1) value &= ~(1u << (b - 1));
  if (b >= 3) value |= 1u << (b - 3);
  if (bit) value |= 1u << b;
  return value;
}

template <typename Coefficient>
using Magnitude = std::make_unsigned_t<Coefficient>;

std::uint32_t LogQuadsPerTree(std::uint32_t levels) {
  return 2 * (levels - 1);
}

template <typename Coefficient>
void AssignShifts(const KvfTreeTables& tables, const KvfStripeCoefficients<Coefficient>& stripe,
                  std::uint32_t colourMode, const KvfStripeRegions& regions,
                  const KvfCoderLists& lists, std::uint64_t tree) {
  const std::uint64_t perComponent = std::uint64_t{stripe.treesAcross} * stripe.treesDown;
  const auto component = static_cast<std::uint32_t>(tree / perComponent);
  const std::uint64_t t = tree % perComponent;
  const std::size_t quads = tables.quadShift.size();
  lists.treeOrigins[tree] = stripe.TreeOrigin(tree, tables.levels);
  AssignTreeShifts(tables, KvfComponentBase(colourMode, component), regions,
                   static_cast<std::int64_t>((t % stripe.treesAcross) << tables.levels),
                   static_cast<std::int64_t>((t / stripe.treesAcross) << tables.levels),
                   lists.entries.subspan(tree * quads, quads));
}

// The coder of one stripe; Bits decides the direction.
template <typename Bits, typename Coefficient>
class StripeCoder {
  static constexpr bool kDecoding = Bits::kReading;
  using U = Magnitude<Coefficient>;

 public:
  StripeCoder(Bits& bits, const KvfTreeTables& tables,
              const KvfStripeCoefficients<Coefficient>& stripe, const KvfCoderLists& lists,
              const KvfCoderLimits& limits, const KvfCoderProgress& progress)
      : bits_(bits),
        progress_(progress),
        tables_(tables),
        stripe_(stripe),
        lists_(lists),
        limits_(limits),
        levels_(tables.levels),
        logQuads_(LogQuadsPerTree(levels_)),
        quadMask_((std::uint64_t{1} << logQuads_) - 1) {}

  KvfCoderResult Run(std::int32_t planes) {
    std::uint32_t stored = static_cast<std::uint32_t>(planes);
    if (!bits_.CodeLsbFirst(stored, 5)) return result_;
    result_.planes = static_cast<std::int32_t>(stored);
    const std::int32_t p0 = result_.planes;
    if (p0 == 0) return result_;
    passesAllowed_ = PassesForQuality(limits_.quality, p0);
    keyPass_ = PassesForQuality(limits_.freeQuality, p0);
    const std::int32_t stopPlane = EffectiveStopPlane(limits_.storedStopPlane, levels_);
    StartList();
    for (std::int32_t p = p0; p > stopPlane; --p) {
      for (int pass = 0; pass < 3; ++pass) {
        const bool complete = pass == 0   ? SignificancePass(p)
                              : pass == 1 ? SetPass(p)
                                          : RefinementPass(p);
        if (!complete) return result_;
        if (++result_.passesDone >= passesAllowed_) return result_;
        if (result_.passesDone >= keyPass_ && !CodeKeyOnce()) return result_;
      }
      ReportPlane(p0 - p + 1, p0);
    }
    RawStage(std::min(p0, stopPlane));
    return result_;
  }

 private:
  std::uint64_t TreeOf(std::uint64_t q) const { return q >> logQuads_; }
  std::uint32_t QuadOf(std::uint64_t q) const { return static_cast<std::uint32_t>(q & quadMask_); }

  U& MagnitudeOf(std::uint64_t q, std::uint32_t i) const {
    const std::uint64_t node = 4 * std::uint64_t{QuadOf(q)} + i;
    return static_cast<U*>(lists_.treeOrigins[TreeOf(q)])[tables_.nodeOffset[node]];
  }

  std::int32_t NodeShift(std::uint64_t q, std::uint32_t i) const {
    const std::int32_t shift = ShiftOf(lists_.entries[q]);
    return QuadOf(q) == 0 ? shift - static_cast<std::int32_t>(kKvfRootShiftDrop[i]) : shift;
  }

  void Append(std::uint64_t q) {
    const auto index = static_cast<std::uint32_t>(q);
    lists_.next[index] = kListEnd;
    if (tail_ == kListEnd) {
      head_ = index;
    } else {
      lists_.next[tail_] = index;
    }
    tail_ = index;
  }

  void StartList() {
    head_ = tail_ = kListEnd;
    const std::uint64_t trees = stripe_.Trees();
    for (std::uint64_t g = 0; g < trees; ++g) {
      const std::uint64_t root = g << logQuads_;
      lists_.entries[root] |= Pending(0);
      Append(root);
    }
  }

  void ReportPlane(std::int32_t planesDone, std::int32_t planes) const {
    if (progress_.callback == nullptr) return;
    const std::uint64_t done = std::uint64_t{progress_.stripesDone} * planes + planesDone;
    const std::uint64_t all = std::uint64_t{progress_.stripeCount} * planes;
    progress_.callback(static_cast<std::int32_t>(std::min<std::uint64_t>(100, 100 * done / all)));
  }

  bool CodeKeyOnce() {
    if (keyDone_) return true;
    keyDone_ = true;
    std::uint32_t key = limits_.key;
    if (!bits_.CodeLsbFirst(key, 32)) return false;
    if (kDecoding && key != limits_.key) {
      result_.keyMismatch = true;
      return false;
    }
    return true;
  }

  // Codes whether node i of quad q becomes significant at plane p, and its sign.
  bool TestNode(std::uint64_t q, std::uint32_t i, std::int32_t p) {
    std::uint32_t& entry = lists_.entries[q];
    const std::int32_t b = p - 1 - NodeShift(q, i);
    if (b < 0) {
      entry |= SignificantNow(i);
      return true;
    }
    U& magnitude = MagnitudeOf(q, i);
    bool bit = !kDecoding && (std::uint32_t{magnitude} >> b & 1u) != 0;
    if (!bits_.Code(bit)) return false;
    if (!bit) return true;
    bool negative = !kDecoding && (entry & Negative(i)) != 0;
    if (!bits_.Code(negative)) return false;
    if constexpr (kDecoding) {
      magnitude = static_cast<U>(FirstEstimate(b));
      if (negative) entry |= Negative(i);
    }
    entry |= SignificantNow(i);
    return true;
  }

  bool SignificancePass(std::int32_t p) {
    for (std::uint32_t q = head_; q != kListEnd; q = lists_.next[q]) {
      const std::uint32_t entry = lists_.entries[q];
      const std::uint32_t known = (entry | entry >> 8) & kAllSignificant;
      if (known == kAllSignificant) continue;
      // Nodes 1..3 of a root quad join once the set of node 0 is no longer pending.
      const std::uint32_t last = QuadOf(q) == 0 && (entry & Pending(0)) != 0 ? 0 : 3;
      for (std::uint32_t i = 0; i <= last; ++i) {
        if ((known & Significant(i)) == 0 && !TestNode(q, i, p)) return false;
      }
    }
    return true;
  }

  bool SetSignificance(std::uint64_t q, std::uint32_t i, std::int32_t p, bool& significant) {
    significant = !kDecoding && lists_.setPlanes[4 * q + i] >= p;
    return bits_.Code(significant);
  }

  // The set of node i of quad q became significant: its top group is tested.
  bool ExpandSet(std::uint64_t q, std::uint32_t i, std::int32_t p) {
    const std::uint32_t k = QuadOf(q);
    if (k == 0 && i == 0) {
      for (std::uint32_t j = 1; j < 4; ++j) {
        if (!TestNode(q, j, p)) return false;
      }
      if (levels_ > 1) lists_.entries[q] |= kRootGroupPending;
      return true;
    }
    const std::uint64_t node = 4 * std::uint64_t{k} + i;
    const std::uint64_t child = (TreeOf(q) << logQuads_) + node;
    for (std::uint32_t j = 0; j < 4; ++j) {
      if (!TestNode(child, j, p)) return false;
    }
    if (node < KvfFirstFinestQuad(levels_)) lists_.entries[child] |= kAllPending;
    Append(child);
    return true;
  }

  bool SetPass(std::int32_t p) {
    for (std::uint32_t q = head_; q != kListEnd; q = lists_.next[q]) {
      std::uint32_t& entry = lists_.entries[q];
      if ((entry & kAllPending) == 0) continue;
      if (MinShiftOf(entry) >= p) {
        entry &= ~kAllPending;
        continue;
      }
      const std::uint32_t group = QuadOf(q) == 0 ? kRootGroupPending : kAllPending;
      if ((entry & group) == group) {
        bool any = false;
        if constexpr (!kDecoding) {
          for (std::uint32_t i = 0; i < 4; ++i) {
            any = any || ((group & Pending(i)) != 0 && lists_.setPlanes[4 * q + i] >= p);
          }
        }
        if (!bits_.Code(any)) return false;
        if (!any) continue;
      }
      for (std::uint32_t i = 0; i < 4; ++i) {
        if ((lists_.entries[q] & Pending(i)) == 0) continue;
        bool significant = false;
        if (!SetSignificance(q, i, p, significant)) return false;
        if (!significant) continue;
        lists_.entries[q] &= ~Pending(i);
        if (!ExpandSet(q, i, p)) return false;
      }
    }
    return true;
  }

  bool RefinementPass(std::int32_t p) {
    std::uint32_t previous = kListEnd;
    for (std::uint32_t q = head_, next = kListEnd; q != kListEnd; q = next) {
      next = lists_.next[q];
      std::uint32_t entry = lists_.entries[q];
      for (std::uint32_t i = 0; i < 4; ++i) {
        if ((entry & Significant(i)) == 0) continue;
        const std::int32_t b = p - 1 - NodeShift(q, i);
        if (b < 0) continue;
        U& magnitude = MagnitudeOf(q, i);
        bool bit = !kDecoding && (std::uint32_t{magnitude} >> b & 1u) != 0;
        if (!bits_.Code(bit)) return false;
        if constexpr (kDecoding) magnitude = static_cast<U>(Refined(magnitude, b, bit));
      }
      entry |= entry >> 8 & kAllSignificant;
      entry &= ~kAllSignificantNow;
      lists_.entries[q] = entry;
      const std::int32_t smallestShift = ShiftOf(entry) - (QuadOf(q) == 0 ? 2 : 0);
      if (p - 1 - smallestShift < 1 && (entry & kAllPending) == 0) {
        if (previous == kListEnd) {
          head_ = next;
        } else {
          lists_.next[previous] = next;
        }
        if (tail_ == q) tail_ = previous;
        continue;
      }
      previous = q;
    }
    return true;
  }

  // Sends the bits below `plane` of quad k of tree g raw, then the signs not sent yet.
  bool RawQuad(std::uint64_t tree, std::uint32_t k, std::int32_t plane) {
    const std::uint64_t q = (tree << logQuads_) + k;
    const std::int32_t low = plane - ShiftOf(lists_.entries[q]);
    if (low <= 0) return true;
    const std::uint32_t lowMask = (1u << low) - 1;
    std::uint32_t values[4];
    for (std::uint32_t i = 0; i < 4; ++i) {
      values[i] = MagnitudeOf(q, i);
      if (kDecoding) values[i] &= ~lowMask;
    }
    bool complete = true;
    for (std::int32_t b = low - 1; b >= 0 && complete; --b) {
      for (std::uint32_t i = 0; i < 4 && complete; ++i) {
        bool bit = (values[i] >> b & 1u) != 0;
        complete = bits_.Code(bit);
        if (complete && kDecoding && bit) values[i] |= 1u << b;
      }
    }
    for (std::uint32_t i = 0; i < 4 && complete; ++i) {
      if (kDecoding) MagnitudeOf(q, i) = static_cast<U>(values[i]);
      if (values[i] == 0 || (values[i] & ~lowMask) != 0) continue;
      std::uint32_t& entry = lists_.entries[q];
      bool negative = (entry & Negative(i)) != 0;
      complete = bits_.Code(negative);
      if (complete && negative) entry |= Negative(i);
    }
    return complete;
  }

  // The planes below the stop plane, quad group by quad group from the coarsest detail level
  // to the finest (the root quad was completed by the plane loop).
  void RawStage(std::int32_t plane) {
    const std::int32_t before = result_.passesDone;
    const std::int32_t remaining = passesAllowed_ - before;
    if (remaining <= 0) return;
    result_.passesDone = passesAllowed_;
    if (remaining == 1 || levels_ == 1) return;
    // The key goes in only where the free quality ends before the quality allowed.
    const bool keyDue = keyPass_ < passesAllowed_;
    if (keyDue && keyPass_ - before < 2 && !CodeKeyOnce()) {
      result_.passesDone = before;
      return;
    }
    std::int32_t count = 1;
    const std::uint64_t trees = stripe_.Trees();
    for (std::uint32_t level = levels_ - 1; level >= 1; --level) {
      const std::uint32_t groupSize = 1u << (2 * (levels_ - level - 1));
      for (std::uint32_t orientation = 1; orientation <= 3; ++orientation) {
        for (std::uint64_t g = 0; g < trees; ++g) {
          for (std::uint32_t k = orientation * groupSize; k < (orientation + 1) * groupSize; ++k) {
            if (!RawQuad(g, k, plane)) {
              result_.passesDone = before + count - 1;
              return;
            }
          }
        }
        const std::int32_t step = static_cast<std::int32_t>(3 * level - (orientation - 1));
        if (step > 3 * plane - 2) continue;
        if (count >= remaining) return;
        ++count;
        if (keyDue && count >= keyPass_ - before && !CodeKeyOnce()) {
          result_.passesDone = before + count - 1;
          return;
        }
      }
    }
  }

  Bits& bits_;
  const KvfCoderProgress& progress_;
  const KvfTreeTables& tables_;
  const KvfStripeCoefficients<Coefficient>& stripe_;
  const KvfCoderLists& lists_;
  const KvfCoderLimits& limits_;
  const std::uint32_t levels_;
  const std::uint32_t logQuads_;
  const std::uint64_t quadMask_;
  std::int32_t passesAllowed_ = 0;
  std::int32_t keyPass_ = 0;
  bool keyDone_ = false;
  std::uint32_t head_ = kListEnd;
  std::uint32_t tail_ = kListEnd;
  KvfCoderResult result_;
};

}  // namespace

void KvfCoderLists::Carve(std::span<std::byte> memory, std::uint64_t quads, std::uint64_t trees) {
  auto* origins = reinterpret_cast<void**>(memory.data());
  treeOrigins = {origins, trees};
  auto* words = reinterpret_cast<std::uint32_t*>(origins + trees);
  entries = {words, quads};
  next = {words + quads, quads};
  setPlanes = {reinterpret_cast<std::uint8_t*>(words + 2 * quads), 4 * quads};
}

std::int32_t KvfCoderResult::QualityReached() const {
  if (planes == 0) return 1024;
  return std::max(1, QualityForPasses(passesDone, planes));
}

template <typename Coefficient>
std::int32_t PrepareStripeForCoding(const KvfTreeTables& tables,
                                    const KvfStripeCoefficients<Coefficient>& stripe,
                                    std::uint32_t colourMode, const KvfStripeRegions& regions,
                                    const KvfCoderLists& lists) {
  using U = Magnitude<Coefficient>;
  const std::uint32_t levels = tables.levels;
  const std::size_t nodes = tables.nodeOffset.size();
  const std::size_t quads = tables.quadShift.size();
  const std::uint64_t trees = stripe.Trees();
  std::int32_t planes = 0;
  for (std::uint64_t g = 0; g < trees; ++g) {
    AssignShifts(tables, stripe, colourMode, regions, lists, g);
    std::uint32_t* entries = lists.entries.data() + g * quads;
    Coefficient* values = stripe.TreeOrigin(g, levels);
    U* magnitudes = reinterpret_cast<U*>(values);
    for (std::size_t n = 0; n < nodes; ++n) {
      const std::size_t at = tables.nodeOffset[n];
      const Coefficient value = values[at];
      if (value < 0) {
        entries[n / 4] |= Negative(n % 4);
        magnitudes[at] = static_cast<U>(U{0} - static_cast<U>(value));
      } else {
        magnitudes[at] = static_cast<U>(value);
      }
    }
    // Plane of a node: where its magnitude, moved up by its shift, becomes significant.
    const auto planeOf = [&](std::size_t n) -> std::int32_t {
      const std::uint32_t magnitude = magnitudes[tables.nodeOffset[n]];
      if (magnitude == 0) return 0;
      const std::int32_t shift =
          ShiftOf(entries[n / 4]) - (n < 4 ? static_cast<std::int32_t>(kKvfRootShiftDrop[n]) : 0);
      return std::bit_width(magnitude) + shift;
    };
    std::uint8_t* setPlanes = lists.setPlanes.data() + g * quads * 4;
    const auto groupPlane = [&](std::size_t quad) {
      std::int32_t highest = 0;
      for (std::size_t i = 0; i < 4; ++i) {
        highest = std::max({highest, planeOf(4 * quad + i), std::int32_t{setPlanes[4 * quad + i]}});
      }
      return highest;
    };
    for (std::size_t k = quads; k-- > 0;) {
      for (std::size_t i = k == 0 ? 1 : 0; i < 4; ++i) {
        const std::size_t node = 4 * k + i;
        setPlanes[node] = node < quads ? static_cast<std::uint8_t>(groupPlane(node)) : 0;
      }
    }
    std::int32_t rootSet = 0;
    for (std::size_t i = 1; i < 4; ++i) {
      rootSet = std::max({rootSet, planeOf(i), std::int32_t{setPlanes[i]}});
    }
    setPlanes[0] = static_cast<std::uint8_t>(rootSet);
    planes = std::max({planes, rootSet, planeOf(0)});
  }
  return planes;
}

template <typename Coefficient>
void PrepareStripeForDecoding(const KvfTreeTables& tables,
                              const KvfStripeCoefficients<Coefficient>& stripe,
                              std::uint32_t colourMode, const KvfStripeRegions& regions,
                              const KvfCoderLists& lists) {
  const std::size_t rows = std::size_t{stripe.treesDown} << tables.levels;
  for (std::uint32_t c = 0; c < stripe.components; ++c) {
    std::memset(stripe.planes[c], 0, rows * stripe.rowStride * sizeof(Coefficient));
  }
  const std::uint64_t trees = stripe.Trees();
  for (std::uint64_t g = 0; g < trees; ++g)
    AssignShifts(tables, stripe, colourMode, regions, lists, g);
}

template <typename Coefficient>
void FinishDecodedStripe(const KvfTreeTables& tables,
                         const KvfStripeCoefficients<Coefficient>& stripe,
                         const KvfCoderLists& lists) {
  using U = Magnitude<Coefficient>;
  const std::size_t nodes = tables.nodeOffset.size();
  const std::size_t quads = tables.quadShift.size();
  const std::uint64_t trees = stripe.Trees();
  for (std::uint64_t g = 0; g < trees; ++g) {
    const std::uint32_t* entries = lists.entries.data() + g * quads;
    Coefficient* values = stripe.TreeOrigin(g, tables.levels);
    for (std::size_t n = 0; n < nodes; ++n) {
      Coefficient& value = values[tables.nodeOffset[n]];
      const U magnitude = static_cast<U>(value);
      const bool negative = (entries[n / 4] & Negative(n % 4)) != 0;
      value = static_cast<Coefficient>(negative ? static_cast<U>(U{0} - magnitude) : magnitude);
    }
  }
}

template <typename BitStream, typename Coefficient>
KvfCoderResult CodeStripe(BitStream& bits, const KvfTreeTables& tables,
                          const KvfStripeCoefficients<Coefficient>& stripe,
                          const KvfCoderLists& lists, const KvfCoderLimits& limits,
                          std::int32_t planes, const KvfCoderProgress& progress) {
  StripeCoder<BitStream, Coefficient> coder(bits, tables, stripe, lists, limits, progress);
  return coder.Run(planes);
}

#define KVF_INSTANTIATE_CODER(Coefficient)                                                         \
  template std::int32_t PrepareStripeForCoding(                                                    \
      const KvfTreeTables&, const KvfStripeCoefficients<Coefficient>&, std::uint32_t,              \
      const KvfStripeRegions&, const KvfCoderLists&);                                              \
  template void PrepareStripeForDecoding(const KvfTreeTables&,                                     \
                                         const KvfStripeCoefficients<Coefficient>&, std::uint32_t, \
                                         const KvfStripeRegions&, const KvfCoderLists&);           \
  template void FinishDecodedStripe(                                                               \
      const KvfTreeTables&, const KvfStripeCoefficients<Coefficient>&, const KvfCoderLists&);      \
  template KvfCoderResult CodeStripe(                                                              \
      KvfBitWriter&, const KvfTreeTables&, const KvfStripeCoefficients<Coefficient>&,              \
      const KvfCoderLists&, const KvfCoderLimits&, std::int32_t, const KvfCoderProgress&);         \
  template KvfCoderResult CodeStripe(                                                              \
      KvfBitReader&, const KvfTreeTables&, const KvfStripeCoefficients<Coefficient>&,              \
      const KvfCoderLists&, const KvfCoderLimits&, std::int32_t, const KvfCoderProgress&);

KVF_INSTANTIATE_CODER(std::int16_t)
KVF_INSTANTIATE_CODER(std::int32_t)
#undef KVF_INSTANTIATE_CODER

}  // namespace kvf
