#include "tools/convert/ConvertArguments.h"

#include <gtest/gtest.h>

namespace quillon::convert {
namespace {

ConvertArguments Parse(std::vector<std::string> arguments) {
  auto parsed = ParseConvertArguments(arguments);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    ADD_FAILURE() << "rejected: " << *error;
    return {};
  }
  return std::get<ConvertArguments>(parsed);
}

// The error text, or an empty string (and a failure) when the arguments were accepted.
std::string Rejection(std::vector<std::string> arguments) {
  auto parsed = ParseConvertArguments(arguments);
  if (const std::string* error = std::get_if<std::string>(&parsed)) return *error;
  ADD_FAILURE() << "accepted";
  return {};
}

TEST(ConvertArguments, OutputTypeComesFromTheExtensionInAnyCase) {
  const std::pair<const char*, OutputType> cases[] = {
      {"a.jp2", {PictureFormat::Jpeg2000, Jp2Container::Jp2}},
      {"a.JPX", {PictureFormat::Jpeg2000, Jp2Container::Jpx}},
      {"a.jpf", {PictureFormat::Jpeg2000, Jp2Container::Jpx}},
      {"a.j2k", {PictureFormat::Jpeg2000, Jp2Container::Codestream}},
      {"a.J2C", {PictureFormat::Jpeg2000, Jp2Container::Codestream}},
      {"a.jpc", {PictureFormat::Jpeg2000, Jp2Container::Codestream}},
      {"dir.x/a.kvf", {PictureFormat::Kvf}},
      {"a.Bmp", {PictureFormat::Bmp}},
      {"a.ppm", {PictureFormat::Ppm}},
      {"a.pgm", {PictureFormat::Pgm}},
      {"a.tif", {PictureFormat::Tiff}},
      {"a.tiff", {PictureFormat::Tiff}},
      {"a.jpg", {PictureFormat::Jpeg}},
      {"a.JPEG", {PictureFormat::Jpeg}},
      {"a.png", {PictureFormat::Png}},
  };
  for (const auto& [path, type] : cases) {
    const std::optional<OutputType> found = OutputTypeOfPath(path);
    ASSERT_TRUE(found) << path;
    EXPECT_EQ(found->format, type.format) << path;
    if (type.format == PictureFormat::Jpeg2000) {
      EXPECT_EQ(found->container, type.container) << path;
    }
  }
  for (const char* path : {"a.gif", "a", "a.jp2.bak", ".jp2x", "jp2"}) {
    EXPECT_FALSE(OutputTypeOfPath(path)) << path;
  }
  EXPECT_NE(Rejection({"in.bmp", "out.gif"}).find("out.gif"), std::string::npos);
}

TEST(ConvertArguments, ConvertKeepsTheSaveDialogDefaults) {
  const ConvertArguments a = Parse({"in.bmp", "out.j2k"});
  EXPECT_EQ(a.command, Command::Convert);
  ASSERT_EQ(a.files.size(), 2u);
  EXPECT_EQ(a.save.type, PictureFormat::Jpeg2000);
  EXPECT_EQ(a.save.container, Jp2Container::Codestream);
  const SaveOptions defaults;
  EXPECT_EQ(a.save.option, defaults.option);
  EXPECT_EQ(a.save.quality, defaults.quality);
  EXPECT_EQ(a.save.progression, defaults.progression);
  EXPECT_FALSE(a.load);
  EXPECT_FALSE(a.yes);
}

TEST(ConvertArguments, SaveOptionsReachTheOptions) {
  const ConvertArguments a = Parse({"--quality",
                                    "35",
                                    "--progression=resolution",
                                    "--baseline",
                                    "--jpeg-quality",
                                    "90",
                                    "--png-level",
                                    "2",
                                    "--ascii",
                                    "--packbits",
                                    "--levels",
                                    "3",
                                    "--layers=7",
                                    "--tile",
                                    "256x128",
                                    "--codeblock",
                                    "32x64",
                                    "--sop",
                                    "--eph",
                                    "--visual-weighting",
                                    "2",
                                    "--password",
                                    "secret",
                                    "--free-quality",
                                    "25",
                                    "--region",
                                    "1,2,30,40",
                                    "--region=5,6,7,8",
                                    "--enhance",
                                    "4",
                                    "--yes",
                                    "in.bmp",
                                    "out.kvf"});
  EXPECT_EQ(a.save.option, SaveOption::Quality);
  EXPECT_EQ(a.save.quality, 35);
  EXPECT_EQ(a.save.pngCompression, 2);
  EXPECT_EQ(a.save.progression, SortedBy::Resolution);
  EXPECT_EQ(a.save.scanMode, ScanMode::Baseline);
  EXPECT_EQ(a.save.jpegQuality, 90);
  EXPECT_EQ(a.save.pnmCoding, PnmCoding::Plain);
  EXPECT_EQ(a.save.tiffCompression, TiffCompression::PackBits);
  EXPECT_EQ(a.save.expert.levels, 3);
  EXPECT_EQ(a.save.expert.layers, 7);
  EXPECT_EQ(a.save.expert.tileWidth, 256u);
  EXPECT_EQ(a.save.expert.tileHeight, 128u);
  EXPECT_EQ(a.save.expert.codeBlockWidth, 32u);
  EXPECT_EQ(a.save.expert.codeBlockHeight, 64u);
  EXPECT_TRUE(a.save.expert.sop);
  EXPECT_TRUE(a.save.expert.eph);
  EXPECT_EQ(a.save.expert.visualWeighting, 2);
  EXPECT_EQ(a.password, "secret");
  EXPECT_EQ(a.freeQualityPercent, 25);
  ASSERT_EQ(a.regions.size(), 2u);
  EXPECT_EQ(a.regions[0], (EnhancementRegion{1, 2, 30, 40}));
  EXPECT_EQ(a.regions[1], (EnhancementRegion{5, 6, 7, 8}));
  EXPECT_EQ(a.enhanceLevel, 4);
  EXPECT_TRUE(a.yes);
  EXPECT_EQ(a.save.type, PictureFormat::Kvf);

  EXPECT_EQ(Parse({"--rate", "20", "a.bmp", "b.jp2"}).save.rate, 20.0);
  EXPECT_EQ(Parse({"--rate", "20", "a.bmp", "b.jp2"}).save.option, SaveOption::CompressionRate);
  EXPECT_EQ(Parse({"--size=12.5", "a.bmp", "b.jp2"}).save.sizeKb, 12.5);
  EXPECT_EQ(Parse({"--size=12.5", "a.bmp", "b.jp2"}).save.option, SaveOption::FileSize);
  EXPECT_EQ(Parse({"--lossless", "--lossless", "a.bmp", "b.jp2"}).save.option,
            SaveOption::Lossless);
}

TEST(ConvertArguments, LoadOptionsAndCommands) {
  const ConvertArguments info = Parse({"--load-rate", "40", "--info", "x.kvf"});
  EXPECT_EQ(info.command, Command::Info);
  ASSERT_TRUE(info.load);
  EXPECT_EQ(info.load->type, LoadType::CompressionRate);
  EXPECT_EQ(info.load->rate, 40.0);

  const ConvertArguments compare =
      Parse({"--compare", "--load-quality=30", "--password", "pw", "ref.bmp", "x.kvf"});
  EXPECT_EQ(compare.command, Command::Compare);
  EXPECT_EQ(compare.load->type, LoadType::Quality);
  EXPECT_EQ(compare.load->quality, 30);
  EXPECT_EQ(compare.password, "pw");

  EXPECT_EQ(Parse({"--load-size", "3", "--reduce", "2", "a.kvf", "b.bmp"}).load->sizeKb, 3.0);
  EXPECT_EQ(Parse({"--reduce", "2", "a.kvf", "b.bmp"}).reduce, 2);
  EXPECT_EQ(Parse({"--threads", "3", "a.jp2", "b.jp2"}).threads, 3);
  EXPECT_EQ(Parse({"in.bmp", "--help", "--nonsense"}).command, Command::Help);
  EXPECT_EQ(Parse({"-h"}).command, Command::Help);
  // After "--" everything is a file, even what looks like an option.
  const ConvertArguments dashed = Parse({"--", "-in.bmp", "--out.ppm"});
  EXPECT_EQ(dashed.files[1], "--out.ppm");
  EXPECT_EQ(dashed.save.type, PictureFormat::Ppm);
}

TEST(ConvertArguments, ColourConversionsAndColourCount) {
  EXPECT_EQ(Parse({"--grey", "a.bmp", "b.bmp"}).conversion, ColourConversion::Grey);
  EXPECT_EQ(Parse({"--palette", "a.bmp", "b.bmp"}).conversion, ColourConversion::Palette);
  const ConvertArguments smooth = Parse({"--smooth", "medium", "a.bmp", "b.bmp"});
  EXPECT_EQ(smooth.conversion, ColourConversion::Smooth);
  EXPECT_EQ(smooth.strength, FilterStrength::Medium);
  const ConvertArguments sharpen = Parse({"--sharpen=high", "a.bmp", "b.bmp"});
  EXPECT_EQ(sharpen.conversion, ColourConversion::Sharpen);
  EXPECT_EQ(sharpen.strength, FilterStrength::High);
  EXPECT_FALSE(Parse({"a.bmp", "b.bmp"}).conversion);

  const ConvertArguments count = Parse({"--load-quality", "20", "--count-colours", "x.kvf"});
  EXPECT_EQ(count.command, Command::CountColours);
  EXPECT_EQ(count.files.size(), 1u);

  EXPECT_NE(Rejection({"--smooth", "strong", "a.bmp", "b.bmp"}).find("--smooth"),
            std::string::npos);
  EXPECT_NE(Rejection({"--grey", "--palette", "a.bmp", "b.bmp"}).find("exclude"),
            std::string::npos);
  EXPECT_NE(Rejection({"--count-colours", "--grey", "a.bmp"}).find("--grey"), std::string::npos);
  EXPECT_FALSE(Rejection({"--count-colours", "a.bmp", "b.bmp"}).empty());
}

TEST(ConvertArguments, RejectsBadValuesWithTheOptionNamed) {
  const std::vector<std::vector<std::string>> bad = {
      {"--quality", "0", "a.bmp", "b.jp2"},
      {"--quality", "101", "a.bmp", "b.jp2"},
      {"--quality", "8x", "a.bmp", "b.jp2"},
      {"--quality", "", "a.bmp", "b.jp2"},
      {"--rate", "0.5", "a.bmp", "b.jp2"},
      {"--rate", "nan", "a.bmp", "b.jp2"},
      {"--rate", "inf", "a.bmp", "b.jp2"},
      {"--size", "0", "a.bmp", "b.jp2"},
      {"--size", "-3", "a.bmp", "b.jp2"},
      {"--progression", "colour", "a.bmp", "b.jp2"},
      {"--free-quality", "101", "a.bmp", "b.kvf"},
      {"--enhance", "11", "a.bmp", "b.kvf"},
      {"--jpeg-quality", "0", "a.bmp", "b.jpg"},
      {"--png-level", "10", "a.bmp", "b.png"},
      {"--levels", "33", "a.bmp", "b.jp2"},
      {"--layers", "0", "a.bmp", "b.jp2"},
      {"--tile", "0x64", "a.bmp", "b.jp2"},
      {"--tile", "64", "a.bmp", "b.jp2"},
      {"--tile", "64x", "a.bmp", "b.jp2"},
      {"--codeblock", "128x64", "a.bmp", "b.jp2"},
      {"--codeblock", "48x48", "a.bmp", "b.jp2"},
      {"--codeblock", "2x2", "a.bmp", "b.jp2"},
      {"--visual-weighting", "4", "a.bmp", "b.jp2"},
      {"--load-quality", "0", "a.kvf", "b.bmp"},
      {"--load-rate", "x", "a.kvf", "b.bmp"},
      {"--reduce", "-1", "a.kvf", "b.bmp"},
      {"--threads", "0", "a.jp2", "b.bmp"},
      {"--threads", "65", "a.jp2", "b.bmp"},
      {"--region", "1,2,3", "a.bmp", "b.jp2"},
      {"--region", "1,2,3,4,5", "a.bmp", "b.jp2"},
      {"--region", "-1,2,3,4", "a.bmp", "b.jp2"},
      {"--region", "1,2,0,4", "a.bmp", "b.jp2"},
      {"--region", "1,2,40000,4", "a.bmp", "b.jp2"},
      {"--region", "1,,3,4", "a.bmp", "b.jp2"},
  };
  for (const std::vector<std::string>& arguments : bad) {
    const std::string error = Rejection(arguments);
    EXPECT_NE(error.find(arguments[0]), std::string::npos)
        << arguments[0] << " " << arguments[1] << ": " << error;
  }
  const std::string password34(34, 'p');
  EXPECT_NE(Rejection({"--password", password34, "a.bmp", "b.kvf"}).find("--password"),
            std::string::npos);
  EXPECT_NE(Rejection({"--password", "", "a.bmp", "b.kvf"}).find("--password"), std::string::npos);
}

TEST(ConvertArguments, RejectsWrongShapesOfTheCommandLine) {
  EXPECT_NE(Rejection({"--frobnicate", "a.bmp", "b.jp2"}).find("--frobnicate"), std::string::npos);
  EXPECT_NE(Rejection({"a.bmp", "b.jp2", "--quality"}).find("needs a value"), std::string::npos);
  EXPECT_NE(Rejection({"--sop=1", "a.bmp", "b.jp2"}).find("takes no value"), std::string::npos);
  EXPECT_FALSE(Rejection({}).empty());
  EXPECT_FALSE(Rejection({"a.bmp"}).empty());
  EXPECT_FALSE(Rejection({"a.bmp", "b.jp2", "c.jp2"}).empty());
  EXPECT_FALSE(Rejection({"--info"}).empty());
  EXPECT_FALSE(Rejection({"--info", "a", "b"}).empty());
  EXPECT_FALSE(Rejection({"--compare", "a"}).empty());
  EXPECT_FALSE(Rejection({"--info", "--compare", "a", "b"}).empty());
  // The ways to size the output (and to limit the input) exclude each other.
  EXPECT_NE(Rejection({"--lossless", "--rate", "9", "a.bmp", "b.jp2"}).find("exclude"),
            std::string::npos);
  EXPECT_NE(Rejection({"--quality", "9", "--size", "9", "a.bmp", "b.jp2"}).find("exclude"),
            std::string::npos);
  EXPECT_NE(Rejection({"--load-rate", "9", "--load-size", "9", "a.kvf", "b.bmp"}).find("exclude"),
            std::string::npos);
  // Save options have nothing to act on in --info and --compare.
  EXPECT_NE(Rejection({"--info", "--quality", "50", "a.kvf"}).find("--quality"), std::string::npos);
  EXPECT_NE(Rejection({"--compare", "--region", "1,1,2,2", "a", "b"}).find("--region"),
            std::string::npos);
}

TEST(ConvertArguments, AtMostSixteenRegions) {
  std::vector<std::string> arguments;
  for (int i = 0; i < 16; ++i) {
    arguments.push_back("--region");
    arguments.push_back(std::to_string(i) + ",0,1,1");
  }
  arguments.push_back("a.bmp");
  arguments.push_back("b.kvf");
  EXPECT_EQ(Parse(arguments).regions.size(), 16u);
  arguments.insert(arguments.begin(), {"--region", "0,0,2,2"});
  EXPECT_NE(Rejection(arguments).find("16"), std::string::npos);
}

TEST(ConvertArguments, BatchNamesEachOutputAfterItsInput) {
  const ConvertArguments a =
      Parse({"-o", "out", "--to", "j2k", "--rate", "20", "x/a.bmp", "b.tif"});
  EXPECT_EQ(a.command, Command::Batch);
  EXPECT_EQ(a.save.type, PictureFormat::Jpeg2000);
  EXPECT_EQ(a.save.container, Jp2Container::Codestream);
  EXPECT_EQ(a.jobs, 1);
  EXPECT_EQ(BatchOutputPath(a, "x/a.bmp"), std::filesystem::path("out/a.j2k"));
  EXPECT_EQ(BatchOutputPath(a, "b.tif"), std::filesystem::path("out/b.j2k"));
  EXPECT_EQ(Parse({"--output-dir=out", "--to=kvf", "--jobs", "3", "a.bmp"}).jobs, 3);

  const std::pair<std::vector<std::string>, const char*> refused[] = {
      {{"-o", "out", "a.bmp"}, "--to"},
      {{"-o", "out", "--to", "gif", "a.bmp"}, "gif"},
      {{"-o", "out", "--to", "jp2"}, "INPUT"},
      {{"-o", "out", "--to", "jp2", "x/a.bmp", "y/a.tif"}, "out/a.jp2"},
      {{"-o", ".", "--to", "bmp", "a.bmp"}, "its own output"},
      {{"--to", "jp2", "a.bmp", "b.jp2"}, "--output-dir"},
      {{"--jobs", "2", "a.bmp", "b.jp2"}, "--output-dir"},
      {{"-o", "out", "--to", "jp2", "--jobs", "0", "a.bmp"}, "--jobs"},
  };
  for (const auto& [arguments, named] : refused) {
    EXPECT_NE(Rejection(arguments).find(named), std::string::npos) << named;
  }
}

TEST(ConvertArguments, HelpDocumentsEveryOptionAndType) {
  const std::string help = ConvertHelpText();
  for (const char* word : {"--lossless",     "--quality",      "--rate",
                           "--size",         "--progression",  "--baseline",
                           "--password",     "--free-quality", "--region",
                           "--enhance",      "--jpeg-quality", "--png-level",
                           "--ascii",        "--packbits",     "--levels",
                           "--layers",       "--tile",         "--codeblock",
                           "--sop",          "--eph",          "--visual-weighting",
                           "--load-quality", "--load-rate",    "--load-size",
                           "--reduce",       "--threads",      "--yes",
                           "--info",         "--compare",      "--output-dir",
                           "--to",           "--jobs",         ".jp2",
                           ".jpx",           ".jpf",           ".j2k",
                           ".j2c",           ".jpc",           ".kvf",
                           ".bmp",           ".ppm",           ".pgm",
                           ".tif",           ".jpg",           ".png"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace quillon::convert
