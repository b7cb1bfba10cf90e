#pragma once
// The mounted volumes (disks, drives, disk images) and their mount and unmount notifications.
// Main thread.

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "base/Subscription.h"

namespace tarnlet {

struct Volume {
    std::filesystem::path url;
    // Whether the volume is on an internal device; none when the system could not tell.
    std::optional<bool> isInternal;
    bool isHidden = false;
};

enum class VolumeEvent { mounted, unmounted };

class Volumes {
public:
    virtual ~Volumes() = default;
    // The mounted volumes, hidden ones included (callers skip them).
    virtual std::vector<Volume> mountedVolumes() const = 0;
    // Called on the main queue after a volume was mounted or unmounted.
    virtual Subscription observe(std::function<void(VolumeEvent, const Volume&)> onEvent) = 0;
};

}  // namespace tarnlet
