// Antialiased text into a Mask, through FreeType, with the face found by fontconfig.
// The mask's scale stretches the glyphs, so text drawn into a pre-stretched picture
// reads normally once the program squashes it.
#pragma once

#include <memory>
#include <string>

#include "data/tools/canvas.h"

namespace ember {

// Ink bounds of a laid-out line, in design units, relative to the pen origin
// on the baseline (y grows downwards).
struct TextBox {
  float left = 0, top = 0, right = 0, bottom = 0;
  float Width() const { return right - left; }
  float Height() const { return bottom - top; }
};

class TextPainter {
 public:
  TextPainter();
  ~TextPainter();
  TextPainter(const TextPainter&) = delete;
  TextPainter& operator=(const TextPainter&) = delete;

  // Finds a bold sans-serif face (DejaVu Sans Bold first) and opens it.
  bool Open(std::string& error);
  const std::string& FontPath() const { return fontPath_; }

  // `size` is the em size in design units, `tracking` extra space after each letter.
  TextBox Measure(const std::string& text, float size, float tracking, float scaleX, float scaleY);
  // Draws the text so that the centre of its ink box lies at (cx, cy), design units.
  void DrawCentered(Mask& mask, const std::string& text, float size, float tracking, float cx,
                    float cy);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string fontPath_;
};

}  // namespace ember
