#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>

#include "KvfTestFiles.h"
#include "kvf/KvfGeometry.h"
#include "kvf/KvfHeader.h"

namespace kvf {
namespace {

using test::ByteBuilder;
using test::MemoryReadFile;
using test::MemoryWriteFile;

KvfHeader MakeHeader(std::uint32_t width, std::uint32_t height, std::uint8_t colourMode,
                     bool baseline, std::uint8_t levels = 6) {
  KvfGeometry geometry;
  EXPECT_EQ(ComputeKvfGeometry(width, height, levels, baseline, geometry), KvfStatus::ok);
  KvfHeader header;
  header.picture.width = width;
  header.picture.height = height;
  header.picture.colourMode = colourMode;
  header.picture.modeFlags = geometry.baseline ? KvfGeChunk::kBaselineFlag : 0;
  header.coding.codedWidth = geometry.codedWidth;
  header.coding.stripeHeight = geometry.stripeHeight;
  header.coding.levels = levels;
  header.coding.stripeCount = static_cast<std::uint16_t>(geometry.stripeCount);
  return header;
}

std::vector<std::uint8_t> Write(const KvfHeader& header, const KvfHeaderPayloads& payloads = {}) {
  MemoryWriteFile file(7);  // small, so that chunks straddle flushes
  KvfOutputStream out;
  EXPECT_EQ(out.Open(file.Target()), KvfStatus::ok);
  std::uint32_t length = 0;
  EXPECT_EQ(WriteKvfHeader(out, header, payloads, length), KvfStatus::ok);
  EXPECT_EQ(out.Flush(), KvfStatus::ok);
  EXPECT_EQ(length, file.Bytes().size());
  return file.Bytes();
}

KvfStatus Read(const std::vector<std::uint8_t>& bytes, KvfHeader& header,
               const KvfHeaderSinks& sinks = {}, std::size_t bufferSize = 32768) {
  MemoryReadFile file(bytes, bufferSize);
  KvfInputStream in;
  EXPECT_EQ(in.Open(file.Source()), KvfStatus::ok);
  return ReadKvfHeader(in, header, sinks);
}

// Lengths of the chunks with `tag`, in file order.
std::vector<std::uint16_t> ChunkLengths(const std::vector<std::uint8_t>& bytes, const char* tag) {
  std::vector<std::uint16_t> lengths;
  std::size_t at = 4;
  while (at + 4 <= bytes.size()) {
    const auto length = static_cast<std::uint16_t>(bytes[at + 2] << 8 | bytes[at + 3]);
    if (bytes[at] == tag[0] && bytes[at + 1] == tag[1]) lengths.push_back(length);
    if (bytes[at] == 'D' && bytes[at + 1] == 'T') break;
    at += length;
  }
  return lengths;
}

// Signature, GE (100 x 300, mode 1) and short CB: 31 bytes.
ByteBuilder HandMadeStart(std::uint32_t version = 2) {
  ByteBuilder file;
  file.Text("WV").U8(version).U8(0);
  file.Chunk("GE", 14).U32(100).U32(300).U8(1).U8(1);
  file.Chunk("CB", 13).U16(128).U16(64).U8(6).U8(32).U8(0xFF).U16(5);
  return file;
}

struct FullHeader {
  KvfHeader header = MakeHeader(100, 300, 2, true);
  std::array<KvfRegion, 2> regions = {KvfRegion{1, 2, 3, 4}, KvfRegion{70000, 5, 65535, 6}};
  std::array<std::uint32_t, 5> stripeSizes = {400, 404, 0, 12, 4000};
  std::vector<std::uint8_t> privateData = std::vector<std::uint8_t>(10, 0x5A);

  FullHeader() {
    header.regions.regionCount = 2;
    header.regions.regionWeight = 3;
    header.quality.quality = 700;
    header.hasStripeTable = true;
    header.resolution = {300u << 16, 150u << 16};
    header.password = {0xBEEF, 500};
    header.maxValue.maxValue = 200;
    header.coding.stopPlane = 4;
  }
  KvfHeaderPayloads Payloads() const { return {regions, stripeSizes, privateData}; }
};

TEST(KvfHeader, EveryChunkSurvivesTheRoundTripAtAnyBufferSize) {
  const FullHeader full;
  const std::vector<std::uint8_t> bytes = Write(full.header, full.Payloads());
  for (const std::size_t bufferSize : {1u, 3u, 16u, 32768u}) {
    SCOPED_TRACE(bufferSize);
    KvfHeader read;
    std::array<KvfRegion, 2> regions{};
    std::array<std::uint32_t, 5> sizes{};
    std::vector<std::uint8_t> privateData(64);
    ASSERT_EQ(Read(bytes, read, {regions, sizes, privateData}, bufferSize), KvfStatus::ok);
    EXPECT_EQ(read.version, 2);
    EXPECT_EQ(read.picture.width, 100u);
    EXPECT_EQ(read.picture.height, 300u);
    EXPECT_EQ(read.picture.colourMode, 2);
    EXPECT_EQ(read.picture.modeFlags, KvfGeChunk::kBaselineFlag);
    EXPECT_EQ(read.coding.codedWidth, 128u);
    EXPECT_EQ(read.coding.stripeHeight, 64u);
    EXPECT_EQ(read.coding.levels, 6);
    EXPECT_EQ(read.coding.coderParameter, 32);
    EXPECT_EQ(read.coding.stopPlane, 4);
    EXPECT_EQ(read.coding.stripeCount, 5);
    EXPECT_EQ(read.regions.regionCount, 2);
    EXPECT_EQ(read.regions.regionWeight, 3);
    EXPECT_EQ(regions, full.regions);
    EXPECT_EQ(read.quality.quality, 700);
    EXPECT_TRUE(read.hasStripeTable);
    EXPECT_EQ(sizes, full.stripeSizes);
    EXPECT_EQ(read.resolution.xResolution, 300u << 16);
    EXPECT_EQ(read.resolution.yResolution, 150u << 16);
    EXPECT_TRUE(read.hasPassword);
    EXPECT_EQ(read.password.checkValue, 0xBEEF);
    EXPECT_EQ(read.password.freeQuality, 500);
    EXPECT_EQ(read.maxValue.maxValue, 200u);
    EXPECT_EQ(read.privateLength, 10u);
    EXPECT_TRUE(read.privateCopied);
    EXPECT_EQ(std::vector<std::uint8_t>(privateData.begin(), privateData.begin() + 10),
              full.privateData);
    EXPECT_EQ(read.headerLength, bytes.size());
    EXPECT_EQ(read.headerLength % 4, 0u);
    EXPECT_EQ(read.codedSize, bytes.size() + 400 + 404 + 12 + 4000);
    EXPECT_EQ(CheckKvfCodingLayout(read), KvfStatus::ok);
  }
}

TEST(KvfHeader, ChunksAppearInTheirFixedOrder) {
  const FullHeader full;
  const std::vector<std::uint8_t> bytes = Write(full.header, full.Payloads());
  std::string order;
  for (std::size_t at = 4; at + 4 <= bytes.size(); at += bytes[at + 2] << 8 | bytes[at + 3]) {
    order += std::string{static_cast<char>(bytes[at]), static_cast<char>(bytes[at + 1])} + " ";
  }
  EXPECT_EQ(order, "GE CB ER QU ST DP PW MV PR DT ");
}

TEST(KvfHeader, AbsentChunksLeaveTheDefaults) {
  KvfHeader header = MakeHeader(64, 64, 1, true);
  header.quality.quality = 0;
  const std::vector<std::uint8_t> bytes = Write(header);
  EXPECT_EQ(bytes.size(), 36u);  // signature, GE, CB (31 bytes), DT with one byte of padding
  KvfHeader read;
  ASSERT_EQ(Read(bytes, read), KvfStatus::ok);
  EXPECT_EQ(read.quality.quality, 1024);
  EXPECT_FALSE(read.hasPassword);
  EXPECT_EQ(read.password.freeQuality, 1024);
  EXPECT_EQ(read.resolution.xResolution, 0x480000u);
  EXPECT_EQ(read.resolution.yResolution, 0x480000u);
  EXPECT_EQ(read.maxValue.maxValue, 255u);
  EXPECT_FALSE(read.hasStripeTable);
  EXPECT_EQ(read.codedSize, 0u);
  EXPECT_EQ(read.regions.regionCount, 0);
  EXPECT_EQ(read.privateLength, 0u);
  EXPECT_EQ(read.picture.modeFlags, 0);  // 64 x 64 falls back to embedded
  EXPECT_EQ(read.coding.stripeHeight, 128u);

  header.picture.colourMode = 17;
  ASSERT_EQ(Read(Write(header), read), KvfStatus::ok);
  EXPECT_EQ(read.maxValue.maxValue, 65535u);
}

TEST(KvfHeader, ResolutionChunkOnlyOff72Dpi) {
  KvfHeader header = MakeHeader(100, 100, 1, false);
  EXPECT_TRUE(ChunkLengths(Write(header), "DP").empty());
  header.resolution = {0, 0};
  EXPECT_TRUE(ChunkLengths(Write(header), "DP").empty());

  header.resolution = {300u << 16, 300u << 16};
  const std::vector<std::uint8_t> bytes = Write(header);
  ASSERT_EQ(ChunkLengths(bytes, "DP"), std::vector<std::uint16_t>{12});
  const std::vector<std::uint8_t> dp = {'D', 'P', 0, 12, 0x01, 0x2C, 0, 0, 0x01, 0x2C, 0, 0};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), dp.begin(), dp.end()), bytes.end());

  header.resolution = {72u << 16, 300u << 16};
  EXPECT_EQ(ChunkLengths(Write(header), "DP").size(), 1u);
}

TEST(KvfHeader, CodingChunkTakesTheLongFormBeyond15Bits) {
  for (const bool baseline : {true, false}) {
    SCOPED_TRACE(baseline);
    // Embedded: the stripe height is the coded height, 40000.
    const KvfHeader header =
        baseline ? MakeHeader(40000, 100, 1, true) : MakeHeader(100, 40000, 1, false);
    const std::vector<std::uint8_t> bytes = Write(header);
    EXPECT_EQ(ChunkLengths(bytes, "CB"), std::vector<std::uint16_t>{17});
    KvfHeader read;
    ASSERT_EQ(Read(bytes, read), KvfStatus::ok);
    EXPECT_EQ(read.coding.codedWidth, header.coding.codedWidth);
    EXPECT_EQ(read.coding.stripeHeight, header.coding.stripeHeight);
    EXPECT_EQ(read.coding.stripeCount, header.coding.stripeCount);
    EXPECT_EQ(CheckKvfCodingLayout(read), KvfStatus::ok);
  }
  EXPECT_EQ(ChunkLengths(Write(MakeHeader(32704, 100, 1, true)), "CB"),
            std::vector<std::uint16_t>{13});
}

TEST(KvfHeader, PrivateDataTravelsInPiecesAndComesBackWhole) {
  KvfHeader header = MakeHeader(100, 100, 1, true);
  std::vector<std::uint8_t> privateData(70000);
  std::iota(privateData.begin(), privateData.end(), std::uint8_t{7});
  const std::vector<std::uint8_t> bytes = Write(header, {{}, {}, privateData});
  // Piece lengths: 32700 + 8 (with the total length), 32700 + 4, 4600 + 4.
  EXPECT_EQ(ChunkLengths(bytes, "PR"), (std::vector<std::uint16_t>{32708, 32704, 4604}));

  KvfHeader read;
  std::vector<std::uint8_t> back(70000);
  ASSERT_EQ(Read(bytes, read, {{}, {}, back}, 4096), KvfStatus::ok);
  EXPECT_TRUE(read.privateCopied);
  EXPECT_EQ(read.privateLength, 70000u);
  EXPECT_EQ(back, privateData);

  // Too small a buffer, or none: the data is skipped and its length still reported.
  std::vector<std::uint8_t> small(69999, 0);
  ASSERT_EQ(Read(bytes, read, {{}, {}, small}, 4096), KvfStatus::ok);
  EXPECT_FALSE(read.privateCopied);
  EXPECT_EQ(read.privateLength, 70000u);
  EXPECT_EQ(small, std::vector<std::uint8_t>(69999, 0));
  ASSERT_EQ(Read(bytes, read), KvfStatus::ok);
  EXPECT_EQ(read.privateLength, 70000u);

  KvfOutputStream out;
  MemoryWriteFile file(64);
  ASSERT_EQ(out.Open(file.Target()), KvfStatus::ok);
  std::uint32_t length = 0;
  const std::span<const std::uint8_t> tooLong(privateData.data(), std::size_t{0x6FFFFFFE});
  EXPECT_EQ(WriteKvfHeader(out, header, {{}, {}, tooLong}, length), KvfStatus::invalidDataPointer);
}

TEST(KvfHeader, PaddingAlignsTheCodedDataToFourBytes) {
  EXPECT_EQ(KvfDtChunk::PaddingAt(42), 2);
  EXPECT_EQ(KvfDtChunk::PaddingAt(43), 1);
  EXPECT_EQ(KvfDtChunk::PaddingAt(44), 0);
  EXPECT_EQ(KvfDtChunk::PaddingAt(45), 3);

  // Signature, GE and CB (31 bytes) and a PR chunk with 3 bytes (11): DT starts at 42.
  KvfHeader header = MakeHeader(100, 300, 1, true);
  header.quality.quality = 0;
  const std::array<std::uint8_t, 3> privateData = {1, 2, 3};
  const std::vector<std::uint8_t> bytes = Write(header, {{}, {}, privateData});
  ASSERT_EQ(bytes.size(), 48u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 42, bytes.end()),
            (std::vector<std::uint8_t>{'D', 'T', 0, 6, 0, 0}));
  KvfHeader read;
  ASSERT_EQ(Read(bytes, read), KvfStatus::ok);
  EXPECT_EQ(read.headerLength, 48u);
}

TEST(KvfHeader, UnknownChunksAreSkipped) {
  ByteBuilder file = HandMadeStart();
  file.Chunk("XX", 10).U32(0xFFFFFFFF).U16(0xFFFF);  // ends at 41
  file.Chunk("DT", 7).Zeros(3);
  KvfHeader read;
  ASSERT_EQ(Read(file.Bytes(), read, {}, 5), KvfStatus::ok);
  EXPECT_EQ(read.headerLength, 48u);
  EXPECT_EQ(read.picture.width, 100u);
  EXPECT_EQ(read.coding.stripeCount, 5);
}

TEST(KvfHeader, VersionAndSignatureAreChecked) {
  KvfHeader read;
  for (const std::uint32_t version : {0u, 1u, 3u}) {
    EXPECT_EQ(Read(HandMadeStart(version).Bytes(), read), KvfStatus::wrongVersion);
    EXPECT_EQ(read.version, version);
  }
  std::vector<std::uint8_t> bytes = Write(MakeHeader(100, 300, 1, true));
  bytes[1] = 'X';
  EXPECT_EQ(Read(bytes, read), KvfStatus::corruptedHeader);
}

struct BadHeader {
  const char* what;
  ByteBuilder bytes;
  KvfStatus expected;
};

std::vector<BadHeader> BadHeaders() {
  std::vector<BadHeader> cases;
  auto add = [&cases](const char* what, ByteBuilder bytes, KvfStatus expected) {
    cases.push_back({what, std::move(bytes), expected});
  };
  {
    ByteBuilder b;
    b.Text("WV").U8(2).U8(0).Chunk("GE", 15).U32(100).U32(300).U8(1).U8(1).U8(0);
    b.Chunk("CB", 13).U16(128).U16(64).U8(6).U8(32).U8(0xFF).U16(5).Chunk("DT", 4);
    add("GE length 15", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b = HandMadeStart();
    b.Chunk("XX", 2).Chunk("DT", 4).Zeros(8);
    add("chunk shorter than its frame", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b = HandMadeStart();
    b.Chunk("ST", 9).U32(1).U8(0).Chunk("DT", 4).Zeros(8);
    add("stripe table with a partial word", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b = HandMadeStart();
    b.Chunk("DT", 2).Zeros(8);
    add("DT shorter than its frame", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b = HandMadeStart();
    b.Chunk("DT", 4).Zeros(8);  // data would start at 35
    add("coded data off a 4-byte boundary", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b;
    b.Text("WV").U8(2).U8(0).Chunk("CB", 13).U16(128).U16(64).U8(6).U8(32).U8(0xFF).U16(5);
    b.Chunk("DT", 5).Zeros(1);
    add("no GE chunk", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b;
    b.Text("WV").U8(2).U8(0).Chunk("GE", 14).U32(100).U32(300).U8(1).U8(1);
    b.Chunk("DT", 6).Zeros(2);
    add("no CB chunk", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b;
    b.Text("WV").U8(2).U8(0).Chunk("GE", 14).U32(100).U32(300).U8(3).U8(1);
    b.Chunk("CB", 13).U16(128).U16(64).U8(6).U8(32).U8(0xFF).U16(5).Chunk("DT", 5).Zeros(1);
    add("colour mode 3", b, KvfStatus::invalidColourSpace);
  }
  {
    ByteBuilder b;
    b.Text("WV").U8(2).U8(0).Chunk("GE", 14).U32(100).U32(300).U8(33).U8(1);
    b.Chunk("CB", 13).U16(128).U16(64).U8(6).U8(32).U8(0xFF).U16(5).Chunk("DT", 5).Zeros(1);
    add("colour mode 33 is for the encoder only", b, KvfStatus::invalidColourSpace);
  }
  {
    ByteBuilder b = HandMadeStart();
    b.Chunk("PR", 8).U32(0x6FFFFFFF).Chunk("DT", 5).Zeros(1);
    add("private length out of range", b, KvfStatus::corruptedHeader);
  }
  {
    ByteBuilder b = HandMadeStart();
    b.Chunk("ST", 8).U32(0xFFFFFFFF).Chunk("DT", 5).Zeros(1);
    add("stripe sizes beyond 4 GiB", b, KvfStatus::corruptedHeader);
  }
  return cases;
}

TEST(KvfHeader, DamagedHeadersAreRefused) {
  for (const BadHeader& bad : BadHeaders()) {
    KvfHeader read;
    EXPECT_EQ(Read(bad.bytes.Bytes(), read), bad.expected) << bad.what;
  }
}

TEST(KvfHeader, CopiedPrivateDataMustMatchItsTotal) {
  std::vector<std::uint8_t> sink(100);
  KvfHeader read;
  ByteBuilder shortPieces = HandMadeStart();
  shortPieces.Chunk("PR", 12).U32(6).U32(0x01020304).Chunk("DT", 5).Zeros(1);  // 4 of 6 bytes
  EXPECT_EQ(Read(shortPieces.Bytes(), read, {{}, {}, sink}), KvfStatus::corruptedHeader);
  EXPECT_EQ(Read(shortPieces.Bytes(), read), KvfStatus::ok);  // not copied: not compared

  ByteBuilder excess = HandMadeStart();
  excess.Chunk("PR", 12).U32(2).U32(0x01020304).Chunk("DT", 5).Zeros(1);  // 4 bytes for 2
  std::vector<std::uint8_t> exact(2);
  EXPECT_EQ(Read(excess.Bytes(), read, {{}, {}, exact}), KvfStatus::corruptedHeader);
}

TEST(KvfHeader, ShortSinksKeepWhatFits) {
  const FullHeader full;
  const std::vector<std::uint8_t> bytes = Write(full.header, full.Payloads());
  std::array<KvfRegion, 1> regions{};
  std::array<std::uint32_t, 2> sizes{};
  KvfHeader read;
  ASSERT_EQ(Read(bytes, read, {regions, sizes, {}}), KvfStatus::ok);
  EXPECT_EQ(regions[0], full.regions[0]);
  EXPECT_EQ(sizes[1], full.stripeSizes[1]);
  EXPECT_EQ(read.regions.regionCount, 2);
  EXPECT_EQ(read.stripeTable.sizeCount, 5u);
}

TEST(KvfHeader, HeadersCutAnywhereEndInIllegalEndOfFile) {
  const FullHeader full;
  const std::vector<std::uint8_t> bytes = Write(full.header, full.Payloads());
  int cuts = 0;
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    const std::vector<std::uint8_t> cut(bytes.begin(),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(length));
    for (const std::size_t bufferSize : {1u, 4096u}) {
      KvfHeader read;
      EXPECT_EQ(Read(cut, read, {}, bufferSize), KvfStatus::illegalEndOfFile) << length;
      ++cuts;
    }
  }
  EXPECT_GT(cuts, 100);
}

TEST(KvfHeader, CorruptedBytesNeverEscapeTheReader) {
  const FullHeader full;
  const std::vector<std::uint8_t> bytes = Write(full.header, full.Payloads());
  int refused = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (const std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x7F}}) {
      std::vector<std::uint8_t> damaged = bytes;
      damaged[at] = value;
      std::array<KvfRegion, 2> regions{};
      std::array<std::uint32_t, 5> sizes{};
      std::vector<std::uint8_t> privateData(16);
      KvfHeader read;
      if (Read(damaged, read, {regions, sizes, privateData}, 8) != KvfStatus::ok) ++refused;
    }
  }
  EXPECT_GT(refused, 0);
}

TEST(KvfHeader, PlaceholderIsRewrittenInPlaceWithTheFinalValues) {
  FullHeader full;
  MemoryWriteFile file(16);
  KvfOutputStream out;
  ASSERT_EQ(out.Open(file.Target()), KvfStatus::ok);
  std::uint32_t placeholderLength = 0;
  ASSERT_EQ(WritePlaceholderKvfHeader(out, full.header, full.Payloads(), placeholderLength),
            KvfStatus::ok);
  const std::vector<std::uint8_t> stripes(103, 0xC3);
  ASSERT_EQ(out.PutBytes(stripes), KvfStatus::ok);
  ASSERT_EQ(out.Flush(), KvfStatus::ok);

  {
    KvfHeader placeholder;
    std::array<std::uint32_t, 5> sizes{1, 1, 1, 1, 1};
    ASSERT_EQ(Read(file.Bytes(), placeholder, {{}, sizes, {}}), KvfStatus::ok);
    EXPECT_EQ(placeholder.quality.quality, 1);
    EXPECT_EQ(placeholder.coding.stopPlane, -1);
    EXPECT_EQ(sizes, (std::array<std::uint32_t, 5>{}));
  }

  full.header.quality.quality = 913;
  ASSERT_EQ(RewriteKvfHeader(out, full.header, full.Payloads(), placeholderLength), KvfStatus::ok);
  EXPECT_EQ(out.Position(), placeholderLength + stripes.size());
  ASSERT_EQ(out.PutU8(0x11), KvfStatus::ok);
  ASSERT_EQ(out.Flush(), KvfStatus::ok);

  std::vector<std::uint8_t> expected = Write(full.header, full.Payloads());
  expected.insert(expected.end(), stripes.begin(), stripes.end());
  expected.push_back(0x11);
  EXPECT_EQ(file.Bytes(), expected);
}

TEST(KvfHeader, PlaceholderWithoutAWayBackCarriesNeitherStripeTableNorQuality) {
  const FullHeader full;
  MemoryWriteFile file(16);
  KvfOutputStream out;
  ASSERT_EQ(out.Open(file.Target(false)), KvfStatus::ok);
  std::uint32_t length = 0;
  ASSERT_EQ(WritePlaceholderKvfHeader(out, full.header, full.Payloads(), length), KvfStatus::ok);
  ASSERT_EQ(out.Flush(), KvfStatus::ok);
  EXPECT_TRUE(ChunkLengths(file.Bytes(), "ST").empty());
  EXPECT_TRUE(ChunkLengths(file.Bytes(), "QU").empty());
  EXPECT_EQ(RewriteKvfHeader(out, full.header, full.Payloads(), length), KvfStatus::internalError);
  KvfHeader read;
  ASSERT_EQ(Read(file.Bytes(), read), KvfStatus::ok);
  EXPECT_EQ(read.quality.quality, 1024);
}

TEST(KvfHeader, RewriteInTheOutputBufferAndLengthMismatch) {
  FullHeader full;
  std::vector<std::uint8_t> buffer(512);
  KvfOutputStream out;
  ASSERT_EQ(out.Open({buffer, nullptr, nullptr, nullptr}), KvfStatus::ok);
  std::uint32_t length = 0;
  ASSERT_EQ(WritePlaceholderKvfHeader(out, full.header, full.Payloads(), length), KvfStatus::ok);
  ASSERT_EQ(out.PutZeros(20), KvfStatus::ok);
  ASSERT_EQ(RewriteKvfHeader(out, full.header, full.Payloads(), length), KvfStatus::ok);
  EXPECT_EQ(out.Position(), length + 20u);
  KvfHeader read;
  ASSERT_EQ(Read(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + length + 20), read),
            KvfStatus::ok);
  EXPECT_EQ(read.quality.quality, 700);
  EXPECT_EQ(read.codedSize, length + 400 + 404 + 12 + 4000);

  full.header.quality.quality = 0;  // would drop QU and shorten the header
  EXPECT_EQ(RewriteKvfHeader(out, full.header, full.Payloads(), length), KvfStatus::internalError);
}

TEST(KvfHeader, HeaderRunningOutOfOutputRoom) {
  const FullHeader full;
  std::vector<std::uint8_t> buffer(40);
  KvfOutputStream out;
  ASSERT_EQ(out.Open({buffer, nullptr, nullptr, nullptr}), KvfStatus::ok);
  std::uint32_t length = 0;
  EXPECT_EQ(WriteKvfHeader(out, full.header, full.Payloads(), length),
            KvfStatus::resultSizeTooSmall);
}

TEST(KvfHeader, CodingLayoutMustAgreeWithThePicture) {
  const KvfHeader good = MakeHeader(100, 300, 1, true);
  EXPECT_EQ(CheckKvfCodingLayout(good), KvfStatus::ok);
  EXPECT_EQ(CheckKvfCodingLayout(MakeHeader(64, 64, 1, true)), KvfStatus::ok);

  KvfHeader bad = good;
  bad.coding.codedWidth = 64;
  EXPECT_EQ(CheckKvfCodingLayout(bad), KvfStatus::corruptedHeader);
  bad = good;
  bad.coding.levels = 0;
  EXPECT_EQ(CheckKvfCodingLayout(bad), KvfStatus::corruptedHeader);
  bad = good;
  bad.coding.stripeCount = 4;
  EXPECT_EQ(CheckKvfCodingLayout(bad), KvfStatus::corruptedHeader);
  bad = good;
  bad.picture.modeFlags = 0;  // embedded needs one stripe of the coded height
  EXPECT_EQ(CheckKvfCodingLayout(bad), KvfStatus::corruptedHeader);
  bad = good;
  bad.hasStripeTable = true;
  bad.stripeTable.sizeCount = 4;
  EXPECT_EQ(CheckKvfCodingLayout(bad), KvfStatus::corruptedHeader);
  bad.picture.modeFlags |= KvfGeChunk::kAnimatedFlag;  // sequences are refused elsewhere
  EXPECT_EQ(CheckKvfCodingLayout(bad), KvfStatus::ok);
}

}  // namespace
}  // namespace kvf
