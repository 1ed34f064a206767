// What a decompress handle holds: one block of codec memory whose first word is the validity
// mark, laid out as this record. Everything it points to is owned by it and released by
// JP2_Decompress_End in the order of ReleaseDecompressState.
#pragma once

#include <cstdint>

#include "common/ChannelBoxes.h"
#include "common/CodecMemory.h"
#include "common/IccProfile.h"
#include "common/Status.h"
#include "decoder/CodestreamHeader.h"
#include "decoder/GrowingList.h"
#include "decoder/InputSource.h"
#include "decoder/PacketState.h"
#include "jp2.h"

namespace quillon::jp2 {

inline constexpr std::uint32_t kDecompressMark = 67890;

// One colour description box; profile is an allocation of twice the profile's length whose
// second half serves JP2_Decompress_GetICC.
struct ColourDescription {
  JP2_ColorSpec reported;  // code without the palette adjustment
  OwnedBlock profile;
  std::uint32_t profileLength;
  bool labHasParams;
  JP2_LabParams lab;
};

// A metadata box: offset of its header, declared length (0: to the end of the input), the
// header's size and, for uuid boxes, the identifier.
struct MetadataEntry {
  std::uint64_t position;
  std::uint64_t length;
  std::uint8_t headerSize;
  std::uint8_t uuid[16];
};

enum MetadataKind { kXmlBoxes, kIpBoxes, kUuidBoxes, kUuidInfoBoxes, kMetadataKinds };

struct DecompressState {
  std::uint32_t mark = kDecompressMark;
  MemoryCallbacks memory;
  OwnedBlock self;
  bool started = false;  // Start went through; until then only End may use the handle

  InputSource input;
  bool isJp2 = false;
  std::uint64_t codestreamStart = 0;
  // NC of ihdr (from the probe, else from the walk) or Csiz at the probe; 0 when unknown.
  std::uint32_t announcedComponents = 0;
  CodestreamParams codestream;

  // Properties.
  std::uint32_t byteOrder = 0;
  std::uint32_t reduceFactor = 1;
  std::uint32_t enlargeFactor = 1;
  std::uint32_t threads = 1;  // of one JP2_Decompress_Image call
  std::uintptr_t writeCallback = 0, writeParam = 0;
  std::uintptr_t progressCallback = 0, progressParam = 0;

  // Colour: the description list, the current one and what applying it gave.
  GrowingList<ColourDescription> colours;
  OwnedBlock reportedColours;  // JP2_ColorSpec per box, filled by GetColorSpec
  std::int32_t bestPrecedence = -1000;
  std::uint32_t colourSpace = 0;
  std::int32_t currentColour = -1;  // index into colours, -1 when none
  IccProfileInfo icc;
  JP2_ResolutionDesc resolution[2] = {{0, 1, 0, 0, 1, 0}, {0, 1, 0, 0, 1, 0}};

  // Palette (a JP2_PaletteDesc followed by its arrays), mapping and definitions as read.
  OwnedBlock palette;
  OwnedBlock mapping;
  std::uint32_t mappingCount = 0;
  bool hasMapping = false;
  OwnedBlock definitions;
  std::uint32_t definitionCount = 0;
  bool hasDefinitions = false;

  // The resolved channels: one JP2_ChannelDef and one component per output channel.
  OwnedBlock channels;
  std::uint32_t channelCount = 0;

  // Metadata boxes and where the late scan resumes (0: nothing left to scan).
  GrowingList<MetadataEntry> metadata[kMetadataKinds];
  std::uint64_t lateScanFrom = 0;
  OwnedBlock scratch;
  std::uint64_t scratchCapacity = 0;

  // The packet walk's tile-part list and the packet index of GetInformation.
  PacketState packets;

  const JP2_PaletteDesc* Palette() const {
    return palette.empty() ? nullptr : reinterpret_cast<const JP2_PaletteDesc*>(palette.data);
  }
  const ComponentMapping* Mapping() const {
    return reinterpret_cast<const ComponentMapping*>(mapping.data);
  }
  const ChannelDefinition* Definitions() const {
    return reinterpret_cast<const ChannelDefinition*>(definitions.data);
  }
  const JP2_ChannelDef* ChannelDefs() const {
    return reinterpret_cast<const JP2_ChannelDef*>(channels.data);
  }
  // The codestream component behind each output channel, behind the channel definitions.
  const std::uint16_t* ChannelComponents() const {
    return reinterpret_cast<const std::uint16_t*>(channels.data +
                                                  ChannelComponentsOffset(channelCount));
  }
  static std::uint64_t ChannelComponentsOffset(std::uint64_t count) {
    return (count * sizeof(JP2_ChannelDef) + kAlignmentSlack) & ~kAlignmentSlack;
  }
  // The colour space code as reported: plus 1 with a palette.
  std::uint32_t ReportedCode(std::uint32_t code) const { return code + (palette.empty() ? 0 : 1); }
};

// The state behind a handle, or null when the handle is null or lacks the mark.
DecompressState* StateOf(DecompressHandle handle);

// Runs body on the state of a handle whose Start went through; -4 for a bad handle or one
// whose Start failed (its records are incomplete).
template <typename Body>
std::int32_t WithDecompressState(DecompressHandle handle, Body body) {
  DecompressState* state = StateOf(handle);
  if (state == nullptr || !state->started) return JP2_Error_InvalidHandle;
  return Status(body(*state)).code();
}

}  // namespace quillon::jp2
