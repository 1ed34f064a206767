#include "tools/convert/BatchCommand.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "core/document/FileIoContext.h"
#include "platform/FreeDiskSpace.h"
#include "platform/StringTables.h"
#include "support/BmpFixture.h"
#include "support/TempDir.h"
#include "tools/convert/ConvertCommand.h"
#include "tools/convert/TextUiServices.h"

namespace quillon::convert {
namespace {

namespace fs = std::filesystem;

ConvertArguments BatchOf(const fs::path& directory, std::vector<fs::path> inputs, int jobs) {
  std::vector<std::string> line{"-o",  directory.string(), "--to",
                                "pgm", "--jobs",           std::to_string(jobs)};
  for (const fs::path& input : inputs) line.push_back(input.string());
  auto parsed = ParseConvertArguments(line);
  EXPECT_TRUE(std::holds_alternative<ConvertArguments>(parsed));
  return std::get<ConvertArguments>(parsed);
}

TEST(BatchCommand, EveryFileIsTriedAndFailuresAndCrashesAreCounted) {
  test::TempDir dir;
  const ConvertArguments arguments =
      BatchOf(dir.path() / "out", {"good1.bmp", "bad.bmp", "crash.bmp", "good2.bmp"}, 2);
  // Each child writes the output it was given, so the test sees which file went where.
  const ConvertOne fake = [](const ConvertArguments& one) {
    const std::string name = one.files[0].stem().string();
    if (name == "crash") std::raise(SIGKILL);
    std::ofstream(one.files[1]) << name;
    return name == "bad" ? 1 : 0;
  };
  std::ostringstream out, progress;
  EXPECT_EQ(RunBatch(arguments, fake, out, progress, false), 1);
  EXPECT_EQ(out.str(), "2 of 4 files converted, 2 failed\n");
  EXPECT_NE(progress.str().find("'bad.bmp' failed (exit status 1)"), std::string::npos);
  EXPECT_NE(progress.str().find("'crash.bmp' failed (stopped by signal 9"), std::string::npos);
  for (const char* name : {"good1", "bad", "good2"}) {
    std::ifstream written(dir.path() / "out" / (std::string(name) + ".pgm"));
    std::string text;
    written >> text;
    EXPECT_EQ(text, name);
  }
  EXPECT_FALSE(fs::exists(dir.path() / "out" / "crash.pgm"));
}

TEST(BatchCommand, ConvertsRealFilesAndReportsABrokenOne) {
  test::TempDir dir;
  const fs::path a = test::WriteGradientBmp(dir.path() / "a.bmp", 40, 30);
  const fs::path b = test::WriteGradientBmp(dir.path() / "b.bmp", 17, 9);
  const fs::path broken = dir.path() / "broken.bmp";
  std::ofstream(broken) << "BM not a picture";
  const ConvertArguments arguments = BatchOf(dir.path() / "out", {a, broken, b}, 3);

  const StringTable strings = BuiltInStrings(Language::English);
  const FreeDiskSpace disk;
  std::ostringstream lines, errors;
  const ConvertOne convert = [&](const ConvertArguments& one) {
    TextUiServices ui(strings, errors, false, {});
    FileIoContext context{ui, disk, false};
    return RunConvert(one, context, ui, lines);
  };
  std::ostringstream out, progress;
  EXPECT_EQ(RunBatch(arguments, convert, out, progress, false), 1);
  EXPECT_EQ(out.str(), "2 of 3 files converted, 1 failed\n");
  EXPECT_NE(progress.str().find("broken.bmp"), std::string::npos);
  // Grey outputs: header plus one byte a pixel.
  EXPECT_GT(fs::file_size(dir.path() / "out" / "a.pgm"), 40u * 30u);
  EXPECT_GT(fs::file_size(dir.path() / "out" / "b.pgm"), 17u * 9u);
  EXPECT_FALSE(fs::exists(dir.path() / "out" / "broken.pgm"));
}

}  // namespace
}  // namespace quillon::convert
