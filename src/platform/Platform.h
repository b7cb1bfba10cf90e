#pragma once
// The services of one backend, handed to the application core at construction. The backend owns
// them and outlives the core. It is an aggregate of references, assembled in one place per backend
// with designated initialisers, so that a service left out (or one added here and not yet provided
// by a backend) is a compile error rather than a null service found at run time:
//
//     Platform platform{.mainQueue = m_queue, .accessibility = m_accessibility, …};
//
// Main thread only, like most of the services it names; each service's header says where it may be
// used from.

namespace tarnlet {

class MainQueue;
class TaskQueues;
class Accessibility;
class Alerts;
class Haptics;
class InputIdle;
class PowerAssertions;
class StatusBar;
class Volumes;
class ColorSampler;
class DefaultsSuites;
class EventTaps;
class HotKeys;
class Mouse;
class Folders;
class Notices;
class Panels;
class Pasteboard;
class Permissions;
class PowerSources;
class Screens;
class SystemFacts;
class SystemLog;
class TextMeasurer;
class Workspace;
class WindowServer;

struct Platform {
    MainQueue& mainQueue;
    Accessibility& accessibility;
    TaskQueues& taskQueues;
    DefaultsSuites& defaults;
    EventTaps& eventTaps;
    HotKeys& hotKeys;
    Mouse& mouse;
    Folders& folders;
    Notices& notices;
    Permissions& permissions;
    Panels& panels;
    Pasteboard& pasteboard;
    PowerSources& powerSources;
    Screens& screens;
    SystemFacts& systemFacts;
    SystemLog& systemLog;
    TextMeasurer& textMeasurer;
    Workspace& workspace;
    WindowServer& windowServer;
    Alerts& alerts;
    Haptics& haptics;
    InputIdle& inputIdle;
    PowerAssertions& powerAssertions;
    StatusBar& statusBar;
    Volumes& volumes;
    ColorSampler& colorSampler;
};

}  // namespace tarnlet
