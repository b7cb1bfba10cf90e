#pragma once
// What a tool's wiring unit may reach: the platform services, the settings, the watchers several
// tools share, the chord, the notch's narrow face, notices, the permission and the menu-bar menu.
// The application owns every object named here and outlives every tool. Main thread only.

#include "platform/AppFiles.h"
#include "platform/Platform.h"

namespace tarnlet {

class AccessibilityPermission;
class BatteryMonitor;
class DragWatcher;
class FeatureChords;
class HotKeyWatcher;
class LeaderWatcher;
class ModifierWatcher;
class NotchPort;
class Notifier;
class Settings;
class StatusMenuController;

struct ToolContext {
    Platform& platform;
    Settings& settings;
    const AppFiles& appFiles;
    ModifierWatcher& modifiers;
    HotKeyWatcher& hotKeys;
    DragWatcher& drags;
    BatteryMonitor& battery;
    LeaderWatcher& leaderKeys;
    FeatureChords& featureChords;
    NotchPort& notch;
    Notifier& notifier;
    AccessibilityPermission& permission;
    StatusMenuController& statusMenu;
    // The appearance the pickers are drawn in; set before any tool is built.
    bool darkAppearance = false;
};

}  // namespace tarnlet
