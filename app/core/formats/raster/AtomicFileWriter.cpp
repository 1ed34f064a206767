#include "core/formats/raster/AtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

namespace quillon {

namespace {

// Mode a newly created file would get from the process umask.
mode_t DefaultFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
  Discard();
}

bool AtomicFileWriter::Open() {
  if (fd_ >= 0 || target_.filename().empty()) return false;
  const std::filesystem::path directory =
      target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
  std::string hidden = target_.filename().string();
  hidden.insert(0, 1, '.');
  hidden.append(".XXXXXX");
  std::string pattern = (directory / hidden).string();
  fd_ = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) return false;
  temporary_ = pattern;

  // The new file keeps the permissions of the file it replaces.
  struct stat existing {};
  const mode_t mode =
      stat(target_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : DefaultFileMode();
  if (fchmod(fd_, mode) != 0) failed_ = true;
  return true;
}

std::FILE* AtomicFileWriter::Stream() {
  if (stream_ == nullptr && fd_ >= 0) {
    const int copy = dup(fd_);
    if (copy < 0) return nullptr;
    stream_ = fdopen(copy, "wb");
    if (stream_ == nullptr) close(copy);
  }
  return stream_;
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
  std::FILE* stream = Stream();
  if (stream == nullptr || std::fwrite(data, 1, size, stream) != size) failed_ = true;
  return !failed_;
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0) return false;
  if (stream_ != nullptr) {
    if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) failed_ = true;
    if (std::fclose(stream_) != 0) failed_ = true;
    stream_ = nullptr;
  }
  if (fsync(fd_) != 0 && errno != EINVAL) failed_ = true;
  if (close(fd_) != 0) failed_ = true;
  fd_ = -1;
  if (failed_ || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFileWriter::Discard() {
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace quillon
