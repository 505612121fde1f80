// Tandrel's icon as shipped, read frame by frame as Windows reads it: its edge must stay in sight
// on the taskbar, dark or light, at every size the shell may choose.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Rgba {
  std::uint8_t r, g, b, a;
};

struct Frame {
  int size = 0;
  int bitCount = 0;
  bool png = false;
  std::vector<Rgba> pixels;  // rows from the top
};

std::uint32_t Le(const std::vector<unsigned char>& bytes, size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}

// The icon directory, then each image: PNG data, or a BITMAPINFOHEADER with rows of BGRA from the
// bottom (the AND mask after them is not read: 32-bit images go by their alpha).
std::vector<Frame> Frames(const std::vector<unsigned char>& ico) {
  std::vector<Frame> frames;
  if (ico.size() < 6 || Le(ico, 2, 2) != 1) return frames;
  for (std::uint32_t i = 0; i < Le(ico, 4, 2); ++i) {
    const size_t entry = 6 + 16 * i;
    Frame frame;
    frame.size = ico.at(entry) == 0 ? 256 : ico.at(entry);
    frame.bitCount = static_cast<int>(Le(ico, entry + 6, 2));
    const size_t bytes = Le(ico, entry + 8, 4);
    const size_t at = Le(ico, entry + 12, 4);
    if (at + bytes > ico.size()) break;
    const unsigned char* data = ico.data() + at;
    frame.pixels.resize(static_cast<size_t>(frame.size) * frame.size);
    frame.png = bytes >= 8 && png_sig_cmp(data, 0, 8) == 0;
    if (frame.png) {
      png_image image{};
      image.version = PNG_IMAGE_VERSION;
      if (!png_image_begin_read_from_memory(&image, data, bytes)) break;
      image.format = PNG_FORMAT_RGBA;
      if (image.width != static_cast<png_uint_32>(frame.size) || image.height != image.width ||
          !png_image_finish_read(&image, /* background= */ nullptr, frame.pixels.data(), /* row_stride= */ 0,
                                 /* colormap= */ nullptr)) {
        png_image_free(&image);
        break;
      }
    } else {
      const size_t header = Le(ico, at, 4);
      if (Le(ico, at + 4, 4) != static_cast<std::uint32_t>(frame.size) || Le(ico, at + 14, 2) != 32 ||
          header + 4 * frame.pixels.size() > bytes)
        break;
      for (size_t p = 0; p < frame.pixels.size(); ++p) {
        const size_t row = frame.size - 1 - p / frame.size;
        const unsigned char* bgra = data + header + 4 * (row * frame.size + p % frame.size);
        frame.pixels[p] = {bgra[2], bgra[1], bgra[0], bgra[3]};
      }
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

// WCAG 2's relative luminance of an sRGB colour, and the contrast ratio of two.
double Luminance(double r, double g, double b) {
  auto linear = [](double c) {
    c /= 255;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}
double Contrast(double l1, double l2) { return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05); }

struct Taskbar {
  const char* name;
  double grey;
};

// The least contrast of the frame's outermost opaque ring, each pixel laid over the taskbar by its
// alpha. Opaque is 7/8 alpha or more: below 5/6 a pixel is edge smoothing that no colour can hold
// at 3:1 against both taskbars.
double EdgeContrast(const Frame& frame, const Taskbar& taskbar, std::string& where) {
  const int n = frame.size;
  auto opaque = [&](int x, int y) { return x >= 0 && y >= 0 && x < n && y < n && frame.pixels[y * n + x].a >= 224; };
  const double back = Luminance(taskbar.grey, taskbar.grey, taskbar.grey);
  double least = 21;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (!opaque(x, y) || (opaque(x - 1, y) && opaque(x + 1, y) && opaque(x, y - 1) && opaque(x, y + 1))) continue;
      const Rgba& p = frame.pixels[y * n + x];
      const double a = p.a / 255.0;
      auto over = [&](double c) { return a * c + (1 - a) * taskbar.grey; };
      const double contrast = Contrast(Luminance(over(p.r), over(p.g), over(p.b)), back);
      if (contrast < least) {
        least = contrast;
        where = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
      }
    }
  }
  return least;
}

TEST(TrayIcon, EveryFrameKeepsItsEdgeAtThreeToOneOnDarkAndLightTaskbars) {
  std::ifstream file(TANDREL_ICON, std::ios::binary);
  ASSERT_TRUE(file) << TANDREL_ICON;
  const std::vector<unsigned char> ico{std::istreambuf_iterator<char>(file), {}};
  const std::vector<Frame> frames = Frames(ico);

  std::vector<int> sizes;
  for (const Frame& frame : frames) sizes.push_back(frame.size);
  std::sort(sizes.begin(), sizes.end());
  ASSERT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 72, 96, 128, 256})) << "a frame could not be read";

  const Taskbar taskbars[] = {{"dark", 0x20}, {"light", 0xF3}};
  for (const Frame& frame : frames) {
    SCOPED_TRACE(std::to_string(frame.size) + " px");
    EXPECT_EQ(frame.bitCount, 32);
    if (frame.size == 256) {
      EXPECT_TRUE(frame.png) << "the largest frame is stored as PNG";
    }
    for (const Taskbar& taskbar : taskbars) {
      std::string where;
      EXPECT_GE(EdgeContrast(frame, taskbar, where), 3.0) << "on the " << taskbar.name << " taskbar at " << where;
    }
  }
}

}  // namespace
