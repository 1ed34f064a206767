// Lossless KVF encode and decode of large pictures: time, size and bits per pixel, beside the
// same pictures coded losslessly as JPEG 2000 by our own codec (the column stays empty until
// the JPEG 2000 encoder can be driven here) and, for reference, by OpenJPEG's command-line
// tools run as a black box (their times include starting the program and file input and
// output). Prints a table; asserts nothing but exactness.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "kvf/KvfDecoder.h"
#include "kvf/KvfEncoder.h"
#include "kvf/KvfHeader.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Picture {
  const char* name;
  std::uint32_t width;
  std::uint32_t height;
  std::int32_t layout;  // 0 grey, 16 three bytes per pixel
  std::uint32_t colourMode;
  std::vector<std::uint8_t> bytes;
  std::size_t RowBytes() const { return std::size_t{width} * (layout == 0 ? 1 : 3); }
};

// A photograph stand-in: smooth light, objects with soft and hard edges, fine texture and
// sensor noise, so that every wavelet level and bit plane has realistic work.
Picture MakePhotograph(const char* name, std::uint32_t size, bool colour) {
  Picture picture{name, size, size, colour ? 16 : 0, colour ? 2u : 1u, {}};
  picture.bytes.resize(picture.RowBytes() * size);
  std::mt19937 random(42);
  std::normal_distribution<double> noise(0, 2.0);
  const int channels = colour ? 3 : 1;
  for (std::uint32_t y = 0; y < size; ++y) {
    for (std::uint32_t x = 0; x < size; ++x) {
      const double u = static_cast<double>(x) / size;
      const double v = static_cast<double>(y) / size;
      const double light = 90 + 60 * std::sin(3.1 * u + 1.7 * v) * std::cos(2.3 * v);
      const double disc = std::hypot(u - 0.4, v - 0.55) < 0.2 ? 45 : 0;
      const double texture = 12 * std::sin(x * 0.21 + std::sin(y * 0.05) * 6) * (v > 0.7);
      for (int c = 0; c < channels; ++c) {
        const double tint = colour ? (c - 1) * 25 * std::sin(5 * u + c) : 0;
        const double value = light + disc + texture + tint + noise(random);
        picture.bytes[y * picture.RowBytes() + x * channels + c] =
            static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
      }
    }
  }
  return picture;
}

struct Memory {
  std::array<std::vector<std::byte>, kvf::kKvfWorkBufferCount> parts;
  kvf::KvfWorkBuffers view;
  explicit Memory(const kvf::KvfBufferSizes& sizes) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
      parts[i].resize(sizes[i]);
      view[i] = parts[i];
    }
  }
};

struct OutFile {
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(32768);
  std::vector<std::uint8_t> bytes;
  std::size_t position = 0;
  static std::int16_t Flush(void* context, std::uint32_t count) {
    auto* file = static_cast<OutFile*>(context);
    if (file->bytes.size() < file->position + count) file->bytes.resize(file->position + count);
    std::memcpy(file->bytes.data() + file->position, file->buffer.data(), count);
    file->position += count;
    return 0;
  }
  static std::int32_t Seek(void* context, std::int32_t offset) {
    static_cast<OutFile*>(context)->position += offset;
    return 0;
  }
};

struct InFile {
  const std::vector<std::uint8_t>& bytes;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(32768);
  std::size_t position = 0;
  static std::int32_t Fetch(void* context, std::uint32_t size) {
    auto* file = static_cast<InFile*>(context);
    const std::size_t count = std::min<std::size_t>(size, file->bytes.size() - file->position);
    std::memcpy(file->buffer.data(), file->bytes.data() + file->position, count);
    file->position += count;
    return static_cast<std::int32_t>(count);
  }
  static std::int32_t Seek(void* context, std::int32_t offset) {
    static_cast<InFile*>(context)->position += offset;
    return 0;
  }
  kvf::KvfInputSource Source() {
    const auto filled =
        static_cast<std::uint32_t>(Fetch(this, static_cast<std::uint32_t>(buffer.size())));
    return {buffer, filled, &Fetch, &Seek, this};
  }
};

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Lossless OpenJPEG on the same picture: encode and decode seconds and the codestream size,
// or an empty text when its tools are not installed.
std::string OpenJpegColumns(const Picture& picture) {
  if (std::system("command -v opj_compress > /dev/null && command -v opj_decompress > /dev/null") !=
      0) {
    return "OpenJPEG not installed";
  }
  const std::string base = "/tmp/kvf-bench-" + std::to_string(::getpid());
  const std::string source = base + (picture.layout == 0 ? ".pgm" : ".ppm");
  const std::string coded = base + ".j2k";
  const std::string back = base + "-back" + (picture.layout == 0 ? ".pgm" : ".ppm");
  if (FILE* file = std::fopen(source.c_str(), "wb")) {
    std::fprintf(file, "P%c\n%u %u\n255\n", picture.layout == 0 ? '5' : '6', picture.width,
                 picture.height);
    std::fwrite(picture.bytes.data(), 1, picture.bytes.size(), file);  // rows in R, G, B order
    std::fclose(file);
  }
  const auto encodeStart = Clock::now();
  const bool encoded =
      std::system(("opj_compress -i " + source + " -o " + coded + " > /dev/null").c_str()) == 0;
  const double encodeTime = Seconds(encodeStart);
  const auto decodeStart = Clock::now();
  const bool decoded =
      std::system(("opj_decompress -i " + coded + " -o " + back + " > /dev/null").c_str()) == 0;
  const double decodeTime = Seconds(decodeStart);
  std::error_code ignored;
  const auto size = std::filesystem::file_size(coded, ignored);
  for (const std::string& path : {source, coded, back}) std::filesystem::remove(path, ignored);
  if (!encoded || !decoded) return "OpenJPEG failed";
  char text[96];
  std::snprintf(
      text, sizeof text, "%9.3f %9.3f %11ju %7.3f", encodeTime, decodeTime,
      static_cast<std::uintmax_t>(size),
      8.0 * static_cast<double>(size) / (static_cast<double>(picture.width) * picture.height));
  return text;
}

bool Run(const Picture& picture, bool baseline) {
  kvf::KvfEncodeSettings settings;
  settings.width = picture.width;
  settings.height = picture.height;
  settings.layout = picture.layout;
  settings.colourMode = picture.colourMode;
  settings.levels = 6;
  settings.baseline = baseline;
  kvf::KvfBufferSizes sizes{};
  if (kvf::KvfEncoder::Plan(settings, sizes) != kvf::KvfStatus::ok) return false;
  std::uint64_t workBytes = 0;
  for (std::uint32_t size : sizes) workBytes += size;

  OutFile out;
  Memory encodeMemory(sizes);
  const auto encodeStart = Clock::now();
  bool ok = kvf::KvfEncoder::Start(settings, encodeMemory.view,
                                   {out.buffer, &OutFile::Flush, &OutFile::Seek, &out}) ==
            kvf::KvfStatus::ok;
  kvf::KvfEncodeReport report;
  for (std::uint32_t y = 0; ok && y < picture.height; y += 64) {
    const std::uint32_t count = std::min(64u, picture.height - y);
    ok = kvf::KvfEncoder::EncodeRows(encodeMemory.view,
                                     {picture.bytes.data() + y * picture.RowBytes(),
                                      static_cast<std::ptrdiff_t>(picture.RowBytes()), count},
                                     y + count == picture.height, report) == kvf::KvfStatus::ok;
  }
  const double encodeTime = Seconds(encodeStart);
  if (!ok) return false;

  InFile in{out.bytes};
  kvf::KvfInputStream input;
  kvf::KvfHeader header;
  if (input.Open(in.Source()) != kvf::KvfStatus::ok ||
      kvf::ReadKvfHeader(input, header, {}) != kvf::KvfStatus::ok) {
    return false;
  }
  kvf::KvfDecodeSettings output;
  output.layout = picture.layout;
  output.width = picture.width;
  output.height = picture.height;
  if (kvf::KvfDecoder::Plan(header, output, sizes) != kvf::KvfStatus::ok) return false;
  Memory decodeMemory(sizes);
  std::vector<std::uint8_t> decoded(picture.bytes.size());
  InFile again{out.bytes};
  const auto decodeStart = Clock::now();
  kvf::KvfDecodeReport decodeReport;
  ok =
      kvf::KvfDecoder::Start(output, decodeMemory.view, again.Source()) == kvf::KvfStatus::ok &&
      kvf::KvfDecoder::DecodeRows(decodeMemory.view, 0, picture.height,
                                  {decoded.data(), static_cast<std::ptrdiff_t>(picture.RowBytes())},
                                  decodeReport) == kvf::KvfStatus::ok;
  const double decodeTime = Seconds(decodeStart);
  const bool exact = ok && decoded == picture.bytes;

  const double pixels = static_cast<double>(picture.width) * picture.height;
  std::printf("%-18s %-9s %9.3f %9.3f %11zu %7.3f %8.1f %5s | %-9s | %s\n", picture.name,
              baseline ? "baseline" : "embedded", encodeTime, decodeTime, out.bytes.size(),
              8.0 * out.bytes.size() / pixels, workBytes / 1048576.0, exact ? "yes" : "NO",
              "pending", baseline ? OpenJpegColumns(picture).c_str() : "");
  return exact;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint32_t size = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 4096;
  std::printf("KVF lossless (quality 1024, 6 levels), %u x %u\n", size, size);
  std::printf("%-18s %-9s %9s %9s %11s %7s %8s %5s | %-9s | %s\n", "picture", "KVF", "encode s",
              "decode s", "bytes", "bpp", "work MiB", "exact", "ours J2K",
              "OpenJPEG lossless: encode s, decode s, bytes, bpp");
  bool allExact = true;
  for (const bool colour : {true, false}) {
    const Picture picture =
        MakePhotograph(colour ? "colour photograph" : "grey photograph", size, colour);
    for (const bool baseline : {true, false}) allExact = Run(picture, baseline) && allExact;
  }
  return allExact ? 0 : 1;
}
