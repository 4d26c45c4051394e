// An OpenGL context that draws into memory instead of a window, for tests,
// benchmarks and the tools that render stills.  One implementation per
// platform layer (osmesa_offscreen_gl.cpp today); callers see only this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tumbleview {

class OffscreenGl {
 public:
  virtual ~OffscreenGl() = default;

  int width() const { return m_width; }    // pixels
  int height() const { return m_height; }  // pixels

  // Makes this context current on the calling thread.  False when the
  // platform refuses.
  virtual bool makeCurrent() = 0;

  // Waits for drawing to finish and returns the colour buffer as
  // width() * height() RGBA pixels, 4 bytes each, bottom row first.  The
  // context must be current.
  virtual std::vector<std::uint8_t> readPixels() = 0;

 protected:
  OffscreenGl(int width, int height) : m_width(width), m_height(height) {}

 private:
  int m_width;
  int m_height;
};

// Creates a context of `width` x `height` pixels with an RGBA colour buffer
// of 8 bits per channel and a depth buffer of at least 16 bits, and makes it
// current.  Programs must link this library ahead of libGL, or GL calls
// would reach libGL's dispatch instead of this context; that case is
// detected and reported as a failure.  On failure returns null and, when `why` is given, a short
// English reason; it never aborts the process.  Only one such context should
// be current per thread.
std::unique_ptr<OffscreenGl> createOffscreenGl(int width, int height, std::string* why = nullptr);

}  // namespace tumbleview
