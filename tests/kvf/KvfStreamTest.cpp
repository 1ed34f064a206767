#include <gtest/gtest.h>

#include <numeric>

#include "KvfTestFiles.h"
#include "kvf/KvfInputStream.h"
#include "kvf/KvfOutputStream.h"

namespace kvf {
namespace {

using test::ByteBuilder;
using test::MemoryReadFile;
using test::MemoryWriteFile;

std::vector<std::uint8_t> Counting(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

TEST(KvfInputStream, ReadsBigEndianFieldsAcrossRefills) {
  ByteBuilder file;
  file.U8(0xA1).U16(0xB2C3).U32(0xD4E5F607).U32(0x01020304);
  MemoryReadFile source(file.Bytes(), 3);  // every field straddles a refill
  KvfInputStream in;
  ASSERT_EQ(in.Open(source.Source()), KvfStatus::ok);
  std::uint8_t u8 = 0;
  std::uint16_t u16 = 0;
  std::uint32_t u32 = 0;
  std::uint32_t last = 0;
  ASSERT_EQ(in.ReadU8(u8), KvfStatus::ok);
  ASSERT_EQ(in.ReadU16(u16), KvfStatus::ok);
  ASSERT_EQ(in.ReadU32(u32), KvfStatus::ok);
  ASSERT_EQ(in.ReadU32(last), KvfStatus::ok);
  EXPECT_EQ(u8, 0xA1);
  EXPECT_EQ(u16, 0xB2C3);
  EXPECT_EQ(u32, 0xD4E5F607u);
  EXPECT_EQ(last, 0x01020304u);
  EXPECT_EQ(in.Offset(), 11u);
  EXPECT_GE(source.fetchCalls, 3);
  EXPECT_EQ(in.ReadU8(u8), KvfStatus::illegalEndOfFile);
}

TEST(KvfInputStream, SkipReadsThroughAndSeekForwardJumps) {
  const std::vector<std::uint8_t> bytes = Counting(200);
  for (const bool withSeek : {false, true}) {
    SCOPED_TRACE(withSeek ? "with seek" : "without seek");
    MemoryReadFile source(bytes, 16);
    KvfInputStream in;
    ASSERT_EQ(in.Open(source.Source(withSeek)), KvfStatus::ok);
    std::uint8_t value = 0;
    ASSERT_EQ(in.Skip(5), KvfStatus::ok);
    ASSERT_EQ(in.ReadU8(value), KvfStatus::ok);
    EXPECT_EQ(value, 5);
    ASSERT_EQ(in.Skip(40), KvfStatus::ok);
    ASSERT_EQ(in.ReadU8(value), KvfStatus::ok);
    EXPECT_EQ(value, 46);
    ASSERT_EQ(in.SeekForward(100), KvfStatus::ok);
    ASSERT_EQ(in.ReadU8(value), KvfStatus::ok);
    EXPECT_EQ(value, 147);
    EXPECT_EQ(in.Offset(), 148u);
    EXPECT_EQ(source.seekCalls, withSeek ? 1 : 0);
  }
}

TEST(KvfInputStream, SkipNoticesTheEndOfTheFile) {
  MemoryReadFile source(Counting(10), 4);
  KvfInputStream in;
  ASSERT_EQ(in.Open(source.Source()), KvfStatus::ok);
  EXPECT_EQ(in.Skip(11), KvfStatus::illegalEndOfFile);
}

TEST(KvfInputStream, BufferWithoutFetchIsTheWholeFile) {
  std::vector<std::uint8_t> buffer = {1, 2, 3, 0, 0};
  KvfInputStream in;
  ASSERT_EQ(in.Open({buffer, 3, nullptr, nullptr, nullptr}), KvfStatus::ok);
  std::uint16_t value = 0;
  ASSERT_EQ(in.ReadU16(value), KvfStatus::ok);
  EXPECT_EQ(value, 0x0102);
  EXPECT_EQ(in.ReadU16(value), KvfStatus::illegalEndOfFile);
}

TEST(KvfInputStream, RefusesMissingOrOverfilledBuffers) {
  std::vector<std::uint8_t> buffer(4);
  KvfInputStream in;
  EXPECT_EQ(in.Open({{}, 0, nullptr, nullptr, nullptr}), KvfStatus::invalidDataPointer);
  EXPECT_EQ(in.Open({buffer, 5, nullptr, nullptr, nullptr}), KvfStatus::invalidDataPointer);
}

struct FailingCallbacks {
  std::int32_t fetchResult = 0;
  static std::int32_t Fetch(void* context, std::uint32_t) {
    return static_cast<FailingCallbacks*>(context)->fetchResult;
  }
  static std::int32_t Seek(void*, std::int32_t) { return 7; }
};

TEST(KvfInputStream, CallbackFailuresMapToTheirCodes) {
  std::vector<std::uint8_t> buffer(8);
  std::uint8_t value = 0;
  struct Case {
    std::int32_t fetchResult;
    KvfStatus expected;
  };
  // A fetch claiming more than the buffer holds must not make the reader overrun it.
  for (const Case& c : {Case{-1, KvfStatus::fetchFailed}, Case{0, KvfStatus::illegalEndOfFile},
                        Case{9, KvfStatus::fetchFailed}}) {
    FailingCallbacks callbacks{c.fetchResult};
    KvfInputStream in;
    ASSERT_EQ(in.Open({buffer, 0, &FailingCallbacks::Fetch, nullptr, &callbacks}), KvfStatus::ok);
    EXPECT_EQ(in.ReadU8(value), c.expected) << c.fetchResult;
  }
  FailingCallbacks callbacks{1};
  KvfInputStream in;
  ASSERT_EQ(in.Open({buffer, 2, &FailingCallbacks::Fetch, &FailingCallbacks::Seek, &callbacks}),
            KvfStatus::ok);
  EXPECT_EQ(in.SeekForward(100), KvfStatus::seekFailed);
}

TEST(KvfOutputStream, FlushesFullBuffersInOrder) {
  MemoryWriteFile file(5);
  KvfOutputStream out;
  ASSERT_EQ(out.Open(file.Target()), KvfStatus::ok);
  ASSERT_EQ(out.PutU8(0x01), KvfStatus::ok);
  ASSERT_EQ(out.PutU16(0x0203), KvfStatus::ok);
  ASSERT_EQ(out.PutU32(0x04050607), KvfStatus::ok);
  ASSERT_EQ(out.PutZeros(3), KvfStatus::ok);
  const std::vector<std::uint8_t> tail = {0xEE, 0xFF};
  ASSERT_EQ(out.PutBytes(tail), KvfStatus::ok);
  EXPECT_EQ(out.Position(), 12u);
  ASSERT_EQ(out.Flush(), KvfStatus::ok);
  EXPECT_EQ(file.Bytes(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 0xEE, 0xFF}));
  EXPECT_EQ(file.flushCalls, 3);
}

TEST(KvfOutputStream, WithoutFlushTheFileMustFitTheBuffer) {
  std::vector<std::uint8_t> buffer(6);
  KvfOutputStream out;
  ASSERT_EQ(out.Open({buffer, nullptr, nullptr, nullptr}), KvfStatus::ok);
  EXPECT_TRUE(out.CanRevisitStart());
  ASSERT_EQ(out.PutU32(0xAABBCCDD), KvfStatus::ok);
  ASSERT_EQ(out.PutU16(0x1122), KvfStatus::ok);
  EXPECT_EQ(out.PutU8(0x33), KvfStatus::resultSizeTooSmall);
  ASSERT_EQ(out.SeekToStart(), KvfStatus::ok);
  ASSERT_EQ(out.PutU16(0x5566), KvfStatus::ok);
  ASSERT_EQ(out.SeekToEnd(), KvfStatus::ok);
  EXPECT_EQ(out.Position(), 6u);
  EXPECT_EQ(buffer, (std::vector<std::uint8_t>{0x55, 0x66, 0xCC, 0xDD, 0x11, 0x22}));
}

TEST(KvfOutputStream, RewritesTheStartThroughSeekAndReturnsToTheEnd) {
  MemoryWriteFile file(4);
  KvfOutputStream out;
  ASSERT_EQ(out.Open(file.Target()), KvfStatus::ok);
  ASSERT_EQ(out.PutZeros(10), KvfStatus::ok);
  ASSERT_EQ(out.SeekToStart(), KvfStatus::ok);
  ASSERT_EQ(out.PutU32(0x01020304), KvfStatus::ok);
  ASSERT_EQ(out.PutU8(0x05), KvfStatus::ok);
  ASSERT_EQ(out.SeekToEnd(), KvfStatus::ok);
  EXPECT_EQ(out.Position(), 10u);
  ASSERT_EQ(out.PutU8(0x0B), KvfStatus::ok);
  ASSERT_EQ(out.Flush(), KvfStatus::ok);
  EXPECT_EQ(file.Bytes(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0x0B}));
  EXPECT_EQ(file.Position(), 11u);
}

TEST(KvfOutputStream, ReportsFailuresAndRefusesToRevisitWithoutSeek) {
  MemoryWriteFile file(2);
  KvfOutputStream out;
  ASSERT_EQ(out.Open(file.Target(false)), KvfStatus::ok);
  EXPECT_FALSE(out.CanRevisitStart());
  EXPECT_EQ(out.SeekToStart(), KvfStatus::internalError);
  file.failFlush = true;
  EXPECT_EQ(out.PutU32(1), KvfStatus::flushFailed);
  EXPECT_EQ(out.Open({{}, nullptr, nullptr, nullptr}), KvfStatus::invalidDataPointer);
}

}  // namespace
}  // namespace kvf
