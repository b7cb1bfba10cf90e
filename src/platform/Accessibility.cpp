#include "platform/Accessibility.h"

namespace tarnlet {

std::uint64_t AXElement::hash() const {
    // A 64-bit mix (splitmix64's finaliser), so neighbouring identifiers spread over every bit.
    std::uint64_t z = m_id + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace tarnlet
