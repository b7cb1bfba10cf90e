#pragma once
// Posts user notices. A notice is shown only when the program runs under a bundle identifier and
// the user allowed notices; a later notice with the same identifier replaces the earlier one. A
// transient notice is withdrawn after its lifetime; posting the same identifier again cancels the
// pending withdrawal, so a fresh notice is never withdrawn early by an old timer.
// Main thread only.

#include <map>
#include <string>

#include "base/WeakToken.h"
#include "platform/MainQueue.h"

namespace tarnlet {

class Notices;
class SystemFacts;

struct Notice {
    std::string identifier;
    std::string title;
    std::string body;
};

class Notifier {
public:
    Notifier(Notices& notices, MainQueue& queue, SystemFacts& facts) : m_notices(notices), m_queue(queue), m_facts(facts) {}

    void post(const std::string& identifier, const std::string& title, const std::string& body);
    void post(const Notice& notice) { post(notice.identifier, notice.title, notice.body); }
    void postTransient(const std::string& identifier, const std::string& title, const std::string& body, double lifetime);

private:
    Notices& m_notices;
    MainQueue& m_queue;
    SystemFacts& m_facts;
    std::map<std::string, WorkItem> m_removals;
    WeakFactory m_weak;
};

}  // namespace tarnlet
