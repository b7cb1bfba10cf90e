#pragma once
// The services of one backend, handed to the application core at construction. The backend owns
// them and outlives the core.

namespace tarnlet {

class MainQueue;
class TaskQueues;
class DefaultsSuites;
class EventTaps;
class HotKeys;
class Folders;
class Notices;
class Permissions;
class Screens;
class SystemFacts;
class SystemLog;
class Workspace;
class WindowServer;

struct Platform {
    MainQueue& mainQueue;
    TaskQueues& taskQueues;
    DefaultsSuites& defaults;
    EventTaps& eventTaps;
    HotKeys& hotKeys;
    Folders& folders;
    Notices& notices;
    Permissions& permissions;
    Screens& screens;
    SystemFacts& systemFacts;
    SystemLog& systemLog;
    Workspace& workspace;
    WindowServer& windowServer;
};

}  // namespace tarnlet
