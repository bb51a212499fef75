#include "FpsOverlay.h"

#include <cstdio>
#include <vector>

#include "BitmapFont.h"
#include "render/Gl.h"

namespace tv::x11 {
namespace {

constexpr int kScale = 2;

// One glyph as a glBitmap image: rows bottom first, most significant bit leftmost, each font
// pixel a kScale square.
std::vector<GLubyte> GlyphBitmap(char c) {
  const unsigned char* rows = headless::GlyphRows(c);
  constexpr int bytesPerRow = (headless::kGlyphWidth * kScale + 7) / 8;
  std::vector<GLubyte> bits;
  for (int r = headless::kGlyphHeight - 1; r >= 0; --r) {
    GLubyte row[bytesPerRow] = {};
    for (int x = 0; x < headless::kGlyphWidth * kScale; ++x) {
      if (rows[r] & (0x10 >> (x / kScale))) row[x / 8] |= static_cast<GLubyte>(0x80 >> (x % 8));
    }
    for (int s = 0; s < kScale; ++s) bits.insert(bits.end(), row, row + bytesPerRow);
  }
  return bits;
}

}  // namespace

void FpsOverlay::FrameStarted() {
  frameStart_ = Clock::now();
  vertexCounter_.Take();  // what was sent between frames is not this frame's
}

void FpsOverlay::FrameDrawn() {
  const auto now = Clock::now();
  frameMs_ = std::chrono::duration<double, std::milli>(now - frameStart_).count();
  vertices_ = static_cast<long>(vertexCounter_.Take());
  ++framesInWindow_;
  const double seconds = std::chrono::duration<double>(now - windowStart_).count();
  if (seconds >= 1.0 || fps_ == 0) {
    fps_ = framesInWindow_ / seconds;
    framesInWindow_ = 0;
    windowStart_ = now;
  }
}

std::string FpsOverlay::Text() const {
  char text[96];
  std::snprintf(text, sizeof text, "FPS: %.1f\nFrame: %.2f ms\nVertices: %ld", fps_, frameMs_,
                vertices_);
  return text;
}

void FpsOverlay::Draw(int width, int height) const {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glColor3ub(255, 255, 0);
  const int lineHeight = (headless::kGlyphHeight + 3) * kScale;
  const std::string text = Text();
  int lines = 1;
  for (char c : text) lines += c == '\n';
  int y = 8 + (lines - 1) * lineHeight;
  glRasterPos2i(8, y);
  for (char c : text) {
    if (c == '\n') {
      y -= lineHeight;
      glRasterPos2i(8, y);
      continue;
    }
    const std::vector<GLubyte> bits = GlyphBitmap(c);
    glBitmap(headless::kGlyphWidth * kScale, headless::kGlyphHeight * kScale, 0, 0,
             headless::kGlyphAdvance * kScale, 0, bits.data());
  }
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopClientAttrib();
  glPopAttrib();
}

}  // namespace tv::x11
