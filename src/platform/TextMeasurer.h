#pragma once
// Measures text as the renderer will draw it, so that layouts and pixels agree. Main thread.

#include <string>

#include "base/Drawing.h"

namespace tarnlet {

struct FontMetrics {
    double ascent = 0;     // above the baseline
    double descent = 0;    // below the baseline, positive
    double capHeight = 0;  // height of the capital letters above the baseline
};

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // The size of one line of text: its advance width and the line height of the font.
    virtual Size measure(const std::string& text, const Font& font) = 0;
    // The size of text wrapped within `width` as a wrapping draw::Text lays it out: the width of
    // its widest line and the height of all its lines, `lineSpacing` extra points between
    // consecutive lines. A width that is not a positive number measures as nothing.
    virtual Size measureWrapped(const std::string& text, const Font& font, double width, double lineSpacing) = 0;
    virtual FontMetrics metrics(const Font& font) = 0;
};

}  // namespace tarnlet
