#pragma once
// `tarnlet settings list|get KEY|set KEY VALUE [--profile 1|2]`: the settings of a profile read
// and written from scripts, without a display, on the same files the running program uses. Keys
// and values are checked exactly as a scenario's `settings set` line checks them; a bad key or a
// value of the wrong type is refused with a message and exit status 2, and nothing is written. A
// running Tarnlet sees the changed file and applies it.
//
// Values are printed as JSON text (strings quoted, lists in brackets); `get` of a key that holds
// no value and has no default prints "null". Without --profile the active profile is used. The
// profile selector ("settings.activeProfile") always lives in profile one's file, which is where
// the program looks for it.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tarnlet {

class SettingsCommand {
public:
    static constexpr const char* kUsage =
        "usage: tarnlet settings list [--profile 1|2]\n"
        "       tarnlet settings get KEY [--profile 1|2]\n"
        "       tarnlet settings set KEY VALUE [--profile 1|2]\n";

    // arguments: what follows "settings"; folder: where the settings files live. Returns the exit
    // status: 0 done, 1 the file could not be written, 2 a bad command, key or value.
    static int run(const std::vector<std::string>& arguments, const std::filesystem::path& folder, std::ostream& out,
                   std::ostream& err);
};

}  // namespace tarnlet
