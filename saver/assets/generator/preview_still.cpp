#include "preview_still.h"

#include <cstdint>
#include <memory>

#include "frame_timer.h"
#include "offscreen_gl.h"
#include "render_app.h"
#include "shell_state.h"

namespace tumbleview::assets {
namespace {

constexpr int kScale = 4;
// Angles of the cube before the first frame, in degrees: a corner turned
// towards the viewer so that three faces show.
constexpr float kStartPitch = 28.0f;
constexpr float kStartYaw = 38.0f;
constexpr int kFrames = 4;
constexpr std::int64_t kTicksPerSecond = 1024;
constexpr std::int64_t kTicksPerFrame = kTicksPerSecond / 32;

// A frame clock that advances only between frames, so the still does not
// depend on how fast this machine draws.
FrameClocks steppedClocks(const std::shared_ptr<std::int64_t>& ticks) {
  FrameClocks clocks;
  clocks.counterFrequency = [] { return kTicksPerSecond; };
  clocks.counterNow = [ticks] { return *ticks; };
  clocks.milliseconds = [ticks] { return static_cast<std::uint32_t>(*ticks); };
  return clocks;
}

}  // namespace

QImage renderPreviewStill(const QString& picturePath, std::string* why) {
  const int width = kPreviewWidth * kScale;
  const int height = kPreviewHeight * kScale;
  shellState() = ShellState{};
  shellState().screenWidth = width;
  shellState().screenHeight = height;
  shellState().clientWidth = width;
  shellState().clientHeight = height;
  pitch = kStartPitch;
  yaw = kStartYaw;

  auto context = createOffscreenGl(width, height, why);
  if (!context) return {};
  auto ticks = std::make_shared<std::int64_t>(0);
  std::vector<std::uint8_t> pixels;
  {
    RenderApp app(picturePath.toStdString(), steppedClocks(ticks));
    if (shellState().loadFailed != 0) {
      if (why) *why = "the renderer could not load " + picturePath.toStdString();
      return {};
    }
    for (int frame = 0; frame < kFrames; ++frame) {
      *ticks += kTicksPerFrame;
      app.DrawFrame();
    }
    pixels = context->readPixels();
  }
  if (pixels.size() != std::size_t(width) * std::size_t(height) * 4) {
    if (why) *why = "unexpected frame size";
    return {};
  }
  // GL rows run bottom to top.
  QImage frame(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = pixels.data() + std::size_t(height - 1 - y) * std::size_t(width) * 4;
    auto* out = reinterpret_cast<QRgb*>(frame.scanLine(y));
    for (int x = 0; x < width; ++x) out[x] = qRgb(row[4 * x], row[4 * x + 1], row[4 * x + 2]);
  }
  return frame.scaled(kPreviewWidth, kPreviewHeight, Qt::IgnoreAspectRatio,
                      Qt::SmoothTransformation);
}

}  // namespace tumbleview::assets
