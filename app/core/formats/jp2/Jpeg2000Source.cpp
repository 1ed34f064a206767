#include "core/formats/jp2/Jpeg2000Source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillon {

namespace {

constexpr std::size_t kWindowBytes = 1 << 16;

// The decoder's answers that mean the input ended before the headers did.
bool HeadersCut(std::int32_t status) {
  return status == JP2_Error_ByteRead || status == JP2_Error_ShortRead;
}

}  // namespace

BudgetedFile::BudgetedFile(const std::filesystem::path& path)
    : descriptor_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
  struct stat status {};
  if (descriptor_ >= 0 && (fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode))) {
    close(descriptor_);
    descriptor_ = -1;
  }
  if (descriptor_ >= 0) length_ = budget_ = static_cast<std::uint64_t>(status.st_size);
}

BudgetedFile::~BudgetedFile() {
  if (descriptor_ >= 0) close(descriptor_);
}

void BudgetedFile::SetBudget(std::uint64_t budget) {
  budget_ = std::min(budget, length_);
}

std::int32_t BudgetedFile::Read(void* buffer, std::uint32_t offset, std::uint32_t count,
                                std::uintptr_t param) {
  auto& file = *reinterpret_cast<BudgetedFile*>(param);
  if (buffer == nullptr || offset >= file.budget_) return 0;
  count = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, file.budget_ - offset));
  count = std::min<std::uint32_t>(count, INT32_MAX);
  return file.ReadAt(static_cast<std::uint8_t*>(buffer), offset, count);
}

std::int32_t BudgetedFile::ReadAt(std::uint8_t* buffer, std::uint64_t offset, std::uint32_t count) {
  if (count < kWindowBytes / 4) {
    const bool inside = offset >= windowStart_ && offset + count <= windowStart_ + windowLength_;
    if (!inside && !Fill(offset)) return -1;
    const std::uint64_t available = windowStart_ + windowLength_ - offset;
    const auto take = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available));
    std::memcpy(buffer, window_.data() + (offset - windowStart_), take);
    return static_cast<std::int32_t>(take);
  }
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t got =
        pread(descriptor_, buffer + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return done > 0 ? static_cast<std::int32_t>(done) : -1;
    if (got == 0) break;
    done += static_cast<std::uint32_t>(got);
  }
  return static_cast<std::int32_t>(done);
}

bool BudgetedFile::Fill(std::uint64_t offset) {
  window_.resize(kWindowBytes);
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, budget_ - offset));
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t got =
        pread(descriptor_, window_.data() + done, wanted - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  windowStart_ = offset;
  windowLength_ = done;
  return true;
}

std::int32_t DecoderSession::Start(BudgetedFile& file) {
  Close();
  return JP2_Decompress_Start(&handle_, nullptr, 0, nullptr, 0, &BudgetedFile::Read,
                              reinterpret_cast<std::uintptr_t>(&file));
}

void DecoderSession::Close() {
  if (handle_ != nullptr) (void)JP2_Decompress_End(handle_);
  handle_ = nullptr;
}

std::optional<std::uintptr_t> DecoderSession::Get(std::uint32_t id, std::int16_t channel) const {
  std::uintptr_t value = 0;
  if (JP2_Decompress_GetProp(handle_, id, &value, 0, channel) != 0) return std::nullopt;
  return value;
}

std::int32_t StartWithinBudget(DecoderSession& session, BudgetedFile& file,
                               std::optional<std::uint64_t> budget, std::uint64_t step) {
  file.SetBudget(budget.value_or(file.Length()));
  for (;;) {
    const std::int32_t status = session.Start(file);
    if (!HeadersCut(status) || file.Budget() >= file.Length()) return status;
    file.SetBudget(file.Budget() + std::max<std::uint64_t>(step, 1));
  }
}

}  // namespace quillon
