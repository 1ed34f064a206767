// Packet header bits: the stuffing bit writer, the pass-count code, and whole headers of small
// precincts worked out by hand and read back by the test reader.
#include "encoder/PacketHeader.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "jp2.h"
#include "support/PacketParser.h"
#include "support/SyntheticBlocks.h"

namespace quillon::jp2 {
namespace {

using test::Block;
using test::OneBandPrecinct;

std::string Bits(const std::vector<std::uint8_t>& bytes, std::size_t count) {
  std::string bits;
  for (std::size_t i = 0; i < count; ++i) bits += (bytes[i / 8] >> (7 - i % 8)) & 1 ? '1' : '0';
  return bits;
}

std::vector<std::uint8_t> Written(const std::string& bits, Status* flushed = nullptr) {
  std::vector<std::uint8_t> buffer(64);
  PacketBitWriter writer(buffer.data(), 64);
  for (char bit : bits) writer.PutBit(bit == '1');
  const Status status = writer.Flush();
  if (flushed != nullptr) *flushed = status;
  buffer.resize(writer.size());
  return buffer;
}

TEST(PacketBitWriter, ByteAfterFFCarriesSevenBits) {
  EXPECT_EQ(Written(std::string(16, '1')), (std::vector<std::uint8_t>{0xFF, 0x7F, 0x80}));
  EXPECT_EQ(Written("10100101"), (std::vector<std::uint8_t>{0xA5}));
  EXPECT_EQ(Written("101"), (std::vector<std::uint8_t>{0xA0}));
  EXPECT_TRUE(Written("").empty());
}

TEST(PacketBitWriter, HeaderEndingInFFGetsAStuffedZeroByte) {
  EXPECT_EQ(Written(std::string(8, '1')), (std::vector<std::uint8_t>{0xFF, 0x00}));
  // 0xFF then seven ones make 0x7F, which ends the header cleanly.
  EXPECT_EQ(Written(std::string(15, '1')), (std::vector<std::uint8_t>{0xFF, 0x7F}));
}

TEST(PacketBitWriter, OverflowWhileWritingIsMinus3AndOnTheFinalByteMinus19) {
  std::uint8_t one[1];
  PacketBitWriter writing(one, 1);
  writing.PutBits(0xFFFF, 16);
  EXPECT_EQ(writing.status().code(), JP2_Error_PacketHeaderOverflow);
  EXPECT_EQ(writing.Flush().code(), JP2_Error_PacketHeaderOverflow);

  PacketBitWriter finalByte(one, 1);
  finalByte.PutBits(0xFF, 8);
  EXPECT_TRUE(finalByte.status().ok());
  EXPECT_EQ(finalByte.Flush().code(), JP2_Error_Codestream);

  PacketBitWriter counting;
  counting.PutBits(0xFFFF, 16);
  EXPECT_TRUE(counting.Flush().ok());
  EXPECT_EQ(counting.size(), 3u);
}

// The first count bits the pass-count code writes, read back without stuffing.
std::string PassCode(std::uint32_t passes, int count) {
  std::vector<std::uint8_t> buffer(8);
  PacketBitWriter writer(buffer.data(), 8);
  PutPassCount(writer, passes);
  EXPECT_TRUE(writer.Flush().ok());
  test::StuffedBitReader reader(buffer.data(), writer.size(), 0);
  std::string bits;
  for (int i = 0; i < count; ++i) {
    int bit = 0;
    EXPECT_TRUE(reader.GetBit(&bit));
    bits += bit != 0 ? '1' : '0';
  }
  return bits;
}

TEST(PacketHeader, PassCountCodesOfTableB4) {
  EXPECT_EQ(PassCode(1, 1), "0");
  EXPECT_EQ(PassCode(2, 2), "10");
  EXPECT_EQ(PassCode(3, 4), "1100");
  EXPECT_EQ(PassCode(5, 4), "1110");
  EXPECT_EQ(PassCode(6, 9), "111100000");
  EXPECT_EQ(PassCode(36, 9), "111111110");
  EXPECT_EQ(PassCode(37, 16), "1111111110000000");
  EXPECT_EQ(PassCode(164, 16), "1111111111111111");
}

// present 1, inclusion 1, zero planes 2 = 001, 3 passes = 1100, Lblock 3 -> 4 = 10, length 20
// in 4 + floor(log2 3) = 5 bits = 10100.
TEST(PacketHeader, SingleBlockHeaderByHand) {
  Block block({5, 9, 20}, 2);
  block.Layers({3});
  OneBandPrecinct p({&block}, 1, 1);
  EXPECT_EQ(p.Header(0, 1), (std::vector<std::uint8_t>{0xCE, 0x54}));
  EXPECT_EQ(block.coded.lblock, 4);
}

TEST(PacketHeader, EmptyContributionIsPresentBitAndInclusionZero) {
  Block block({}, 0);
  block.Layers({0});
  OneBandPrecinct p({&block}, 1, 1);
  EXPECT_EQ(p.Header(0, 1), (std::vector<std::uint8_t>{0x80}));
}

// The segment lengths the reader finds in a header of one terminate-every-pass block.
std::vector<std::uint32_t> TerminatedSegments(const std::vector<std::uint8_t>& header) {
  std::size_t at = 0;
  int nsop = 0;
  std::vector<test::ParsedContribution> parsed;
  test::PrecinctHeaderReader reader({{1, 1}}, kStyleTerminateEachPass);
  EXPECT_TRUE(reader.Read(header, &at, 0, false, false, &nsop, &parsed));
  EXPECT_EQ(at, header.size());
  return parsed.empty() ? std::vector<std::uint32_t>{} : parsed[0].segments;
}

// Terminate-every-pass: one length per pass, each in Lblock bits; 3, 4, 5 fit Lblock 3.
// present 1, inclusion 1, zero planes 0 = 1, 3 passes = 1100, Lblock kept = 0, 011 100 101.
TEST(PacketHeader, TerminatedPassesSendOneLengthPerSegment) {
  Block block({3, 7, 12}, 0, kStyleTerminateEachPass);
  block.Layers({3});
  OneBandPrecinct p({&block}, 1, 1);
  const std::vector<std::uint8_t> header = p.Header(0, 1);
  const std::string expected = std::string("1") + "1" + "1" + "1100" + "0" + "011" + "100" + "101";
  ASSERT_EQ(header.size(), (expected.size() + 7) / 8);
  EXPECT_EQ(Bits(header, expected.size()), expected);
  EXPECT_EQ(TerminatedSegments(header), (std::vector<std::uint32_t>{3, 4, 5}));
}

// The hull merged passes 0 and 1 (both now end at 7 bytes); the segments keep their own sizes.
TEST(PacketHeader, TerminatedSegmentsKeepTheirLengthsWhereTheHullMergedPasses) {
  Block block({3, 7, 12}, 0, kStyleTerminateEachPass);
  block.HullLengths({7, 7, 12});
  block.Slopes({2.0f, 0.0f, 1.0f});
  block.Layers({3});
  OneBandPrecinct p({&block}, 1, 1);
  EXPECT_EQ(TerminatedSegments(p.Header(0, 1)), (std::vector<std::uint32_t>{3, 4, 5}));
  EXPECT_EQ(PacketBodyBytes(p.precinct, 0), 12u);
}

// Bypass: segments end after pass 9, then after each raw refinement and each cleanup. A
// layer that stops inside the raw segment 10-11 sends the part it has; the next layer the
// rest, each part with the bits its own number of passes gives.
TEST(PacketHeader, BypassSendsOneLengthPerSegmentPart) {
  Block block({3, 5, 8, 10, 13, 15, 18, 20, 23, 30, 34, 37, 45, 50}, 0, kStyleBypass);
  block.Layers({11, 14});
  OneBandPrecinct p({&block}, 1, 1);
  std::vector<std::uint8_t> stream = p.Header(0, 2);
  const std::vector<std::uint8_t> second = p.Header(1, 2);
  stream.insert(stream.end(), second.begin(), second.end());
  test::PrecinctHeaderReader reader({{1, 1}}, kStyleBypass);
  std::size_t at = 0;
  int nsop = 0;
  std::vector<test::ParsedContribution> parsed;
  ASSERT_TRUE(reader.Read(stream, &at, 0, false, false, &nsop, &parsed));
  EXPECT_EQ(parsed[0].passes, 11u);
  EXPECT_EQ(parsed[0].segments, (std::vector<std::uint32_t>{30, 4}));
  ASSERT_TRUE(reader.Read(stream, &at, 1, false, false, &nsop, &parsed));
  EXPECT_EQ(parsed[0].passes, 3u);
  EXPECT_EQ(parsed[0].segments, (std::vector<std::uint32_t>{3, 8, 5}));
  EXPECT_EQ(at, stream.size());
}

TEST(PacketHeader, LaterLayersSendOneInclusionBitAndGrowLblock) {
  Block early({10, 20, 30, 300}, 1);
  Block late({4, 8}, 5);
  early.Layers({2, 2, 4});
  late.Layers({0, 0, 2});
  OneBandPrecinct p({&early, &late}, 2, 1);
  test::PrecinctHeaderReader reader({{2, 1}}, 0);
  std::vector<std::uint8_t> stream;
  for (int layer = 0; layer < 3; ++layer) {
    const std::vector<std::uint8_t> header = p.Header(layer, 3);
    stream.insert(stream.end(), header.begin(), header.end());
  }
  std::size_t at = 0;
  int nsop = 0;
  std::vector<test::ParsedContribution> parsed;
  ASSERT_TRUE(reader.Read(stream, &at, 0, false, false, &nsop, &parsed));
  EXPECT_TRUE(parsed[0].included);
  EXPECT_EQ(parsed[0].zeroPlanes, 1u);
  EXPECT_EQ(parsed[0].passes, 2u);
  EXPECT_EQ(parsed[0].segments, (std::vector<std::uint32_t>{20}));
  EXPECT_FALSE(parsed[1].included);
  ASSERT_TRUE(reader.Read(stream, &at, 1, false, false, &nsop, &parsed));
  EXPECT_FALSE(parsed[0].included);
  EXPECT_FALSE(parsed[1].included);
  ASSERT_TRUE(reader.Read(stream, &at, 2, false, false, &nsop, &parsed));
  EXPECT_EQ(parsed[0].passes, 2u);
  EXPECT_EQ(parsed[0].segments, (std::vector<std::uint32_t>{280}));  // needs Lblock 8
  EXPECT_EQ(parsed[1].zeroPlanes, 5u);
  EXPECT_EQ(parsed[1].segments, (std::vector<std::uint32_t>{8}));
  EXPECT_EQ(at, stream.size());
  EXPECT_EQ(early.coded.lblock, 8);
}

// Rate control grows one layer pass by pass and measures its header again from the state the
// earlier layers left, saved once and carried on from layer to layer: it must match writing
// every layer from the start, also when blocks are first included in the layer being grown.
TEST(PacketHeader, RemeasureFromTheCarriedStateMatchesAFullMeasure) {
  std::mt19937 rng(77);
  constexpr int kLayers = 4;
  std::vector<std::unique_ptr<Block>> blocks;
  std::vector<Block*> pointers;
  for (int i = 0; i < 8 * 6; ++i) {
    std::vector<std::uint32_t> lengths;
    for (std::uint32_t p = 0, total = 0; p < 12; ++p) lengths.push_back(total += 1 + rng() % 300);
    blocks.push_back(std::make_unique<Block>(lengths, static_cast<std::uint8_t>(rng() % 4)));
    pointers.push_back(blocks.back().get());
  }
  OneBandPrecinct p(pointers, 8, 6);
  std::vector<std::uint8_t> saved(HeaderStateBytes(p.precinct));
  std::uint32_t first = 0;
  ASSERT_TRUE(MeasurePacketHeader(p.precinct, 0, kLayers, {}, &first, saved.data()).ok());
  for (int layer = 0; layer < kLayers; ++layer) {
    for (int step = 0; step < 4 + 8 * layer; ++step) {
      CodedBlock& block = blocks[rng() % blocks.size()]->coded;
      if (block.included == block.passCount) continue;
      block.included = static_cast<std::uint16_t>(block.included + 1 + rng() % 3);
      if (block.included > block.passCount) block.included = block.passCount;
      block.layerEnd[layer] = block.included;
      std::uint32_t again = 0, full = 0;
      ASSERT_TRUE(RemeasurePacketHeader(p.precinct, layer, kLayers, {}, saved.data(), &again).ok());
      ASSERT_TRUE(MeasurePacketHeader(p.precinct, layer, kLayers, {}, &full).ok());
      ASSERT_EQ(again, full) << "layer " << layer << " step " << step;
    }
    ASSERT_TRUE(AdvanceHeaderState(p.precinct, layer, kLayers, {}, saved.data()).ok());
    for (auto& block : blocks) block->coded.layerEnd[layer + 1] = block->coded.included;
  }
}

TEST(PacketHeader, SopBeforeAndEphAfterTheHeader) {
  Block block({5, 9, 20}, 2);
  block.Layers({3});
  OneBandPrecinct p({&block}, 1, 1);
  EXPECT_EQ(
      p.Header(0, 1, {true, true}, 0x1234),
      (std::vector<std::uint8_t>{0xFF, 0x91, 0x00, 0x04, 0x12, 0x34, 0xCE, 0x54, 0xFF, 0x92}));
  std::uint32_t measured = 0;
  EXPECT_TRUE(MeasurePacketHeader(p.precinct, 0, 1, {true, true}, &measured).ok());
  EXPECT_EQ(measured, 10u);
}

TEST(PacketHeader, BodyBytesAreTheLayersShareOfEveryBlock) {
  Block a({5, 9, 20}, 2);
  Block b({7}, 0);
  a.Layers({1, 3});
  b.Layers({0, 1});
  OneBandPrecinct p({&a, &b}, 2, 1);
  EXPECT_EQ(PacketBodyBytes(p.precinct, 0), 5u);
  EXPECT_EQ(PacketBodyBytes(p.precinct, 1), 15u + 7u);
}

}  // namespace
}  // namespace quillon::jp2
