#pragma once
// A system symbol image by name ("tray.fill", "eye.fill"), with the description read out by
// accessibility tools. The renderer resolves the name to a drawing.

#include <string>

namespace tarnlet {

struct SymbolImage {
    std::string name;
    std::string accessibilityDescription;
    friend bool operator==(const SymbolImage&, const SymbolImage&) = default;
};

}  // namespace tarnlet
