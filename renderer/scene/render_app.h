// The renderer's scene: a lit cube turning on black, every face showing a
// live 256 x 256 render of a lit sphere wrapped in the user's picture.
//
// Three phases, as in any GL screen-saver module: the constructor makes the
// textures, the font and the fixed GL state once; DrawFrame draws one frame
// into the back buffer from the angles and the measured frame rate; the
// destructor frees what the constructor made.  All of it needs the OpenGL
// context that is current at construction, on one thread.
//
// Shell values used (shell_state.h): screenWidth, screenHeight, fullScreen,
// clientWidth/clientHeight (windowed aspect ratio), keyDown (T previews the
// render target, H darkens a band), loadFailed (set by the constructor) and
// showPointer (called by the destructor).
#pragma once

#include <GL/gl.h>

#include <array>
#include <filesystem>
#include <memory>

#include "frame_timer.h"
#include "texture_font.h"

namespace tumbleview {

// Cube angles in degrees, kept across frames (and across RenderApp
// objects).  Each stays within (0, 360]: a value above 360 loses 360 once
// per frame.  The sphere turns by ten times yaw.
extern float pitch;  // about X, 5 degrees per second
extern float yaw;    // about Y, 9 degrees per second

// Side in pixels of the bottom-left square that the sphere pass draws and
// copies into the render-target texture.
inline constexpr int renderTargetSize = 256;

class RenderApp {
 public:
  // The picture from `picturePath` (empty: no picture), time from `clocks`.
  explicit RenderApp(const std::filesystem::path& picturePath,
                     FrameClocks clocks = FrameClocks::system());
  // Deletes the font, then both textures, then shows the pointer again.
  ~RenderApp();

  RenderApp(const RenderApp&) = delete;
  RenderApp& operator=(const RenderApp&) = delete;

  // Draws one frame into the back buffer; the caller presents it.
  void DrawFrame();

  // One-time GL state: view size, texturing, depth test, light 0, material.
  void InitScene();
  // Stores the size for the cube's aspect ratio (a height of 0 counts as 1),
  // sets the viewport to it and an orthographic screen-pixel projection.
  void SetViewSize(int width, int height);
  // Depth test on; 45-degree perspective with the stored aspect ratio.
  void SetPerspectiveView();
  // Lighting and depth test off; one unit per screen pixel, origin at the
  // bottom left.
  void SetOrthoView();

  // A sphere of `radius` as 2 * halfBands latitude quad strips of `slices`
  // slices, texture wrapped once around it (s from longitude 0 at +Z, t from
  // 0 at the south pole), normals pointing outwards.
  static void DrawSphere(float radius, int halfBands, int slices);
  // A cube of half-size `halfSize` centred on the origin, every face textured
  // with the whole texture.
  static void DrawCube(float halfSize);
  // Scales to unit length; the zero vector stays zero.
  static void NormalizeVec3(float vector[3]);

  // Texture names: 0 the picture (0 when not made), 1 the render target
  // (always 0, the context's default texture object).
  const std::array<GLuint, 2>& textures() const { return m_textures; }
  // Null when the picture could not be made.
  TextureFont* font() const { return m_font.get(); }
  float framesPerSecond() const { return m_framesPerSecond; }

 private:
  std::unique_ptr<TextureFont> m_font;
  FrameTimer m_frameTimer;
  std::array<GLuint, 2> m_textures{};
  float m_framesPerSecond;
  int m_viewWidth = 0;
  int m_viewHeight = 0;
};

}  // namespace tumbleview
