#include "decoder/ChannelResolution.h"

#include <cstring>

#include "decoder/ColourDescriptions.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kColourChannel = 0;
constexpr std::uint32_t kUnspecifiedChannel = 3;
constexpr std::uint32_t kMaxPaletteColumns = 256;

class ChannelTable {
 public:
  ChannelTable(DecompressState& state, JP2_ChannelDef* defs, std::uint16_t* components,
               std::uint32_t capacity)
      : state_(state), defs_(defs), components_(components), capacity_(capacity) {}

  Status Build() {
    const std::uint32_t colours = ColourCount(state_);
    if (state_.Palette() != nullptr) JP2_RETURN_IF_ERROR(PaletteChannels(colours));
    for (std::uint32_t colour = 1; colour <= colours; ++colour) {
      const ChannelDefinition* def = FindDefinition(kColourChannel, colour, false);
      if (def != nullptr && !ThroughPalette(*def)) JP2_RETURN_IF_ERROR(AddDirect(*def));
    }
    for (std::uint32_t association = 0; association <= colours; ++association) {
      const ChannelDefinition* def = FindOpacity(association, false);
      if (def != nullptr && !ThroughPalette(*def)) JP2_RETURN_IF_ERROR(AddDirect(*def));
    }
    // Only the few channels placed so far can hold a component; step 4 adds each once.
    const std::uint32_t placed = count_;
    const int componentCount = state_.codestream.componentCount;
    for (int c = 0; c < componentCount; ++c) {
      if (Mapped(static_cast<std::uint16_t>(c), placed)) continue;
      const bool asColour = count_ < colours && !state_.hasDefinitions;
      JP2_RETURN_IF_ERROR(Add(asColour ? JP2_ChannelDef{kColourChannel, count_ + 1}
                                       : JP2_ChannelDef{kUnspecifiedChannel, 0},
                              static_cast<std::uint16_t>(c)));
    }
    return JP2_Success;
  }

  std::uint32_t Count() const { return count_; }

 private:
  // The palette columns first: the colours, opacities with their association, then the rest.
  Status PaletteChannels(std::uint32_t colours) {
    const JP2_PaletteDesc& palette = *state_.Palette();
    if (palette.columns == 0 || palette.columns > kMaxPaletteColumns)
      return JP2_Error_PaletteMapping;
    for (std::uint32_t colour = 1; colour <= colours; ++colour) {
      std::uint32_t channel = colour - 1;
      if (state_.hasDefinitions) {
        const ChannelDefinition* def = FindDefinition(kColourChannel, colour, true);
        if (def == nullptr) return JP2_Error_ChannelDefs;
        channel = def->channel;
      }
      JP2_RETURN_IF_ERROR(AddPaletteColumn(channel, {kColourChannel, colour}));
    }
    if (state_.hasDefinitions) {
      for (std::uint32_t association = 0; association <= colours; ++association) {
        const ChannelDefinition* def = FindOpacity(association, true);
        if (def != nullptr)
          JP2_RETURN_IF_ERROR(AddPaletteColumn(def->channel, {def->type, association}));
      }
    }
    for (std::uint32_t column = 0; column < palette.columns; ++column) {
      if (!used_[column]) JP2_RETURN_IF_ERROR(AddColumn(column, {kUnspecifiedChannel, 0}));
    }
    return PermutePalette();
  }

  const ComponentMapping* MappingOf(std::uint32_t channel) const {
    return state_.hasMapping && channel < state_.mappingCount ? &state_.Mapping()[channel]
                                                              : nullptr;
  }

  bool ThroughPalette(const ChannelDefinition& def) const {
    const ComponentMapping* entry = MappingOf(def.channel);
    return state_.Palette() != nullptr && entry != nullptr &&
           entry->type == ComponentMapping::kPalette;
  }

  // The first definition of type and association; with palette set, the first whose channel
  // the palette serves.
  const ChannelDefinition* FindDefinition(std::uint32_t type, std::uint32_t association,
                                          bool palette) const {
    for (std::uint32_t i = 0; i < state_.definitionCount; ++i) {
      const ChannelDefinition& def = state_.Definitions()[i];
      if (def.type == type && def.association == association && (!palette || ThroughPalette(def))) {
        return &def;
      }
    }
    return nullptr;
  }

  const ChannelDefinition* FindOpacity(std::uint32_t association, bool palette) const {
    for (std::uint32_t i = 0; i < state_.definitionCount; ++i) {
      const ChannelDefinition& def = state_.Definitions()[i];
      if ((def.type == 1 || def.type == 2) && def.association == association &&
          (!palette || ThroughPalette(def))) {
        return &def;
      }
    }
    return nullptr;
  }

  Status AddPaletteColumn(std::uint32_t channel, JP2_ChannelDef def) {
    const ComponentMapping* entry = MappingOf(channel);
    if (entry == nullptr || entry->type != ComponentMapping::kPalette)
      return JP2_Error_PaletteMapping;
    if (paletteComponent_ < 0) {
      if (entry->component >= state_.codestream.componentCount) return JP2_Error_PaletteMapping;
      paletteComponent_ = entry->component;
    }
    return AddColumn(entry->column, def);
  }

  Status AddColumn(std::uint32_t column, JP2_ChannelDef def) {
    if (column >= state_.Palette()->columns || used_[column]) return JP2_Error_PaletteMapping;
    if (paletteComponent_ < 0) return JP2_Error_PaletteMapping;
    used_[column] = true;
    order_[columnsPlaced_++] = static_cast<std::uint8_t>(column);
    return Add(def, static_cast<std::uint16_t>(paletteComponent_));
  }

  // A channel used directly: through its mapping entry when there is a mapping box.
  Status AddDirect(const ChannelDefinition& def) {
    std::uint32_t component = def.channel;
    if (state_.hasMapping) {
      const ComponentMapping* entry = MappingOf(def.channel);
      if (entry == nullptr) return JP2_Error_PaletteMapping;
      component = entry->component;
    }
    if (component >= static_cast<std::uint32_t>(state_.codestream.componentCount)) {
      return JP2_Error_PaletteMapping;
    }
    return Add({def.type, def.association}, static_cast<std::uint16_t>(component));
  }

  Status Add(JP2_ChannelDef def, std::uint16_t component) {
    if (count_ == capacity_) return JP2_Error_PaletteWithoutMapping;
    defs_[count_] = def;
    components_[count_] = component;
    ++count_;
    return JP2_Success;
  }

  bool Mapped(std::uint16_t component, std::uint32_t placed) const {
    for (std::uint32_t i = 0; i < placed; ++i) {
      if (components_[i] == component) return true;
    }
    return false;
  }

  // Reorders the palette's columns (depths, signs and value arrays) into channel order.
  Status PermutePalette() {
    auto& palette = *reinterpret_cast<JP2_PaletteDesc*>(state_.palette.data);
    std::uint8_t depths[kMaxPaletteColumns], signs[kMaxPaletteColumns];
    std::uint32_t* values[kMaxPaletteColumns];
    for (std::uint32_t i = 0; i < palette.columns; ++i) {
      depths[i] = palette.depths[order_[i]];
      signs[i] = palette.signs[order_[i]];
      values[i] = palette.values[order_[i]];
    }
    std::memcpy(palette.depths, depths, palette.columns);
    std::memcpy(palette.signs, signs, palette.columns);
    std::memcpy(palette.values, values, palette.columns * sizeof(std::uint32_t*));
    return JP2_Success;
  }

  DecompressState& state_;
  JP2_ChannelDef* defs_;
  std::uint16_t* components_;
  std::uint32_t capacity_;
  std::uint32_t count_ = 0;
  int paletteComponent_ = -1;
  bool used_[kMaxPaletteColumns] = {};
  std::uint8_t order_[kMaxPaletteColumns] = {};
  std::uint32_t columnsPlaced_ = 0;
};

}  // namespace

Status ResolveChannels(DecompressState& state) {
  const JP2_PaletteDesc* palette = state.Palette();
  if (palette != nullptr && !state.hasMapping) return JP2_Error_PaletteWithoutMapping;
  if (palette == nullptr && state.hasMapping) return JP2_Error_MappingWithoutPalette;
  const std::uint64_t capacity =
      static_cast<std::uint64_t>(state.codestream.componentCount) +
      (palette != nullptr && palette->columns != 0 ? palette->columns - 1 : 0);
  BlockLayout layout;
  const std::uint64_t defsAt = layout.Add(capacity, sizeof(JP2_ChannelDef));
  const std::uint64_t componentsAt = layout.Add(capacity, sizeof(std::uint16_t));
  if (componentsAt != DecompressState::ChannelComponentsOffset(capacity) || defsAt != 0) {
    return JP2_Error_Internal;
  }
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, layout, &state.channels));
  ChannelTable table(state, reinterpret_cast<JP2_ChannelDef*>(state.channels.data),
                     reinterpret_cast<std::uint16_t*>(state.channels.data + componentsAt),
                     static_cast<std::uint32_t>(capacity));
  state.channelCount = static_cast<std::uint32_t>(capacity);
  JP2_RETURN_IF_ERROR(table.Build());
  // Every component and every column takes a channel; more are refused by Add.
  return table.Count() == capacity ? Status() : Status(JP2_Error_Internal);
}

}  // namespace quillon::jp2
