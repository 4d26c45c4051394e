#include "render_app.h"

#include <GL/glu.h>

#include <cmath>
#include <string>
#include <utility>

#include "shell_state.h"
#include "textures.h"

namespace tumbleview {

float pitch = 0.0f;
float yaw = 0.0f;

namespace {

constexpr float kPitchSpeed = 5.0f;  // degrees per second
constexpr float kYawSpeed = 9.0f;    // degrees per second
constexpr float kSphereSpin = 10.0f;  // sphere angle per degree of yaw
constexpr float kFullTurn = 360.0f;
constexpr float kStartFramesPerSecond = 200.0f;

constexpr double kFieldOfView = 45.0;  // degrees, vertical
constexpr double kNearPlane = 0.1;
constexpr double kFarPlane = 100.0;

constexpr float kSphereRadius = 10.0f;
constexpr int kSphereHalfBands = 10;
constexpr int kSphereSlices = 20;
constexpr float kSphereDistance = 35.0f;
constexpr float kCubeHalfSize = 10.0f;
constexpr float kCubeDistance = 45.0f;

// Where the T preview shows the render target, in screen pixels.
constexpr int kPreviewInset = 10;

// Degrees to radians in single precision; the sphere's vertices follow it
// bit for bit.
constexpr float kDegreesToRadians = 0.017453292f;

}  // namespace

RenderApp::RenderApp(const std::filesystem::path& picturePath, FrameClocks clocks)
    : m_frameTimer(std::move(clocks)), m_framesPerSecond(kStartFramesPerSecond) {
  const std::string path = picturePath.string();
  const char* pathOrNull = path.empty() ? nullptr : path.c_str();

  if (!LoadMipmappedTexture(pathOrNull, m_textures[0])) {
    shellState().loadFailed = 1;
    return;
  }
  m_font = std::make_unique<TextureFont>(pathOrNull, shellState().loadFailed);
  if (shellState().loadFailed == 0) InitScene();
}

RenderApp::~RenderApp() {
  m_font.reset();
  // Slot 1 holds 0, which glDeleteTextures ignores.
  glDeleteTextures(static_cast<GLsizei>(m_textures.size()), m_textures.data());
  if (shellState().showPointer) shellState().showPointer();
}

void RenderApp::InitScene() {
  const ShellState& shell = shellState();
  if (shell.fullScreen) {
    SetViewSize(shell.screenWidth, shell.screenHeight);
  } else {
    SetViewSize(shell.clientWidth, shell.clientHeight);
  }

  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  const GLfloat ambientLight[] = {0.2f, 0.2f, 0.2f, 1.0f};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambientLight);

  // Given under the identity modelview, so the light stays fixed relative to
  // the eye whatever the scene does.
  const GLfloat lightDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
  const GLfloat lightPosition[] = {0.0f, 0.0f, 10.0f, 1.0f};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
  glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
  glEnable(GL_LIGHT0);

  const GLfloat materialColour[] = {1.0f, 1.0f, 1.0f, 1.0f};
  const GLfloat materialSpecular[] = {0.9f, 0.9f, 0.9f, 1.0f};
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, materialColour);
  glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
  glMaterialf(GL_FRONT, GL_SHININESS, 128.0f);

  glColor3f(1.0f, 1.0f, 1.0f);
}

void RenderApp::SetViewSize(int width, int height) {
  // A zero height would make the aspect ratio infinite.
  if (height == 0) height = 1;
  m_viewWidth = width;
  m_viewHeight = height;

  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, shellState().screenWidth, 0.0, shellState().screenHeight, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void RenderApp::SetPerspectiveView() {
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfView,
                 static_cast<double>(static_cast<float>(m_viewWidth) /
                                     static_cast<float>(m_viewHeight)),
                 kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void RenderApp::SetOrthoView() {
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, shellState().screenWidth, 0.0, shellState().screenHeight, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void RenderApp::DrawFrame() {
  // A scene whose construction failed has nothing to draw with; the shell
  // never asks, but a stray call must not reach the missing font.
  if (!m_font || shellState().loadFailed != 0) return;
  const ShellState& shell = shellState();

  // Pass 1: the sphere, into the bottom-left render-target square.
  glEnable(GL_LIGHTING);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfView, 1.0, kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glViewport(0, 0, renderTargetSize, renderTargetSize);
  glClearColor(0.0f, 0.0f, 0.4f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, m_textures[0]);
  glTranslatef(0.0f, 0.0f, -kSphereDistance);
  // The angle from before this frame's update.
  glRotatef(kSphereSpin * yaw, 0.0f, 1.0f, 0.0f);

  // Each frame advances by the previous frame's duration.  An infinite rate
  // (a frame measured as taking no time) adds nothing.
  pitch += kPitchSpeed / m_framesPerSecond;
  yaw += kYawSpeed / m_framesPerSecond;
  // Strictly above a full turn, once: 360 itself stays.  Ten times yaw
  // wraps by 3600 degrees, whole turns of the sphere, so nothing jumps.
  if (yaw > kFullTurn) yaw -= kFullTurn;
  if (pitch > kFullTurn) pitch -= kFullTurn;

  DrawSphere(kSphereRadius, kSphereHalfBands, kSphereSlices);

  // Slot 1 is the default texture object; the copy redefines its image.
  glBindTexture(GL_TEXTURE_2D, m_textures[1]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, renderTargetSize, renderTargetSize, 0);

  // Pass 2: the cube over the whole screen, wearing the render target.
  glViewport(0, 0, shell.screenWidth, shell.screenHeight);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();

  SetPerspectiveView();
  glTranslatef(0.0f, 0.0f, -kCubeDistance);
  glRotatef(pitch, 1.0f, 0.0f, 0.0f);
  glRotatef(yaw, 0.0f, 1.0f, 0.0f);
  glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
  DrawCube(kCubeHalfSize);

  SetOrthoView();
  glDisable(GL_LIGHTING);

  if (shell.keyDown[kVkT]) {
    constexpr int kLow = kPreviewInset;
    constexpr int kHigh = kPreviewInset + renderTargetSize;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(kLow, kLow);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2i(kHigh, kLow);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2i(kHigh, kHigh);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(kLow, kHigh);
    glEnd();
  }

  // The overlay state stays in force into the next frame: the sphere pass
  // of every frame after the first is drawn blended and without depth test.
  m_font->BeginOverlay();

  m_framesPerSecond = static_cast<float>(1.0 / m_frameTimer.ElapsedSeconds());
  m_frameTimer.ResetTimer();

  if (shell.keyDown[kVkH]) m_font->drawDarkPanel();
}

void RenderApp::DrawSphere(float radius, int halfBands, int slices) {
  const float bandDegrees = 90.0f / static_cast<float>(halfBands);
  for (int i = -halfBands; i < halfBands; ++i) {
    const float phi0 = static_cast<float>(i) * 90.0f / static_cast<float>(halfBands);
    const float phi1 = phi0 + bandDegrees;
    const float t0 = static_cast<float>(i + halfBands) / static_cast<float>(2 * halfBands);
    const float t1 = static_cast<float>(i + halfBands + 1) / static_cast<float>(2 * halfBands);

    // Radians in single precision, trigonometry and products in double,
    // results stored as float.
    const double lower = static_cast<double>(phi0 * kDegreesToRadians);
    const double upper = static_cast<double>(phi1 * kDegreesToRadians);
    const float rho0 = static_cast<float>(radius * std::cos(lower));
    const float rho1 = static_cast<float>(radius * std::cos(upper));
    const float y0 = static_cast<float>(radius * std::sin(lower));
    const float y1 = static_cast<float>(radius * std::sin(upper));

    glBegin(GL_QUAD_STRIP);
    for (int j = 0; j <= slices; ++j) {
      const float theta =
          static_cast<float>(j) * 360.0f / static_cast<float>(slices) * kDegreesToRadians;
      const float s = static_cast<float>(j) / static_cast<float>(slices);
      const double sinTheta = std::sin(static_cast<double>(theta));
      const double cosTheta = std::cos(static_cast<double>(theta));

      // For j = 0 the sine is exactly 0, so the seam lies at X = 0, on +Z.
      const float bottom[3] = {static_cast<float>(rho0 * sinTheta), y0,
                               static_cast<float>(rho0 * cosTheta)};
      float normal[3] = {bottom[0], bottom[1], bottom[2]};
      NormalizeVec3(normal);
      glNormal3fv(normal);
      glTexCoord2f(s, t0);
      glVertex3fv(bottom);

      const float top[3] = {static_cast<float>(rho1 * sinTheta), y1,
                            static_cast<float>(rho1 * cosTheta)};
      normal[0] = top[0];
      normal[1] = top[1];
      normal[2] = top[2];
      NormalizeVec3(normal);
      glNormal3fv(normal);
      glTexCoord2f(s, t1);
      glVertex3fv(top);
    }
    glEnd();
  }
}

void RenderApp::DrawCube(float h) {
  struct Corner {
    float s, t, x, y, z;
  };
  struct Face {
    float nx, ny, nz;
    Corner corners[4];
  };
  const Face faces[] = {
      // front
      {0, 0, 1, {{0, 0, -h, -h, h}, {1, 0, h, -h, h}, {1, 1, h, h, h}, {0, 1, -h, h, h}}},
      // back
      {0, 0, -1, {{1, 0, -h, -h, -h}, {1, 1, -h, h, -h}, {0, 1, h, h, -h}, {0, 0, h, -h, -h}}},
      // top
      {0, 1, 0, {{0, 1, -h, h, -h}, {0, 0, -h, h, h}, {1, 0, h, h, h}, {1, 1, h, h, -h}}},
      // bottom
      {0, -1, 0, {{1, 1, -h, -h, -h}, {0, 1, h, -h, -h}, {0, 0, h, -h, h}, {1, 0, -h, -h, h}}},
      // right
      {1, 0, 0, {{1, 0, h, -h, -h}, {1, 1, h, h, -h}, {0, 1, h, h, h}, {0, 0, h, -h, h}}},
      // left
      {-1, 0, 0, {{0, 0, -h, -h, -h}, {1, 0, -h, -h, h}, {1, 1, -h, h, h}, {0, 1, -h, h, -h}}},
  };
  glBegin(GL_QUADS);
  for (const Face& face : faces) {
    glNormal3f(face.nx, face.ny, face.nz);
    for (const Corner& corner : face.corners) {
      glTexCoord2f(corner.s, corner.t);
      glVertex3f(corner.x, corner.y, corner.z);
    }
  }
  glEnd();
}

void RenderApp::NormalizeVec3(float vector[3]) {
  const float length = std::sqrt(vector[0] * vector[0] + vector[1] * vector[1] +
                                 vector[2] * vector[2]);
  if (length == 0.0f) {
    vector[0] = vector[1] = vector[2] = 0.0f;
    return;
  }
  vector[0] /= length;
  vector[1] /= length;
  vector[2] /= length;
}

}  // namespace tumbleview
