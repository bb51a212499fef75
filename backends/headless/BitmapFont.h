// A tiny 5x7 bitmap font of our own for labels in generated pictures (ASCII 32..126).
#pragma once

#include <string>

#include "PngWriter.h"

namespace tv::headless {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between letters

// Rows of a character, top first, bit 4 the leftmost column. Characters outside the font get a
// hollow box so that a missing glyph is noticed rather than silently dropped.
const unsigned char* GlyphRows(char c);

// Width in pixels of text drawn at the given scale.
int TextWidth(const std::string& text, int scale);
// Draws text with its top left corner at (x, y), each font pixel a scale x scale square; pixels
// outside the picture are skipped.
void DrawText(Image& image, int x, int y, const std::string& text, int scale, const uint8_t rgb[3]);

}  // namespace tv::headless
