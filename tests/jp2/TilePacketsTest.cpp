// The packet stream of a tile, read back by the test's header reader: precinct partition,
// bodies in block order, SOP numbering and layer contents.
#include "encoder/TilePackets.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "jp2.h"
#include "support/PacketParser.h"
#include "support/TilePacketsSupport.h"

namespace quillon::jp2 {
namespace {

class Recorder final : public PacketVisitor {
 public:
  Status Visit(const PacketId& p) override {
    order.push_back(p);
    return Status();
  }
  std::vector<PacketId> order;
};

// Storage behind one synthetic block: pass lengths, slopes and a codeword whose bytes name it.
struct BlockData {
  std::vector<std::uint32_t> lengths;
  std::vector<float> slopes;
  std::vector<std::uint8_t> codeword;
};

class TilePacketsTest : public ::testing::Test {
 protected:
  // One component, 16 x 16, one decomposition, 4 x 4 code-blocks; resolution 1 in 8 x 8
  // precincts, so each of its four precincts holds one block of each subband.
  void Plan(int layers, int progression, PacketMarkers markers) {
    coding.levels = 1;
    coding.codeBlockWidthExponent = 2;
    coding.codeBlockHeightExponent = 2;
    std::fill(std::begin(coding.precincts), std::end(coding.precincts), kNoPrecinctPartition);
    coding.precincts[1] = 3 * 16 + 3;
    walk.tileComponent = {0, 0, 16, 16};
    walk.levels = 1;
    walk.precincts = coding.precincts;
    plan.tile = {0, 0, 16, 16};
    plan.components = &walk;
    plan.codings = &coding;
    plan.componentCount = 1;
    plan.layers = layers;
    plan.progression = progression;
    plan.markers = markers;
    test::CarveTilePackets(plan, memory, &packets, &block);
  }

  void TearDown() override { EXPECT_TRUE(Release(memory, &block).ok()); }

  // Gives every block of the tile passes of growing length; block n's bytes are all n.
  void FillBlocks() {
    std::uint8_t id = 1;
    for (int r = 0; r <= 1; ++r) {
      const int bands = r == 0 ? 1 : 3;
      for (int b = 0; b < bands; ++b) {
        const BandOrientation orientation = r == 0 ? kBandLL : static_cast<BandOrientation>(b + 1);
        for (std::uint32_t by = 0; by < 2; ++by) {
          for (std::uint32_t bx = 0; bx < 2; ++bx) {
            CodedBlock* coded = packets.BlockAt(0, r, orientation, bx, by);
            ASSERT_NE(coded, nullptr);
            auto data = std::make_unique<BlockData>();
            const int passes = 1 + id % 7;
            for (int p = 0; p < passes; ++p) {
              data->lengths.push_back(static_cast<std::uint32_t>((p + 1) * (3 + id % 5)));
              data->slopes.push_back(static_cast<float>(100 - p * 10 + id));
            }
            data->codeword.assign(data->lengths.back(), id);
            coded->passCount = static_cast<std::uint16_t>(passes);
            coded->zeroBitPlanes = static_cast<std::uint8_t>(id % 4);
            coded->lengths = data->lengths.data();
            coded->slopes = data->slopes.data();
            coded->codeword = data->codeword.data();
            ids[coded] = id++;
            blocks.push_back(std::move(data));
          }
        }
        EXPECT_EQ(packets.BlockAt(0, r, orientation, 2, 0), nullptr);
      }
    }
  }

  // The blocks of a precinct as the header lists them.
  std::vector<CodedBlock*> PrecinctBlocks(int r, std::uint64_t p) {
    std::vector<CodedBlock*> out;
    if (r == 0) {
      for (std::uint32_t i = 0; i < 4; ++i)
        out.push_back(packets.BlockAt(0, 0, kBandLL, i % 2, i / 2));
    } else {
      for (BandOrientation o : {kBandHL, kBandLH, kBandHH}) {
        out.push_back(packets.BlockAt(0, 1, o, static_cast<std::uint32_t>(p % 2),
                                      static_cast<std::uint32_t>(p / 2)));
      }
    }
    return out;
  }

  // Reads the whole stream back and checks every header and body against the blocks.
  void ReadBack(const std::vector<std::uint8_t>& stream) {
    Recorder recorder;
    const WalkTile tile{plan.tile, plan.components, 1, plan.layers, plan.progression};
    ASSERT_TRUE(WalkPackets(tile, recorder).ok());
    ASSERT_EQ(recorder.order.size(), 5u * plan.layers);
    std::map<std::pair<int, std::uint64_t>, std::unique_ptr<test::PrecinctHeaderReader>> readers;
    std::size_t at = 0;
    int expectedNsop = 0;
    for (const PacketId& id : recorder.order) {
      auto& reader = readers[{id.resolution, id.precinct}];
      if (!reader) {
        using Sizes = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
        reader = std::make_unique<test::PrecinctHeaderReader>(
            id.resolution == 0 ? Sizes{{2, 2}} : Sizes{{1, 1}, {1, 1}, {1, 1}}, 0);
      }
      int nsop = -1;
      std::vector<test::ParsedContribution> parsed;
      ASSERT_TRUE(
          reader->Read(stream, &at, id.layer, plan.markers.sop, plan.markers.eph, &nsop, &parsed));
      EXPECT_EQ(nsop, plan.markers.sop ? expectedNsop++ : -1);
      const std::vector<CodedBlock*> expected = PrecinctBlocks(id.resolution, id.precinct);
      ASSERT_EQ(parsed.size(), expected.size());
      for (std::size_t i = 0; i < parsed.size(); ++i) {
        const CodedBlock& coded = *expected[i];
        const std::uint16_t before = coded.PassesBefore(id.layer);
        const std::uint16_t after = coded.layerEnd[id.layer];
        EXPECT_EQ(parsed[i].passes, after - before);
        if (before == 0 && after != 0) {
          EXPECT_EQ(parsed[i].zeroPlanes, coded.zeroBitPlanes);
        }
        std::uint32_t length = 0;
        for (std::uint32_t segment : parsed[i].segments) length += segment;
        EXPECT_EQ(length, coded.LengthAfter(after) - coded.LengthAfter(before));
        bodyBytes.emplace_back(ids[&coded], length);
      }
      for (const auto& [blockId, length] : bodyBytes) {
        for (std::uint32_t k = 0; k < length; ++k) {
          ASSERT_LT(at, stream.size());
          ASSERT_EQ(stream[at++], blockId);
        }
      }
      bodyBytes.clear();
    }
    EXPECT_EQ(at, stream.size());
  }

  MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  TileComponentCoding coding;
  WalkComponent walk;
  TilePacketPlan plan;
  TilePackets packets;
  OwnedBlock block;
  std::vector<std::unique_ptr<BlockData>> blocks;
  std::map<const CodedBlock*, std::uint8_t> ids;
  std::vector<std::pair<std::uint8_t, std::uint32_t>> bodyBytes;
};

TEST_F(TilePacketsTest, OneLayerWithoutTargetCarriesEveryBlockCompleteInLayer0) {
  Plan(1, JP2_Progression_LRCP, {});
  FillBlocks();
  EXPECT_EQ(packets.PrecinctCount(), 5u);
  RateTile rate = packets.Rate();
  IncludeEverything(rate);
  test::VectorSink sink;
  ASSERT_TRUE(packets.Emit(sink, memory).ok());
  ReadBack(sink.data);
  std::uint64_t total = 0;
  for (const auto& data : blocks) total += data->codeword.size();
  std::uint64_t read = 0;
  for (const auto& [coded, id] : ids) {
    EXPECT_EQ(coded->layerEnd[0], coded->passCount);
    read += coded->LengthAfter(coded->layerEnd[0]);
  }
  EXPECT_EQ(read, total);
}

TEST_F(TilePacketsTest, SopNumbersRunInStreamOrderInEveryProgression) {
  for (int progression = 0; progression <= 4; ++progression) {
    SCOPED_TRACE(progression);
    blocks.clear();
    ids.clear();
    if (!block.empty()) {
      ASSERT_TRUE(Release(memory, &block).ok());
    }
    Plan(3, progression, {true, true});
    FillBlocks();
    RateTile rate = packets.Rate();
    const std::uint64_t budgets[] = {60, 120, 400};
    ASSERT_TRUE(AllocateLayers(rate, budgets, memory).ok());
    for (int layer = 0; layer < 3; ++layer) {
      int passes = 0;
      for (const auto& [coded, id] : ids)
        passes += coded->layerEnd[layer] - coded->PassesBefore(layer);
      EXPECT_GT(passes, 0) << "layer " << layer;
    }
    test::VectorSink sink;
    ASSERT_TRUE(packets.Emit(sink, memory).ok());
    ReadBack(sink.data);
  }
}

// 257 x 256 precincts of one sample: the 65537th packet is numbered 0 again.
TEST(TilePacketsNsop, NumbersWrapAfter65536Packets) {
  TileComponentCoding coding;
  coding.levels = 0;
  std::fill(std::begin(coding.precincts), std::end(coding.precincts), std::uint8_t{0});
  WalkComponent walk;
  walk.tileComponent = {0, 0, 257, 256};
  walk.precincts = coding.precincts;
  TilePacketPlan plan;
  plan.tile = walk.tileComponent;
  plan.components = &walk;
  plan.codings = &coding;
  plan.componentCount = 1;
  plan.markers.sop = true;
  const MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  TilePackets packets;
  OwnedBlock block;
  test::CarveTilePackets(plan, memory, &packets, &block);
  ASSERT_EQ(packets.PrecinctCount(), 257u * 256u);
  RateTile rate = packets.Rate();
  IncludeEverything(rate);
  test::VectorSink sink;
  ASSERT_TRUE(packets.Emit(sink, memory).ok());
  // Every packet: SOP segment and the one-byte header of a block without passes.
  ASSERT_EQ(sink.data.size(), 7u * 257u * 256u);
  const auto nsopAt = [&](std::size_t packet) {
    return sink.data[packet * 7 + 4] << 8 | sink.data[packet * 7 + 5];
  };
  EXPECT_EQ(nsopAt(0), 0);
  EXPECT_EQ(nsopAt(65535), 65535);
  EXPECT_EQ(nsopAt(65536), 0);
  EXPECT_EQ(nsopAt(65537), 1);
  EXPECT_EQ(sink.data[65536 * 7 + 6], 0x80);
  EXPECT_TRUE(Release(memory, &block).ok());
}

}  // namespace
}  // namespace quillon::jp2
