// Whole JPEG 2000 encoder over the C interface against the encoders of OpenJPEG and Grok,
// with 1 and 2 threads each: a PPM (P6) or PGM (P5) picture coded to a raw codestream
// losslessly (5/3) and at 1:20 (9/7, target size), in one run. Prints per coder the encode
// time (wall and processor), the file size, the PSNR of the file decoded by opj_decompress
// and, for ours with 2 threads, whether the bytes are those of 1 thread. With a tile side, every
// coder makes square tiles of that side. QUILLON_BENCH_RUNS=N times the fastest of N runs of
// each coder, the coders taking turns.
// Usage: jp2-encoder-bench picture.ppm|picture.pgm [work directory [tile side]]
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchPicture.h"
#include "DecodedPsnr.h"
#include "jp2.h"

namespace {

using quillon::bench::Contender;
using quillon::bench::DecodedPsnr;
using quillon::bench::Encode;
using quillon::bench::FileSize;
using quillon::bench::Picture;
using quillon::bench::ReadNetpbm;
using quillon::bench::Session;
using quillon::bench::TimeInRounds;

void Row(const std::string& coder, const char* mode, double wall, double processor,
         std::uint64_t bytes, double psnr, const char* note = "") {
  std::printf("| %-28s | %-8s | %8.3f | %9.3f | %10llu | %8.2f | %s\n", coder.c_str(), mode, wall,
              processor, static_cast<unsigned long long>(bytes), psnr, note);
  std::fflush(stdout);
}

// Reports a peer's run and its output file, which it then removes.
void PeerRow(const Picture& picture, const std::string& coder, const char* mode,
             const Contender& peer, const std::string& command, const std::string& output) {
  if (peer.failed) {
    std::printf("| %-28s | %-8s | failed: %s\n", coder.c_str(), mode, command.c_str());
  } else {
    Row(coder, mode, peer.best.wall, peer.best.processor, FileSize(output),
        DecodedPsnr(picture, output));
  }
  std::remove(output.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string source, work;
  std::uint32_t tile = 0;
  const Picture picture = quillon::bench::PictureArgument(argc, argv, &source, &work, &tile);
  if (picture.samples.empty()) return 1;
  std::printf("%s: %u x %u, %u channel(s)", source.c_str(), picture.width, picture.height,
              picture.channels);
  if (tile != 0) std::printf(", tiles of %u x %u", tile, tile);
  std::printf("\n");
  const std::string tiles =
      tile != 0 ? " -t " + std::to_string(tile) + "," + std::to_string(tile) : "";
  std::printf("| %-28s | %-8s | %8s | %9s | %10s | %8s |\n", "coder", "mode", "wall s", "process s",
              "bytes", "PSNR dB");
  std::printf(
      "|------------------------------|----------|----------|-----------|------------|----------|"
      "\n");
  const std::uint64_t raw = picture.samples.size();
  for (const std::uint32_t ratio : {0u, 20u}) {
    const char* mode = ratio == 0 ? "lossless" : "1:20";
    std::vector<std::uint8_t> oneThread;
    for (const std::uint32_t threads : {1u, 2u}) {
      const std::string t = std::to_string(threads);
      Session session;
      std::int32_t status = 0;
      // The peers get the ratio our file reached, so that all files are of one size; ours runs
      // first in every round, so its size is known when theirs do.
      const auto peerCommand = [&](const std::string& program, const std::string& output) {
        const std::string rate =
            ratio == 0
                ? ""
                : " -r " + std::to_string(double(raw) / double(session.output.size())) + " -I";
        return program + " -i " + source + " -o " + output + rate + tiles;
      };
      const std::string opj = work + "/quillon-bench-opj.j2k";
      const std::string grk = work + "/quillon-bench-grk.j2k";
      const std::string opjProgram = "opj_compress -threads " + t;
      const std::string grkProgram = "grk_compress -H " + t;
      const auto peer = [&](const std::string& program, const std::string& output) {
        return [&, program, output] {
          if (status != 0) return false;
          std::remove(output.c_str());
          const std::string quiet = peerCommand(program, output) + " > /dev/null 2>&1";
          return std::system(quiet.c_str()) == 0;
        };
      };
      std::vector<Contender> contenders = {
          {RUSAGE_SELF,
           [&] {
             status = Encode(picture, static_cast<std::uint32_t>(ratio == 0 ? 0 : raw / ratio),
                             &session, threads, tile);
             return status == 0;
           }},
          {RUSAGE_CHILDREN, peer(opjProgram, opj)},
          {RUSAGE_CHILDREN, peer(grkProgram, grk)}};
      TimeInRounds(contenders);
      if (status != 0) {
        std::printf("| %-28s | %-8s | failed with %d\n", "quillon", mode, status);
        break;
      }
      const char* note = "";
      if (threads == 1) {
        oneThread = session.output;
      } else {
        note = session.output == oneThread ? "bytes of 1 thread" : "BYTES DIFFER FROM 1 THREAD";
      }
      const std::string ours = work + "/quillon-bench.j2k";
      quillon::bench::WriteFile(ours, session.output);
      Row("quillon, " + t + " thread(s)", mode, contenders[0].best.wall,
          contenders[0].best.processor, session.output.size(), DecodedPsnr(picture, ours), note);
      std::remove(ours.c_str());
      PeerRow(picture, opjProgram, mode, contenders[1], peerCommand(opjProgram, opj), opj);
      PeerRow(picture, grkProgram, mode, contenders[2], peerCommand(grkProgram, grk), grk);
    }
  }
  return 0;
}
