#pragma once
// Measures text with Pango, exactly as the Cairo renderer lays it out. Headless: it needs fonts,
// not a display. Main thread only.

#include <map>
#include <memory>
#include <tuple>

#include "platform/TextMeasurer.h"

namespace tarnlet::host {

class PangoTextMeasurer : public TextMeasurer {
public:
    PangoTextMeasurer();
    ~PangoTextMeasurer() override;
    PangoTextMeasurer(const PangoTextMeasurer&) = delete;
    PangoTextMeasurer& operator=(const PangoTextMeasurer&) = delete;

    Size measure(const std::string& text, const Font& font) override;
    Size measureWrapped(const std::string& text, const Font& font, double width, double lineSpacing) override;

    // Shared with the Cairo renderer, so that a wrapping text is drawn as it was measured. A wrap
    // width beyond this bound is refused (Pango keeps widths in 32-bit units), and line spacing
    // that is negative or not a number counts as none; very large spacing is capped.
    static constexpr double kLargestWrapWidth = 1.0e6;
    static constexpr double kLargestLineSpacing = 1000;
    static double wrapSpacing(double lineSpacing);
    FontMetrics metrics(const Font& font) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tarnlet::host
