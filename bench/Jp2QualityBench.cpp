// JPEG 2000 quality at equal file size against OpenJPEG: PPM (P6) or PGM (P5) pictures coded
// by ours at 1:8, 1:20 and 1:50 (9/7, target size), and by opj_compress at the ratio our file
// reached, in one run. Prints per picture and ratio the byte counts of both files, the PSNR of
// each as opj_decompress decodes it, and ours minus OpenJPEG's; where OpenJPEG cannot fill the
// ratio, also a row of ours at the size OpenJPEG's file has. -r takes other ratios, for a sweep
// over the ratios between.
// Usage: jp2-quality-bench [-w work directory] [-r ratio,ratio...] picture.ppm|picture.pgm...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "BenchPicture.h"
#include "DecodedPsnr.h"
#include "jp2.h"

namespace {

using quillon::bench::DecodedPsnr;
using quillon::bench::FileSize;
using quillon::bench::Picture;

constexpr std::uint32_t kDefaultRatios[] = {8, 20, 50};

// Ratios from a comma-separated list of whole numbers from 1 up; empty when it holds any other.
std::vector<std::uint32_t> ParseRatios(const std::string& list) {
  std::vector<std::uint32_t> ratios;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    const std::string item = list.substr(start, end - start);
    char* stop = nullptr;
    const unsigned long ratio = std::strtoul(item.c_str(), &stop, 10);
    if (item.empty() || *stop != '\0' || ratio < 1 || ratio > 1000000) return {};
    ratios.push_back(static_cast<std::uint32_t>(ratio));
    start = end + 1;
  }
  return ratios;
}

// One row of the table for our file at target bytes: OpenJPEG codes the ratio ours reached.
// False when a coder failed; *peerBytes is the size of OpenJPEG's file.
bool CompareAt(const std::string& source, const Picture& picture, const std::string& label,
               std::uint64_t target, const std::string& work, std::uint64_t* peerBytes) {
  const std::uint64_t raw = picture.samples.size();
  const std::string name = source.substr(source.find_last_of('/') + 1);
  quillon::bench::Session session;
  const std::int32_t status =
      quillon::bench::Encode(picture, static_cast<std::uint32_t>(target), &session);
  if (status != 0) {
    std::printf("| %-12s | %-5s | ours failed with %d\n", name.c_str(), label.c_str(), status);
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
  *peerBytes = FileSize(theirs);
  const double oursPsnr = DecodedPsnr(picture, ours);
  const double theirsPsnr = peer ? DecodedPsnr(picture, theirs) : 0;
  std::printf("| %-12s | %-5s | %10zu | %10llu | %8.3f | %8.3f | %+7.3f |\n", name.c_str(),
              label.c_str(), session.output.size(), static_cast<unsigned long long>(*peerBytes),
              oursPsnr, theirsPsnr, oursPsnr - theirsPsnr);
  std::fflush(stdout);
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  return peer && oursPsnr != 0 && theirsPsnr != 0;
}

// The rows of one ratio; when OpenJPEG's file stays more than 1 % below ours (its quantization
// needs fewer bytes than the ratio allows) a second row, marked *, has ours at its size.
bool CompareAt(const std::string& source, const Picture& picture, std::uint32_t ratio,
               const std::string& work) {
  const std::string label = "1:" + std::to_string(ratio);
  const std::uint64_t target = picture.samples.size() / ratio;
  std::uint64_t peerBytes = 0;
  bool ok = CompareAt(source, picture, label, target, work, &peerBytes);
  if (ok && peerBytes * 100 < target * 99) {
    ok = CompareAt(source, picture, label + "*", peerBytes, work, &peerBytes);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string work = "/tmp";
  std::vector<std::uint32_t> ratios(std::begin(kDefaultRatios), std::end(kDefaultRatios));
  int first = 1;
  bool usable = true;
  for (; usable && first + 1 < argc && argv[first][0] == '-'; first += 2) {
    const std::string option = argv[first];
    if (option == "-w") {
      work = argv[first + 1];
    } else if (option == "-r") {
      ratios = ParseRatios(argv[first + 1]);
      usable = !ratios.empty();
    } else {
      usable = false;
    }
  }
  if (!usable || first >= argc) {
    std::fprintf(stderr,
                 "usage: %s [-w work directory] [-r ratio,ratio...] picture.ppm|picture.pgm...\n",
                 argv[0]);
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
    for (const std::uint32_t ratio : ratios) ok = CompareAt(argv[i], picture, ratio, work) && ok;
  }
  return ok ? 0 : 1;
}
