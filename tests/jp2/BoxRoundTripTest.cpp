// Every box struct written and parsed back, then cut short: parsing stays inside the bytes
// it is given and refuses what does not fit.
#include <gtest/gtest.h>

#include <functional>

#include "common/ChannelBoxes.h"
#include "common/HeaderBoxes.h"
#include "common/MetadataBoxes.h"
#include "support/DecodeSession.h"

namespace quillon::jp2::test {
namespace {

// The contents behind the header of a written box, after checking the header.
std::span<const std::uint8_t> ContentsOf(const Bytes& box, std::uint32_t type) {
  FieldReader in(box);
  BoxHeader header;
  EXPECT_EQ(header.Parse(in).code(), 0);
  EXPECT_EQ(header.type, type);
  EXPECT_EQ(header.length, box.size());
  return std::span<const std::uint8_t>(box).subspan(header.headerSize);
}

struct RoundTrip {
  const char* name;
  std::uint32_t type;
  Bytes written;
  // Parses contents and checks the fields; returns the parse status.
  std::function<std::int32_t(std::span<const std::uint8_t>, bool check)> parse;
  std::int32_t cutStatus;  // what parsing a box cut by one byte gives
};

TEST(BoxRoundTrip, EveryBoxParsesBackAndRefusesACut) {
  const std::uint8_t uuid[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
  const std::uint8_t payload[] = {'<', 'x', '>'};
  const std::uint32_t values0[] = {1, 0xFFFF}, values1[] = {0x800000, 0x123456};
  const std::uint32_t* const values[] = {values0, values1};
  const std::uint8_t paletteDepths[] = {DepthByte(16, false), DepthByte(24, true)};
  const ComponentMapping mapping[] = {{0, 1, 0}, {0, 1, 1}, {1, 0, 0}};
  const ChannelDefinition definitions[] = {{0, 0, 1}, {1, 1, 0}, {2, 3, 65535}};
  const std::uint8_t depthBytes[] = {7, 0x8B};
  const std::uint32_t listed[] = {kBrandJpx, kBrandJp2};

  FileTypeBox fileType;
  fileType.brand = kBrandJpx;
  fileType.compatibility = listed;
  ImageHeaderBox imageHeader;
  imageHeader.height = 480;
  imageHeader.width = 640;
  imageHeader.components = 3;
  imageHeader.intellectualProperty = 1;
  ColourBox lab;
  lab.enumerated = kEnumCieLab;
  lab.precedence = -3;
  lab.approximation = 1;
  lab.hasLabParams = true;
  lab.lab = {1, 2, 3, 4, 5, 6, 7};
  ColourBox icc;
  icc.method = ColourBox::kAnyIcc;
  icc.profile = payload;
  ResolutionBox resolution;
  resolution.hasDisplay = true;
  resolution.display = {72, 1, -2, 96, 3, 4};
  PaletteBox palette;
  palette.entries = 2;
  palette.columns = 2;
  palette.depthBytes = paletteDepths;
  palette.values = values;
  UuidInfoBox info;
  info.uuids = uuid;
  info.location = {payload, 3};

  const std::vector<RoundTrip> cases = {
      {"ftyp", kBoxFileType, Written(fileType),
       [&](auto contents, bool check) {
         FileTypeBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(parsed.brand, kBrandJpx);
           EXPECT_TRUE(parsed.Names(kBrandJp2));
           EXPECT_FALSE(parsed.Names(FourCC("abcd")));
         }
         return status.code();
       },
       0},
      {"ihdr", kBoxImageHeader, Written(imageHeader),
       [&](auto contents, bool check) {
         ImageHeaderBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(std::memcmp(&parsed, &imageHeader, sizeof parsed), 0);
         }
         return status.code();
       },
       JP2_Error_ShortRead},
      {"bpcc", kBoxBitsPerComponent, Written(BitsPerComponentBox{depthBytes}),
       [&](auto contents, bool check) {
         BitsPerComponentBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(Bytes(parsed.depthBytes.begin(), parsed.depthBytes.end()), Bytes({7, 0x8B}));
         }
         return status.code();
       },
       0},
      {"colr CIELab", kBoxColour, Written(lab),
       [&](auto contents, bool check) {
         ColourBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(parsed.precedence, -3);
           EXPECT_TRUE(parsed.hasLabParams);
           EXPECT_EQ(parsed.lab.il, 7u);
         }
         return status.code();
       },
       0},  // cut: the parameters are dropped, EnumCS stays
      {"colr ICC", kBoxColour, Written(icc),
       [&](auto contents, bool check) {
         ColourBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(parsed.profile.size(), 3u);
         }
         return status.code();
       },
       0},
      {"res", kBoxResolution, Written(resolution),
       [&](auto contents, bool check) {
         ResolutionBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_FALSE(parsed.hasCapture);
           EXPECT_EQ(parsed.display.secondExponent, 4);
           EXPECT_EQ(parsed.display.firstExponent, -2);
         }
         return status.code();
       },
       JP2_Error_ResolutionBox},
      {"pclr", kBoxPalette, Written(palette),
       [&](auto contents, bool check) {
         FieldReader in(contents);
         PaletteBox parsed;
         if (!parsed.ParseHeader(in).ok()) return parsed.ParseHeader(in).code();
         std::uint32_t column0[2], column1[2];
         std::uint32_t* const columns[] = {column0, column1};
         const Status status = parsed.ParseValues(in, columns);
         if (check) {
           EXPECT_EQ(column0[1], 0xFFFFu);
           EXPECT_EQ(column1[0], 0x800000u);
           EXPECT_EQ(PaletteBox::BytesPerValue(parsed.depthBytes[1]), 3u);
         }
         return status.code();
       },
       JP2_Error_ShortRead},
      {"cmap", kBoxComponentMapping, Written(ComponentMappingBox{mapping}),
       [&](auto contents, bool check) {
         ComponentMapping parsed[3];
         if (check) {
           EXPECT_EQ(ComponentMappingBox::EntryCount(contents), 3u);
         }
         const Status status = ComponentMappingBox::Parse(contents, parsed);
         if (check) {
           EXPECT_EQ(parsed[2].component, 1u);
         }
         return status.code();
       },
       JP2_Error_ShortRead},
      {"cdef", kBoxChannelDefinition, Written(ChannelDefinitionBox{definitions}),
       [&](auto contents, bool check) {
         std::uint16_t count = 0;
         const Status counted = ChannelDefinitionBox::ParseCount(contents, &count);
         if (!counted.ok()) return counted.code();
         ChannelDefinition parsed[3];
         const Status status = ChannelDefinitionBox::Parse(contents, {parsed, count});
         if (check) {
           EXPECT_EQ(parsed[2].association, 65535u);
         }
         return status.code();
       },
       JP2_Error_ShortRead},
      {"xml", kBoxXml, Written(PayloadBox{kBoxXml, payload}),
       [&](auto contents, bool check) {
         PayloadBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(parsed.data.size(), 3u);
         }
         return status.code();
       },
       0},
      {"uuid", kBoxUuid, Written(UuidBox{uuid, payload}),
       [&](auto contents, bool check) {
         UuidBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(parsed.uuid[0], 9);
           EXPECT_EQ(parsed.data.size(), 3u);
         }
         return status.code();
       },
       0},
      {"uinf", kBoxUuidInfo, Written(info),
       [&](auto contents, bool check) {
         UuidInfoBox parsed;
         const Status status = parsed.Parse(contents);
         if (check) {
           EXPECT_EQ(parsed.UuidCount(), 1u);
           EXPECT_EQ(parsed.location.size(), 4u) << "the text and its terminating zero";
         }
         return status.code();
       },
       JP2_Error_ShortRead},
  };
  for (const RoundTrip& c : cases) {
    const Bytes& box = c.written;
    const auto contents = ContentsOf(box, c.type);
    EXPECT_EQ(c.parse(contents, true), 0) << c.name;
    EXPECT_EQ(c.parse(contents.first(contents.size() - 1), false), c.cutStatus) << c.name << " cut";
    EXPECT_NE(c.parse({}, false), 1) << c.name << " empty";  // no read of any byte
  }
}

TEST(BoxRoundTrip, HeaderLengthForms) {
  const struct {
    Bytes bytes;
    std::int32_t status;
    std::uint64_t length, headerSize;
  } cases[] = {
      {{0, 0, 0, 0, 'j', 'p', '2', 'c'}, 0, 0, 8},
      {{0, 0, 0, 8, 'f', 'r', 'e', 'e'}, 0, 8, 8},
      {{0, 0, 0, 7, 'f', 'r', 'e', 'e'}, JP2_Error_ShortRead, 7, 8},
      {{0, 0, 0, 1, 'f', 'r', 'e', 'e', 0, 0, 0, 1, 0, 0, 0, 0}, 0, std::uint64_t{1} << 32, 16},
      {{0, 0, 0, 1, 'f', 'r', 'e', 'e', 0, 0, 0, 0, 0, 0, 0, 15}, JP2_Error_ShortRead, 15, 16},
      {{0, 0, 0, 1, 'f', 'r', 'e', 'e', 0, 0}, JP2_Error_ShortRead, 0, 16},
  };
  for (const auto& c : cases) {
    FieldReader in(c.bytes);
    BoxHeader header;
    EXPECT_EQ(header.Parse(in).code(), c.status) << c.bytes.size();
    if (c.status != 0) continue;
    EXPECT_EQ(header.length, c.length);
    EXPECT_EQ(header.headerSize, c.headerSize);
    if (header.length == 0) continue;
    VectorSink sink;
    ASSERT_EQ(header.Write(sink).code(), 0);
    EXPECT_EQ(sink.out, c.bytes) << "written back in the same form";
  }
  const BoxHeader large = BoxHeader::For(kBoxXml, std::uint64_t{1} << 32);
  EXPECT_EQ(large.headerSize, 16u) << "contents beyond 32 bits take the extended form";
  EXPECT_EQ(large.length, (std::uint64_t{1} << 32) + 16);
}

}  // namespace
}  // namespace quillon::jp2::test
