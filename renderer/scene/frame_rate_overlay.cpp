#include "frame_rate_overlay.h"

#include <GL/gl.h>

#include <array>
#include <cstdio>

namespace tumbleview {
namespace {

// Seven segments, bit 0 to 6: top, upper right, lower right, bottom, lower
// left, upper left, middle.
constexpr std::array<unsigned, 10> kDigitSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                     0x6D, 0x7D, 0x07, 0x7F, 0x6F};
// Segment ends in a cell one unit wide and two high.
constexpr float kSegmentEnds[7][4] = {{0, 2, 1, 2}, {1, 2, 1, 1}, {1, 1, 1, 0}, {0, 0, 1, 0},
                                      {0, 0, 0, 1}, {0, 1, 0, 2}, {0, 1, 1, 1}};

constexpr float kDigitWidth = 8.0f;   // pixels
constexpr float kAdvance = 13.0f;     // pixels from one figure to the next
constexpr float kMargin = 10.0f;      // pixels from the corner
constexpr float kLineWidth = 2.0f;    // pixels

void drawFigure(char figure, float x, float y) {
  if (figure == '.') {
    glVertex2f(x, y);
    glVertex2f(x + kLineWidth, y);
    return;
  }
  if (figure < '0' || figure > '9') return;
  const unsigned segments = kDigitSegments[static_cast<unsigned>(figure - '0')];
  for (int s = 0; s < 7; ++s) {
    if ((segments & (1u << s)) == 0) continue;
    glVertex2f(x + kSegmentEnds[s][0] * kDigitWidth, y + kSegmentEnds[s][1] * kDigitWidth);
    glVertex2f(x + kSegmentEnds[s][2] * kDigitWidth, y + kSegmentEnds[s][3] * kDigitWidth);
  }
}

}  // namespace

void drawFrameRate(double framesPerSecond, int width, int height) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", framesPerSecond);

  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glColor3f(1.0f, 1.0f, 1.0f);
  glLineWidth(kLineWidth);
  glBegin(GL_LINES);
  float x = kMargin;
  for (const char* figure = text; *figure != '\0'; ++figure, x += kAdvance) drawFigure(*figure, x, kMargin);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
}

}  // namespace tumbleview
