// placeholder until the Pango measurer lands
#include "platform/host/PangoTextMeasurer.h"

namespace tarnlet::host {
struct PangoTextMeasurer::Impl {};
PangoTextMeasurer::PangoTextMeasurer() = default;
PangoTextMeasurer::~PangoTextMeasurer() = default;
Size PangoTextMeasurer::measure(const std::string& text, const Font& font) {
    return {static_cast<double>(text.size()) * font.size * 0.6, font.size * 1.2};
}
FontMetrics PangoTextMeasurer::metrics(const Font& font) { return {font.size * 0.9, font.size * 0.3, font.size * 0.7}; }
}  // namespace tarnlet::host
