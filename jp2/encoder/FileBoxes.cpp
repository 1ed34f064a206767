// JP2 and JPX boxes (T.800 Annex I, T.801 for the JPX brand) written through the output.
#include "encoder/FileBoxes.h"

#include <initializer_list>
#include <limits>

#include "common/BigEndian.h"
#include "encoder/ImageValidation.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kBoxHeader = 8;
constexpr std::uint32_t kNoAssociation = 65535;
constexpr std::uint32_t kUnspecifiedChannel = 3;
constexpr std::uint32_t kIhdrLength = 22;
constexpr std::uint32_t kEnumeratedColrLength = 15;
constexpr std::uint32_t kLabParamsBytes = 7 * 4;
constexpr std::uint32_t kResolutionBoxLength = 18;
constexpr std::uint8_t kSignature[] = {0x00, 0x00, 0x00, 0x0C, 'j',  'P',
                                       ' ',  ' ',  0x0D, 0x0A, 0x87, 0x0A};

std::uint32_t EnumeratedColourSpace(std::uint32_t colourSpace) {
  switch (colourSpace) {
    case JP2_Colour_Greyscale: return 17;
    case JP2_Colour_sRGB: return 16;
    case JP2_Colour_sYCC: return 18;
    case JP2_Colour_CMYK: return 12;
    default: return 14;  // CIELab
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
  if (i < ChannelsNeeded(state)) return JP2_ChannelDef{0, i + 1};
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

std::uint8_t DepthByte(std::uint32_t depth, bool isSigned) {
  return static_cast<std::uint8_t>((depth - 1) | (isSigned ? 0x80 : 0));
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

std::uint64_t PaletteColumnBytes(const JP2_PaletteDesc& palette) {
  std::uint64_t bytes = 0;
  for (std::uint32_t c = 0; c < palette.columns; ++c) bytes += (palette.depths[c] + 7u) / 8u;
  return bytes;
}

struct HeaderLengths {
  std::uint64_t pclr = 0, cmap = 0, cdef = 0, bpcc = 0, approxColr = 0, colr = 0, res = 0;
  std::uint64_t Total() const {
    return kBoxHeader + kIhdrLength + pclr + cmap + cdef + bpcc + approxColr + colr + res;
  }
};

HeaderLengths LengthsOf(const CompressState& state) {
  HeaderLengths lengths;
  if (const JP2_PaletteDesc* palette = state.Palette()) {
    lengths.pclr = 11 + palette->columns + std::uint64_t{palette->entries} * PaletteColumnBytes(*palette);
    lengths.cmap = 8 + 4 * (std::uint64_t{ChannelCount(state)});
  }
  if (WritesChannelDefinitions(state)) lengths.cdef = 10 + 6 * std::uint64_t{ChannelCount(state)};
  if (!SharedDepthAndSign(state)) lengths.bpcc = kBoxHeader + static_cast<std::uint64_t>(state.componentCount);
  if (HasApproximation(state)) lengths.approxColr = kEnumeratedColrLength;
  if (state.colourSpace == JP2_Colour_ICC) {
    lengths.colr = 11 + std::uint64_t{state.iccLength};
  } else if (state.colourSpace == JP2_Colour_CIELab && state.labHasParams) {
    lengths.colr = kEnumeratedColrLength + kLabParamsBytes;
  } else {
    lengths.colr = kEnumeratedColrLength;
  }
  const int resolutions = (state.resolutions[kCaptureResolution].present ? 1 : 0) +
                          (state.resolutions[kDisplayResolution].present ? 1 : 0);
  if (resolutions != 0) lengths.res = kBoxHeader + kResolutionBoxLength * resolutions;
  return lengths;
}

class BoxWriter {
 public:
  explicit BoxWriter(CompressState& state) : state_(state), out_(state.output) {}

  Status Header(std::uint64_t length, const char (&type)[5]) {
    if (length > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_Limit;
    JP2_RETURN_IF_ERROR(out_.Append32(static_cast<std::uint32_t>(length)));
    return out_.Append32(FourCC(type));
  }
  Status Byte(std::uint32_t value) {
    const auto byte = static_cast<std::uint8_t>(value);
    return out_.Append(&byte, 1);
  }

  Status FileType() {
    const bool jpx = state_.fileFormat == JP2_Format_JPX;
    const bool alsoJp2 = !jpx || Jp2Readable(state_);
    JP2_RETURN_IF_ERROR(Header(jpx && alsoJp2 ? 24 : 20, "ftyp"));
    JP2_RETURN_IF_ERROR(out_.Append32(FourCC(jpx ? "jpx " : "jp2 ")));
    JP2_RETURN_IF_ERROR(out_.Append32(0));
    if (jpx) JP2_RETURN_IF_ERROR(out_.Append32(FourCC("jpx ")));
    return alsoJp2 ? out_.Append32(FourCC("jp2 ")) : Status();
  }

  Status ImageHeader() {
    JP2_RETURN_IF_ERROR(Header(kIhdrLength, "ihdr"));
    const ReferenceGrid& grid = state_.grid;
    JP2_RETURN_IF_ERROR(out_.Append32(grid.extent[kAxisY] - grid.offset[kAxisY]));
    JP2_RETURN_IF_ERROR(out_.Append32(grid.extent[kAxisX] - grid.offset[kAxisX]));
    JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(state_.componentCount)));
    const ComponentGeometry& first = state_.components[0];
    JP2_RETURN_IF_ERROR(
        Byte(SharedDepthAndSign(state_) ? DepthByte(first.depth, first.isSigned != 0) : 255));
    JP2_RETURN_IF_ERROR(Byte(7));
    JP2_RETURN_IF_ERROR(Byte(0));
    state_.iprOffset = out_.End();
    state_.iprPatched = state_.ipDataSet;
    return Byte(state_.ipDataSet ? 1 : 0);
  }

  Status Palette(const HeaderLengths& lengths) {
    const JP2_PaletteDesc& palette = *state_.Palette();
    JP2_RETURN_IF_ERROR(Header(lengths.pclr, "pclr"));
    JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(palette.entries)));
    JP2_RETURN_IF_ERROR(Byte(palette.columns));
    for (std::uint32_t c = 0; c < palette.columns; ++c) {
      JP2_RETURN_IF_ERROR(Byte(DepthByte(palette.depths[c], palette.signs[c] != 0)));
    }
    for (std::uint32_t e = 0; e < palette.entries; ++e) {
      for (std::uint32_t c = 0; c < palette.columns; ++c) {
        std::uint8_t value[4];
        WriteU32(value, palette.values[c][e]);
        const std::uint32_t bytes = (palette.depths[c] + 7u) / 8u;
        JP2_RETURN_IF_ERROR(out_.Append(value + 4 - bytes, bytes));
      }
    }
    JP2_RETURN_IF_ERROR(Header(lengths.cmap, "cmap"));
    for (std::uint32_t c = 0; c < palette.columns; ++c) {
      const std::uint8_t entry[] = {0, 0, 1, static_cast<std::uint8_t>(c)};
      JP2_RETURN_IF_ERROR(out_.Append(entry, sizeof entry));
    }
    for (int c = 1; c < state_.componentCount; ++c) {
      JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(c)));
      JP2_RETURN_IF_ERROR(out_.Append16(0));
    }
    return JP2_Success;
  }

  Status ChannelDefinitions(const HeaderLengths& lengths) {
    const std::uint32_t count = ChannelCount(state_);
    JP2_RETURN_IF_ERROR(Header(lengths.cdef, "cdef"));
    JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(count)));
    for (std::uint32_t i = 0; i < count; ++i) {
      const JP2_ChannelDef def = ChannelAt(state_, i);
      JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(i)));
      JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(def.type)));
      JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(def.association)));
    }
    return JP2_Success;
  }

  Status BitsPerComponent(const HeaderLengths& lengths) {
    JP2_RETURN_IF_ERROR(Header(lengths.bpcc, "bpcc"));
    for (int c = 0; c < state_.componentCount; ++c) {
      const ComponentGeometry& component = state_.components[c];
      JP2_RETURN_IF_ERROR(Byte(DepthByte(component.depth, component.isSigned != 0)));
    }
    return JP2_Success;
  }

  Status Colour(const HeaderLengths& lengths) {
    const bool approximated = HasApproximation(state_);
    if (approximated) {
      JP2_RETURN_IF_ERROR(Header(kEnumeratedColrLength, "colr"));
      const std::uint8_t fields[] = {1, 0, 3};
      JP2_RETURN_IF_ERROR(out_.Append(fields, sizeof fields));
      JP2_RETURN_IF_ERROR(out_.Append32(EnumeratedColourSpace(state_.iccInfo.approximation)));
    }
    const bool icc = state_.colourSpace == JP2_Colour_ICC;
    JP2_RETURN_IF_ERROR(Header(lengths.colr, "colr"));
    const std::uint8_t method = !icc ? 1 : state_.iccInfo.restricted ? 2 : 3;
    const std::uint8_t fields[] = {method, static_cast<std::uint8_t>(approximated ? 1 : 0),
                                   static_cast<std::uint8_t>(state_.fileFormat == JP2_Format_JP2 ? 0 : 1)};
    JP2_RETURN_IF_ERROR(out_.Append(fields, sizeof fields));
    if (icc) return out_.Append(state_.iccProfile.data, state_.iccLength);
    JP2_RETURN_IF_ERROR(out_.Append32(EnumeratedColourSpace(state_.colourSpace)));
    if (state_.colourSpace != JP2_Colour_CIELab || !state_.labHasParams) return JP2_Success;
    const JP2_LabParams& lab = state_.lab;
    for (const std::uint32_t value : {lab.rl, lab.ol, lab.ra, lab.oa, lab.rb, lab.ob, lab.il}) {
      JP2_RETURN_IF_ERROR(out_.Append32(value));
    }
    return JP2_Success;
  }

  Status Resolution(const HeaderLengths& lengths) {
    JP2_RETURN_IF_ERROR(Header(lengths.res, "res "));
    static constexpr char kTypes[2][5] = {"resc", "resd"};
    for (const ResolutionKind kind : {kCaptureResolution, kDisplayResolution}) {
      const ResolutionSetting& setting = state_.resolutions[kind];
      if (!setting.present) continue;
      JP2_RETURN_IF_ERROR(Header(kResolutionBoxLength, kTypes[kind]));
      const JP2_ResolutionDesc& d = setting.desc;
      for (const std::uint16_t value : {d.firstNumerator, d.firstDenominator, d.secondNumerator,
                                        d.secondDenominator}) {
        JP2_RETURN_IF_ERROR(out_.Append16(value));
      }
      JP2_RETURN_IF_ERROR(Byte(static_cast<std::uint8_t>(d.firstExponent)));
      JP2_RETURN_IF_ERROR(Byte(static_cast<std::uint8_t>(d.secondExponent)));
    }
    return JP2_Success;
  }

  Status Jp2Header() {
    const HeaderLengths lengths = LengthsOf(state_);
    JP2_RETURN_IF_ERROR(Header(lengths.Total(), "jp2h"));
    JP2_RETURN_IF_ERROR(ImageHeader());
    if (lengths.pclr != 0) JP2_RETURN_IF_ERROR(Palette(lengths));
    if (lengths.cdef != 0) JP2_RETURN_IF_ERROR(ChannelDefinitions(lengths));
    if (lengths.bpcc != 0) JP2_RETURN_IF_ERROR(BitsPerComponent(lengths));
    JP2_RETURN_IF_ERROR(Colour(lengths));
    return lengths.res != 0 ? Resolution(lengths) : Status();
  }

  // Writes the queued metadata boxes in call order, releasing each once written.
  Status QueuedBoxes() {
    while (state_.firstBox != nullptr) {
      MetadataBox* box = state_.firstBox;
      JP2_RETURN_IF_ERROR(out_.Append(box->bytes, box->length));
      const bool ipData = ReadU32(box->bytes + 4) == FourCC("jp2i");
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
      given = defs[i].type == 0 && defs[i].association == colour;
    }
    if (!given) return JP2_Error_ChannelDefs;
  }
  if (componentTransform) {
    for (std::uint32_t i = 0; i < 3; ++i) {
      if (defs[i].type != 0 || defs[i].association != i + 1) return JP2_Error_ChannelDefs;
    }
  }
  return JP2_Success;
}

Status WriteFileHeader(CompressState& state) {
  if (state.fileFormat == JP2_Format_Codestream) return JP2_Success;
  BoxWriter writer(state);
  JP2_RETURN_IF_ERROR(state.output.Append(kSignature, sizeof kSignature));
  JP2_RETURN_IF_ERROR(writer.FileType());
  JP2_RETURN_IF_ERROR(writer.Jp2Header());
  JP2_RETURN_IF_ERROR(writer.QueuedBoxes());
  state.codestreamBoxOffset = state.output.End();
  return writer.Header(0, "jp2c");
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
    JP2_RETURN_IF_ERROR(state.output.Put32At(state.codestreamBoxOffset,
                                             static_cast<std::uint32_t>(state.codestreamBoxLength)));
    state.codestreamLengthPending = false;
  }
  BoxWriter writer(state);
  return writer.QueuedBoxes();
}

}  // namespace quillon::jp2
