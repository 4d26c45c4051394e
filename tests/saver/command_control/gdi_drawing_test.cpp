// The gradient fill and the stretched copy against the platform's results.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gdi_drawing.h"

namespace {

using namespace tumbleview::gdi;
using tumbleview::stretchIndexMap;

constexpr std::uint32_t kUntouched = 0x12345678;

struct Buffer {
  Buffer(int w, int h) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), kUntouched) {}
  Surface surface() { return {pixels.data(), width, height, width}; }
  ConstSurface constSurface() const { return {pixels.data(), width, height, width}; }
  std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  int width, height;
  std::vector<std::uint32_t> pixels;
};

std::uint32_t rgb(int r, int g, int b) { return 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b); }

// Each row is the integer blend of the two colours, rounded down (191.25
// and 63.75 give 191 and 63); the right and bottom
// edges stay out; the geometry, not the mesh's order, decides the top; a
// mesh naming a vertex that is not there draws nothing.
TEST(GradientFill, VerticalRowsFollowTheIntegerBlendAndFarEdgesStayOut) {
  const struct { int y0, y1; GradientRect mesh; bool redOnTop; } cases[] = {
      {0, 4, {1, 0}, true}, {0, 4, {0, 1}, true}, {4, 0, {1, 0}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Buffer buffer(6, 6);
    const TriVertex vertices[2] = {{0, c.y0, 0xFF00, 0, 0, 0}, {4, c.y1, 0, 0, 0xFF00, 0}};
    ASSERT_TRUE(gradientFillRectV(buffer.surface(), vertices, c.mesh));
    for (int y = 0; y < 6; ++y) {
      const int t = c.redOnTop ? 4 - y : y;  // red's weight, in quarters
      for (int x = 0; x < 6; ++x) EXPECT_EQ(buffer.at(x, y), x < 4 && y < 4 ? rgb(255 * t / 4, 0, 255 * (4 - t) / 4) : kUntouched) << x << "," << y;
    }
  }
  const TriVertex vertices[2] = {{0, 0, 0, 0, 0, 0}, {1, 3, 0xFF00, 0xFF00, 0xFF00, 0}};
  Buffer other(2, 2);
  EXPECT_FALSE(gradientFillRectV(other.surface(), vertices, {0, 2}));
  EXPECT_EQ(other.at(0, 0), kUntouched);
}

// An enlargement shows the source pixel under each destination centre (a
// centre on a boundary belongs to the earlier pixel), so it keeps both ends;
// a reduction keeps the first pixel and never repeats one.
TEST(StretchBlt, MappingsAreMonotoneAndCoverTheRange) {
  for (int s = 1; s <= 64; ++s) {
    for (int d = 1; d <= 128; ++d) {
      const auto offsets = stretchIndexMap(s, d);
      ASSERT_EQ(offsets.size(), std::size_t(d));
      for (int i = 0; i < d; ++i) {
        const int o = offsets[std::size_t(i)];
        if (s <= d) {
          ASSERT_EQ(o, ((2 * i + 1) * s + 2 * d - 1) / (2 * d) - 1) << s << "->" << d << " at " << i;
        } else {
          ASSERT_TRUE(i == 0 ? o == 0 : o > offsets[std::size_t(i - 1)]) << s << "->" << d << " at " << i;
          ASSERT_LT(o, s) << s << "->" << d;
        }
      }
    }
  }
}

// Block copies by whole factors are tested with the host's stretched copy;
// here the mirrored and clipped pieces.
TEST(StretchBlt, MirroredAndClippedPieces) {
  Buffer source(4, 4);
  for (int i = 0; i < 16; ++i) source.pixels[std::size_t(i)] = rgb(i % 4, i / 4, 0);
  // A negative destination width runs leftwards from its origin.
  Buffer mirror(4, 1);
  ASSERT_TRUE(stretchBltColorOnColor(mirror.surface(), {3, 0, -4, 1}, source.constSurface(), {0, 0, 4, 1}));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(mirror.at(x, 0), rgb(3 - x, 0, 0));

  // Parts outside either picture are skipped, not read or written.
  Buffer clipped(3, 3);
  ASSERT_TRUE(stretchBltColorOnColor(clipped.surface(), {-1, 1, 4, 4}, source.constSurface(), {2, 2, 4, 4}));
  EXPECT_EQ(clipped.at(0, 1), rgb(3, 2, 0));
  EXPECT_EQ(clipped.at(1, 1), kUntouched);  // source column 4 does not exist
  EXPECT_EQ(clipped.at(0, 0), kUntouched);

  EXPECT_FALSE(stretchBltColorOnColor(clipped.surface(), {0, 0, 0, 3}, source.constSurface(), {0, 0, 4, 4}));
}

}  // namespace
