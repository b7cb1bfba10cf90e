#pragma once
// The decisions of the leader key tap, as a plain value: which leader the modifiers make, which
// key-downs a consumer claims, and which key-ups must therefore be swallowed too. No platform
// contact, so every rule is testable on its own.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "keys/Leader.h"

namespace tarnlet {

struct KeyTapLogic {
    // Offered a key under a leader: true when the consumer claims it.
    using Handler = std::function<bool(Leader, const std::string& character)>;

    std::optional<Leader> leader;
    // Codes whose key-down was swallowed and whose key-up is still to come.
    std::set<std::uint16_t> consumedKeys;

    // The leader a modifier flag word makes, or none.
    static std::optional<Leader> leaderFromFlags(std::uint64_t flags);
    // Whether the key under the current leader is claimed; a claimed code joins consumedKeys.
    bool keyDown(std::uint16_t code, std::uint64_t flags, const Handler& handler);
    // Whether the key-up belongs to a claimed key-down (and so is swallowed); forgets the code.
    bool keyUp(std::uint16_t code);
    // The filtering tap is needed while a leader is held or a claimed key is still down.
    bool needsTap() const { return leader.has_value() || !consumedKeys.empty(); }
    // Every key code some leader can offer to a consumer, in ascending order.
    static std::vector<std::uint16_t> claimableKeys();
};

}  // namespace tarnlet
