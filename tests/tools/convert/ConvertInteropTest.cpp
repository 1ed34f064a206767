// The converter as users run it: through the built program, exchanging files with OpenJPEG.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tools/convert/ConvertProgram.h"

namespace quillon {
namespace {

constexpr const char* kIdentical =
    "MAE: 0\nMSE: 0\nRMS: 0\nSNR: inf dB\nPSNR: inf dB\nSSIM: 1.000000\n";

TEST_F(ConvertProgram, CompareOfAPictureWithItselfAndWithOneMore) {
  const std::string a = Fixture("a.bmp", true);
  const std::string b = Fixture("b.bmp", true, 1);
  EXPECT_EQ(Compare(a, a), kIdentical);
  const std::string lines = Compare(a, b);
  EXPECT_NE(lines.find("MAE: 1\nMSE: 1\nRMS: 1\nSNR: "), std::string::npos) << lines;
  EXPECT_NE(lines.find("\nPSNR: 48.1308 dB\n"), std::string::npos) << lines;
}

TEST_F(ConvertProgram, ColourConversionsRunBeforeTheSaveAndRefuseLikeTheProgram) {
  const std::string colour = Fixture("colour.bmp", true);
  const std::string grey = Fixture("grey.bmp", false);
  ASSERT_EQ(Convert({"--palette", colour, Path("palette.bmp")}).status, 0);
  const ProgramRun count = Convert({"--count-colours", Path("palette.bmp")});
  ASSERT_EQ(count.status, 0) << count.err;
  const long colours =
      std::strtol(count.out.c_str() + count.out.find_first_of("0123456789"), nullptr, 10);
  EXPECT_GT(colours, 200) << count.out;
  EXPECT_LE(colours, 256) << count.out;
  EXPECT_GT(Measure(Compare(colour, Path("palette.bmp")), "PSNR"), 30.0);

  ASSERT_EQ(Convert({"--smooth", "high", grey, Path("smooth.pgm")}).status, 0);
  const double smoothed = Measure(Compare(grey, Path("smooth.pgm")), "PSNR");
  EXPECT_GT(smoothed, 10.0);
  EXPECT_LT(smoothed, 60.0) << "smoothing changed the picture";

  const ProgramRun refused = Convert({"--grey", grey, Path("again.bmp")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("already a greyscale image"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(Path("again.bmp")));
}

TEST_F(ConvertProgram, EveryRasterTypeRoundTrips) {
  const std::string colour = Fixture("colour.bmp", true);
  const std::string grey = Fixture("grey.bmp", false);
  struct Case {
    std::string output;
    std::vector<std::string> options;
    const std::string& source;
  };
  const Case cases[] = {
      {"c.bmp", {}, colour},
      {"c.ppm", {}, colour},
      {"c.ppm", {"--ascii"}, colour},
      {"c.tif", {}, colour},
      {"c.tiff", {"--packbits"}, colour},
      {"g.pgm", {}, grey},
      {"g.pgm", {"--ascii"}, grey},
      {"g.tif", {}, grey},
      {"g.bmp", {}, grey},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = c.options;
    arguments.push_back(c.source);
    arguments.push_back(Path(c.output));
    const ProgramRun run = Convert(arguments);
    ASSERT_EQ(run.status, 0) << c.output << ": " << run.err;
    EXPECT_NE(run.out.find(Path(c.output) + ": "), std::string::npos) << run.out;
    // The compare reads the output back through its own reader.
    EXPECT_EQ(Compare(c.source, Path(c.output)), kIdentical) << c.output;
  }

  // JPEG loses about what ImageMagick's libjpeg loses at the same quality and subsampling.
  ASSERT_EQ(Convert({"--jpeg-quality", "95", colour, Path("c.jpg")}).status, 0);
  ASSERT_EQ(Shell("convert -quality 95 -sampling-factor 2x2 " + Quote(colour) + " " +
                  Quote(Path("peer.jpg")))
                .status,
            0);
  EXPECT_NEAR(Measure(Compare(colour, Path("c.jpg")), "PSNR"),
              Measure(Compare(colour, Path("peer.jpg")), "PSNR"), 1.0);
  ASSERT_EQ(Convert({"--jpeg-quality", "10", colour, Path("low.jpg")}).status, 0);
  EXPECT_LT(fs::file_size(Path("low.jpg")), fs::file_size(Path("c.jpg")));
}

TEST_F(ConvertProgram, KvfRoundTripsLosslessAndLossy) {
  const std::string colour = Fixture("colour.bmp", true, 0, 128, 96);
  ASSERT_EQ(Convert({colour, Path("c.kvf")}).status, 0);
  EXPECT_EQ(Compare(colour, Path("c.kvf")), kIdentical);
  ASSERT_EQ(Convert({Path("c.kvf"), Path("c.bmp")}).status, 0);
  EXPECT_EQ(Compare(colour, Path("c.bmp")), kIdentical);

  const ProgramRun lossy = Convert({"--rate", "20", colour, Path("r.kvf")});
  ASSERT_EQ(lossy.status, 0) << lossy.err;
  EXPECT_LE(fs::file_size(Path("r.kvf")), 128u * 96 * 3 / 20 + 64);
  // The fixture's sharp wraps are hard to code; a broken channel order or plane gives < 10 dB.
  const double psnr = Measure(Compare(colour, Path("r.kvf")), "PSNR");
  EXPECT_GT(psnr, 15.0);
  EXPECT_LT(psnr, 1e9);
}

TEST_F(ConvertProgram, ProtectedKvfNeedsItsPasswordForFullQuality) {
  const std::string colour = Fixture("colour.bmp", true, 0, 128, 96);
  const ProgramRun save =
      Convert({"--password", "open sesame", "--free-quality", "10", colour, Path("p.kvf")});
  ASSERT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(Convert({"--compare", "--password", "open sesame", colour, Path("p.kvf")}).out,
            kIdentical);
  const ProgramRun without = Convert({"--compare", colour, Path("p.kvf")});
  ASSERT_EQ(without.status, 0) << without.err;
  EXPECT_NE(without.err.find("--password"), std::string::npos) << without.err;
  EXPECT_GT(Measure(without.out, "MAE"), 0.0);
}

TEST_F(ConvertProgram, LosslessJpeg2000DecodesBitExactlyInOpenJpeg) {
  for (const bool colour : {true, false}) {
    const std::string source = Fixture(colour ? "c.bmp" : "g.bmp", colour);
    const std::string decoded = Path(colour ? "decoded.ppm" : "decoded.pgm");
    // The default order has 30 quality layers; resolution order has one.
    for (const std::string order : {"quality", "resolution"}) {
      const std::string output = order == "quality" ? "out.jp2" : "out.j2k";
      const ProgramRun run = Convert({"--lossless", "--progression", order, source, Path(output)});
      ASSERT_EQ(run.status, 0) << output << ": " << run.err;
      fs::remove(decoded);
      const ProgramRun peer =
          Shell("opj_decompress -i " + Quote(Path(output)) + " -o " + Quote(decoded));
      ASSERT_EQ(peer.status, 0) << output << ": " << peer.err;
      EXPECT_EQ(Compare(source, decoded), kIdentical) << output;
    }
  }
}

// JPEG 2000 inputs: our containers and the peers' files back to the source (lossless) or to
// what OpenJPEG decodes (lossy, reduced), with a load option or two.
TEST_F(ConvertProgram, ReadsJpeg2000OfEveryContainerAndBothPeers) {
  for (const bool colour : {true, false}) {
    const std::string source = Fixture(colour ? "c.bmp" : "g.bmp", colour, 0, 131, 77);
    const std::string raw = Path(colour ? "src.ppm" : "src.pgm");
    ASSERT_EQ(Convert({source, raw}).status, 0);
    struct Case {
      std::string file;
      std::string make;         // a shell command that writes `file`; empty: quillon-convert does
      std::string peerOptions;  // opj_decompress options of the reference; empty: the source
      std::vector<std::string> options;
    };
    const std::string in = Quote(raw);
    const std::vector<Case> cases = {
        {"ours.jp2", "", "", {}},
        {"ours.jpx", "", "", {}},
        {"ours.j2k", "", "", {}},
        {"opj.j2k", "opj_compress -i " + in + " -o ", "", {}},
        {"opj.jp2", "opj_compress -i " + in + " -t 32,32 -p RPCL -o ", "", {}},
        {"grk.jp2", "grk_compress -i " + in + " -o ", "", {}},
        {"opj-lossy.j2k", "opj_compress -i " + in + " -r 20 -I -o ", "-i", {}},
        {"grk-lossy.j2k", "grk_compress -i " + in + " -r 20 -o ", "-i", {}},
        {"opj-reduce1.j2k", "opj_compress -i " + in + " -o ", "-r 1 -i", {"--reduce", "1"}},
        {"opj-reduce3.j2k", "opj_compress -i " + in + " -o ", "-r 3 -i", {"--reduce", "3"}},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.file);
      const std::string file = Path(c.file);
      if (c.make.empty()) {
        ASSERT_EQ(Convert({source, file}).status, 0);
      } else {
        ASSERT_EQ(Shell(c.make + Quote(file)).status, 0);
      }
      std::vector<std::string> arguments = c.options;
      arguments.insert(arguments.end(), {file, Path("back.bmp")});
      const ProgramRun run = Convert(arguments);
      ASSERT_EQ(run.status, 0) << run.err;
      if (c.peerOptions.empty()) {
        EXPECT_EQ(Compare(source, Path("back.bmp")), kIdentical);
        continue;
      }
      const std::string reference = Path(colour ? "peer.ppm" : "peer.pgm");
      std::string peerOptions = c.peerOptions;
      peerOptions.replace(peerOptions.find("-i"), 2,
                          "-i " + Quote(file) + " -o " + Quote(reference));
      ASSERT_EQ(Shell("opj_decompress " + peerOptions).status, 0);
      // Within 1 of OpenJPEG at every sample: a mean square error of at most 1.
      EXPECT_LE(Measure(Compare(reference, Path("back.bmp")), "MSE"), 1.0);
    }
  }
  const ProgramRun info = Convert({"--info", Path("opj.jp2")});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Format:\t\tJPEG 2000\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Image Size:\t131 x 77\nColor depth:\t8 Bit\nCompression:\t1:"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Progression:\tResolution"), std::string::npos) << info.out;
}

TEST_F(ConvertProgram, LoadOptionsDecodeJpeg2000InPart) {
  const std::string source = Fixture("c.bmp", true, 0, 160, 120);
  ASSERT_EQ(Convert({source, Path("full.jp2")}).status, 0);
  double previous = 0;
  // From the fewest bytes to the most: 1 KB, quality 95 (raw / 26: 2,215), 1:12 (4,800), all.
  for (const std::vector<std::string>& option : std::vector<std::vector<std::string>>{
           {"--load-size", "1"}, {"--load-quality", "95"}, {"--load-rate", "12"}, {}}) {
    std::vector<std::string> arguments = option;
    arguments.insert(arguments.end(), {Path("full.jp2"), Path("part.bmp")});
    ASSERT_EQ(Convert(arguments).status, 0);
    const double psnr = Measure(Compare(source, Path("part.bmp")), "PSNR");
    EXPECT_GT(psnr < 0 ? 1000.0 : psnr, previous) << (option.empty() ? "whole" : option[0]);
    previous = psnr;
  }
  EXPECT_EQ(Compare(source, Path("part.bmp")), kIdentical) << "the whole file is lossless";
}

TEST_F(ConvertProgram, EachJpeg2000ExtensionWritesItsContainer) {
  const std::string source = Fixture("c.bmp", true);
  const std::pair<const char*, std::string> cases[] = {
      {"a.jp2", std::string("ftypjp2 ")},         {"a.JPX", std::string("ftypjpx ")},
      {"a.jpf", std::string("ftypjpx ")},         {"a.j2k", std::string("\xFF\x4F\xFF\x51")},
      {"a.j2c", std::string("\xFF\x4F\xFF\x51")}, {"a.jpc", std::string("\xFF\x4F\xFF\x51")},
  };
  for (const auto& [name, mark] : cases) {
    ASSERT_EQ(Convert({source, Path(name)}).status, 0) << name;
    const std::string head = ReadText(Path(name)).substr(0, 32);
    EXPECT_NE(head.find(mark), std::string::npos) << name;
  }
  // Grok reads the JPX file.
  const ProgramRun peer =
      Shell("grk_decompress -i " + Quote(Path("a.JPX")) + " -o " + Quote(Path("jpx.ppm")));
  ASSERT_EQ(peer.status, 0) << peer.err;
  EXPECT_GT(Measure(Compare(source, Path("jpx.ppm")), "PSNR"), 40.0);
}

TEST_F(ConvertProgram, ExpertOptionsAndLossyJpeg2000DecodeInOpenJpeg) {
  const std::string source = Fixture("c.bmp", true, 0, 256, 192);
  const ProgramRun plain = Convert({"--rate", "20", source, Path("plain.jp2")});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_NE(plain.out.find(", 1:20"), std::string::npos) << plain.out;
  EXPECT_LE(fs::file_size(Path("plain.jp2")), 256u * 192 * 3 / 20);

  const ProgramRun run = Convert({"--rate", "20", "--levels", "3", "--layers", "4", "--tile",
                                  "128x128", "--codeblock", "32x32", "--sop", "--eph",
                                  "--progression", "resolution", source, Path("lossy.jp2")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_LE(fs::file_size(Path("lossy.jp2")), 256u * 192 * 3 / 20);
  const ProgramRun dump = Shell("opj_dump -i " + Quote(Path("lossy.jp2")));
  ASSERT_EQ(dump.status, 0) << dump.err;
  for (const char* field : {"numlayers=4", "numresolutions=4", "tdx=128, tdy=128", "prg=0x1",
                            "cblkw=2^5", "csty=0x6"}) {
    EXPECT_NE(dump.out.find(field), std::string::npos) << field;
  }

  for (const char* name : {"plain", "lossy"}) {
    const ProgramRun peer = Shell("opj_decompress -i " + Quote(Path(std::string(name) + ".jp2")) +
                                  " -o " + Quote(Path(std::string(name) + ".ppm")));
    ASSERT_EQ(peer.status, 0) << peer.err;
    // The fixture's sharp wraps make it hard to code: 1:20 keeps it near 20 dB.
    const double psnr = Measure(Compare(source, Path(std::string(name) + ".ppm")), "PSNR");
    EXPECT_GT(psnr, 17.0) << name;
    EXPECT_LT(psnr, 1e9) << name;
  }
}

TEST_F(ConvertProgram, InfoTellsSizeDepthFormatAndRatio) {
  const std::string colour = Fixture("c.bmp", true, 0, 128, 96);
  const ProgramRun bmp = Convert({"--info", colour});
  ASSERT_EQ(bmp.status, 0) << bmp.err;
  EXPECT_NE(bmp.out.find("BMP"), std::string::npos) << bmp.out;
  EXPECT_NE(bmp.out.find("128 x 96"), std::string::npos) << bmp.out;
  EXPECT_NE(bmp.out.find("24 Bit"), std::string::npos) << bmp.out;

  ASSERT_EQ(Convert({"--rate", "10", colour, Path("c.kvf")}).status, 0);
  const ProgramRun kvf = Convert({"--info", Path("c.kvf")});
  ASSERT_EQ(kvf.status, 0) << kvf.err;
  EXPECT_NE(kvf.out.find("KVF"), std::string::npos) << kvf.out;
  EXPECT_NE(kvf.out.find("Compression:\t1:"), std::string::npos) << kvf.out;
}

TEST_F(ConvertProgram, BadArgumentsAndFilesFailWithAMessage) {
  const std::string colour = Fixture("c.bmp", true);
  std::ofstream(Path("garbage.bin")) << "this is no picture at all";
  std::ofstream(Path("short.bmp")) << "BM\x10";
  const std::vector<std::vector<std::string>> failing = {
      {},
      {"--quality", "500", colour, Path("x.jp2")},
      {colour, Path("x.gif")},
      {Path("missing.bmp"), Path("x.bmp")},
      {dir.path().string(), Path("x.bmp")},
      {Path("garbage.bin"), Path("x.bmp")},
      {Path("short.bmp"), Path("x.bmp")},
      {"--info", Path("garbage.bin")},
      {"--info", Path("missing.bmp")},
      {"--compare", colour, Path("missing.bmp")},
      {colour, Path("no/such/dir/x.bmp")},
      {"--region", "60,0,10,10", colour, Path("x.kvf")},
  };
  for (const std::vector<std::string>& arguments : failing) {
    const ProgramRun run = Convert(arguments);
    const std::string shown = arguments.empty() ? "" : arguments.back();
    EXPECT_EQ(run.status, 1) << shown;
    EXPECT_NE(run.err.find("quillon-convert: "), std::string::npos) << shown;
    EXPECT_TRUE(run.out.empty()) << shown << ": " << run.out;
  }
  EXPECT_FALSE(fs::exists(Path("x.bmp")));

  const ProgramRun help = Convert({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage:"), std::string::npos);
}

TEST_F(ConvertProgram, NeedsNeitherADisplayNorTheToolkit) {
  const ProgramRun libraries = Shell("ldd " + Quote(QUILLON_CONVERT));
  ASSERT_EQ(libraries.status, 0) << libraries.err;
  EXPECT_EQ(libraries.out.find("libgtk"), std::string::npos) << libraries.out;
  EXPECT_EQ(libraries.out.find("libwx_"), std::string::npos) << libraries.out;
  const std::string colour = Fixture("c.bmp", true);
  const ProgramRun run = Shell("env -u DISPLAY -u WAYLAND_DISPLAY " + Quote(QUILLON_CONVERT) + " " +
                               Quote(colour) + " " + Quote(Path("c.ppm")));
  EXPECT_EQ(run.status, 0) << run.err;
}

TEST_F(ConvertProgram, FailedConvertLeavesTheExistingOutputAsItWas) {
  const std::string colour = Fixture("c.bmp", true);
  std::ofstream(Path("keep.bmp")) << "precious";
  EXPECT_EQ(Convert({"--region", "0,0,500,5", colour, Path("keep.bmp")}).status, 1);
  EXPECT_EQ(Convert({Path("missing.bmp"), Path("keep.bmp")}).status, 1);
  EXPECT_EQ(ReadText(Path("keep.bmp")), "precious");
  // A successful convert replaces it.
  EXPECT_EQ(Convert({colour, Path("keep.bmp")}).status, 0);
  EXPECT_EQ(Compare(colour, Path("keep.bmp")), kIdentical);
}

}  // namespace
}  // namespace quillon
