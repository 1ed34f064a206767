// The JPEG 2000 reader through the open pipeline on files of our own encoder: every kind of
// file back to the source picture, partial decoding at the loading options' budgets, cut
// files, preview reduction and the open dialog's probe.
#include "core/formats/jp2/Jpeg2000Reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "core/document/LoadOptions.h"
#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/PictureProbe.h"
#include "support/EncodeSession.h"
#include "support/NoDiskSpace.h"
#include "support/RecordingUiServices.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

using jp2::test::EncodeSession;
using jp2::test::MakeComponent;
using jp2::test::MakeComponents;
using jp2::test::TestComponent;

constexpr const char* kStrings =
    "105\tLoading Picture - %s\n"
    "33003\tFile '%s' has an unsupported format !\n"
    "33006\tFormat not supported !\n"
    "61217\tImage Size:\\t%d x %d\\nColor depth:\\t%d Bit\n"
    "61224\tCompression:\\t1:%.2f\\nProgression:\\t%s\n"
    "61240\tQuality\n61241\tResolution\n61242\tPosition\n61243\tColor\n";

// The source sample as the picture should show it: offset to unsigned, scaled to 0..255.
double Expected8(std::int32_t sample, const TestComponent& c) {
  const double top = std::ldexp(1.0, static_cast<int>(c.depth)) - 1;
  const double value =
      c.isSigned ? sample + std::ldexp(1.0, static_cast<int>(c.depth) - 1) : sample;
  return value * 255.0 / top;
}

// Component c's sample under picture pixel (x, y), subsampled components spread evenly.
std::int32_t SampleAt(const TestComponent& c, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height) {
  return c.samples[std::size_t{y * c.height / height} * c.width + x * c.width / width];
}

struct FileCase {
  const char* name;
  std::vector<TestComponent> components;
  std::vector<std::pair<std::uint32_t, std::uintptr_t>> props;
  double tolerance;  // largest difference from the scaled source sample
  int pictureBits;
};

class Jpeg2000ReaderTest : public ::testing::Test {
 protected:
  Jpeg2000ReaderTest()
      : strings_(*StringTable::Parse(kStrings)), ui_(strings_), context_{ui_, disk_, true} {}

  std::filesystem::path Encode(const std::string& name, std::vector<TestComponent> components,
                               const std::function<void(CompressHandle)>& configure) {
    EncodeSession session;
    session.components = std::move(components);
    EXPECT_EQ(session.Encode(configure), 0) << name;
    const std::filesystem::path path = dir_.path() / name;
    jp2::test::WriteFile(path.string(), session.output);
    return path;
  }

  static std::function<void(CompressHandle)> Props(
      std::vector<std::pair<std::uint32_t, std::uintptr_t>> props) {
    return [props](CompressHandle handle) {
      for (const auto& [id, value] : props)
        EXPECT_EQ(EncodeSession::Set(handle, id, value), 0) << id;
    };
  }

  bool Open(const std::filesystem::path& path, const OpenRequest& request = {}) {
    document_ = std::make_unique<PictureDocument>();
    return OpenPicture(path, *document_, context_, request);
  }
  Picture& Result() { return document_->GetPicture(); }

  // Largest difference of the picture from the components in their colour slots.
  double LargestDifference(const std::vector<TestComponent>& components, std::size_t slots) {
    const Picture& picture = Result();
    const auto width = static_cast<std::uint32_t>(picture.GetWidth());
    const auto height = static_cast<std::uint32_t>(picture.GetHeight());
    double largest = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const Picture::Triple pixel = picture.GetPixel(static_cast<std::int32_t>(x),
                                                       static_cast<std::int32_t>(height - 1 - y));
        for (std::size_t s = 0; s < slots; ++s) {
          const TestComponent& c = components[s];
          const double expected = Expected8(SampleAt(c, x, y, width, height), c);
          largest = std::max(largest, std::abs(pixel[2 - s] - expected));
        }
      }
    }
    return largest;
  }

  test::TempDir dir_;
  StringTable strings_;
  test::RecordingUiServices ui_;
  test::NoDiskSpace disk_;
  FileIoContext context_;
  std::unique_ptr<PictureDocument> document_;
};

std::vector<TestComponent> Subsampled() {
  std::vector<TestComponent> c = MakeComponents(1, 64, 48);
  c.push_back(MakeComponent(32, 24, 8, false, 1));
  c.push_back(MakeComponent(32, 48, 8, false, 2));
  return c;
}

TEST_F(Jpeg2000ReaderTest, LosslessFilesOfEveryKindOpenAsTheirSource) {
  using P = std::vector<std::pair<std::uint32_t, std::uintptr_t>>;
  const P jp2 = {{JP2_Prop_FileFormat, JP2_Format_JP2}};
  const P rgb = {{JP2_Prop_FileFormat, JP2_Format_JP2}, {JP2_Prop_ColourSpace, JP2_Colour_sRGB}};
  const std::vector<FileCase> cases = {
      {"grey.jp2", MakeComponents(1, 61, 37), jp2, 0, 8},
      {"rgb.jp2", MakeComponents(3, 61, 37), rgb, 0, 24},
      {"rgb.j2k",
       MakeComponents(3, 40, 30),
       {{JP2_Prop_FileFormat, JP2_Format_Codestream}, {JP2_Prop_ColourSpace, JP2_Colour_sRGB}},
       0,
       24},
      // Without the component transform a codestream says nothing of colour: still RGB.
      {"plain.j2k",
       MakeComponents(3, 40, 30),
       {{JP2_Prop_FileFormat, JP2_Format_Codestream}},
       0,
       24},
      {"rgb.jpx",
       MakeComponents(3, 40, 30),
       {{JP2_Prop_FileFormat, JP2_Format_JPX}, {JP2_Prop_ColourSpace, JP2_Colour_sRGB}},
       0,
       24},
      {"signed.jp2", MakeComponents(1, 33, 20, 8, true), jp2, 0, 8},
      {"grey12.jp2", MakeComponents(1, 45, 31, 12), jp2, 1, 8},
      {"rgb16.jp2", MakeComponents(3, 45, 31, 16), rgb, 1, 24},
      {"grey4.jp2", MakeComponents(1, 30, 20, 4), jp2, 0.5, 8},
      {"subsampled.j2k", Subsampled(), {{JP2_Prop_FileFormat, JP2_Format_Codestream}}, 0, 24},
      {"tiles.jp2",
       MakeComponents(3, 75, 53),
       {{JP2_Prop_ColourSpace, JP2_Colour_sRGB},
        {JP2_Prop_TileWidth, 17},
        {JP2_Prop_TileHeight, 13}},
       0,
       24},
      {"rgb-and-extra.jp2", MakeComponents(4, 40, 30), rgb, 0, 24},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = Encode(c.name, c.components, Props(c.props));
    ASSERT_TRUE(Open(path)) << (ui_.messages.empty() ? "" : ui_.messages.back().text);
    EXPECT_EQ(document_->format, PictureFormat::Jpeg2000);
    EXPECT_EQ(Result().GetBitCount(), c.pictureBits);
    EXPECT_EQ(static_cast<std::uint32_t>(Result().GetWidth()), c.components[0].width);
    EXPECT_EQ(static_cast<std::uint32_t>(Result().GetHeight()), c.components[0].height);
    EXPECT_LE(LargestDifference(c.components, c.pictureBits == 8 ? 1 : 3), c.tolerance);
    EXPECT_GT(document_->compressionRatio, 0.0);
  }
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_FALSE(ui_.progressCaptions.empty());
  EXPECT_EQ(ui_.progressCaptions.back(), "Loading Picture - rgb-and-extra.jp2");
  EXPECT_EQ(ui_.progressPositions.back(), 100);
}

TEST_F(Jpeg2000ReaderTest, PaletteAndOpacityChannels) {
  const TestComponent indices = MakeComponent(40, 30, 4, false, 5);
  const jp2::test::SixteenColourPalette palette;
  const auto path = Encode("palette.jp2", {indices}, [&](CompressHandle handle) {
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
    EXPECT_EQ(JP2_Compress_SetPalette(handle, &palette.desc), 0);
  });
  ASSERT_TRUE(Open(path));
  ASSERT_EQ(Result().GetBitCount(), 24);
  EXPECT_EQ(LargestDifference(palette.Colours(indices), 3), 0);

  // Opacity is left out.
  const std::vector<TestComponent> four = MakeComponents(4, 30, 20);
  const JP2_ChannelDef defs[4] = {{0, 1}, {0, 2}, {0, 3}, {1, 0}};
  const auto alpha = Encode("alpha.jp2", four, [&](CompressHandle handle) {
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
    EXPECT_EQ(JP2_Compress_SetChannelDefs(handle, defs, 4), 0);
  });
  ASSERT_TRUE(Open(alpha));
  EXPECT_EQ(LargestDifference(four, 3), 0);
}

// A smooth 24-bit picture in many quality layers, so that every budget decodes something.
class PartialDecoding : public Jpeg2000ReaderTest {
 protected:
  std::filesystem::path Layered() {
    source_ = MakeComponents(3, 128, 96);
    return Encode("layered.jp2", source_,
                  Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB}, {JP2_Prop_Layers, 12}}));
  }
  double Psnr() {
    const Picture& picture = Result();
    double squares = 0;
    for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
      for (std::int32_t x = 0; x < picture.GetWidth(); ++x) {
        const Picture::Triple pixel = picture.GetPixel(x, picture.GetHeight() - 1 - y);
        for (int s = 0; s < 3; ++s) {
          const double d =
              pixel[static_cast<std::size_t>(2 - s)] -
              source_[static_cast<std::size_t>(s)].samples[static_cast<std::size_t>(y * 128 + x)];
          squares += d * d;
        }
      }
    }
    const double mse = squares / (128.0 * 96 * 3);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
  }
  std::vector<TestComponent> source_;
};

TEST_F(PartialDecoding, SmallerBudgetsGiveCoarserPicturesAndTheirRatio) {
  const auto path = Layered();
  const std::uint64_t raw = 128 * 96 * 3;
  struct Budget {
    LoadOptions options;
    std::uint64_t bytes;
  };
  // From the smallest budget to the largest; quality 80 divides by 101, quality 95 by 26.
  const std::vector<Budget> budgets = {
      {{LoadType::FileSize, 80, 10.0, 1.0}, 1024},
      {{LoadType::CompressionRate, 80, 12.0, 10.0}, raw / 12},
      {{LoadType::Quality, 95, 10.0, 10.0}, raw / 26},
      {{LoadType::FileSize, 80, 10.0, 3.0}, 3072},
  };
  std::vector<double> psnrs;
  for (const Budget& budget : budgets) {
    SCOPED_TRACE(budget.bytes);
    ASSERT_TRUE(Open(path, {.preview = false, .load = &budget.options}));
    EXPECT_DOUBLE_EQ(document_->compressionRatio, double(raw) / double(budget.bytes));
    psnrs.push_back(Psnr());
    EXPECT_LT(psnrs.back(), 60) << "a budget below the file's length leaves the picture coarser";
  }
  // A cut inside a layer may favour one component, so only the ends are compared.
  EXPECT_GT(psnrs.back(), psnrs.front() + 3);
  const LoadOptions best{LoadType::BestQuality};
  ASSERT_TRUE(Open(path, {.preview = false, .load = &best}));
  EXPECT_EQ(Psnr(), 99.0);
  EXPECT_DOUBLE_EQ(document_->compressionRatio,
                   double(raw) / double(std::filesystem::file_size(path)));
}

TEST_F(PartialDecoding, CutFilesOpenAtWhatArrivedAndABudgetGrowsPastTheHeaders) {
  const auto path = Layered();
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  const auto cut = dir_.path() / "cut.jp2";
  std::ofstream(cut, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 3));
  ASSERT_TRUE(Open(cut));
  EXPECT_GT(Psnr(), 20);
  EXPECT_LT(Psnr(), 99);

  // 3,000 bytes of XML before the codestream: a 1 KB budget must grow in 1 KB steps.
  std::vector<std::uint8_t> xml(3000, 'x');
  source_ = MakeComponents(3, 128, 96);
  const auto tagged = Encode("tagged.jp2", source_, [&](CompressHandle handle) {
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_Layers, 12), 0);
    EXPECT_EQ(EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
    EXPECT_EQ(JP2_Compress_SetXML_Data(handle, xml.data(), static_cast<std::uint32_t>(xml.size())),
              0);
  });
  const LoadOptions oneKb{LoadType::FileSize, 80, 10.0, 1.0};
  ASSERT_TRUE(Open(tagged, {.preview = false, .load = &oneKb}));
  const double grownTo = 128.0 * 96 * 3 / document_->compressionRatio;
  EXPECT_GT(grownTo, 3000);
  EXPECT_EQ(std::fmod(grownTo, 1024.0), 0.0) << grownTo;

  // Cut inside the headers: refused with the pipeline's message, nothing read past the end.
  const auto stub = dir_.path() / "stub.jp2";
  std::ofstream(stub, std::ios::binary).write(bytes.data(), 60);
  EXPECT_FALSE(Open(stub));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].id, kUnsupportedFormat);
}

TEST_F(Jpeg2000ReaderTest, PreviewAndReduceShrinkThePicture) {
  const auto path = Encode("wide.jp2", MakeComponents(3, 600, 90),
                           Props({{JP2_Prop_ColourSpace, JP2_Colour_sRGB}, {JP2_Prop_Levels, 5}}));
  ASSERT_TRUE(Open(path, {.preview = true}));
  EXPECT_EQ(Result().GetWidth(), 150) << "600 / 4: the smallest factor below 256";
  EXPECT_EQ(Result().GetHeight(), 23);
  ASSERT_TRUE(Open(path, {.preview = false, .load = nullptr, .reduce = 8}));
  EXPECT_EQ(Result().GetWidth(), 75);
  EXPECT_EQ(Result().GetHeight(), 12);
  ASSERT_TRUE(Open(path, {.preview = false, .load = nullptr, .reduce = 1u << 20}));
  EXPECT_GE(Result().GetWidth(), 1) << "a factor that would empty the picture is brought down";
}

TEST_F(Jpeg2000ReaderTest, ProbeTellsSizeDepthRatioAndProgression) {
  const auto path = Encode("probe.jp2", MakeComponents(3, 64, 48, 12),
                           Props({{JP2_Prop_Progression, JP2_Progression_RPCL}}));
  const std::string text = ProbeText(path, strings_);
  EXPECT_EQ(text.find("Image Size:\t64 x 48\nColor depth:\t36 Bit\nCompression:\t1:"), 0u) << text;
  EXPECT_NE(text.find("\nProgression:\tResolution"), std::string::npos) << text;
  const auto garbage = dir_.path() / "garbage.jp2";
  std::ofstream(garbage) << "not a picture at all";
  EXPECT_EQ(ProbeText(garbage, strings_), "Format not supported !");
}

}  // namespace
}  // namespace quillon
