#include "decoder/PacketState.h"

#include <algorithm>

namespace quillon::jp2 {

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
    state->listed = true;
  }
  std::uint64_t length = std::max(input.CachedBytes(), input.HighWater());
  for (const TilePart& part : state->tileParts.view()) {
    length = std::max(length, part.info.dataEnd);
  }
  state->inputLength = std::min(length, kReadableLimit);
  return JP2_Success;
}

Status WalkTilePackets(ByteReader& input, const MemoryCallbacks& memory,
                       const CodestreamParams& params,
                const PacketState& state, std::uint32_t tile, TileRecords* records,
                PacketHeaderDecoder* headers, PacketObserver* observer) {
  JP2_RETURN_IF_ERROR(records->Build(memory, params, tile, RecordBudget(state.inputLength)));
  headers->SetMemory(memory);
  TileWalk walk(input, params, *records, *headers, state.inputLength, observer);
  for (const TilePart& part : state.tileParts.view()) {
    if (part.info.tile == tile) JP2_RETURN_IF_ERROR(walk.WalkTilePart(part));
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
  return state->tileParts.Release(memory);
}

}  // namespace quillon::jp2
