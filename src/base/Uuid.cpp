#include "base/Uuid.h"

#include <random>

namespace tarnlet {

Uuid Uuid::random() {
    // One seeded engine per thread; std::random_device alone can be slow on some systems.
    thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    std::array<std::uint8_t, 16> bytes{};
    const std::uint64_t hi = engine();
    const std::uint64_t lo = engine();
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(hi >> (56 - 8 * i));
        bytes[8 + i] = static_cast<std::uint8_t>(lo >> (56 - 8 * i));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return Uuid(bytes);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::size_t byte = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        const int high = nibble(text[i]);
        const int low = i + 1 < text.size() ? nibble(text[i + 1]) : -1;
        if (high < 0 || low < 0 || i + 1 == 8 || i + 1 == 13 || i + 1 == 18 || i + 1 == 23) return std::nullopt;
        bytes[byte++] = static_cast<std::uint8_t>(high << 4 | low);
        i += 2;
    }
    return Uuid(bytes);
}

std::string Uuid::text(bool upper) const {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    out.reserve(36);
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
        out.push_back(digits[m_bytes[i] >> 4]);
        out.push_back(digits[m_bytes[i] & 0x0F]);
    }
    return out;
}

std::string Uuid::uppercased() const { return text(true); }
std::string Uuid::lowercased() const { return text(false); }

}  // namespace tarnlet
