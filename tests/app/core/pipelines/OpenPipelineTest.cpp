#include "core/pipelines/OpenPipeline.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/pipelines/OpenDispatch.h"
#include "support/NoDiskSpace.h"
#include "support/RecordingUiServices.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

class OpenPipelineTest : public ::testing::Test {
 protected:
  OpenPipelineTest()
      : strings_(*StringTable::Parse("33003\tFile '%s' has an unsupported format !\n")),
        ui_(strings_),
        context_{ui_, disk_, false} {}

  std::filesystem::path write(const std::string& name, const std::string& bytes) {
    const auto path = dir_.path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Readers that record which one ran and answer `succeed`.
  PictureReaders recording(bool succeed) {
    const auto make = [this, succeed](const char* name) {
      return [this, name, succeed](const std::filesystem::path&, PictureDocument&, FileIoContext&,
                                   const OpenRequest&) {
        called_.push_back(name);
        return succeed;
      };
    };
    return {make("pnm"), make("jpeg"),       make("tiff"), make("bmp"),
            make("png"), make("kvf-legacy"), make("kvf"),  make("jp2")};
  }

  test::TempDir dir_;
  StringTable strings_;
  test::RecordingUiServices ui_;
  test::NoDiskSpace disk_;
  FileIoContext context_;
  std::vector<std::string> called_;
};

TEST(OpenDispatch, MagicNumbersChooseTheReader) {
  EXPECT_EQ(DispatchByMagic(12880).format, PictureFormat::Pgm);     // "P2"
  EXPECT_EQ(DispatchByMagic(13648).format, PictureFormat::Pgm);     // "P5"
  EXPECT_EQ(DispatchByMagic(13136).format, PictureFormat::Ppm);     // "P3"
  EXPECT_EQ(DispatchByMagic(13904).format, PictureFormat::Ppm);     // "P6"
  EXPECT_EQ(DispatchByMagic(55551).reader, ReaderKind::Jpeg);       // FF D8
  EXPECT_EQ(DispatchByMagic(18761).reader, ReaderKind::Tiff);       // "II"
  EXPECT_EQ(DispatchByMagic(19789).reader, ReaderKind::Tiff);       // "MM"
  EXPECT_EQ(DispatchByMagic(19778).reader, ReaderKind::Bmp);        // "BM"
  EXPECT_EQ(DispatchByMagic(22103).reader, ReaderKind::Kvf);        // "WV"
  EXPECT_EQ(DispatchByMagic(0x5089).reader, ReaderKind::Png);       // 89 "P", the PNG signature
  EXPECT_EQ(DispatchByMagic(0x4F50).reader, ReaderKind::Jpeg2000);  // "PO": no magic
  EXPECT_EQ(DispatchByMagic(0).format, PictureFormat::Jpeg2000);
}

TEST_F(OpenPipelineTest, TheExtensionPlaysNoPart) {
  const auto jp2NamedBmp = write("picture.bmp", std::string("\0\0\0\x0cjP  ", 8));
  const auto bmpNamedJp2 = write("picture.jp2", "BM and the rest");
  PictureDocument document;
  const PictureReaders readers = recording(true);
  ASSERT_TRUE(OpenPicture(jp2NamedBmp, document, context_, {}, readers));
  EXPECT_EQ(document.format, PictureFormat::Jpeg2000);
  ASSERT_TRUE(OpenPicture(bmpNamedJp2, document, context_, {}, readers));
  EXPECT_EQ(document.format, PictureFormat::Bmp);
  EXPECT_EQ(document.fileSize, 15u);
  EXPECT_EQ(called_, (std::vector<std::string>{"jp2", "bmp"}));
  // The KVF version byte is read only from KVF files: a JP2 file's third byte is 0 as well,
  // and the open dialog must not take it for a legacy KVF file.
  EXPECT_FALSE(DispatchFile(jp2NamedBmp).kvf);
}

TEST_F(OpenPipelineTest, KvfVersionByteChoosesTheCodec) {
  PictureDocument document;
  const PictureReaders readers = recording(true);
  EXPECT_TRUE(OpenPicture(write("a.kvf", std::string("WV\0", 3)), document, context_, {}, readers));
  EXPECT_TRUE(OpenPicture(write("b.kvf", "WV\x01"), document, context_, {}, readers));
  EXPECT_TRUE(OpenPicture(write("c.kvf", "WV\x02"), document, context_, {}, readers));
  EXPECT_EQ(called_, (std::vector<std::string>{"kvf-legacy", "kvf-legacy", "kvf"}));
  EXPECT_EQ(document.format, PictureFormat::Kvf);

  called_.clear();
  EXPECT_FALSE(OpenPicture(write("d.kvf", "WV\x03"), document, context_, {}, readers));
  EXPECT_FALSE(OpenPicture(write("e.kvf", "WV"), document, context_, {}, readers));
  EXPECT_TRUE(called_.empty());
  EXPECT_TRUE(ui_.messages.empty()) << "an unknown KVF version fails without a message";
}

TEST_F(OpenPipelineTest, UnrecognisedFileShowsTheUnsupportedMessage) {
  PictureDocument document;
  document.format = PictureFormat::Bmp;
  const auto path = write("notes.txt", "hello");
  EXPECT_FALSE(OpenPicture(path, document, context_, {}, recording(false)));
  EXPECT_EQ(document.format, PictureFormat::Unknown);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].id, 33003u);
  EXPECT_EQ(ui_.messages[0].text, "File '" + path.string() + "' has an unsupported format !");

  // The same in preview mode stays silent; so do failing readers of recognised formats.
  OpenRequest preview;
  preview.preview = true;
  EXPECT_FALSE(OpenPicture(path, document, context_, preview, recording(false)));
  EXPECT_FALSE(OpenPicture(write("x.bmp", "BMxx"), document, context_, {}, recording(false)));
  EXPECT_FALSE(OpenPicture(dir_.path() / "missing", document, context_, {}, recording(false)));
  EXPECT_EQ(ui_.messages.size(), 2u) << "only the missing file adds a message (no magic)";
}

TEST_F(OpenPipelineTest, FormatsWithoutAReaderFailCleanly) {
  PictureDocument document;
  const PictureReaders none{};
  EXPECT_FALSE(OpenPicture(write("a.pgm", "P5 1 1 255\n\x01"), document, context_, {}, none));
  EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace quillon
