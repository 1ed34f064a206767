// Files of every kind our encoder writes, and files of OpenJPEG and Grok written with the
// options that shape headers, start without error; what the decoder reports through the C
// interface equals what was written or what opj_dump prints.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "support/DecodeSession.h"
#include "support/EncoderCorpus.h"
#include "support/OpjDump.h"

namespace quillon::jp2::test {
namespace {

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/quillon-decoder-" + name;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

std::string Text(std::int64_t value) {
  return std::to_string(value);
}

// A number as opj_dump prints it, decimal or hexadecimal; -1 when the key is missing.
std::int64_t Number(const OpjDump& dump, const std::string& key) {
  const std::string text = dump[key];
  return text.rfind("(missing", 0) == 0 ? -1 : std::stoll(text, nullptr, 0);
}

// The image, tiling and default coding values the decoder reports equal opj_dump's.
void ExpectAsDumped(DecodeSession& session, const std::string& path) {
  const OpjDump dump = RunOpjDump(path);
  ASSERT_TRUE(dump.ran) << dump.listing;
  EXPECT_EQ(Text(session.Prop(JP2_Prop_GridWidth)), dump["image.x1"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_GridHeight)), dump["image.y1"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_OffsetX)), dump["image.x0"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_OffsetY)), dump["image.y0"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_Components)), dump["image.numcomps"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_TileWidth)), dump["main.tdx"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_TileHeight)), dump["main.tdy"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_TileOffsetX)), dump["main.tx0"]);
  EXPECT_EQ(Text(session.Prop(JP2_Prop_TileCount)),
            Text(std::stoll(dump["main.tw"]) * std::stoll(dump["main.th"])));
  EXPECT_EQ(session.Prop(JP2_Prop_Progression), Number(dump, "main.tile.prg"));
  EXPECT_EQ(Text(session.Prop(JP2_Prop_Layers)), dump["main.tile.numlayers"]);
  EXPECT_EQ(session.Prop(JP2_Prop_Markers), (Number(dump, "main.tile.csty") >> 1) & 3);
  // Without a palette, output channel i is component i.
  const std::int64_t components = session.Prop(JP2_Prop_Components);
  for (std::int16_t c = 0; c < components; ++c) {
    const std::string image = "image.c" + Text(c) + ".";
    const std::string coding = "main.tile.c" + Text(c) + ".";
    EXPECT_EQ(Text(session.Prop(JP2_Prop_BitDepth, 0, c)), dump[image + "prec"]) << c;
    EXPECT_EQ(Text(session.Prop(JP2_Prop_Signed, 0, c)), dump[image + "sgnd"]) << c;
    EXPECT_EQ(Text(session.Prop(JP2_Prop_Levels, 0, c) + 1), dump[coding + "numresolutions"]) << c;
    EXPECT_EQ("2^" + Text(std::countr_zero(
                         static_cast<std::uint64_t>(session.Prop(JP2_Prop_CodeBlockWidth, 0, c)))),
              dump[coding + "cblkw"])
        << c;
    EXPECT_EQ("2^" + Text(std::countr_zero(
                         static_cast<std::uint64_t>(session.Prop(JP2_Prop_CodeBlockHeight, 0, c)))),
              dump[coding + "cblkh"])
        << c;
    EXPECT_EQ(session.Prop(JP2_Prop_CodeBlockStyle, 0, c), Number(dump, coding + "cblksty")) << c;
    EXPECT_EQ(Text(session.Prop(JP2_Prop_Reversible, 0, c)), dump[coding + "qmfbid"]) << c;
    EXPECT_EQ(Text(session.Prop(JP2_Prop_GuardBits, 0, c)), dump[coding + "numgbits"]) << c;
    const std::int64_t dx = std::stoll(dump[image + "dx"]);
    const std::int64_t x0 = std::stoll(dump["image.x0"]), x1 = std::stoll(dump["image.x1"]);
    EXPECT_EQ(session.Prop(JP2_Prop_Width, 0, c), (x1 + dx - 1) / dx - (x0 + dx - 1) / dx) << c;
  }
}

TEST(DecoderInterop, EveryFileOurEncoderWritesStartsAndReportsItsValues) {
  const struct {
    const char* name;
    std::int64_t format, colourSpace;
    std::uint32_t xml, uuid, iptc, uinf, ip;
  } expected[] = {
      {"grey-jp2", 1, 10, 0, 0, 0, 0, 0},
      {"grey-codestream", 0, 10, 0, 0, 0, 0, 0},
      {"srgb-jp2", 1, 20, 0, 0, 0, 0, 0},
      {"sycc-jp2", 1, 30, 0, 0, 0, 0, 0},
      {"srgb-jpx", 1, 20, 0, 0, 0, 0, 0},
      {"sycc-jpx", 1, 30, 0, 0, 0, 0, 0},
      {"cmyk-jpx", 1, 50, 0, 0, 0, 0, 0},
      {"icc-restricted-jp2", 1, 40, 0, 0, 0, 0, 0},
      {"icc-approximated-jpx", 1, 40, 0, 0, 0, 0, 0},
      {"icc-cmyk-jpx", 1, 40, 0, 0, 0, 0, 0},
      {"lab-default-jpx", 1, 60, 0, 0, 0, 0, 0},
      {"lab-params-jpx", 1, 60, 0, 0, 0, 0, 0},
      {"palette-jp2", 1, 11, 0, 0, 0, 0, 0},
      {"rgba-channel-defs-jp2", 1, 20, 0, 0, 0, 0, 0},
      {"rgb-extra-component-jp2", 1, 20, 0, 0, 0, 0, 0},
      {"mixed-depths-jp2", 1, 10, 0, 0, 0, 0, 0},
      {"resolution-capture-jp2", 1, 10, 0, 0, 0, 0, 0},
      {"metadata-jp2", 1, 10, 1, 2, 1, 1, 1},
      {"metadata-jpx", 1, 20, 1, 2, 1, 1, 1},
      {"boxes-after-compression-jp2", 1, 10, 2, 2, 1, 1, 1},
  };
  const std::vector<CorpusFile> corpus = EncoderCorpus();
  ASSERT_EQ(corpus.size(), std::size(expected));
  for (std::size_t i = 0; i < corpus.size(); ++i) {
    SCOPED_TRACE(corpus[i].name);
    ASSERT_EQ(corpus[i].name, expected[i].name);
    DecodeSession session(corpus[i].bytes);
    ASSERT_EQ(session.Start(), 0);
    EXPECT_EQ(session.Prop(JP2_Prop_FileFormat), expected[i].format);
    EXPECT_EQ(session.Prop(JP2_Prop_ColourSpace), expected[i].colourSpace);
    const std::uint32_t counts[] = {expected[i].xml, expected[i].uuid, expected[i].iptc,
                                    expected[i].uinf, expected[i].ip};
    std::int32_t (*const getters[])(DecompressHandle, std::uint32_t*) = {
        JP2_Decompress_GetXML_Num, JP2_Decompress_GetUUID_Num, JP2_Decompress_GetIPTC_Num,
        JP2_Decompress_GetUUID_Info_Num, JP2_Decompress_GetIP_Num};
    for (std::size_t g = 0; g < std::size(getters); ++g) {
      std::uint32_t count = 99;
      EXPECT_EQ(getters[g](session.handle, &count), 0);
      EXPECT_EQ(count, counts[g]) << "metadata kind " << g;
    }
    const std::string path = TempPath(corpus[i].name + (expected[i].format == 0 ? ".j2k" : ".jp2"));
    WriteFile(path, corpus[i].bytes);
    if (corpus[i].name.find("palette") == std::string::npos) ExpectAsDumped(session, path);
    std::remove(path.c_str());
  }
}

struct PeerCase {
  const char* name;
  const char* raw;      // -F geometry of the raw input
  const char* options;  // header-shaping options
};

// Planar big-endian samples for a -F geometry "w,h,n,depth,{s,u}[@dxxdy:...]".
Bytes RawInput(const std::string& geometry) {
  unsigned width = 0, height = 0, components = 0, depth = 0;
  char sign = 'u';
  std::sscanf(geometry.c_str(), "%u,%u,%u,%u,%c", &width, &height, &components, &depth, &sign);
  std::vector<std::pair<unsigned, unsigned>> factors(components, {1, 1});
  const auto at = geometry.find('@');
  for (std::size_t c = 0, pos = at; at != std::string::npos && c < components; ++c) {
    std::sscanf(geometry.c_str() + pos + 1, "%ux%u", &factors[c].first, &factors[c].second);
    pos = geometry.find(':', pos + 1);
    if (pos == std::string::npos) break;
  }
  Bytes bytes;
  const unsigned sampleBytes = depth <= 8 ? 1 : 2;
  for (unsigned c = 0; c < components; ++c) {
    const unsigned w = (width + factors[c].first - 1) / factors[c].first;
    const unsigned h = (height + factors[c].second - 1) / factors[c].second;
    for (unsigned i = 0; i < w * h; ++i) {
      const unsigned value = (i * 37 + c * 11) & ((1u << depth) - 1);
      if (sampleBytes == 2) bytes.push_back(static_cast<std::uint8_t>(value >> 8));
      bytes.push_back(static_cast<std::uint8_t>(value));
    }
  }
  return bytes;
}

TEST(DecoderInterop, PeerFilesWithHeaderShapingOptionsMatchOpjDump) {
  const PeerCase cases[] = {
      {"plain", "64,48,1,8,u", "-n 4"},
      {"tiles", "64,48,3,8,u", "-t 24,20 -n 3"},
      {"tile-parts", "64,48,3,8,u", "-t 32,32 -n 3 -TP R"},
      {"poc", "64,48,3,8,u", "-n 3 -r 20,10 -POC T0=0,0,2,4,3,CPRL/T0=0,0,2,4,3,LRCP"},
      {"precincts-sop-eph", "64,48,3,8,u", "-c [32,32],[16,16] -SOP -EPH -p RPCL"},
      {"plt-tlm", "64,48,1,8,u", "-t 32,32 -PLT -TLM"},
      {"roi", "64,48,3,8,u", "-ROI c=1,U=3"},
      {"subsampled", "64,48,3,8,u@1x1:2x2:2x2", "-n 3"},
      {"one-bit", "64,48,1,1,u", "-n 2"},
      {"twelve-signed", "64,48,1,12,s", "-I"},
      {"sixteen", "64,48,1,16,u", "-b 16,32 -M 38 -n 4"},
      {"many-components", "32,16,20,8,u", "-n 2"},
      {"layers-irreversible", "64,48,3,10,u", "-r 40,20,10 -I -p PCRL"},
  };
  for (const bool grok : {false, true}) {
    for (const PeerCase& c : cases) {
      // Grok reads no subsampled raw input.
      if (grok && std::string(c.raw).find('@') != std::string::npos) continue;
      for (const char* extension : {".jp2", ".j2k"}) {
        const std::string name = std::string(grok ? "grk-" : "opj-") + c.name + extension;
        SCOPED_TRACE(name);
        const std::string raw = TempPath(name + ".raw"), out = TempPath(name);
        WriteFile(raw, RawInput(c.raw));
        const std::string tool = grok ? "grk_compress" : "opj_compress";
        const std::string command = tool + " -i " + raw + " -o " + out + " -F " + c.raw + " " +
                                    c.options + " > /dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        DecodeSession session(ReadFile(out));
        ASSERT_GT(session.bytes.size(), 100u);
        ASSERT_EQ(session.Start(), 0) << command;
        EXPECT_EQ(session.Prop(JP2_Prop_FileFormat), std::string(extension) == ".jp2" ? 1 : 0);
        ExpectAsDumped(session, out);
        std::remove(raw.c_str());
        std::remove(out.c_str());
        std::remove((out + ".dump").c_str());
      }
    }
  }
}

}  // namespace
}  // namespace quillon::jp2::test
