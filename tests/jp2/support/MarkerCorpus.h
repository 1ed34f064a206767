// A corpus of encoder outputs covering every option that shapes a header: tiles with odd
// offsets, subsampling, precincts, per-component and per-tile COC/QCC, regions of interest,
// SOP/EPH, layers, both wavelets and every quantization style, 1 to 16 bits, signed samples,
// many components, every progression, raw codestreams, JP2 and JPX files.
#pragma once

#include <string>
#include <vector>

#include "support/EncodeSession.h"

namespace quillon::jp2::test {

struct MarkerCorpusEntry {
  std::string name;
  std::vector<TestComponent> components;
  std::function<void(CompressHandle)> configure;
};

namespace marker_corpus_detail {

inline void Set(CompressHandle h, std::uint32_t id, std::uintptr_t value, std::int32_t tile = -1,
                int component = -1) {
  EXPECT_EQ(JP2_Compress_SetProp(h, id, value, tile, static_cast<std::int16_t>(component)), 0)
      << "property " << id;
}

inline void Codestream(CompressHandle h) {
  Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream);
}

}  // namespace marker_corpus_detail

inline std::vector<MarkerCorpusEntry> MarkerCorpus() {
  using namespace marker_corpus_detail;
  std::vector<MarkerCorpusEntry> corpus;
  corpus.push_back({"grey8.jp2", MakeComponents(1, 64, 48), [](CompressHandle) {}});
  corpus.push_back({"rgb-tiles-offsets.j2k", MakeComponents(3, 70, 50), [](CompressHandle h) {
                      Codestream(h);
                      Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB);
                      Set(h, JP2_Prop_OffsetX, 5);
                      Set(h, JP2_Prop_OffsetY, 3);
                      Set(h, JP2_Prop_TileWidth, 32);
                      Set(h, JP2_Prop_TileHeight, 24);
                      Set(h, JP2_Prop_TileOffsetX, 2);
                      Set(h, JP2_Prop_TileOffsetY, 1);
                      Set(h, JP2_Prop_Progression, JP2_Progression_RPCL);
                      Set(h, JP2_Prop_Layers, 3);
                      Set(h, JP2_Prop_Markers, 3);
                      Set(h, JP2_Prop_Levels, 3);
                      Set(h, JP2_Prop_CodeBlockWidth, 32);
                      Set(h, JP2_Prop_CodeBlockHeight, 16);
                      Set(h, JP2_Prop_CodeBlockStyle, 1 | 8);
                      EXPECT_EQ(JP2_Compress_SetPrecinct(h, 6, 5, -1, -1, -1), 0);
                    }});
  {
    std::vector<TestComponent> components = MakeComponents(3, 64, 48, 12);
    components[1] = MakeComponent(32, 48, 12, true, 1);
    components[2] = MakeComponent(32, 24, 10, false, 2);
    corpus.push_back({"subsampled-signed.j2k", components, [](CompressHandle h) {
                        Codestream(h);
                        Set(h, JP2_Prop_ColourSpace, JP2_Colour_sYCC);
                      }});
  }
  corpus.push_back({"component-overrides-roi.j2k", MakeComponents(3, 40, 40), [](CompressHandle h) {
                      Codestream(h);
                      Set(h, JP2_Prop_Levels, 2, -1, 1);
                      Set(h, JP2_Prop_GuardBits, 3, -1, 1);
                      Set(h, JP2_Prop_CodeBlockStyle, 4 | 32, -1, 1);
                      Set(h, JP2_Prop_Reversible, 0, -1, 2);
                      Set(h, JP2_Prop_QuantStyle, 1, -1, 2);
                      EXPECT_EQ(JP2_Compress_SetPrecinct(h, 5, 4, -1, 0, -1), 0);
                      EXPECT_EQ(JP2_Compress_SetROI(h, 100, 100, 500, 500), 0);
                    }});
  corpus.push_back({"irreversible-expounded.j2k", MakeComponents(1, 48, 32), [](CompressHandle h) {
                      Codestream(h);
                      Set(h, JP2_Prop_Reversible, 0);
                      Set(h, JP2_Prop_Levels, 2);
                      Set(h, JP2_Prop_GuardBits, 1);
                    }});
  corpus.push_back(
      {"irreversible-rgb-weighted.jp2", MakeComponents(3, 56, 40), [](CompressHandle h) {
         Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB);
         Set(h, JP2_Prop_Reversible, 0);
         Set(h, JP2_Prop_VisualWeighting, 2);
         Set(h, JP2_Prop_Layers, 4);
         Set(h, JP2_Prop_TargetSize, 900);
       }});
  corpus.push_back({"per-tile-overrides.j2k", MakeComponents(2, 40, 40), [](CompressHandle h) {
                      Codestream(h);
                      Set(h, JP2_Prop_TileWidth, 16);
                      Set(h, JP2_Prop_TileHeight, 16);
                      Set(h, JP2_Prop_Levels, 2, 1, -1);
                      Set(h, JP2_Prop_Reversible, 0, 2, -1);
                      Set(h, JP2_Prop_GuardBits, 4, 3, 1);
                      Set(h, JP2_Prop_CodeBlockWidth, 16, 4, 0);
                      Set(h, JP2_Prop_Levels, 1, -1, 1);
                      EXPECT_EQ(JP2_Compress_SetPrecinct(h, 3, 4, 5, -1, -1), 0);
                      EXPECT_EQ(JP2_Compress_SetPrecinct(h, 2, 2, 6, 1, 1), 0);
                    }});
  corpus.push_back({"one-bit.j2k", MakeComponents(1, 33, 17, 1), &Codestream});
  corpus.push_back({"sixteen-bit-signed.j2k", MakeComponents(2, 30, 20, 16, true), &Codestream});
  {
    std::vector<TestComponent> components = MakeComponents(300, 8, 8, 4);
    components[299] = MakeComponent(8, 8, 9, false, 299);
    corpus.push_back({"three-hundred-components.j2k", components, [](CompressHandle h) {
                        Codestream(h);
                        Set(h, JP2_Prop_Levels, 1);
                        Set(h, JP2_Prop_Levels, 2, -1, 299);
                        EXPECT_EQ(JP2_Compress_SetROI(h, 0, 0, 500, 500), 0);
                      }});
  }
  for (const int order : {JP2_Progression_LRCP, JP2_Progression_RLCP, JP2_Progression_RPCL,
                          JP2_Progression_PCRL, JP2_Progression_CPRL}) {
    corpus.push_back({"progression-" + std::to_string(order) + ".j2k", MakeComponents(3, 36, 28),
                      [order](CompressHandle h) {
                        Codestream(h);
                        Set(h, JP2_Prop_Progression, static_cast<std::uintptr_t>(order));
                        Set(h, JP2_Prop_Layers, 2);
                        Set(h, JP2_Prop_TileWidth, 20);
                        Set(h, JP2_Prop_TileHeight, 20);
                        EXPECT_EQ(JP2_Compress_SetPrecinct(h, 4, 4, -1, -1, -1), 0);
                        EXPECT_EQ(JP2_Compress_SetPrecinct(h, 3, 3, -1, -1, 0), 0);
                      }});
  }
  corpus.push_back({"srgb-metadata.jpx", MakeComponents(3, 24, 16), [](CompressHandle h) {
                      Set(h, JP2_Prop_FileFormat, JP2_Format_JPX);
                      Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB);
                      SetEveryMetadataBox(h);
                    }});
  corpus.push_back({"grey-metadata.jp2", MakeComponents(1, 24, 16), &SetEveryMetadataBox});
  corpus.push_back({"sop-eph-layers.jp2", MakeComponents(1, 50, 30, 10), [](CompressHandle h) {
                      Set(h, JP2_Prop_Markers, 3);
                      Set(h, JP2_Prop_Layers, 6);
                      Set(h, JP2_Prop_Levels, 4);
                    }});
  return corpus;
}

// FNV-1a over the bytes: a fingerprint to compare files against recorded values.
inline std::uint64_t MarkerCorpusFingerprint(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

}  // namespace quillon::jp2::test
