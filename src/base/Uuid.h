#pragma once
// A random (version 4) UUID. Text forms are canonical 8-4-4-4-12 hex, upper case as the platform
// prints identifiers, lower case where files or URLs want it. Safe on any thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnlet {

class Uuid {
public:
    // A fresh random identifier.
    static Uuid random();
    // Parses the canonical form in either case; none for anything else.
    static std::optional<Uuid> parse(std::string_view text);

    std::string uppercased() const;
    std::string lowercased() const;
    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : m_bytes(bytes) {}
    std::string text(bool upper) const;

    std::array<std::uint8_t, 16> m_bytes{};
};

}  // namespace tarnlet
