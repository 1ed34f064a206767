// The converter's SSIM against scikit-image's on photographs coded as JPEG 2000 and JPEG at
// several qualities. The photographs are ImageMagick's built-in pictures, enlarged.
#include <gtest/gtest.h>

#include "tools/convert/ConvertProgram.h"

namespace quillon {
namespace {

// Prints scikit-image's mean SSIM of the luminance of two binary PPM files, with the window
// and constants the converter uses.
constexpr const char* kReferenceScript = R"(
import sys
import numpy as np
from skimage.metrics import structural_similarity

def luminance(path):
    data = open(path, 'rb').read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    width, height = int(fields[1]), int(fields[2])
    assert fields[0] == b'P6' and int(fields[3]) == 255, path
    rgb = np.frombuffer(data, np.uint8, width * height * 3, at + 1).reshape(height, width, 3)
    rgb = rgb.astype(np.float64)
    return 0.299 * rgb[:, :, 0] + 0.587 * rgb[:, :, 1] + 0.114 * rgb[:, :, 2]

print('%.6f' % structural_similarity(luminance(sys.argv[1]), luminance(sys.argv[2]),
      gaussian_weights=True, sigma=1.5, use_sample_covariance=False, data_range=255))
)";

class SsimInterop : public ConvertProgram {
 protected:
  double ScikitSsim(const std::string& reference, const std::string& file) {
    const std::string script = Path("ssim.py");
    std::ofstream(script) << kReferenceScript;
    const ProgramRun run =
        Shell("/usr/bin/python3 " + Quote(script) + " " + Quote(reference) + " " + Quote(file));
    EXPECT_EQ(run.status, 0) << run.err;
    return std::strtod(run.out.c_str(), nullptr);
  }
};

TEST_F(SsimInterop, AgreesWithScikitImageOnCodedPhotographs) {
  struct Photo {
    const char* name;
    const char* magick;  // ImageMagick arguments that make it
  };
  const Photo photos[] = {{"rose", "rose: -resize 400%"},
                          {"logo", "logo: -resize 50%"},
                          {"plasma", "-size 200x150 -seed 7 plasma:fractal"}};
  int pairs = 0;
  for (const Photo& photo : photos) {
    const std::string source = Path(std::string(photo.name) + ".ppm");
    const ProgramRun made =
        Shell(std::string("convert ") + photo.magick + " -depth 8 " + Quote(source));
    ASSERT_EQ(made.status, 0) << made.err;
    struct Coding {
      const char* extension;
      std::vector<std::string> options;
    };
    const Coding codings[] = {
        {".jp2", {"--quality", "5"}},       {".jp2", {"--quality", "30"}},
        {".jp2", {"--quality", "80"}},      {".j2k", {"--rate", "40"}},
        {".jpg", {"--jpeg-quality", "10"}}, {".jpg", {"--jpeg-quality", "75"}}};
    for (const Coding& coding : codings) {
      const std::string label =
          std::string(photo.name) + coding.extension + " " + coding.options[1];
      const std::string coded = Path("coded" + std::string(coding.extension));
      const std::string decoded = Path("decoded.ppm");
      std::vector<std::string> encode = coding.options;
      encode.insert(encode.end(), {source, coded});
      ASSERT_EQ(Convert(encode).status, 0) << label;
      ASSERT_EQ(Convert({coded, decoded}).status, 0) << label;
      const double ours = Measure(Compare(source, decoded), "SSIM");
      const double theirs = ScikitSsim(source, decoded);
      EXPECT_NEAR(ours, theirs, 0.01) << label;
      EXPECT_GT(theirs, 0.0) << label;
      EXPECT_LT(theirs, 1.0) << label;
      ++pairs;
    }
  }
  EXPECT_EQ(pairs, 18);
}

}  // namespace
}  // namespace quillon
