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
    FontMetrics metrics(const Font& font) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tarnlet::host
