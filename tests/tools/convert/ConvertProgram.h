// Runs the built quillon-convert (and other programs) through the shell for the tests that
// treat it as users do.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/BmpFixture.h"
#include "support/TempDir.h"

namespace quillon {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

class ConvertProgram : public ::testing::Test {
 protected:
  // Runs a command line through the shell with its output captured.
  ProgramRun Shell(const std::string& commandLine) {
    const fs::path out = dir.path() / "stdout.txt", err = dir.path() / "stderr.txt";
    const int raw = std::system((commandLine + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadText(out);
    run.err = ReadText(err);
    return run;
  }

  ProgramRun Convert(const std::vector<std::string>& arguments) {
    std::string commandLine = Quote(QUILLON_CONVERT);
    for (const std::string& argument : arguments) commandLine += " " + Quote(argument);
    return Shell(commandLine);
  }

  std::string Path(const std::string& name) const { return (dir.path() / name).string(); }

  // A picture with smooth gradients and some detail, written as BMP; `offset` is added to
  // every sample.
  std::string Fixture(const std::string& name, bool colour, int offset = 0, int width = 67,
                      int height = 45) {
    Picture picture;
    picture.Header().biWidth = width;
    picture.Header().biHeight = height;
    EXPECT_TRUE(picture.CreatePicture(colour));
    const int channels = colour ? 3 : 1;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < channels; ++c) {
          const int value = (x * 3 + y * 2 + c * 40 + (x * y % 7) * 5) % 250 + offset;
          picture.Row(y)[x * channels + c] = std::uint8_t(value);
        }
      }
    }
    return test::WriteBmpFixture(dir.path() / name, picture).string();
  }

  // The five compare lines of `file` against `reference`.
  std::string Compare(const std::string& reference, const std::string& file) {
    const ProgramRun run = Convert({"--compare", reference, file});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }

  static double Measure(const std::string& lines, const std::string& name) {
    const std::size_t at = lines.find(name + ": ");
    return at == std::string::npos ? -1.0
                                   : std::strtod(lines.c_str() + at + name.size() + 2, nullptr);
  }

  test::TempDir dir;
};

}  // namespace quillon
