#pragma once
// One scenario run: the simulated desktop, the whole application on it, and the transcript of what
// the system did. The commands of every area act on it:
//
//     session.desktop().keyboard().press(code);
//     session.print("backup: " + status);
//
// Areas keep what they need between lines (a cursor into the keys delivered, the last backup
// status) in session parts, made on first use with part<T>(); a part that must watch the whole run
// is registered with ScenarioCommands and made as the session starts. Main thread only.

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <typeindex>
#include <utility>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"
#include "base/Subscription.h"
#include "base/Value.h"
#include "platform/Accessibility.h"
#include "platform/StatusBar.h"
#include "platform/sim/SimDesktop.h"

namespace tarnlet {

class AppDelegate;
class ListMenuView;
struct NotchContent;

namespace scenario {

class ScenarioSession;

// What an area keeps in a session between lines, told of the panels shown and of each line's end.
class ScenarioPart {
public:
    virtual ~ScenarioPart() = default;
    virtual void panelShown(const sim::SimPanels::Record&) {}
    // After every line, once the work it caused has run and the core has written its reports.
    virtual void lineRan() {}
};

class ScenarioSession {
public:
    // An application started by an `app` line, and a window it opened by a `window` line.
    struct KnownWindow {
        AXElement element;
        std::string bundle;
        std::string title;
        Rect frame;  // as last reported
    };

    ScenarioSession(std::ostream& out, const std::filesystem::path& home, std::vector<std::string> launchArguments);
    ~ScenarioSession();
    ScenarioSession(const ScenarioSession&) = delete;
    ScenarioSession& operator=(const ScenarioSession&) = delete;

    sim::SimDesktop& desktop() { return m_desktop; }
    AppDelegate& app() { return *m_app; }

    // Starts the application with the scenario's arguments and these; a second launch is refused.
    Status launch(const std::vector<std::string>& extra);
    bool launched() const { return m_launched; }

    // Writes a transcript line stamped with the virtual time.
    void print(const std::string& text);

    // Bundle identifier → process of each application the scenario started.
    std::map<std::string, int>& apps() { return m_apps; }
    std::vector<KnownWindow>& windows() { return m_windows; }

    // Runs the work a line left due and writes what changed: windows moved, then each part's report.
    void lineRan();

    template <class T>
    T& part() {
        static_assert(std::is_base_of_v<ScenarioPart, T>);
        for (auto& [type, part] : m_parts)
            if (type == std::type_index(typeid(T))) return static_cast<T&>(*part);
        std::unique_ptr<T> made;
        if constexpr (std::is_constructible_v<T, ScenarioSession&>) made = std::make_unique<T>(*this);
        else made = std::make_unique<T>();
        T& result = *made;
        m_parts.emplace_back(std::type_index(typeid(T)), std::move(made));
        return result;
    }

private:
    void reportWindowMoves();

    std::ostream& m_out;
    sim::SimDesktop m_desktop;
    std::vector<std::string> m_launchArguments;
    std::unique_ptr<AppDelegate> m_app;
    bool m_launched = false;
    Subscription m_applicationEvents;
    std::size_t m_pastesReported = 0;
    std::map<std::string, int> m_apps;
    std::vector<KnownWindow> m_windows;
    std::vector<std::pair<std::type_index, std::unique_ptr<ScenarioPart>>> m_parts;
};

// The transcript's way of writing things, shared by its reports and by the expectations' messages.
// Whole numbers without decimals, others with up to three.
std::string number(double value);
std::string describe(const Rect& rect);
// Equal as the transcript writes them: to the third decimal.
bool sameAsWritten(const Rect& a, const Rect& b);
std::string describe(const Value& value);
// A bar: "icon text, … | icon badge, … — caption".
std::string describe(const NotchContent& content);
// A list menu: its header, then each row's slot and title.
std::string describe(const ListMenuView& view);
// A menu: its items joined with " | ", a check mark before checked ones, disabled ones in
// parentheses, a submenu in brackets after its item, separators as "—".
std::string describe(const Menu& menu);

}  // namespace scenario
}  // namespace tarnlet
