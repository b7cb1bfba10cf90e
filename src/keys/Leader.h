#pragma once
// The leader of the right-hand chord: which right-hand modifiers are held.
//   command  the right Command key without any Option key
//   feature  the right Command key with an Option key (either side)
//   option   the right Option key without the right Command key

#include <optional>
#include <string_view>

namespace tarnlet {

enum class Leader { command = 0, option = 1, feature = 2 };

inline std::string_view leaderName(Leader leader) {
    switch (leader) {
        case Leader::command: return "command";
        case Leader::option: return "option";
        case Leader::feature: return "feature";
    }
    return "";
}

}  // namespace tarnlet
