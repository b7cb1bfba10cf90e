#include "clipboard/Snippet.h"

#include "clipboard/TextLines.h"

namespace tarnlet {

std::string Snippet::previewOf(std::string_view body) {
    const auto start = TextLines::firstVisible(body);
    if (!start) return {};
    std::string_view line = body.substr(*start, TextLines::lineEnd(body, *start, body.size()) - *start);
    while (!line.empty() && TextLines::isSpaceOrTab(line.back())) line.remove_suffix(1);

    const TextLines::Characters characters(line);
    const auto cut = characters.offsetAfter(kPreviewLimit);
    if (!cut || *cut >= line.size()) return std::string(line);
    std::string out(line.substr(0, *characters.offsetAfter(kPreviewLimit - 1)));
    out += "…";
    return out;
}

}  // namespace tarnlet
