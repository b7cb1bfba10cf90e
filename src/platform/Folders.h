#pragma once
// The user's folders. The simulated desktop lays them out as the reference desktop does, under a
// sandbox home; a Linux backend maps them onto the XDG folders. Paths are absolute; nothing here
// creates a folder. Any thread.

#include <filesystem>

namespace tarnlet {

class Folders {
public:
    virtual ~Folders() = default;
    virtual std::filesystem::path home() const = 0;
    // The folder under which the application keeps its data ("Tarnlet" is appended by AppFiles).
    virtual std::filesystem::path applicationSupport() const = 0;
    // The folder that holds the diagnostic log itself.
    virtual std::filesystem::path logs() const = 0;
    virtual std::filesystem::path temporary() const = 0;
    virtual std::filesystem::path desktop() const = 0;
};

}  // namespace tarnlet
