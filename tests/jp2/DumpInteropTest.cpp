// What OpenJPEG's opj_dump reads back from the writer's main header: SIZ (grid, offsets,
// components, depths, subsampling, tiles), COD and COC (progression, layers, MCT, levels,
// code-block size and style, precincts, transform), QCD and QCC (style, guard bits, steps)
// and RGN. opj_dump shows no JP2 box, so the boxes of JP2 and JPX files are walked here.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/BoxWalker.h"
#include "support/EncodeSession.h"
#include "support/IccProfileBuilder.h"
#include "support/OpjDump.h"

namespace quillon::jp2::test {
namespace {

constexpr unsigned kSiz = 0xFF51, kCod = 0xFF52, kCoc = 0xFF53, kQcd = 0xFF5C, kQcc = 0xFF5D,
                   kRgn = 0xFF5E, kCom = 0xFF64;

using Configure = std::function<void(CompressHandle)>;

struct Written {
  std::string file;
  std::vector<std::uint8_t> bytes;
  OpjDump dump;
};

// Encodes the components, writes the file and dumps it.
Written EncodeAndDump(const std::string& name, std::vector<TestComponent> components,
                      const Configure& configure) {
  EncodeSession session;
  session.components = std::move(components);
  EXPECT_EQ(session.Encode(configure), 0) << name;
  Written written{::testing::TempDir() + "quillon-dump-" + name, session.output, {}};
  WriteFile(written.file, written.bytes);
  written.dump = RunOpjDump(written.file);
  EXPECT_TRUE(written.dump.ran) << name << "\n" << written.dump.listing;
  std::remove(written.file.c_str());
  return written;
}

std::int32_t SetFor(CompressHandle handle, std::uint32_t id, std::uintptr_t value, int component) {
  return JP2_Compress_SetProp(handle, id, value, -1, static_cast<std::int16_t>(component));
}

TEST(DumpInterop, SizAndCodShowGridTilesAndCodingStyle) {
  const Written w = EncodeAndDump("siz-cod.j2k", MakeComponents(3, 70, 50), [](CompressHandle h) {
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_OffsetX, 5), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_OffsetY, 3), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_TileWidth, 32), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_TileHeight, 24), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_TileOffsetX, 2), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_TileOffsetY, 1), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Progression, JP2_Progression_RPCL), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Layers, 3), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Markers, 3), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Levels, 3), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_CodeBlockWidth, 32), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_CodeBlockHeight, 16), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_CodeBlockStyle, 1 | 8), 0);
    EXPECT_EQ(JP2_Compress_SetPrecinct(h, 6, 5, -1, -1, -1), 0);
  });
  const OpjDump& d = w.dump;
  // The grid keeps the image size behind its offset; tiles start at their own offset.
  EXPECT_EQ(d["image.x0"], "5");
  EXPECT_EQ(d["image.y0"], "3");
  EXPECT_EQ(d["image.x1"], "75");
  EXPECT_EQ(d["image.y1"], "53");
  EXPECT_EQ(d["image.numcomps"], "3");
  for (const std::string c : {"c0", "c1", "c2"}) {
    EXPECT_EQ(d["image." + c + ".dx"], "1") << c;
    EXPECT_EQ(d["image." + c + ".dy"], "1") << c;
    EXPECT_EQ(d["image." + c + ".prec"], "8") << c;
    EXPECT_EQ(d["image." + c + ".sgnd"], "0") << c;
  }
  EXPECT_EQ(d["main.tx0"], "2");
  EXPECT_EQ(d["main.ty0"], "1");
  EXPECT_EQ(d["main.tdx"], "32");
  EXPECT_EQ(d["main.tdy"], "24");
  EXPECT_EQ(d["main.tw"], "3");  // (75 - 2) / 32 rounded up
  EXPECT_EQ(d["main.th"], "3");  // (53 - 1) / 24 rounded up

  EXPECT_EQ(d["main.tile.csty"], "0x7") << "precincts, SOP and EPH";
  EXPECT_EQ(d["main.tile.prg"], "0x2");
  EXPECT_EQ(d["main.tile.numlayers"], "3");
  EXPECT_EQ(d["main.tile.mct"], "1");
  for (const std::string c : {"c0", "c1", "c2"}) {
    const std::string at = "main.tile." + c + ".";
    EXPECT_EQ(d[at + "csty"], "0x1") << c;
    EXPECT_EQ(d[at + "numresolutions"], "4") << c;
    EXPECT_EQ(d[at + "cblkw"], "2^5") << c;
    EXPECT_EQ(d[at + "cblkh"], "2^4") << c;
    EXPECT_EQ(d[at + "cblksty"], "0x9") << c;
    EXPECT_EQ(d[at + "qmfbid"], "1") << c;
    EXPECT_EQ(d[at + "preccintsize"], "(6,5) (6,5) (6,5) (6,5)") << c;
    EXPECT_EQ(d[at + "qntsty"], "0") << c;
    EXPECT_EQ(d[at + "numgbits"], "2") << c;
    EXPECT_EQ(d[at + "roishift"], "0") << c;
  }
  // Main header: SOC, SIZ, QCD, COD, COM and nothing per component.
  ASSERT_EQ(d.markers.size(), 5u) << d.listing;
  EXPECT_EQ(d.markers[1].type, kSiz);
  EXPECT_EQ(d.markers[2].type, kQcd);
  EXPECT_EQ(d.markers[3].type, kCod);
  EXPECT_EQ(d.markers[4].type, kCom);
  EXPECT_EQ(d.LengthOf(kSiz), 38u + 3 * 3);
  EXPECT_EQ(d.LengthOf(kQcd), 4u + 3 * 3);
  EXPECT_EQ(d.LengthOf(kCod), 13u + 3);
  EXPECT_EQ(d.LengthOf(kCom), 12u);
}

TEST(DumpInterop, SubsamplingAndSignedDepthsShowPerComponent) {
  std::vector<TestComponent> components = MakeComponents(3, 64, 48, 12);
  components[1] = MakeComponent(32, 48, 12, true, 1);
  components[2] = MakeComponent(32, 24, 10, false, 2);
  const Written w = EncodeAndDump("subsampled.j2k", components, [](CompressHandle h) {
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_ColourSpace, JP2_Colour_sYCC), 0);
  });
  const OpjDump& d = w.dump;
  EXPECT_EQ(d["image.x1"], "64");
  EXPECT_EQ(d["image.y1"], "48");
  EXPECT_EQ(d["image.c0.dx"], "1");
  EXPECT_EQ(d["image.c1.dx"], "2");
  EXPECT_EQ(d["image.c1.dy"], "1");
  EXPECT_EQ(d["image.c2.dx"], "2");
  EXPECT_EQ(d["image.c2.dy"], "2");
  EXPECT_EQ(d["image.c0.prec"], "12");
  EXPECT_EQ(d["image.c1.sgnd"], "1");
  EXPECT_EQ(d["image.c2.prec"], "10");
  EXPECT_EQ(d["main.tw"], "1");
  EXPECT_EQ(d["main.tile.mct"], "0") << "sYCC is not transformed";
}

// Components that differ from component 0 get COC and QCC; every shifted component an RGN.
TEST(DumpInterop, CocQccAndRgnCarryComponentOverrides) {
  const Written w = EncodeAndDump("overrides.j2k", MakeComponents(3, 40, 40), [](CompressHandle h) {
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
    EXPECT_EQ(SetFor(h, JP2_Prop_Levels, 2, 1), 0);
    EXPECT_EQ(SetFor(h, JP2_Prop_GuardBits, 3, 1), 0);
    EXPECT_EQ(SetFor(h, JP2_Prop_CodeBlockStyle, 4 | 32, 1), 0);
    EXPECT_EQ(SetFor(h, JP2_Prop_Reversible, 0, 2), 0);
    EXPECT_EQ(SetFor(h, JP2_Prop_QuantStyle, 1, 2), 0);
    EXPECT_EQ(JP2_Compress_SetROI(h, 100, 100, 500, 500), 0);
  });
  const OpjDump& d = w.dump;
  EXPECT_EQ(d["main.tile.c0.numresolutions"], "6");
  EXPECT_EQ(d["main.tile.c0.qmfbid"], "1");
  EXPECT_EQ(d["main.tile.c1.numresolutions"], "3");
  EXPECT_EQ(d["main.tile.c1.cblksty"], "0x24");
  EXPECT_EQ(d["main.tile.c1.numgbits"], "3");
  EXPECT_EQ(d["main.tile.c1.qntsty"], "0");
  EXPECT_EQ(d["main.tile.c2.qmfbid"], "0");
  EXPECT_EQ(d["main.tile.c2.qntsty"], "1");
  EXPECT_EQ(d["main.tile.c2.numgbits"], "2");
  // The shift is the largest Mb = G + exponent - 1 of the component: reversible HH bands
  // have exponent depth + 2; the derived LL of component 2 exponent 8 + NL.
  EXPECT_EQ(d["main.tile.c0.roishift"], "11");
  EXPECT_EQ(d["main.tile.c1.roishift"], "12");
  EXPECT_EQ(d["main.tile.c2.roishift"], "14");

  EXPECT_EQ(d.Count(kCoc), 2) << d.listing;
  EXPECT_EQ(d.Count(kQcc), 2);
  EXPECT_EQ(d.Count(kRgn), 3);
  EXPECT_EQ(d.LengthOf(kCoc), 9u);
  EXPECT_EQ(d.LengthOf(kQcc), 4u + 3 * 2 + 1) << "component 1: no quantization, 2 levels";
  EXPECT_EQ(d.LengthOf(kRgn), 5u);
}

TEST(DumpInterop, ExpoundedQuantizationShowsAStepPerSubband) {
  const Written w = EncodeAndDump("expounded.j2k", MakeComponents(1, 48, 32), [](CompressHandle h) {
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_FileFormat, JP2_Format_Codestream), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Reversible, 0), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_Levels, 2), 0);
    EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_GuardBits, 1), 0);
  });
  const OpjDump& d = w.dump;
  EXPECT_EQ(d["main.tile.c0.qmfbid"], "0");
  EXPECT_EQ(d["main.tile.c0.qntsty"], "2");
  EXPECT_EQ(d["main.tile.c0.numgbits"], "1");
  const std::string steps = d["main.tile.c0.stepsizes"];
  EXPECT_EQ(std::count(steps.begin(), steps.end(), '('), 7) << steps;
  EXPECT_EQ(d.LengthOf(kQcd), 5u + 6 * 2);
}

// The jp2h sub-boxes in order, and the res and uinf contents.
std::string HeaderBoxes(const std::vector<std::uint8_t>& bytes, const std::vector<Box>& top) {
  const Box* jp2h = Find(top, "jp2h");
  if (jp2h == nullptr) return "(no jp2h)";
  return BoxTypes(Boxes(bytes, jp2h->at + 8, jp2h->at + jp2h->length));
}

TEST(DumpInterop, Jp2BoxesThatOpjDumpDoesNotShowAreWhereTheyBelong) {
  const Written w = EncodeAndDump("boxes.jp2", MakeComponents(1, 24, 16), &SetEveryMetadataBox);
  EXPECT_EQ(w.dump["image.x1"], "24") << w.dump.listing;
  const auto top = Boxes(w.bytes);
  EXPECT_EQ(BoxTypes(top), "jP  ,ftyp,jp2h,xml ,uuid,uuid,uinf,jp2i,jp2c");
  EXPECT_EQ(HeaderBoxes(w.bytes, top), "ihdr,colr,res ");
  EXPECT_EQ(w.bytes[Find(top, "jp2h")->at + 8 + 21], 1) << "ihdr IPR flag with IP data";
  const Box* jp2h = Find(top, "jp2h");
  const auto header = Boxes(w.bytes, jp2h->at + 8, jp2h->at + jp2h->length);
  const Box* res = Find(header, "res ");
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(res->length, 44u);
  const auto resolution = Boxes(w.bytes, res->at + 8, res->at + res->length);
  EXPECT_EQ(BoxTypes(resolution), "resc,resd");
  EXPECT_EQ(U16(w.bytes, resolution[1].at + 8), 72u) << "display: first numerator";
  EXPECT_EQ(U16(w.bytes, resolution[1].at + 10), 1u) << "unit 2: denominator 1";
  const Box* uinf = Find(top, "uinf");
  EXPECT_EQ(BoxTypes(Boxes(w.bytes, uinf->at + 8, uinf->at + uinf->length)), "ulst,url ");
  EXPECT_EQ(top[5].length, 8u + 16 + 4) << "IPTC uuid box";
  EXPECT_EQ(w.bytes[top[5].at + 8], 0x33);
}

struct ColourCase {
  std::string name;
  std::vector<TestComponent> components;
  Configure configure;
  std::string header;                 // jp2h sub-boxes
  std::vector<std::uint8_t> methods;  // METH of each colr in order
  std::uint32_t ftypLength;           // 24 when JPX lists JP2 as compatible
  std::string numcomps;               // what opj_dump reads
};

TEST(DumpInterop, ColourBoxesOfJp2AndJpxFiles) {
  IccProfileFields restricted;
  IccProfileFields monitor;
  monitor.deviceClass = "mntr";
  const auto restrictedProfile = MakeIccProfile(restricted);
  const auto monitorProfile = MakeIccProfile(monitor);
  std::vector<TestComponent> mixed = MakeComponents(2, 20, 12);
  mixed[1] = MakeComponent(20, 12, 12, true, 5);
  const std::vector<ColourCase> cases = {
      {"depths.jp2", mixed, {}, "ihdr,cdef,bpcc,colr", {1}, 20, "2"},
      {"icc.jp2",
       MakeComponents(3, 20, 12),
       [&](CompressHandle h) {
         EXPECT_EQ(JP2_Compress_SetICC(h, restrictedProfile.data(),
                                       static_cast<std::uint32_t>(restrictedProfile.size())),
                   0);
       },
       "ihdr,colr",
       {2},
       20,
       "3"},
      {"icc-approximated.jpx",
       MakeComponents(3, 20, 12),
       [&](CompressHandle h) {
         EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
         EXPECT_EQ(JP2_Compress_SetICC(h, monitorProfile.data(),
                                       static_cast<std::uint32_t>(monitorProfile.size())),
                   0);
       },
       "ihdr,colr,colr",
       {1, 3},
       24,
       "3"},
      {"lab.jpx",
       MakeComponents(3, 20, 12),
       [](CompressHandle h) {
         EXPECT_EQ(EncodeSession::Set(h, JP2_Prop_FileFormat, JP2_Format_JPX), 0);
         const JP2_LabParams lab{100, 0, 255, 128, 255, 96, 0x00443530};
         EXPECT_EQ(JP2_Compress_SetLAB(h, &lab), 0);
       },
       "ihdr,colr",
       {1},
       20,
       "3"},
  };
  for (const ColourCase& test : cases) {
    const Written w = EncodeAndDump(test.name, test.components, [&](CompressHandle h) {
      if (test.configure) test.configure(h);
    });
    EXPECT_EQ(w.dump["image.numcomps"], test.numcomps) << test.name << "\n" << w.dump.listing;
    const auto top = Boxes(w.bytes);
    ASSERT_GE(top.size(), 4u) << test.name;
    EXPECT_EQ(top[1].length, test.ftypLength) << test.name;
    EXPECT_EQ(HeaderBoxes(w.bytes, top), test.header) << test.name;
    const Box* jp2h = Find(top, "jp2h");
    std::vector<std::uint8_t> methods;
    for (const Box& box : Boxes(w.bytes, jp2h->at + 8, jp2h->at + jp2h->length)) {
      if (box.type == "colr") methods.push_back(w.bytes[box.at + 8]);
      if (box.type == "colr" && test.name == "lab.jpx") {
        EXPECT_EQ(box.length, 43u);
        EXPECT_EQ(U32(w.bytes, box.at + 11), 14u) << "CIELab";
      }
      if (box.type == "bpcc") {
        EXPECT_EQ(box.length, 10u);
        EXPECT_EQ(w.bytes[box.at + 9], 0x80 | 11) << "signed 12 bits";
      }
    }
    EXPECT_EQ(methods, test.methods) << test.name;
  }
}

}  // namespace
}  // namespace quillon::jp2::test
