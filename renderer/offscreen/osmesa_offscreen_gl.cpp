// Offscreen contexts through Mesa's OSMesa: the colour buffer is plain
// memory that we own.
#include <GL/gl.h>
#include <GL/osmesa.h>


#include "offscreen_gl.h"

namespace tumbleview {
namespace {

constexpr int kDepthBits = 24;
constexpr int kMinimumDepthBits = 16;
constexpr int kMaximumSide = 16384;

class OsmesaOffscreenGl final : public OffscreenGl {
 public:
  OsmesaOffscreenGl(int width, int height, OSMesaContext context)
      : OffscreenGl(width, height),
        m_context(context),
        m_buffer(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {}

  ~OsmesaOffscreenGl() override {
    if (OSMesaGetCurrentContext() == m_context) {
      OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
    }
    OSMesaDestroyContext(m_context);
  }

  OsmesaOffscreenGl(const OsmesaOffscreenGl&) = delete;
  OsmesaOffscreenGl& operator=(const OsmesaOffscreenGl&) = delete;

  bool makeCurrent() override {
    return OSMesaMakeCurrent(m_context, m_buffer.data(), GL_UNSIGNED_BYTE, width(), height()) ==
           GL_TRUE;
  }

  std::vector<std::uint8_t> readPixels() override {
    std::vector<std::uint8_t> pixels(m_buffer.size());
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

 private:
  OSMesaContext m_context;
  std::vector<std::uint8_t> m_buffer;
};

void setWhy(std::string* why, const char* text) {
  if (why) *why = text;
}

}  // namespace

std::unique_ptr<OffscreenGl> createOffscreenGl(int width, int height, std::string* why) {
  if (width <= 0 || height <= 0 || width > kMaximumSide || height > kMaximumSide) {
    setWhy(why, "offscreen size out of range");
    return nullptr;
  }
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, kDepthBits, 0, 0, nullptr);
  if (context == nullptr) {
    setWhy(why, "OSMesa could not create a context");
    return nullptr;
  }
  auto gl = std::make_unique<OsmesaOffscreenGl>(width, height, context);
  if (!gl->makeCurrent()) {
    setWhy(why, "OSMesa could not make the context current");
    return nullptr;
  }
  // When libGL's entry points shadow OSMesa's (link order), every GL call
  // silently goes nowhere; better to say so than to draw nothing.
  const GLubyte* version = glGetString(GL_VERSION);
  if (version == nullptr) {
    setWhy(why, "GL calls do not reach OSMesa (link libOSMesa before libGL)");
    return nullptr;
  }
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  if (depthBits < kMinimumDepthBits) {
    setWhy(why, "OSMesa context has too few depth bits");
    return nullptr;
  }
  return gl;
}

}  // namespace tumbleview
