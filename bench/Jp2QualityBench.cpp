// JPEG 2000 quality at equal file size against OpenJPEG: PPM (P6) or PGM (P5) pictures coded
// by ours at 1:8, 1:20 and 1:50 (9/7, target size), and by opj_compress at the ratio our file
// reached, in one run. Prints per picture and ratio the byte counts of both files, the PSNR of
// each as opj_decompress decodes it, and ours minus OpenJPEG's.
// Usage: jp2-quality-bench [-w work directory] picture.ppm|picture.pgm...
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchPicture.h"
#include "DecodedPsnr.h"
#include "jp2.h"

namespace {

using quillon::bench::DecodedPsnr;
using quillon::bench::FileSize;
using quillon::bench::Picture;

constexpr std::uint32_t kRatios[] = {8, 20, 50};

// One row of the table; false when a coder failed.
bool CompareAt(const std::string& source, const Picture& picture, std::uint32_t ratio,
               const std::string& work) {
  const std::uint64_t raw = picture.samples.size();
  const std::string name = source.substr(source.find_last_of('/') + 1);
  quillon::bench::Session session;
  const std::int32_t status =
      quillon::bench::Encode(picture, static_cast<std::uint32_t>(raw / ratio), &session);
  if (status != 0) {
    std::printf("| %-12s | 1:%-3u | ours failed with %d\n", name.c_str(), ratio, status);
    return false;
  }
  const std::string ours = work + "/quillon-quality.j2k";
  const std::string theirs = work + "/quillon-quality-opj.j2k";
  quillon::bench::WriteFile(ours, session.output);
  std::remove(theirs.c_str());
  const std::string command = "opj_compress -i " + source + " -o " + theirs + " -I -r " +
                              std::to_string(double(raw) / double(session.output.size())) +
                              " > /dev/null 2>&1";
  const bool peer = std::system(command.c_str()) == 0;
  const double oursPsnr = DecodedPsnr(picture, ours);
  const double theirsPsnr = peer ? DecodedPsnr(picture, theirs) : 0;
  std::printf("| %-12s | 1:%-3u | %10zu | %10llu | %8.3f | %8.3f | %+7.3f |\n", name.c_str(), ratio,
              session.output.size(), static_cast<unsigned long long>(FileSize(theirs)), oursPsnr,
              theirsPsnr, oursPsnr - theirsPsnr);
  std::fflush(stdout);
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  return peer && oursPsnr != 0 && theirsPsnr != 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string work = "/tmp";
  int first = 1;
  if (argc > 2 && std::string(argv[1]) == "-w") {
    work = argv[2];
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [-w work directory] picture.ppm|picture.pgm...\n", argv[0]);
    return 1;
  }
  std::printf("| %-12s | %-5s | %10s | %10s | %8s | %8s | %7s |\n", "picture", "ratio", "ours B",
              "opj B", "ours dB", "opj dB", "diff dB");
  std::printf(
      "|--------------|-------|------------|------------|----------|----------|---------|\n");
  bool ok = true;
  for (int i = first; i < argc; ++i) {
    const Picture picture = quillon::bench::ReadNetpbm(argv[i]);
    if (picture.samples.empty()) {
      std::fprintf(stderr, "%s is no binary 8-bit PPM or PGM\n", argv[i]);
      ok = false;
      continue;
    }
    for (const std::uint32_t ratio : kRatios) ok = CompareAt(argv[i], picture, ratio, work) && ok;
  }
  return ok ? 0 : 1;
}
