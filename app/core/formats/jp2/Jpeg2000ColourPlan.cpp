#include "core/formats/jp2/Jpeg2000ColourPlan.h"

#include <algorithm>

namespace quillon {

namespace {

constexpr std::uint32_t kColourChannel = 0;
constexpr std::uint32_t kHighestAssociation = 512;

Jp2UsedChannel Use(const Jp2ChannelFacts& facts, std::uint32_t channel, int slot) {
  return {channel, slot, facts.width, facts.height, facts.depth, facts.isSigned, facts.palette};
}

bool Sized(const Jp2ChannelFacts& facts) {
  return facts.width > 0 && facts.height > 0;
}

// Fills every slot of `space` from the colour channels; false when one stays empty.
bool PlaceColours(const Jp2ColourFacts& facts, Jp2WorkingSpace space, Jp2ColourPlan& plan) {
  const int slots = ColourSlots(space);
  if (facts.components < static_cast<std::uint32_t>(slots)) return false;
  std::vector<Jp2UsedChannel> used(static_cast<std::size_t>(slots));
  std::vector<bool> filled(used.size(), false);
  for (std::uint32_t i = 0; i < facts.channels.size(); ++i) {
    const Jp2ChannelFacts& channel = facts.channels[i];
    if (channel.type != kColourChannel || !Sized(channel)) continue;
    const std::uint32_t association =
        std::clamp<std::uint32_t>(channel.association, 1, kHighestAssociation);
    const auto slot = static_cast<int>(association - 1);
    if (slot >= slots || filled[static_cast<std::size_t>(slot)]) continue;
    used[static_cast<std::size_t>(slot)] = Use(channel, i, slot);
    filled[static_cast<std::size_t>(slot)] = true;
  }
  if (std::find(filled.begin(), filled.end(), false) != filled.end()) return false;
  plan.space = space;
  plan.used = std::move(used);
  return true;
}

}  // namespace

int ColourSlots(Jp2WorkingSpace space) {
  switch (space) {
    case Jp2WorkingSpace::Grey:
      return 1;
    case Jp2WorkingSpace::Cmyk:
      return 4;
    case Jp2WorkingSpace::Rgb:
    case Jp2WorkingSpace::Ycc:
    case Jp2WorkingSpace::Lab:
      return 3;
  }
  return 1;
}

bool PlanColour(const Jp2ColourFacts& facts, Jp2ColourPlan& plan) {
  plan = Jp2ColourPlan{};
  if (!PlaceColours(facts, facts.space, plan)) {
    if (facts.channels.empty() || !Sized(facts.channels[0])) return false;
    plan.space = Jp2WorkingSpace::Grey;
    plan.used = {Use(facts.channels[0], 0, 0)};
  }
  for (const Jp2UsedChannel& used : plan.used) {
    plan.width = std::max(plan.width, used.width);
    plan.height = std::max(plan.height, used.height);
  }
  return true;
}

}  // namespace quillon
