#include "keys/KeyTapLogic.h"

#include "keys/KeyCodes.h"
#include "platform/InputEvent.h"

namespace tarnlet {

namespace {

// The character a key stands for under a leader, or none when the leader has no use for the key.
std::optional<std::string> characterFor(Leader leader, std::uint16_t code) {
    if (const auto letter = KeyCodes::letter(code)) return std::string(*letter);
    switch (leader) {
        case Leader::command:
            if (code == KeyCodes::kSemicolon) return std::string(":");
            if (const auto media = KeyCodes::media(code)) return std::string(*media);
            if (const auto digit = KeyCodes::digit(code)) return std::string(*digit);
            return std::nullopt;
        case Leader::feature:
            if (code == KeyCodes::kGrave) return std::string("~");
            if (const auto digit = KeyCodes::digit(code)) return std::string(*digit);
            return std::nullopt;
        case Leader::option:
            return std::nullopt;  // The option leader serves letters only.
    }
    return std::nullopt;
}

}  // namespace

std::optional<Leader> KeyTapLogic::leaderFromFlags(std::uint64_t flags) {
    // Only the device-dependent bits tell the right-hand keys from the left-hand ones; the Option
    // bit covers both sides, so either Option key turns the command leader into the feature leader.
    if (flags & ModifierFlag::rightCommand)
        return (flags & ModifierFlag::option) ? Leader::feature : Leader::command;
    if (flags & ModifierFlag::rightOption) return Leader::option;
    return std::nullopt;
}

bool KeyTapLogic::keyDown(std::uint16_t code, std::uint64_t flags, const Handler& handler) {
    // A claimed key belongs to its consumer until its key-up, whatever the modifiers do meanwhile:
    // its auto-repeat is swallowed without asking again, even when the leader was let go or Control
    // came down after the claim. Checking this first keeps the pair whole, so the front application
    // never sees repeats of a key whose key-up it will not receive.
    if (consumedKeys.count(code)) return true;

    if (!leader) return false;
    if (flags & ModifierFlag::control) return false;
    // Right Option with Command held is an ordinary Command-Option shortcut of the front application.
    if (*leader == Leader::option && (flags & ModifierFlag::command)) return false;

    const auto character = characterFor(*leader, code);
    if (!character || !handler) return false;
    // The handler may tear down whatever owns this value; a declined key touches nothing afterwards.
    if (!handler(*leader, *character)) return false;
    consumedKeys.insert(code);
    return true;
}

bool KeyTapLogic::keyUp(std::uint16_t code) { return consumedKeys.erase(code) > 0; }

std::vector<std::uint16_t> KeyTapLogic::claimableKeys() {
    // Virtual key codes stay below 128.
    std::vector<std::uint16_t> codes;
    for (std::uint16_t code = 0; code < 128; ++code)
        for (const Leader leader : {Leader::command, Leader::option, Leader::feature})
            if (characterFor(leader, code)) {
                codes.push_back(code);
                break;
            }
    return codes;
}

}  // namespace tarnlet
