#include "decoder/BoxWalk.h"

#include <cstring>
#include <new>

#include "common/ChannelBoxes.h"
#include "common/HeaderBoxes.h"
#include "common/MetadataBoxes.h"
#include "decoder/BoxReading.h"
#include "decoder/ColourDescriptions.h"

namespace quillon::jp2 {
namespace {

// Lists a metadata box; other types are not metadata. A uuid box too short for its
// identifier is not listed.
Status ListMetadata(DecompressState& state, std::uint64_t position, const BoxHeader& header) {
  MetadataKind kind;
  switch (header.type) {
    case kBoxXml:
      kind = kXmlBoxes;
      break;
    case kBoxIntellectualProperty:
      kind = kIpBoxes;
      break;
    case kBoxUuid:
      kind = kUuidBoxes;
      break;
    case kBoxUuidInfo:
      kind = kUuidInfoBoxes;
      break;
    default:
      return JP2_Success;
  }
  std::uint8_t uuid[kUuidSize] = {};
  if (kind == kUuidBoxes) {
    if (!header.RunsToEnd() && header.ContentLength() < kUuidSize) return JP2_Success;
    if (state.input.Read(position + header.headerSize, kUuidSize, uuid) != 0) return JP2_Success;
  }
  MetadataEntry* entry = nullptr;
  JP2_RETURN_IF_ERROR(state.metadata[kind].Append(state.memory, &entry));
  entry->position = position;
  entry->length = header.length;
  entry->headerSize = static_cast<std::uint8_t>(header.headerSize);
  std::memcpy(entry->uuid, uuid, kUuidSize);
  return JP2_Success;
}

Status ParsePalette(DecompressState& state, std::span<const std::uint8_t> contents) {
  FieldReader in(contents);
  PaletteBox box;
  JP2_RETURN_IF_ERROR(box.ParseHeader(in));
  BlockLayout layout;
  const std::uint64_t descAt = layout.Add(1, sizeof(JP2_PaletteDesc));
  const std::uint64_t depthsAt = layout.Add(box.columns, 1);
  const std::uint64_t signsAt = layout.Add(box.columns, 1);
  const std::uint64_t pointersAt = layout.Add(box.columns, sizeof(std::uint32_t*));
  std::uint64_t valuesAt[256];
  for (std::uint32_t c = 0; c < box.columns; ++c)
    valuesAt[c] = layout.Add(box.entries, sizeof(std::uint32_t));
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, layout, &state.palette));
  std::uint8_t* base = state.palette.data;
  auto* desc = new (base + descAt) JP2_PaletteDesc{};
  desc->entries = box.entries;
  desc->columns = box.columns;
  desc->depths = base + depthsAt;
  desc->signs = base + signsAt;
  desc->values = reinterpret_cast<std::uint32_t**>(base + pointersAt);
  for (std::uint32_t c = 0; c < box.columns; ++c) {
    desc->depths[c] = static_cast<std::uint8_t>(DepthOf(box.depthBytes[c]));
    desc->signs[c] = IsSignedDepth(box.depthBytes[c]) ? 1 : 0;
    desc->values[c] = reinterpret_cast<std::uint32_t*>(base + valuesAt[c]);
  }
  return box.ParseValues(in, desc->values);
}

Status ParseMapping(DecompressState& state, std::span<const std::uint8_t> contents) {
  const std::uint64_t count = ComponentMappingBox::EntryCount(contents);
  JP2_RETURN_IF_ERROR(
      AllocateZeroed(state.memory, count * sizeof(ComponentMapping), &state.mapping));
  state.hasMapping = true;
  state.mappingCount = static_cast<std::uint32_t>(count);
  return ComponentMappingBox::Parse(
      contents, {reinterpret_cast<ComponentMapping*>(state.mapping.data), state.mappingCount});
}

Status ParseDefinitions(DecompressState& state, std::span<const std::uint8_t> contents) {
  std::uint16_t count = 0;
  JP2_RETURN_IF_ERROR(ChannelDefinitionBox::ParseCount(contents, &count));
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, std::uint64_t{count} * sizeof(ChannelDefinition),
                                     &state.definitions));
  state.hasDefinitions = true;
  state.definitionCount = count;
  return ChannelDefinitionBox::Parse(
      contents, {reinterpret_cast<ChannelDefinition*>(state.definitions.data), count});
}

Status ParseResolution(DecompressState& state, std::span<const std::uint8_t> contents) {
  ResolutionBox box;
  JP2_RETURN_IF_ERROR(box.Parse(contents));
  if (box.hasCapture) state.resolution[0] = box.capture;
  if (box.hasDisplay) state.resolution[1] = box.display;
  return JP2_Success;
}

Status ParseHeaderBox(DecompressState& state, std::uint32_t type,
                      std::span<const std::uint8_t> contents) {
  switch (type) {
    case kBoxImageHeader: {
      ImageHeaderBox box;
      JP2_RETURN_IF_ERROR(box.Parse(contents));
      if (state.announcedComponents == 0) state.announcedComponents = box.components;
      return JP2_Success;
    }
    case kBoxColour: {
      ColourBox box;
      JP2_RETURN_IF_ERROR(box.Parse(contents));
      return AddColourDescription(state, box);
    }
    case kBoxPalette:
      return state.palette.empty() ? ParsePalette(state, contents) : Status();
    case kBoxComponentMapping:
      return state.hasMapping ? Status() : ParseMapping(state, contents);
    case kBoxChannelDefinition:
      return state.hasDefinitions ? Status() : ParseDefinitions(state, contents);
    case kBoxResolution:
      return ParseResolution(state, contents);
    default:
      return JP2_Success;
  }
}

bool IsParsedHeaderBox(std::uint32_t type) {
  return type == kBoxImageHeader || type == kBoxColour || type == kBoxPalette ||
         type == kBoxComponentMapping || type == kBoxChannelDefinition || type == kBoxResolution;
}

// The sub-boxes of 'jp2h' between position and end; none may reach past end.
Status WalkHeaderBoxes(DecompressState& state, std::uint64_t position, std::uint64_t end) {
  while (position < end) {
    if (end - position < BoxHeader::kSize) return JP2_Error_ShortRead;
    BoxHeader header;
    JP2_RETURN_IF_ERROR(ReadBoxHeader(state.input, position, &header));
    if (header.headerSize > end - position) return JP2_Error_ShortRead;
    if (header.RunsToEnd()) header.length = end - position;
    if (header.length > end - position) return JP2_Error_ShortRead;
    if (IsParsedHeaderBox(header.type)) {
      OwnedBlock contents;
      JP2_RETURN_IF_ERROR(ReadBoxContents(state.input, state.memory, position + header.headerSize,
                                          header.ContentLength(), &contents));
      const Status parsed =
          ParseHeaderBox(state, header.type, {contents.data, header.ContentLength()});
      JP2_RETURN_IF_ERROR(Release(state.memory, &contents));
      JP2_RETURN_IF_ERROR(parsed);
    }
    position += header.length;
  }
  return JP2_Success;
}

}  // namespace

Status WalkBoxes(DecompressState& state, std::uint64_t position) {
  for (;;) {
    BoxHeader header;
    JP2_RETURN_IF_ERROR(ReadBoxHeader(state.input, position, &header));
    if (header.type == kBoxCodestream) {
      state.codestreamStart = position + header.headerSize;
      if (!header.RunsToEnd()) JP2_RETURN_IF_ERROR(BoxEnd(position, header, &state.lateScanFrom));
      return JP2_Success;
    }
    // Any other box running to the end leaves no room for a codestream.
    if (header.RunsToEnd()) return JP2_Error_ShortRead;
    std::uint64_t end = 0;
    JP2_RETURN_IF_ERROR(BoxEnd(position, header, &end));
    if (header.type == kBoxJp2Header) {
      JP2_RETURN_IF_ERROR(WalkHeaderBoxes(state, position + header.headerSize, end));
    } else {
      JP2_RETURN_IF_ERROR(ListMetadata(state, position, header));
    }
    position = end;
  }
}

Status ScanLateBoxes(DecompressState& state) {
  while (state.lateScanFrom != 0) {
    BoxHeader header;
    if (!ReadBoxHeader(state.input, state.lateScanFrom, &header).ok()) return JP2_Success;
    JP2_RETURN_IF_ERROR(ListMetadata(state, state.lateScanFrom, header));
    std::uint64_t end = 0;
    if (header.RunsToEnd() || !BoxEnd(state.lateScanFrom, header, &end).ok()) {
      state.lateScanFrom = 0;
      return JP2_Success;
    }
    state.lateScanFrom = end;
  }
  return JP2_Success;
}

}  // namespace quillon::jp2
