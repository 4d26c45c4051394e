#include "texture_font.h"

#include "textures.h"

namespace tumbleview {
namespace {

constexpr int kGlyphCount = 256;
constexpr int kGridSide = 16;
constexpr float kCellSize = 1.0f / kGridSide;  // in texture coordinates
constexpr int kGlyphSide = 16;                  // overlay units
constexpr double kPenAdvance = 11.0;            // overlay units

constexpr double kOverlayWidth = 800.0;
constexpr double kOverlayHeight = 600.0;

}  // namespace

TextureFont::TextureFont(const char* path, int& loadFailed) {
  if (!LoadPlainTexture(path, m_texture)) {
    loadFailed = 1;
    return;
  }
  loadFailed = 0;

  m_listBase = glGenLists(kGlyphCount);
  glBindTexture(GL_TEXTURE_2D, m_texture);
  for (int i = 0; i < kGlyphCount; ++i) {
    const float cx = static_cast<float>(i % kGridSide) / kGridSide;
    const float cy = static_cast<float>(i / kGridSide) / kGridSide;
    glNewList(m_listBase + i, GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(cx, 1.0f - cy - kCellSize);
    glVertex2i(0, 0);
    glTexCoord2f(cx + kCellSize, 1.0f - cy - kCellSize);
    glVertex2i(kGlyphSide, 0);
    glTexCoord2f(cx + kCellSize, 1.0f - cy);
    glVertex2i(kGlyphSide, kGlyphSide);
    glTexCoord2f(cx, 1.0f - cy);
    glVertex2i(0, kGlyphSide);
    glEnd();
    glTranslated(kPenAdvance, 0.0, 0.0);
    glEndList();
  }
}

TextureFont::~TextureFont() {
  if (m_listBase != 0) glDeleteLists(m_listBase, kGlyphCount);
  if (m_texture != 0) glDeleteTextures(1, &m_texture);
}

void TextureFont::BeginOverlay() {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_COLOR);
  glEnable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, m_texture);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, kOverlayWidth, 0.0, kOverlayHeight, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
}

void TextureFont::drawDarkPanel() {
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // Black at alpha 0.6 leaves 40 % of what lies behind.
  glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
  glLoadIdentity();
  glBegin(GL_QUADS);
  glVertex2i(80, 400);
  glVertex2i(800, 400);
  glVertex2i(800, 555);
  glVertex2i(80, 555);
  glEnd();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_COLOR);
  glEnable(GL_TEXTURE_2D);
}

}  // namespace tumbleview
