// Inside the decoder's codestream parameters: the records behind CodestreamParams::detail,
// how segments set their values, and how the header parsers read segments from the input.
#pragma once

#include <cstdint>
#include <span>

#include "common/CodingSegments.h"
#include "common/StreamSegments.h"
#include "decoder/CodecArray.h"
#include "decoder/CodestreamHeader.h"

namespace quillon::jp2 {

// Values that tile-part segments set, applied over the main header's when asked for.
struct TileValues {
  bool hasCoding = false;
  bool hasQuantization = false;
  bool hasRoi = false;
  std::uint8_t roiShift = 0;
  CodingStyle coding;
  Quantization quantization;
};

// A tile-component's values set by tile-part COC, QCC or RGN segments.
struct ComponentOverride {
  std::uint16_t component = 0;
  TileValues values;
};

// What a tile's own tile-part headers set; created when its first tile-part header is parsed.
struct TileRecord {
  OwnedBlock block;                         // the allocation holding this record
  TileParams params;                        // codingPriority 3 once a tile-part COD set it
  TileValues defaults;                      // tile-part COD and QCD
  CodecArray<ComponentOverride> overrides;  // by component
  CodecArray<ProgressionChange> progressionChanges;
  CodecArray<PackedHeaderSegment> ppt;  // in Z order
  std::uint32_t tileParts = 0;
};

class CodestreamHeader {
 public:
  OwnedBlock block;           // the allocation holding this object
  OwnedBlock componentBlock;  // components and mainComponents
  ComponentInfo* components = nullptr;
  TileComponentParams* mainComponents = nullptr;
  TileParams mainTile;
  CodecArray<ProgressionChange> mainProgressionChanges;
  CodecArray<PackedHeaderSegment> ppm;  // in Z order
  std::uint64_t ppmLength = 0;          // bytes in the PPM stream
  std::uint64_t ppmConsumed = 0;        // taken by the tile-parts parsed so far
  OwnedBlock tileTable;                 // TileRecord* per tile, from the first tile-part on
  TileRecord** tiles = nullptr;
};

inline constexpr std::uint8_t kNoPrecinctPartition = 0xFF;

// Segment values applied with the priority of the segment, where they are not outranked.
void ApplyCoding(const CodingStyle& coding, std::uint8_t priority, TileComponentParams* target);
void ApplyQuantization(const Quantization& quantization, std::uint8_t priority,
                       TileComponentParams* target);
void ApplyTileCoding(const CodSegment& cod, std::uint8_t priority, TileParams* target);

// Records a PPM or PPT segment's data in Z order; a later segment with the same Z replaces
// the earlier one.
Status RecordPackedSegment(const MemoryCallbacks& memory, std::uint8_t index, std::uint64_t offset,
                           std::uint32_t length, CodecArray<PackedHeaderSegment>* list);

// Appends a POC segment's entries; -19 when an entry starts at a component not below Csiz.
Status AppendProgressionChanges(const MemoryCallbacks& memory, const PocSegment& poc,
                                std::uint16_t componentCount, CodecArray<ProgressionChange>* list);

// Reads header segments one after the other from the input.
class SegmentScanner {
 public:
  SegmentScanner(ByteReader& input, std::uint64_t position, std::uint8_t* buffer)
      : input_(input), position_(position), buffer_(buffer) {}

  // Reads the next marker; markers FF30..FF3F, which have no length, are stepped over.
  // -2 when it cannot be read, -19 when the two bytes are no marker.
  Status NextMarker(std::uint16_t* marker);
  // Reads the length field after the marker: -2 when it cannot be read, -19 below 2.
  Status ReadLength(std::uint16_t* length);
  // Reads the segment (from its length field on) into the buffer: -50 when it is cut short.
  Status Load(std::span<const std::uint8_t>* segment);
  // Moves to the marker after the segment whose length was read.
  void Skip() { position_ += 2 + std::uint64_t{length_}; }

  std::uint64_t MarkerPosition() const { return position_; }
  std::uint64_t SegmentEnd() const { return position_ + 2 + std::uint64_t{length_}; }
  std::uint64_t DataPosition() const { return position_ + 2; }  // the length field

 private:
  ByteReader& input_;
  std::uint64_t position_;
  std::uint8_t* buffer_;
  std::uint16_t length_ = 0;
};

enum class MarkerAction : std::uint8_t { kParse, kSkip, kRefuse, kEnd };

// What a header does with a marker: the main header ends at SOT, a tile-part header at SOD.
MarkerAction HeaderMarkerAction(std::uint16_t marker, bool mainHeader);

// Reads segments from the scanner's position up to the marker whose action is kEnd, where it
// stops; kParse segments are loaded and handed to parse(marker, segment, position of the
// length field). With end not 0 no segment may reach beyond it. Refused markers give -19.
template <typename ActionOf, typename Parse>
Status ScanSegments(SegmentScanner& scanner, std::uint64_t end, ActionOf actionOf, Parse parse) {
  for (;;) {
    std::uint16_t marker = 0;
    JP2_RETURN_IF_ERROR(scanner.NextMarker(&marker));
    const MarkerAction action = actionOf(marker);
    if (action == MarkerAction::kEnd) return JP2_Success;
    if (action == MarkerAction::kRefuse) return JP2_Error_Codestream;
    std::uint16_t length = 0;
    JP2_RETURN_IF_ERROR(scanner.ReadLength(&length));
    if (end != 0 && scanner.SegmentEnd() > end) return JP2_Error_Codestream;
    if (action == MarkerAction::kParse) {
      std::span<const std::uint8_t> segment;
      JP2_RETURN_IF_ERROR(scanner.Load(&segment));
      JP2_RETURN_IF_ERROR(parse(marker, segment, scanner.DataPosition()));
    }
    scanner.Skip();
  }
}

TileRecord* FindTileRecord(const CodestreamParams& params, std::uint32_t tile);

}  // namespace quillon::jp2
