// How the output channels of a JPEG 2000 file become an 8-bit grey or 24-bit colour picture:
// the working colour space and which channel fills which colour slot. Pure: the reader asks
// the decoder for the facts and hands them here.
#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

enum class Jp2WorkingSpace { Grey, Rgb, Ycc, Cmyk, Lab };

// Colour slots of a working space: 1 for grey, 3 for RGB, YCC and Lab, 4 for CMYK.
int ColourSlots(Jp2WorkingSpace space);

// The palette column behind a channel: the decoder delivers the indices, packed at the depth
// of their component, and the reader looks them up. No values for a channel without palette.
struct Jp2PaletteColumn {
  const std::uint32_t* values = nullptr;
  std::uint32_t entries = 0;
  std::uint32_t indexDepth = 0;
};

// What the decoder tells of one output channel.
struct Jp2ChannelFacts {
  std::uint32_t type = 0;         // 0 colour, 1 opacity, 2 premultiplied opacity, 3 unspecified
  std::uint32_t association = 0;  // colour number from 1; 0 for the whole image
  std::uint32_t width = 0;        // in output samples
  std::uint32_t height = 0;
  std::uint32_t depth = 8;  // of the palette column for palette channels
  bool isSigned = false;
  Jp2PaletteColumn palette;
};

struct Jp2ColourFacts {
  Jp2WorkingSpace space = Jp2WorkingSpace::Grey;  // from the colour space code (or ICC profile)
  std::uint32_t components = 0;  // codestream components, or palette columns with a palette
  std::vector<Jp2ChannelFacts> channels;  // in output channel order
};

// One channel that reaches the picture.
struct Jp2UsedChannel {
  std::uint32_t channel = 0;  // output channel index
  int slot = 0;               // colour slot: 0 red (or grey, Y, L, C), 1, 2, 3 (K)
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t depth = 8;
  bool isSigned = false;
  Jp2PaletteColumn palette;
};

struct Jp2ColourPlan {
  Jp2WorkingSpace space = Jp2WorkingSpace::Grey;
  std::vector<Jp2UsedChannel> used;  // one per slot, slot order
  // The picture's size: the largest used channel; smaller (subsampled) channels are spread.
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Colour channels go to the slot of their association (0 counts as 1, above 512 as 512);
// opacity and unspecified channels are left out, and so is a second channel for a slot. A
// space whose components are too few, or a slot that no channel fills, gives grey from the
// first channel. Nothing when there is no channel of non-zero size.
bool PlanColour(const Jp2ColourFacts& facts, Jp2ColourPlan& plan);

}  // namespace quillon
