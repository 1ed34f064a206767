// The C interface of kvf.h: tag, error texts, the calling orders of both directions, output
// scaling, row windows and input through a small fetch buffer.
#include "kvf/kvf.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "KvfCodecTestSupport.h"
#include "KvfTestFiles.h"

namespace kvf::test {
namespace {

// The five buffers of a workspace, allocated from its reported sizes.
class ApiBuffers {
 public:
  void Allocate(KvfWorkspace& workspace) {
    for (int i = 0; i < KVF_WORK_BUFFERS; ++i) {
      memory_[i].assign(workspace.sizes[i], 0xCD);
      workspace.buffers[i] = workspace.sizes[i] != 0 ? memory_[i].data() : nullptr;
    }
  }

 private:
  std::array<std::vector<std::uint8_t>, KVF_WORK_BUFFERS> memory_;
};

KvfWorkspace Workspace() {
  KvfWorkspace workspace{};
  workspace.tag = KVF_INTERFACE_TAG;
  return workspace;
}

// Row size of a layout, also of one the codec does not know (8 bytes per pixel then).
std::size_t RowBytesOf(const Pixels& picture) {
  return FindKvfPixelLayout(picture.layout) != nullptr ? picture.RowBytes() : picture.width * 8;
}

KvfImage ImageOf(const Pixels& picture) {
  KvfImage image{};
  image.width = static_cast<std::int32_t>(picture.width);
  image.height = static_cast<std::int32_t>(picture.height);
  image.rows = const_cast<std::uint8_t*>(picture.bytes.data());
  image.stride = static_cast<std::int32_t>(RowBytesOf(picture));
  image.format = static_cast<std::int16_t>(picture.layout);
  image.xres = image.yres = 72u << 16;
  return image;
}

struct EncodeOptions {
  std::uint16_t colourMode = 1;
  std::uint16_t quality = 1024;
  const KvfPassword* password = nullptr;
  std::vector<std::uint8_t> privateData = {};
};

// Encodes through the interface as the save path does: blocks of 2^levels rows.
std::vector<std::uint8_t> ApiEncode(const Pixels& picture, const EncodeOptions& options) {
  KvfWorkspace workspace = Workspace();
  KvfImage image = ImageOf(picture);
  MemoryWriteFile file(32768);
  const KvfOutputTarget target = file.Target();
  KvfEncodeParams params{};
  params.outBuffer = target.buffer.data();
  params.outSize = static_cast<std::uint32_t>(target.buffer.size());
  params.flush = target.flush;
  params.seek = target.seek;
  params.context = target.context;
  params.quality = options.quality;
  params.levels = 6;
  params.modeFlags = KVF_MODE_BASELINE;
  params.colourMode = options.colourMode;
  params.password = options.password;
  params.privateSize = static_cast<std::uint32_t>(options.privateData.size());
  params.privateData = options.privateData.data();
  EXPECT_EQ(KvfEncodeInit(&image, &params, &workspace), 0);
  ApiBuffers buffers;
  buffers.Allocate(workspace);
  for (std::int32_t y = 0; y < image.height; y += 64) {
    params.firstRow = y;
    params.endRow = std::min(y + 64, image.height);
    params.flags =
        (y == 0 ? KVF_FIRST_CALL : 0) | (params.endRow == image.height ? KVF_LAST_CALL : 0);
    const std::int16_t code = KvfEncode(&image, &params, &workspace);
    EXPECT_EQ(code, 0) << KvfErrorText(code);
    if (code != 0) return {};
  }
  return file.Bytes();
}

struct ApiDecoded {
  std::int16_t code = -1;
  Pixels picture;
  KvfInfo info{};
  KvfDecodeParams params{};
};

struct DecodeOptions {
  std::int32_t layout = 0;
  std::uint32_t width = 0;  // 0: the picture's
  std::uint32_t height = 0;
  std::size_t bufferSize = 32768;  // 0: the whole file in the buffer, no fetch
  std::uint32_t windowRows = 0;    // 0: one call
  const KvfPassword* password = nullptr;
  std::vector<std::uint8_t>* privateData = nullptr;
};

// Decodes through the interface in the application's calling order.
ApiDecoded ApiDecode(const std::vector<std::uint8_t>& bytes, const DecodeOptions& options) {
  ApiDecoded result;
  const std::size_t bufferSize = options.bufferSize != 0 ? options.bufferSize : bytes.size();
  MemoryReadFile file(bytes, bufferSize);
  const KvfInputSource source = file.Source();
  KvfDecodeParams& params = result.params;
  params.buffer = source.buffer.data();
  params.filled = source.filled;
  params.fetch = options.bufferSize != 0 ? source.fetch : nullptr;
  params.seek = options.bufferSize != 0 ? source.seek : nullptr;
  params.context = source.context;
  params.qualityLimit = 1024;
  params.password = options.password;
  KvfWorkspace workspace = Workspace();
  if ((result.code = KvfInit(&workspace)) != 0) return result;
  ApiBuffers headerState;
  headerState.Allocate(workspace);
  if ((result.code = KvfReadHeader(&result.info, &params, &workspace)) != 0) return result;

  const std::uint32_t width = options.width != 0 ? options.width : result.info.width;
  const std::uint32_t height = options.height != 0 ? options.height : result.info.height;
  result.picture = {width, height, options.layout, {}};
  result.picture.bytes.assign(RowBytesOf(result.picture) * height, 0);
  KvfImage image = ImageOf(result.picture);
  if ((result.code = KvfDecodeInit(&image, &params, &workspace)) != 0) return result;
  ApiBuffers buffers;
  buffers.Allocate(workspace);
  if (options.privateData != nullptr) {
    params.privateData = options.privateData->data();
    params.privateSize = static_cast<std::uint32_t>(options.privateData->size());
  }
  const std::uint32_t window = options.windowRows != 0 ? options.windowRows : height;
  for (std::uint32_t y = 0; y < height; y += window) {
    params.firstRow = static_cast<std::int32_t>(y);
    params.endRow = static_cast<std::int32_t>(std::min(y + window, height));
    params.flags = (y == 0 ? KVF_FIRST_CALL : 0) |
                   (static_cast<std::uint32_t>(params.endRow) == height ? KVF_LAST_CALL : 0);
    if ((result.code = KvfDecode(&image, &params, &workspace)) != 0) return result;
  }
  return result;
}

KvfPassword Password(const char* text, std::uint16_t freeQuality = 1024) {
  KvfPassword password{};
  password.freeQuality = freeQuality;
  std::strncpy(password.text, text, KVF_PASSWORD_CHARS);
  return password;
}

TEST(KvfApi, TheTagGuardsTheEntryPointsBeforeAnythingIsTouched) {
  KvfWorkspace workspace{};
  workspace.tag = 8212;
  workspace.sizes[3] = 77;
  EXPECT_EQ(KvfInit(&workspace), -23);
  EXPECT_EQ(workspace.sizes[3], 77u);
  EXPECT_EQ(KvfInit(nullptr), -23);
  // Null records would fail with -8: the tag is checked first.
  EXPECT_EQ(KvfEncodeInit(nullptr, nullptr, &workspace), -23);

  workspace.tag = KVF_INTERFACE_TAG;
  workspace.sizes[0] = 5;
  ASSERT_EQ(KvfInit(&workspace), 0);
  EXPECT_EQ(workspace.sizes[3], 356u);
  EXPECT_EQ(workspace.sizes[0] + workspace.sizes[1] + workspace.sizes[2] + workspace.sizes[4], 0u);
}

TEST(KvfApi, ErrorTextsComeFromTheOneTable) {
  EXPECT_STREQ(KvfErrorText(1), "Illegal error code");
  EXPECT_STREQ(KvfErrorText(-24), "No error description available");
  EXPECT_STREQ(KvfErrorText(-20), "No error description available");
  EXPECT_STREQ(KvfErrorText(0), "No error");
  EXPECT_STREQ(KvfErrorText(-18), "Sorry, the password was wrong.");
  EXPECT_STREQ(KvfErrorText(-23), "Wrong Library interface");
}

TEST(KvfApi, AVersionOneFileIsRefusedWithItsVersionReported) {
  const std::vector<std::uint8_t> file = ByteBuilder().Text("WV").U8(1).U8(0).Zeros(40).Bytes();
  const ApiDecoded decoded = ApiDecode(file, {});
  EXPECT_EQ(decoded.code, -16);
  EXPECT_EQ(decoded.info.version, 1);
  EXPECT_EQ(ApiDecode(ByteBuilder().Text("WV").Bytes(), {}).code, -17);
  EXPECT_EQ(ApiDecode(ByteBuilder().Text("XV").U8(2).U8(0).Bytes(), {}).code, -9);
}

TEST(KvfApi, EncoderChecksLayoutColourModeAndMaxval) {
  const Pixels grey = MakeFlat(16, 16, 0, 9);
  KvfImage image = ImageOf(grey);
  KvfWorkspace workspace = Workspace();
  KvfEncodeParams params{};
  params.levels = 3;
  params.quality = 1024;
  params.colourMode = 2;
  EXPECT_EQ(KvfEncodeInit(&image, &params, &workspace), -5);
  params.colourMode = 1;
  image.maxval = 256;
  EXPECT_EQ(KvfEncodeInit(&image, &params, &workspace), -4);
  image.maxval = 255;
  EXPECT_EQ(KvfEncodeInit(&image, &params, &workspace), 0);
  EXPECT_GT(workspace.sizes[4], 0u);
  image.format = 18;
  EXPECT_EQ(KvfEncodeInit(&image, &params, &workspace), -4);
  image.format = 0;
  image.width = 0;
  EXPECT_EQ(KvfEncodeInit(&image, &params, &workspace), -3);
}

TEST(KvfApi, EncoderRowBlocksMustFollowEachOther) {
  const Pixels grey = MakePhoto(32, 40, 0);
  KvfImage image = ImageOf(grey);
  KvfWorkspace workspace = Workspace();
  std::vector<std::uint8_t> out(4096);
  KvfEncodeParams params{};
  params.outBuffer = out.data();
  params.outSize = static_cast<std::uint32_t>(out.size());
  params.levels = 3;
  params.quality = 1024;
  params.colourMode = 1;
  ASSERT_EQ(KvfEncodeInit(&image, &params, &workspace), 0);
  ApiBuffers buffers;
  buffers.Allocate(workspace);
  params.flags = KVF_FIRST_CALL;
  params.endRow = 8;
  ASSERT_EQ(KvfEncode(&image, &params, &workspace), 0);
  params.flags = 0;
  params.firstRow = 16;  // rows 8..15 left out
  params.endRow = 24;
  EXPECT_EQ(KvfEncode(&image, &params, &workspace), -3);
  params.firstRow = 8;
  params.endRow = 40;
  params.flags = KVF_LAST_CALL;
  EXPECT_EQ(KvfEncode(&image, &params, &workspace), 0);
  EXPECT_GT(params.written, 0u);
  EXPECT_EQ(params.qualityReached, 1024);
}

TEST(KvfApi, OutputScalesOnlyByPowersOfTwo) {
  Pixels smooth{1024, 768, 0, {}};
  for (std::uint32_t y = 0; y < 768; ++y) {
    for (std::uint32_t x = 0; x < 1024; ++x)
      smooth.bytes.push_back(static_cast<std::uint8_t>(x / 8 + y / 6));
  }
  const std::vector<std::uint8_t> file = ApiEncode(smooth, {});
  ASSERT_FALSE(file.empty());
  const ApiDecoded quarter = ApiDecode(file, {.width = 256, .height = 192});
  EXPECT_EQ(quarter.code, 0);
  EXPECT_EQ(quarter.info.width, 1024u);
  EXPECT_EQ(quarter.info.levels, 6);
  EXPECT_EQ(ApiDecode(file, {.width = 300, .height = 225}).code, -3);
  EXPECT_EQ(ApiDecode(file, {.width = 512, .height = 300}).code, -3);

  // The quarter-size output of a smooth picture is close to its 4 x 4 block means.
  const ApiDecoded full = ApiDecode(file, {});
  ASSERT_EQ(full.code, 0);
  double error = 0;
  for (std::uint32_t y = 0; y < 192; ++y) {
    for (std::uint32_t x = 0; x < 256; ++x) {
      int sum = 0;
      for (int dy = 0; dy < 4; ++dy) {
        for (int dx = 0; dx < 4; ++dx) sum += full.picture.bytes[(4 * y + dy) * 1024 + 4 * x + dx];
      }
      error += std::abs(sum / 16.0 - quarter.picture.bytes[y * 256 + x]);
    }
  }
  EXPECT_LT(error / (256 * 192), 2.0);
}

TEST(KvfApi, DecoderRefusesLayoutsAndReferenceSizesItCannotServe) {
  const std::vector<std::uint8_t> file = ApiEncode(MakePhoto(64, 64, 0), {});
  EXPECT_EQ(ApiDecode(file, {.layout = 16}).code, -4);
  EXPECT_EQ(ApiDecode(file, {.layout = 48}).code, -4);
  EXPECT_EQ(ApiDecode(file, {.layout = 7}).code, -4);
  EXPECT_EQ(ApiDecode(file, {.width = 64, .height = 0xFFFF}).code, -3);
}

TEST(KvfApi, RowWindowsGiveThePictureOfOneCall) {
  const Pixels colour = MakePhoto(200, 150, 16, 3);
  const std::vector<std::uint8_t> file = ApiEncode(colour, {.colourMode = 2, .quality = 700});
  const ApiDecoded whole = ApiDecode(file, {.layout = 16});
  ASSERT_EQ(whole.code, 0);
  for (std::uint32_t window : {1u, 7u, 64u, 149u}) {
    const ApiDecoded windows = ApiDecode(file, {.layout = 16, .windowRows = window});
    ASSERT_EQ(windows.code, 0) << window;
    EXPECT_EQ(windows.picture, whole.picture) << window;
    EXPECT_EQ(windows.params.qualityReached, whole.params.qualityReached);
  }
  EXPECT_LT(whole.params.qualityReached, 1024);
  EXPECT_GT(MeanError(whole.picture, colour), 0.0) << "quality 700 loses something";
}

TEST(KvfApi, ASmallFetchBufferGivesThePictureOfTheWholeFileInMemory) {
  const Pixels colour = MakePhoto(300, 200, 16, 5);
  const std::vector<std::uint8_t> file = ApiEncode(colour, {.colourMode = 2});
  ASSERT_GT(file.size(), 3 * 4096u) << "the file must need several fetches";
  const ApiDecoded memory = ApiDecode(file, {.layout = 16, .bufferSize = 0});
  const ApiDecoded fetched = ApiDecode(file, {.layout = 16, .bufferSize = 4096});
  ASSERT_EQ(memory.code, 0);
  ASSERT_EQ(fetched.code, 0);
  EXPECT_EQ(fetched.picture, memory.picture);
  EXPECT_EQ(memory.picture, colour) << "lossless at full quality";
  EXPECT_EQ(memory.info.codedSize, file.size());
}

TEST(KvfApi, AHeaderLongerThanTheBufferIsReadAgainFromTheStart) {
  std::vector<std::uint8_t> secret(10000);
  for (std::size_t i = 0; i < secret.size(); ++i) secret[i] = static_cast<std::uint8_t>(i * 7);
  const Pixels grey = MakePhoto(64, 48, 0);
  const std::vector<std::uint8_t> file = ApiEncode(grey, {.privateData = secret});
  std::vector<std::uint8_t> received(secret.size() + 5);
  const ApiDecoded decoded = ApiDecode(file, {.bufferSize = 4096, .privateData = &received});
  ASSERT_EQ(decoded.code, 0) << KvfErrorText(decoded.code);
  EXPECT_EQ(decoded.picture, grey);
  EXPECT_EQ(decoded.params.privateRead, 1u);
  EXPECT_EQ(decoded.params.privateSize, secret.size());
  EXPECT_TRUE(std::equal(secret.begin(), secret.end(), received.begin()));

  std::vector<std::uint8_t> small(100);
  const ApiDecoded tooSmall = ApiDecode(file, {.privateData = &small});
  ASSERT_EQ(tooSmall.code, 0);
  EXPECT_EQ(tooSmall.params.privateRead, 0u);
  EXPECT_EQ(tooSmall.params.privateSize, secret.size());

  // Without a seek callback the buffer cannot be brought back to the start.
  MemoryReadFile reader(file, 4096);
  const KvfInputSource source = reader.Source(false);
  KvfDecodeParams params{};
  params.buffer = source.buffer.data();
  params.filled = source.filled;
  params.fetch = source.fetch;
  params.context = source.context;
  KvfWorkspace workspace = Workspace();
  ASSERT_EQ(KvfInit(&workspace), 0);
  ApiBuffers state;
  state.Allocate(workspace);
  KvfInfo info{};
  EXPECT_EQ(KvfReadHeader(&info, &params, &workspace), -15);
}

TEST(KvfApi, PasswordOpensTheQualityAboveTheFreeOne) {
  const Pixels grey = MakePhoto(128, 96, 0, 9);
  const KvfPassword lock = Password("open sesame", 300);
  const std::vector<std::uint8_t> file = ApiEncode(grey, {.password = &lock});
  const ApiDecoded free = ApiDecode(file, {});
  ASSERT_EQ(free.code, 0);
  EXPECT_EQ(free.info.freeQuality, 300);
  EXPECT_EQ(free.info.quality, 1024);
  EXPECT_LE(free.params.qualityReached, 300);
  EXPECT_NE(free.picture, grey);

  const KvfPassword right = Password("open sesame");
  const ApiDecoded full = ApiDecode(file, {.password = &right});
  ASSERT_EQ(full.code, 0);
  EXPECT_EQ(full.picture, grey);

  const KvfPassword wrong = Password("open sesamE");
  EXPECT_EQ(ApiDecode(file, {.password = &wrong}).code, -18);
}

TEST(KvfApi, ATruncatedFileDecodesToTheQualityReached) {
  const Pixels grey = MakePhoto(256, 256, 0, 4);
  const std::vector<std::uint8_t> file = ApiEncode(grey, {});
  int checked = 0;
  for (std::size_t cut :
       {file.size() * 3 / 4, file.size() / 2, std::size_t{200}, std::size_t{60}}) {
    const std::vector<std::uint8_t> part(file.begin(),
                                         file.begin() + static_cast<std::ptrdiff_t>(cut));
    const ApiDecoded decoded = ApiDecode(part, {.bufferSize = 1024});
    if (decoded.code == 0) {
      EXPECT_LT(decoded.params.qualityReached, 1024) << cut;
      ++checked;
    } else {
      EXPECT_TRUE(decoded.code == -17 || decoded.code == -9) << cut << ": " << decoded.code;
    }
  }
  EXPECT_GE(checked, 2) << "cuts inside the coded data still decode";
}

}  // namespace
}  // namespace kvf::test
