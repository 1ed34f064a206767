// JP2 and JPX boxes (T.800 Annex I, T.801 for the JPX brand) written through the output.
#include "encoder/FileBoxes.h"

#include <limits>
#include <span>

#include "common/BigEndian.h"
#include "common/ChannelBoxes.h"
#include "common/HeaderBoxes.h"
#include "encoder/ImageValidation.h"

namespace quillon::jp2 {
namespace {

// Channel definition ('cdef') values: the types of a colour and an unspecified channel, and
// the association of a channel that belongs to no colour.
constexpr std::uint32_t kColourChannel = 0;
constexpr std::uint32_t kUnspecifiedChannel = 3;
constexpr std::uint32_t kNoAssociation = 65535;
// The colour channels the component transform works on.
constexpr std::uint32_t kTransformedChannels = 3;
// 'colr' fields: the precedence of the preferred description, and how well a description
// matches the image (JP2 files leave this field 0).
constexpr std::int8_t kPreferred = 1;
constexpr std::int8_t kNotPreferred = 0;
constexpr std::uint8_t kApproximationUnstated = 0;
constexpr std::uint8_t kApproximationAccurate = 1;
constexpr std::uint8_t kApproximationReasonable = 3;
// The type of a box follows its 4-byte length.
constexpr std::size_t kBoxTypeOffset = 4;

std::uint32_t EnumeratedColourSpace(std::uint32_t colourSpace) {
  switch (colourSpace) {
    case JP2_Colour_Greyscale:
      return kEnumGreyscale;
    case JP2_Colour_sRGB:
      return kEnumSrgb;
    case JP2_Colour_sYCC:
      return kEnumSycc;
    case JP2_Colour_CMYK:
      return kEnumCmyk;
    default:
      return kEnumCieLab;
  }
}

std::uint32_t ChannelCount(const CompressState& state) {
  const JP2_PaletteDesc* palette = state.Palette();
  return static_cast<std::uint32_t>(state.componentCount) +
         (palette != nullptr ? palette->columns - 1 : 0);
}

// Channel i as written to 'cdef': the definitions set, or generated ones that make the
// channels beyond the colour space unspecified.
JP2_ChannelDef ChannelAt(const CompressState& state, std::uint32_t i) {
  if (state.channelDefCount != 0) {
    JP2_ChannelDef def = state.ChannelDefs()[i];
    if (def.type == kUnspecifiedChannel) def.association = kNoAssociation;
    return def;
  }
  if (i < ChannelsNeeded(state)) return JP2_ChannelDef{kColourChannel, i + 1};
  return JP2_ChannelDef{kUnspecifiedChannel, kNoAssociation};
}

bool WritesChannelDefinitions(const CompressState& state) {
  return state.channelDefCount != 0 || ChannelCount(state) > ChannelsNeeded(state);
}

bool SharedDepthAndSign(const CompressState& state) {
  for (int c = 1; c < state.componentCount; ++c) {
    if (state.components[c].depth != state.components[0].depth ||
        state.components[c].isSigned != state.components[0].isSigned) {
      return false;
    }
  }
  return true;
}

bool HasApproximation(const CompressState& state) {
  return state.colourSpace == JP2_Colour_ICC && !state.iccInfo.restricted &&
         state.iccInfo.approximation != 0;
}

// Whether a plain JP2 reader can use the colour description of a JPX file.
bool Jp2Readable(const CompressState& state) {
  switch (state.colourSpace) {
    case JP2_Colour_Greyscale:
    case JP2_Colour_sRGB:
    case JP2_Colour_sYCC:
      return true;
    case JP2_Colour_ICC:
      return state.iccInfo.restricted || state.iccInfo.approximation != 0;
    default:
      return false;
  }
}

// The JP2 header's boxes as this image fills them; the entry arrays of bpcc, cmap and cdef
// live in one temporary block of codec memory.
class Jp2Header {
 public:
  explicit Jp2Header(const CompressState& state) : state_(state) {}

  Status Build(OwnedBlock* arrays) {
    const JP2_PaletteDesc* palette = state_.Palette();
    const std::uint32_t channels = ChannelCount(state_);
    const auto components = static_cast<std::uint32_t>(state_.componentCount);
    BlockLayout layout;
    const std::uint64_t depthsAt = layout.Add(components, 1);
    const std::uint64_t mappingAt = layout.Add(channels, sizeof(ComponentMapping));
    const std::uint64_t definitionsAt = layout.Add(channels, sizeof(ChannelDefinition));
    const std::uint64_t paletteDepthsAt = layout.Add(palette != nullptr ? palette->columns : 0, 1);
    JP2_RETURN_IF_ERROR(AllocateZeroed(state_.memory, layout, arrays));

    const ReferenceGrid& grid = state_.grid;
    const ComponentGeometry& first = state_.components[0];
    imageHeader_.height = grid.extent[kAxisY] - grid.offset[kAxisY];
    imageHeader_.width = grid.extent[kAxisX] - grid.offset[kAxisX];
    imageHeader_.components = static_cast<std::uint16_t>(components);
    imageHeader_.depthByte = SharedDepthAndSign(state_)
                                 ? DepthByte(first.depth, first.isSigned != 0)
                                 : ImageHeaderBox::kMixedDepths;
    imageHeader_.intellectualProperty = state_.ipDataSet ? 1 : 0;

    if (!SharedDepthAndSign(state_)) {
      auto* depths = arrays->data + depthsAt;
      for (std::uint32_t c = 0; c < components; ++c) {
        depths[c] = DepthByte(state_.components[c].depth, state_.components[c].isSigned != 0);
      }
      bitsPerComponent_.depthBytes = {depths, components};
    }
    if (palette != nullptr) {
      auto* depths = arrays->data + paletteDepthsAt;
      for (std::uint32_t c = 0; c < palette->columns; ++c) {
        depths[c] = DepthByte(palette->depths[c], palette->signs[c] != 0);
      }
      palette_.entries = static_cast<std::uint16_t>(palette->entries);
      palette_.columns = static_cast<std::uint8_t>(palette->columns);
      palette_.depthBytes = {depths, palette->columns};
      palette_.values = palette->values;
      auto* mapping = reinterpret_cast<ComponentMapping*>(arrays->data + mappingAt);
      for (std::uint32_t c = 0; c < palette->columns; ++c) {
        mapping[c] = {0, ComponentMapping::kPalette, static_cast<std::uint8_t>(c)};
      }
      for (std::uint32_t c = 1; c < components; ++c) {
        mapping[palette->columns + c - 1] = {static_cast<std::uint16_t>(c),
                                             ComponentMapping::kDirect, 0};
      }
      mapping_.entries = {mapping, channels};
    }
    if (WritesChannelDefinitions(state_)) {
      auto* definitions = reinterpret_cast<ChannelDefinition*>(arrays->data + definitionsAt);
      for (std::uint32_t i = 0; i < channels; ++i) {
        const JP2_ChannelDef def = ChannelAt(state_, i);
        definitions[i] = {static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(def.type),
                          static_cast<std::uint16_t>(def.association)};
      }
      definitions_.entries = {definitions, channels};
    }

    const bool icc = state_.colourSpace == JP2_Colour_ICC;
    approximated_ = HasApproximation(state_);
    approximation_.precedence = kNotPreferred;
    approximation_.approximation = kApproximationReasonable;
    approximation_.enumerated = EnumeratedColourSpace(state_.iccInfo.approximation);
    colour_.method = !icc                        ? ColourBox::kEnumerated
                     : state_.iccInfo.restricted ? ColourBox::kRestrictedIcc
                                                 : ColourBox::kAnyIcc;
    colour_.precedence = approximated_ ? kPreferred : kNotPreferred;
    colour_.approximation =
        state_.fileFormat == JP2_Format_JP2 ? kApproximationUnstated : kApproximationAccurate;
    if (icc) {
      colour_.profile = {state_.iccProfile.data, state_.iccLength};
    } else {
      colour_.enumerated = EnumeratedColourSpace(state_.colourSpace);
      colour_.hasLabParams = state_.colourSpace == JP2_Colour_CIELab && state_.labHasParams;
      colour_.lab = state_.lab;
    }
    resolution_.hasCapture = state_.resolutions[kCaptureResolution].present;
    resolution_.hasDisplay = state_.resolutions[kDisplayResolution].present;
    resolution_.capture = state_.resolutions[kCaptureResolution].desc;
    resolution_.display = state_.resolutions[kDisplayResolution].desc;
    return JP2_Success;
  }

  Status Write(SegmentWriter& out) const {
    const bool hasPalette = palette_.values != nullptr;
    const bool hasResolution = resolution_.hasCapture || resolution_.hasDisplay;
    const std::uint64_t length =
        ImageHeaderBox::kLength + (hasPalette ? palette_.Length() + mapping_.Length() : 0) +
        (definitions_.entries.empty() ? 0 : definitions_.Length()) +
        (bitsPerComponent_.depthBytes.empty() ? 0 : bitsPerComponent_.Length()) +
        (approximated_ ? approximation_.Length() : 0) + colour_.Length() +
        (hasResolution ? resolution_.Length() : 0);
    JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxJp2Header, length).Write(out));
    JP2_RETURN_IF_ERROR(imageHeader_.Write(out));
    if (hasPalette) {
      JP2_RETURN_IF_ERROR(palette_.Write(out));
      JP2_RETURN_IF_ERROR(mapping_.Write(out));
    }
    if (!definitions_.entries.empty()) JP2_RETURN_IF_ERROR(definitions_.Write(out));
    if (!bitsPerComponent_.depthBytes.empty()) JP2_RETURN_IF_ERROR(bitsPerComponent_.Write(out));
    if (approximated_) JP2_RETURN_IF_ERROR(approximation_.Write(out));
    JP2_RETURN_IF_ERROR(colour_.Write(out));
    return hasResolution ? resolution_.Write(out) : Status();
  }

 private:
  const CompressState& state_;
  ImageHeaderBox imageHeader_;
  PaletteBox palette_;
  ComponentMappingBox mapping_;
  ChannelDefinitionBox definitions_;
  BitsPerComponentBox bitsPerComponent_;
  bool approximated_ = false;
  ColourBox approximation_;
  ColourBox colour_;
  ResolutionBox resolution_;
};

class BoxWriter {
 public:
  explicit BoxWriter(CompressState& state) : state_(state), out_(state.output) {}

  Status Signature() { return SignatureBox::Write(out_); }

  Status FileType() {
    const bool jpx = state_.fileFormat == JP2_Format_JPX;
    const bool alsoJp2 = !jpx || Jp2Readable(state_);
    const std::uint32_t listed[] = {kBrandJpx, kBrandJp2};
    FileTypeBox box;
    box.brand = jpx ? kBrandJpx : kBrandJp2;
    box.compatibility =
        std::span<const std::uint32_t>(listed).subspan(jpx ? 0 : 1, jpx && alsoJp2 ? 2 : 1);
    return box.Write(out_);
  }

  Status Jp2HeaderBox() {
    Jp2Header header(state_);
    OwnedBlock arrays;
    Status status = header.Build(&arrays);
    if (status.ok()) {
      state_.iprOffset = out_.End() + BoxHeader::kSize + ImageHeaderBox::kIprOffset;
      state_.iprPatched = state_.ipDataSet;
      status = header.Write(out_);
    }
    const Status released = Release(state_.memory, &arrays);
    return status.ok() ? released : status;
  }

  Status CodestreamBoxHeader() { return BoxHeader{0, kBoxCodestream}.Write(out_); }

  // Writes the queued metadata boxes in call order, releasing each once written.
  Status QueuedBoxes() {
    while (state_.firstBox != nullptr) {
      MetadataBox* box = state_.firstBox;
      JP2_RETURN_IF_ERROR(out_.Append(box->bytes, box->length));
      const bool ipData = ReadU32(box->bytes + kBoxTypeOffset) == kBoxIntellectualProperty;
      state_.firstBox = box->next;
      if (state_.firstBox == nullptr) state_.lastBox = nullptr;
      OwnedBlock block = box->block;
      JP2_RETURN_IF_ERROR(Release(state_.memory, &block));
      if (ipData && !state_.iprPatched) {
        const std::uint8_t one = 1;
        JP2_RETURN_IF_ERROR(out_.Write(&one, state_.iprOffset, 1));
        state_.iprPatched = true;
      }
    }
    return JP2_Success;
  }

 private:
  CompressState& state_;
  OutputStream& out_;
};

}  // namespace

Status CheckChannelDefinitions(const CompressState& state, bool componentTransform) {
  const std::uint32_t count = state.channelDefCount;
  if (count == 0) return JP2_Success;
  if (count != ChannelCount(state)) return JP2_Error_ChannelDefs;
  const JP2_ChannelDef* defs = state.ChannelDefs();
  const std::uint64_t colours = ChannelsNeeded(state);
  for (std::uint64_t colour = 1; colour <= colours; ++colour) {
    bool given = false;
    for (std::uint32_t i = 0; i < count && !given; ++i) {
      given = defs[i].type == kColourChannel && defs[i].association == colour;
    }
    if (!given) return JP2_Error_ChannelDefs;
  }
  if (componentTransform) {
    for (std::uint32_t i = 0; i < kTransformedChannels; ++i) {
      if (defs[i].type != kColourChannel || defs[i].association != i + 1) {
        return JP2_Error_ChannelDefs;
      }
    }
  }
  return JP2_Success;
}

Status WriteFileHeader(CompressState& state) {
  if (state.fileFormat == JP2_Format_Codestream) return JP2_Success;
  BoxWriter writer(state);
  JP2_RETURN_IF_ERROR(writer.Signature());
  JP2_RETURN_IF_ERROR(writer.FileType());
  JP2_RETURN_IF_ERROR(writer.Jp2HeaderBox());
  JP2_RETURN_IF_ERROR(writer.QueuedBoxes());
  state.codestreamBoxOffset = state.output.End();
  return writer.CodestreamBoxHeader();
}

void FinishCodestreamBox(CompressState& state) {
  if (state.fileFormat == JP2_Format_Codestream) return;
  state.codestreamBoxLength = state.output.End() - state.codestreamBoxOffset;
  state.codestreamLengthPending = true;
}

Status WriteTrailingBoxes(CompressState& state) {
  if (!state.compressed || state.firstBox == nullptr) return JP2_Success;
  if (!state.output.IsOpen()) return JP2_Error_Internal;
  if (state.codestreamLengthPending) {
    if (state.codestreamBoxLength > std::numeric_limits<std::uint32_t>::max()) {
      return JP2_Error_Limit;
    }
    JP2_RETURN_IF_ERROR(state.output.Put32At(
        state.codestreamBoxOffset, static_cast<std::uint32_t>(state.codestreamBoxLength)));
    state.codestreamLengthPending = false;
  }
  BoxWriter writer(state);
  return writer.QueuedBoxes();
}

}  // namespace quillon::jp2
