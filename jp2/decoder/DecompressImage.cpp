// JP2_Decompress_Image: every tile in index order, from its packets to the write callback.
#include "decoder/DecompressState.h"
#include "decoder/TileDelivery.h"

namespace quillon::jp2 {
namespace {

Status DecodeImage(DecompressState& state) {
  // Checked before any work: there would be nowhere to deliver rows.
  if (state.writeCallback == 0) return JP2_Error_NoOutputCallback;
  JP2_RETURN_IF_ERROR(
      PreparePacketWalk(state.input, state.memory, &state.codestream, &state.packets));
  WorkerPool workers;
  workers.Start(static_cast<int>(state.threads), state.memory);
  PerThread<DecodingHand> hands;
  Status status = hands.Init(workers.Memory(), workers.Threads());
  if (status.ok()) status = DeliverTiles(state, workers, hands);
  const Status released = hands.Release();
  return status.ok() ? released : status;
}

}  // namespace
}  // namespace quillon::jp2

extern "C" JP2_API int32_t JP2_Decompress_Image(DecompressHandle handle) {
  return quillon::jp2::WithDecompressState(handle, quillon::jp2::DecodeImage);
}
