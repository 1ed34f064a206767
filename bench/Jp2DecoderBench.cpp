// Whole JPEG 2000 decoder over the C interface against the decoders of OpenJPEG and Grok, with
// 1 and 2 threads each, in one run: a PPM (P6) or PGM (P5) picture coded by our encoder
// losslessly and at 1:20, each codestream decoded by all three. Prints per decoder the wall
// and processor time (the peers also write their output file) and, for ours, the largest
// difference from opj_decompress's samples and whether 2 threads gave the pixels of 1. With a
// tile side, the codestreams are made of square tiles of that side. QUILLON_BENCH_RUNS=N times
// the fastest of N runs of each decoder, the decoders taking turns.
// Usage: jp2-decoder-bench picture.ppm|picture.pgm [work directory [tile side]]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "BenchPicture.h"
#include "jp2.h"

namespace {

using quillon::bench::Contender;
using quillon::bench::Picture;
using quillon::bench::TimeInRounds;
using quillon::bench::Timing;

// Stores 8-bit rows into an interleaved picture; a grey one's rows are contiguous.
std::int32_t StoreRow(const void* samples, std::int16_t channel, std::uint32_t row,
                      std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
  auto& picture = *reinterpret_cast<Picture*>(param);
  const auto* in = static_cast<const std::uint8_t*>(samples);
  std::uint8_t* out = picture.samples.data() +
                      (std::size_t{row} * picture.width + column) * picture.channels +
                      static_cast<std::size_t>(channel);
  if (picture.channels == 1) {
    std::memcpy(out, in, count);
    return 0;
  }
  for (std::uint32_t i = 0; i < count; ++i) out[std::size_t{i} * picture.channels] = in[i];
  return 0;
}

// Decodes the codestream into *picture; the status.
std::int32_t DecodeOurs(const std::vector<std::uint8_t>& codestream, std::uint32_t threads,
                        Picture* picture) {
  DecompressHandle handle = nullptr;
  std::int32_t status =
      JP2_Decompress_Start(&handle, nullptr, 0, nullptr, 0, quillon::bench::ReadFromVector,
                           reinterpret_cast<std::uintptr_t>(&codestream));
  if (status == 0) status = JP2_Decompress_SetProp(handle, JP2_Prop_Threads, threads);
  if (status == 0)
    status = JP2_Decompress_SetProp(handle, JP2_Prop_WriteCallback,
                                    reinterpret_cast<std::uintptr_t>(&StoreRow));
  if (status == 0)
    status = JP2_Decompress_SetProp(handle, JP2_Prop_WriteParam,
                                    reinterpret_cast<std::uintptr_t>(picture));
  if (status == 0) status = JP2_Decompress_Image(handle);
  if (handle != nullptr) JP2_Decompress_End(handle);
  return status;
}

void Row(const std::string& decoder, const char* mode, double wall, double processor,
         const std::string& note) {
  std::printf("| %-25s | %-8s | %8.3f | %9.3f | %s\n", decoder.c_str(), mode, wall, processor,
              note.c_str());
  std::fflush(stdout);
}

// A peer's run of command line (its processor time from the finished children).
Contender Peer(const std::string& command) {
  return {RUSAGE_CHILDREN,
          [quiet = command + " > /dev/null 2>&1"] { return std::system(quiet.c_str()) == 0; }};
}

// Reports a peer's run.
void PeerRow(const std::string& decoder, const char* mode, const Contender& peer,
             const std::string& command) {
  if (peer.failed) {
    std::printf("| %-25s | %-8s | failed: %s\n", decoder.c_str(), mode, command.c_str());
  } else {
    Row(decoder, mode, peer.best.wall, peer.best.processor, "");
  }
}

int LargestDifference(const Picture& a, const Picture& b) {
  if (a.samples.size() != b.samples.size()) return -1;
  int worst = 0;
  for (std::size_t i = 0; i < a.samples.size(); ++i)
    worst = std::max(worst, std::abs(a.samples[i] - b.samples[i]));
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  std::string source, work;
  std::uint32_t tile = 0;
  const Picture picture = quillon::bench::PictureArgument(argc, argv, &source, &work, &tile);
  if (picture.samples.empty()) return 1;
  const std::string extension = picture.channels == 3 ? ".ppm" : ".pgm";
  std::printf("%s: %u x %u, %u channel(s)", source.c_str(), picture.width, picture.height,
              picture.channels);
  if (tile != 0) std::printf(", tiles of %u x %u", tile, tile);
  std::printf("\n");
  std::printf("| %-25s | %-8s | %8s | %9s | %s\n", "decoder", "mode", "wall s", "process s",
              "vs opj_decompress");
  std::printf(
      "|---------------------------|----------|----------|-----------|------------------\n");
  for (const std::uint32_t ratio : {0u, 20u}) {
    const char* mode = ratio == 0 ? "lossless" : "1:20";
    quillon::bench::Session session;
    const auto target = static_cast<std::uint32_t>(ratio == 0 ? 0 : picture.samples.size() / ratio);
    if (quillon::bench::Encode(picture, target, &session, 1, tile) != 0) {
      std::printf("| encoding %s failed\n", mode);
      continue;
    }
    const std::string file = work + "/quillon-decode-bench.j2k";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(session.output.data()),
               static_cast<std::streamsize>(session.output.size()));
    const std::string opjOut = work + "/quillon-decode-bench-opj" + extension;
    const std::string grkOut = work + "/quillon-decode-bench-grk" + extension;
    Picture oneThread;
    for (const std::uint32_t threads : {1u, 2u}) {
      const std::string t = std::to_string(threads);
      const std::string opj = "opj_decompress -threads " + t;
      const std::string grk = "grk_decompress -H " + t;
      const std::string opjCommand = opj + " -i " + file + " -o " + opjOut;
      const std::string grkCommand = grk + " -i " + file + " -o " + grkOut;
      // Cleared once, outside the timing: every run writes every sample, and a sample the
      // decoder left out shows as a difference.
      Picture ours = picture;
      std::fill(ours.samples.begin(), ours.samples.end(), 0);
      std::int32_t status = 0;
      std::vector<Contender> contenders = {
          Peer(opjCommand), Peer(grkCommand), {RUSAGE_SELF, [&] {
                                                 status =
                                                     DecodeOurs(session.output, threads, &ours);
                                                 return status == 0;
                                               }}};
      TimeInRounds(contenders);
      PeerRow(opj, mode, contenders[0], opjCommand);
      PeerRow(grk, mode, contenders[1], grkCommand);
      const Timing& timing = contenders[2].best;
      const Picture reference = quillon::bench::ReadNetpbm(opjOut);
      std::string note =
          status != 0 ? "failed with " + std::to_string(status)
                      : "max difference " + std::to_string(LargestDifference(ours, reference));
      if (threads == 1) {
        oneThread = ours;
      } else {
        note += ours.samples == oneThread.samples ? ", pixels of 1 thread"
                                                  : ", PIXELS DIFFER FROM 1 THREAD";
      }
      Row("quillon, " + t + " thread(s)", mode, timing.wall, timing.processor, note);
    }
    std::remove(file.c_str());
    std::remove(opjOut.c_str());
    std::remove(grkOut.c_str());
  }
  return 0;
}
