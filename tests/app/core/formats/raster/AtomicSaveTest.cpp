#include "core/formats/raster/AtomicFileWriter.h"

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "RasterTestSupport.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/TiffFile.h"

namespace quillon {
namespace {

using test::FillColour;
using test::ReadAll;
using test::WriteAll;

using Writer = std::function<bool(const std::filesystem::path&, PictureDocument&, FileIoContext&)>;

const std::vector<std::pair<const char*, Writer>>& AllWriters() {
  static const std::vector<std::pair<const char*, Writer>> writers{
      {"bmp", [](auto& p, auto& d, auto& c) { return WriteBmp(p, d, c); }},
      {"ppm",
       [](auto& p, auto& d, auto& c) { return WritePnm(p, d, c, PnmKind::Ppm, PnmCoding::Raw); }},
      {"pgm",
       [](auto& p, auto& d, auto& c) { return WritePnm(p, d, c, PnmKind::Pgm, PnmCoding::Plain); }},
      {"tif",
       [](auto& p, auto& d, auto& c) { return WriteTiff(p, d, c, TiffCompression::PackBits); }},
      {"jpg", [](auto& p, auto& d, auto& c) { return WriteJpeg(p, d, c, 90); }},
      {"png", [](auto& p, auto& d, auto& c) { return WritePng(p, d, c, 0); }},
  };
  return writers;
}

const std::vector<std::uint8_t> kOldContent{'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

// Entries of a directory, so that left-over temporary files show.
std::size_t EntriesIn(const std::filesystem::path& dir) {
  return std::size_t(std::distance(std::filesystem::directory_iterator(dir), {}));
}

// File permissions count for root too while this lives: the file system user becomes nobody.
class FileSystemUserNobody {
 public:
  FileSystemUserNobody() : uid_(setfsuid(kNobody)), gid_(setfsgid(kNobody)) {}
  ~FileSystemUserNobody() {
    setfsgid(gid_);
    setfsuid(uid_);
  }

 private:
  static constexpr int kNobody = 65534;
  int uid_;
  int gid_;
};

class AtomicSave : public test::RasterTest {};

TEST_F(AtomicSave, CommitReplacesTheTargetAndKeepsItsPermissions) {
  const auto target = File("t.bin");
  WriteAll(target, kOldContent);
  chmod(target.c_str(), 0640);
  AtomicFileWriter writer(target);
  ASSERT_TRUE(writer.Open());
  EXPECT_EQ(writer.TemporaryPath().parent_path(), dir);
  ASSERT_TRUE(writer.Write("new", 3));
  EXPECT_EQ(ReadAll(target), kOldContent);  // nothing changes before the commit
  ASSERT_TRUE(writer.Commit());
  EXPECT_EQ(ReadAll(target), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
  struct stat status {};
  ASSERT_EQ(stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST_F(AtomicSave, AbandonedWriterLeavesNoTrace) {
  const auto target = File("t.bin");
  WriteAll(target, kOldContent);
  {
    AtomicFileWriter writer(target);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write("partial", 7));
  }
  EXPECT_EQ(ReadAll(target), kOldContent);
  EXPECT_EQ(EntriesIn(dir), 1u);
  AtomicFileWriter nowhere(File("missing-dir") / "x.bin");
  EXPECT_FALSE(nowhere.Open());
}

TEST_F(AtomicSave, FailedWritesOfEveryFormatLeaveTheTargetUnchanged) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 300, 200);
  for (const auto& [name, write] : AllWriters()) {
    const auto target = File(std::string("full.").append(name));
    WriteAll(target, kOldContent);
    {
      test::FullDiskAfter full(2000);
      EXPECT_FALSE(write(target, doc, context)) << name;
    }
    EXPECT_EQ(ReadAll(target), kOldContent) << name;
    EXPECT_EQ(EntriesIn(dir), 1u) << name;
    std::filesystem::remove(target);
  }
}

TEST_F(AtomicSave, TooLittleFreeSpaceRefusesOrAsks) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 50, 50);
  disk.free = 1000;
  for (const auto& [name, write] : AllWriters()) {
    const auto target = File(std::string("space.").append(name));
    WriteAll(target, kOldContent);
    ui.messages.clear();
    ui.answers = {MessageAnswer::No};
    EXPECT_FALSE(write(target, doc, context)) << name;
    EXPECT_EQ(ReadAll(target), kOldContent) << name;
    const bool asks =
        std::string(name) == "tif" || std::string(name) == "jpg" || std::string(name) == "png";
    ASSERT_EQ(ui.messages.size(), 1u) << name;
    EXPECT_EQ(ui.messages[0].id, asks ? 153u : 143u) << name;
    EXPECT_EQ(ui.messages[0].buttons, asks ? MessageButtons::YesNo : MessageButtons::Ok) << name;
    if (!asks) {
      EXPECT_EQ(ui.messages[0].text.substr(0, 10), "Only 1000 ") << name;
      continue;
    }
    // Yes saves anyway.
    ui.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(write(target, doc, context)) << name;
    EXPECT_NE(ReadAll(target), kOldContent) << name;
  }
  // The BMP message names the exact file size.
  ui.messages.clear();
  EXPECT_FALSE(WriteBmp(File("x.bmp"), doc, context));
  std::string required = std::to_string(152 * 50 + 54);
  required.append(" bytes are required");
  EXPECT_NE(ui.messages[0].text.find(required), std::string::npos) << ui.messages[0].text;
}

TEST_F(AtomicSave, UnwritableDirectoryOrTargetLeavesTheFileUnchanged) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 8, 8);
  // A directory in the target's place cannot be replaced by a file.
  const auto occupied = File("occupied.bmp");
  std::filesystem::create_directory(occupied);
  EXPECT_FALSE(WriteBmp(occupied, doc, context));
  EXPECT_TRUE(std::filesystem::is_directory(occupied));
  EXPECT_EQ(EntriesIn(dir), 1u);
  const auto locked = File("locked");
  std::filesystem::create_directory(locked);
  WriteAll(locked / "t.ppm", kOldContent);
  chmod(locked.c_str(), 0555);
  chmod(dir.c_str(), 0755);
  {
    FileSystemUserNobody nobody;
    for (const auto& [name, write] : AllWriters()) {
      EXPECT_FALSE(write(locked / "t.ppm", doc, context)) << name;
      EXPECT_EQ(ReadAll(locked / "t.ppm"), kOldContent) << name;
    }
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(locked), {}), 1);
  chmod(locked.c_str(), 0755);
}

}  // namespace
}  // namespace quillon
