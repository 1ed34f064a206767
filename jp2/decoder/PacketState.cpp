#include "decoder/PacketState.h"

#include <algorithm>

namespace quillon::jp2 {
namespace {

Status IndexPartsByTile(const MemoryCallbacks& memory, PacketState* state) {
  for (std::uint32_t i = 0; i < state->tileParts.size(); ++i) {
    JP2_RETURN_IF_ERROR(state->partsByTile.Append(memory, i));
  }
  const CodecArray<TilePart>& parts = state->tileParts;
  std::uint32_t* order = state->partsByTile.data();
  std::sort(order, order + state->partsByTile.size(), [&parts](std::uint32_t a, std::uint32_t b) {
    return parts[a].info.tile != parts[b].info.tile ? parts[a].info.tile < parts[b].info.tile
                                                    : a < b;
  });
  return JP2_Success;
}

}  // namespace

std::span<const std::uint32_t> TilePartsOf(const PacketState& state, std::uint32_t tile) {
  const std::span<const std::uint32_t> order = state.partsByTile.view();
  const CodecArray<TilePart>& parts = state.tileParts;
  const auto first = std::partition_point(
      order.begin(), order.end(), [&](std::uint32_t i) { return parts[i].info.tile < tile; });
  const auto last = std::partition_point(
      first, order.end(), [&](std::uint32_t i) { return parts[i].info.tile == tile; });
  return {first, last};
}

std::uint64_t RecordBudget(std::uint64_t inputLength) {
  constexpr std::uint64_t kAllowance = std::uint64_t{64} << 20;
  constexpr std::uint64_t kPerInputByte = 64;
  return kAllowance + kPerInputByte * inputLength;
}

Status PreparePacketWalk(InputSource& input, const MemoryCallbacks& memory,
                         CodestreamParams* params, PacketState* state) {
  if (input.Caching()) JP2_RETURN_IF_ERROR(input.LoadAll(memory));
  if (!state->listed) {
    JP2_RETURN_IF_ERROR(ListTileParts(input, memory, params, &state->tileParts));
    JP2_RETURN_IF_ERROR(IndexPartsByTile(memory, state));
    state->listed = true;
  }
  std::uint64_t length = std::max(input.CachedBytes(), input.HighWater());
  for (const TilePart& part : state->tileParts.view()) {
    length = std::max(length, part.info.dataEnd);
  }
  state->inputLength = std::min(length, kReadableLimit);
  return JP2_Success;
}

Status BuildTileRecords(const MemoryCallbacks& memory, const CodestreamParams& params,
                        const PacketState& state, std::uint32_t tile, TileRecords* records) {
  const RecordDetail detail =
      TilePartsOf(state, tile).empty() ? RecordDetail::kGeometry : RecordDetail::kCodeBlocks;
  return records->Build(memory, params, tile, RecordBudget(state.inputLength), detail);
}

Status WalkTilePackets(ByteReader& input, const MemoryCallbacks& memory,
                       const CodestreamParams& params, const PacketState& state,
                       TileRecords* records, PacketHeaderDecoder* headers,
                       PacketObserver* observer) {
  const std::span<const std::uint32_t> parts = TilePartsOf(state, records->TileIndex());
  if (parts.empty()) return JP2_Success;
  headers->SetMemory(memory);
  TileWalk walk(input, params, *records, *headers, state.inputLength, observer);
  for (const std::uint32_t part : parts) {
    JP2_RETURN_IF_ERROR(walk.WalkTilePart(state.tileParts[part]));
  }
  return headers->Release(memory);
}

Status ReleasePacketIndex(const MemoryCallbacks& memory, PacketState* state) {
  for (std::uint32_t i = 0; i < state->tileInformation.size(); ++i) {
    JP2_RETURN_IF_ERROR(Release(memory, &state->tileInformation[i]));
  }
  JP2_RETURN_IF_ERROR(state->tileInformation.Release(memory));
  return Release(memory, &state->information);
}

Status ReleasePacketState(const MemoryCallbacks& memory, PacketState* state) {
  JP2_RETURN_IF_ERROR(ReleasePacketIndex(memory, state));
  JP2_RETURN_IF_ERROR(state->partsByTile.Release(memory));
  return state->tileParts.Release(memory);
}

}  // namespace quillon::jp2
