#include "core/formats/jp2/DecodedColour.h"

#include <lcms2.h>

#include <algorithm>
#include <memory>

namespace quillon {

namespace {

// Little CMS handles released when they go out of scope.
struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;
using TransformHandle = std::unique_ptr<void, TransformDeleter>;

std::uint8_t Clamp8(double value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

// A transform from `input` in `format` to sRGB as blue, green, red bytes; null when Little
// CMS refuses the profile.
TransformHandle ToSrgb(cmsHPROFILE input, cmsUInt32Number format) {
  if (input == nullptr) return nullptr;
  ProfileHandle srgb(cmsCreate_sRGBProfile());
  return TransformHandle(
      cmsCreateTransform(input, format, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0));
}

std::uint8_t* TopRow(Picture& picture, std::int32_t line) {
  return picture.Row(picture.GetHeight() - 1 - line);
}

void ConvertYcc(Picture& picture) {
  const std::int32_t width = picture.GetWidth();
  for (std::int32_t line = 0; line < picture.GetHeight(); ++line) {
    std::uint8_t* pixel = TopRow(picture, line);
    for (std::int32_t x = 0; x < width; ++x, pixel += 3) {
      std::uint8_t rgb[3];
      YccToRgb(pixel[2], pixel[1], pixel[0], rgb);
      pixel[0] = rgb[2];
      pixel[1] = rgb[1];
      pixel[2] = rgb[0];
    }
  }
}

// Cyan, magenta, yellow in the red, green, blue slots and K beside them, to four bytes a pixel.
void GatherCmyk(const std::uint8_t* pixel, const std::uint8_t* k, std::int32_t width,
                std::uint8_t* cmyk) {
  for (std::int32_t x = 0; x < width; ++x, pixel += 3, cmyk += 4) {
    cmyk[0] = pixel[2];
    cmyk[1] = pixel[1];
    cmyk[2] = pixel[0];
    cmyk[3] = k[x];
  }
}

void ConvertCmyk(Picture& picture, const std::vector<std::uint8_t>& fourth, cmsHPROFILE profile) {
  const std::int32_t width = picture.GetWidth();
  const TransformHandle transform = ToSrgb(profile, TYPE_CMYK_8);
  std::vector<std::uint8_t> cmyk(std::size_t(width) * 4);
  for (std::int32_t line = 0; line < picture.GetHeight(); ++line) {
    std::uint8_t* pixel = TopRow(picture, line);
    GatherCmyk(pixel, fourth.data() + std::size_t(line) * width, width, cmyk.data());
    if (transform) {
      cmsDoTransform(transform.get(), cmyk.data(), pixel, static_cast<cmsUInt32Number>(width));
      continue;
    }
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint8_t* c = &cmyk[std::size_t(x) * 4];
      const int white = 255 - c[3];
      for (int i = 0; i < 3; ++i)
        pixel[3 * x + 2 - i] = static_cast<std::uint8_t>((255 - c[i]) * white / 255);
    }
  }
}

// Range and offset of one Lab channel on the 8-bit scale of the stored samples.
struct LabScale {
  double range;
  double offset;
};

LabScale ScaleOf(std::uint32_t range, std::uint32_t offset, std::uint32_t depth) {
  const double top =
      static_cast<double>((std::uint64_t{1} << std::clamp<std::uint32_t>(depth, 1, 32)) - 1);
  return {static_cast<double>(range), static_cast<double>(offset) * 255.0 / top};
}

void ConvertLab(Picture& picture, const Jp2ColourPlan& plan, JP2_LabParams lab) {
  const std::uint32_t depthL = plan.used[0].depth;
  const std::uint32_t depthA = plan.used[1].depth;
  const std::uint32_t depthB = plan.used[2].depth;
  if (lab.rl == 0 && lab.ra == 0 && lab.rb == 0) {
    // The defaults of the CIELab colour description without its range and offset fields.
    lab.rl = 100;
    lab.ol = 0;
    lab.ra = 170;
    lab.oa = 1u << (std::clamp<std::uint32_t>(depthA, 1, 32) - 1);
    lab.rb = 200;
    const std::uint32_t b = std::clamp<std::uint32_t>(depthB, 3, 32);
    lab.ob = (1u << (b - 2)) + (1u << (b - 3));
  }
  const LabScale l = ScaleOf(lab.rl, lab.ol, depthL);
  const LabScale a = ScaleOf(lab.ra, lab.oa, depthA);
  const LabScale b = ScaleOf(lab.rb, lab.ob, depthB);
  ProfileHandle labProfile(cmsCreateLab4Profile(nullptr));
  const TransformHandle transform = ToSrgb(labProfile.get(), TYPE_Lab_DBL);
  if (!transform) return;
  const std::int32_t width = picture.GetWidth();
  std::vector<double> values(std::size_t(width) * 3);
  for (std::int32_t line = 0; line < picture.GetHeight(); ++line) {
    std::uint8_t* pixel = TopRow(picture, line);
    for (std::int32_t x = 0; x < width; ++x) {
      values[3 * std::size_t(x)] = (pixel[3 * x + 2] - l.offset) * l.range / 255.0;
      values[3 * std::size_t(x) + 1] = (pixel[3 * x + 1] - a.offset) * a.range / 255.0;
      values[3 * std::size_t(x) + 2] = (pixel[3 * x] - b.offset) * b.range / 255.0;
    }
    cmsDoTransform(transform.get(), values.data(), pixel, static_cast<cmsUInt32Number>(width));
  }
}

void ConvertRgbThroughProfile(Picture& picture, cmsHPROFILE profile) {
  const TransformHandle transform = ToSrgb(profile, TYPE_BGR_8);
  if (!transform) return;
  const std::int32_t width = picture.GetWidth();
  std::vector<std::uint8_t> line(std::size_t(width) * 3);
  for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
    std::uint8_t* pixel = TopRow(picture, y);
    std::copy_n(pixel, line.size(), line.data());
    cmsDoTransform(transform.get(), line.data(), pixel, static_cast<cmsUInt32Number>(width));
  }
}

}  // namespace

void YccToRgb(std::uint8_t y, std::uint8_t cb, std::uint8_t cr, std::uint8_t rgb[3]) {
  const double luma = y;
  const double blue = cb - 128.0;
  const double red = cr - 128.0;
  rgb[0] = Clamp8(luma + 1.402 * red + 0.5);
  rgb[1] = Clamp8(luma - 0.34413 * blue - 0.71414 * red + 0.5);
  rgb[2] = Clamp8(luma + 1.772 * blue + 0.5);
}

void ConvertDecodedColour(Picture& picture, const Jp2ColourPlan& plan,
                          const std::vector<std::uint8_t>& fourth,
                          const DecodedColourSource& source) {
  ProfileHandle profile;
  if (!source.iccProfile.empty()) {
    profile.reset(cmsOpenProfileFromMem(source.iccProfile.data(),
                                        static_cast<cmsUInt32Number>(source.iccProfile.size())));
  }
  switch (plan.space) {
    case Jp2WorkingSpace::Grey:
      return;
    case Jp2WorkingSpace::Rgb:
      if (profile) ConvertRgbThroughProfile(picture, profile.get());
      return;
    case Jp2WorkingSpace::Ycc:
      ConvertYcc(picture);
      return;
    case Jp2WorkingSpace::Cmyk:
      ConvertCmyk(picture, fourth, profile.get());
      return;
    case Jp2WorkingSpace::Lab:
      ConvertLab(picture, plan, source.lab);
      return;
  }
}

}  // namespace quillon
