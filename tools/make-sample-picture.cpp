// Writes the program's sample picture: a 24-bit BMP of a small synthetic landscape with
// smooth gradients, hard edges, fine texture and saturated colours, so that a codec's
// strengths and weaknesses all show.
//
// Usage: make-sample-picture OUTPUT.bmp [WIDTH HEIGHT]

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
  double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Deterministic value noise in [0, 1).
double hashNoise(int x, int y) {
  std::uint32_t h =
      static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFF) / 65536.0;
}

double smoothNoise(double x, double y) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top = hashNoise(x0, y0) + (hashNoise(x0 + 1, y0) - hashNoise(x0, y0)) * sx;
  const double bottom =
      hashNoise(x0, y0 + 1) + (hashNoise(x0 + 1, y0 + 1) - hashNoise(x0, y0 + 1)) * sx;
  return top + (bottom - top) * sy;
}

double fractal(double x, double y) {
  double sum = 0, amplitude = 0.5;
  for (int octave = 0; octave < 5; ++octave, x *= 2, y *= 2, amplitude /= 2) {
    sum += amplitude * smoothNoise(x, y);
  }
  return sum;
}

Rgb shade(int x, int y, int width, int height) {
  const double u = double(x) / width, v = double(y) / height;   // v = 0 at the top
  Rgb colour = mix({70, 120, 200}, {200, 220, 240}, v / 0.55);  // sky
  const double sunDistance = std::hypot(u - 0.75, (v - 0.2) * height / width);
  if (sunDistance < 0.06)
    colour = {255, 240, 180};
  else if (sunDistance < 0.12)
    colour = mix({255, 230, 170}, colour, (sunDistance - 0.06) / 0.06);

  const double ridge = 0.5 + 0.08 * std::sin(u * 9) + 0.1 * (fractal(u * 6, 1.5) - 0.5);
  if (v > ridge) {  // mountains with texture
    const double t = fractal(u * 40, v * 40);
    colour = mix({90, 100, 80}, {140, 130, 110}, t);
  }
  const double meadow = 0.7 + 0.03 * std::sin(u * 23);
  if (v > meadow) {  // grass, lighter towards the front
    const double t = fractal(u * 120, v * 80);
    colour = mix({40, 110, 30}, {150, 190, 60}, 0.3 * t + 0.7 * (v - meadow) / (1 - meadow));
  }
  // A red house with a white window: hard edges and saturated colour.
  if (u > 0.18 && u < 0.3 && v > 0.62 && v < 0.78) {
    colour = {190, 30, 25};
    if (u > 0.21 && u < 0.25 && v > 0.66 && v < 0.71) colour = {250, 250, 250};
  }
  if (v > 0.52 && v < 0.62 && u > 0.16 && u < 0.32 && v > 0.52 + std::abs(u - 0.24) * 1.2) {
    colour = {60, 40, 35};  // roof
  }
  return colour;
}

std::uint8_t clampByte(double v) {
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5);
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help") {
    std::fprintf(argc < 2 ? stderr : stdout,
                 "Usage: %s OUTPUT.bmp [WIDTH HEIGHT]\n"
                 "Writes the synthetic sample picture as a 24-bit BMP file.\n",
                 argv[0]);
    return argc < 2 ? 1 : 0;
  }
  const int width = argc > 3 ? std::atoi(argv[2]) : 768;
  const int height = argc > 3 ? std::atoi(argv[3]) : 512;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    std::fprintf(stderr, "width and height must be 1 to 16384\n");
    return 1;
  }
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  std::vector<std::uint8_t> file;
  file.push_back('B');
  file.push_back('M');
  put32(file, 54 + stride * height);
  put32(file, 0);
  put32(file, 54);
  put32(file, 40);
  put32(file, width);
  put32(file, height);
  put16(file, 1);
  put16(file, 24);
  put32(file, 0);
  put32(file, stride * height);
  put32(file, 2835);
  put32(file, 2835);
  put32(file, 0);
  put32(file, 0);
  for (int row = height - 1; row >= 0; --row) {  // BMP rows run bottom-up
    for (int x = 0; x < width; ++x) {
      const Rgb c = shade(x, row, width, height);
      const double grain = (hashNoise(x * 7 + 3, row * 5 + 1) - 0.5) * 6;  // sensor noise
      file.push_back(clampByte(c.b + grain));
      file.push_back(clampByte(c.g + grain));
      file.push_back(clampByte(c.r + grain));
    }
    file.resize(file.size() + (stride - 3 * width), 0);
  }
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
