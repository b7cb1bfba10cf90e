#include "main/scenario/ScenarioSession.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "app/AppDelegate.h"
#include "clipboard/ListMenuView.h"
#include "diagnostics/Log.h"
#include "main/scenario/ScenarioCommands.h"
#include "notch/NotchBarView.h"

namespace tarnlet::scenario {

ScenarioSession::ScenarioSession(std::ostream& out, const std::filesystem::path& home,
                                 std::vector<std::string> launchArguments)
    : m_out(out), m_desktop(home), m_launchArguments(std::move(launchArguments)) {
    auto& d = m_desktop;
    d.systemLog().onLine = [this](const sim::SimLogLine& line) {
        print((line.error ? "error: " : line.info ? "info: " : "log: ") + line.text);
    };
    d.notices().onPost = [this](const sim::SimNotice& n) {
        print("notice " + n.identifier + ": " + n.title + " — " + n.body);
    };
    d.notices().onRemove = [this](const std::string& id) { print("notice withdrawn: " + id); };
    d.defaults().onWrite = [this](const std::string& suite, const std::string& key, const std::optional<Value>& v) {
        print("setting " + key + (v ? " = " + describe(*v) : " removed") +
              (suite == sim::SimDefaults::kStandardSuite ? "" : "  [" + suite + "]"));
    };
    d.workspace().onOpenURL = [this](const std::string& url) { print("opened " + url); };
    m_applicationEvents = d.workspace().observeApplications([this](WorkspaceEvent event, const RunningApplication& app) {
        if (event == WorkspaceEvent::terminated) print(app.localizedName.value_or("?") + " quit");
    });
    d.panels().onShow = [this](const sim::SimPanels::Record& record) {
        if (auto bar = std::dynamic_pointer_cast<const NotchBarView>(record.content))
            print("notch bar: " + describe(bar->content()));
        if (auto menu = std::dynamic_pointer_cast<const ListMenuView>(record.content)) print("picker " + describe(*menu));
        for (auto& entry : m_parts) entry.second->panelShown(record);
    };
    d.statusBar().onMenuOpened = [this](const Menu& menu) { print("menu: " + describe(menu)); };
    d.powerAssertions().onChange = [this](const std::string& change) { print("power assertion: " + change); };
    d.keyboard().onDeliver = [this](const sim::SimKeyboard::Delivery& delivery) {
        if (!delivery.event.isKey() || delivery.event.isRepeat) return;
        print(delivery.application + " received " + sim::SimKeyboard::keyName(delivery.event.keyCode) +
              (delivery.event.type == EventType::keyUp ? " up" : " down"));
        // A paste happens as the key goes down; report what landed.
        const auto& pasted = m_desktop.keyboard().pasted();
        if (pasted.size() > m_pastesReported) {
            m_pastesReported = pasted.size();
            print(pasted.back().application + " pasted \"" + pasted.back().text + "\"");
        }
    };
    AppDelegate::Options options;
    options.installCrashReporter = true;
    m_app = std::make_unique<AppDelegate>(d.platform(), options);
    m_app->onSettingsWindowShown = [this] { print("settings window shown"); };
    ScenarioCommands::makeParts(*this);
}

ScenarioSession::~ScenarioSession() {
    // What the application releases as it goes is not part of the transcript.
    m_desktop.powerAssertions().onChange = nullptr;
    // The application unhooks the process-wide log from this desktop as it goes; the switch is
    // left off, as a fresh process has it.
    m_app.reset();
    Log::setDebugEnabled(false);
}

Status ScenarioSession::launch(const std::vector<std::string>& extra) {
    if (m_launched) return Failure{"the application is already running"};
    m_launched = true;
    std::vector<std::string> arguments = m_launchArguments;
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    m_app->applicationDidFinishLaunching(arguments);
    m_desktop.runUntilIdle();
    return success();
}

void ScenarioSession::print(const std::string& text) {
    m_out << '[' << std::fixed << std::setprecision(3) << std::setw(9) << m_desktop.queue().now() << "] " << text
          << '\n';
}

void ScenarioSession::lineRan() {
    m_desktop.runUntilIdle();
    reportWindowMoves();
    for (auto& entry : m_parts) entry.second->lineRan();
}

void ScenarioSession::reportWindowMoves() {
    for (auto& known : m_windows) {
        const auto frame = m_desktop.applications().windowFrame(known.element);
        if (!frame || *frame == known.frame) continue;
        known.frame = *frame;
        print("window \"" + known.title + "\" of " + known.bundle + " now at " + describe(*frame));
    }
}

std::string number(double value) {
    if (value == std::floor(value) && std::abs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    std::ostringstream out;
    out << std::setprecision(3) << std::fixed << value;
    std::string text = out.str();
    while (text.back() == '0') text.pop_back();
    return text;
}

std::string describe(const Rect& r) {
    return number(r.minX()) + " " + number(r.minY()) + " " + number(r.width()) + " " + number(r.height());
}

bool sameAsWritten(const Rect& a, const Rect& b) {
    const auto near = [](double x, double y) { return std::abs(x - y) < 0.0005 + 1e-9; };
    return near(a.minX(), b.minX()) && near(a.minY(), b.minY()) && near(a.width(), b.width()) &&
           near(a.height(), b.height());
}

std::string describe(const Value& value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

std::string describe(const NotchContent& content) {
    auto items = [](const std::vector<NotchBarItem>& side) {
        std::string out;
        for (const auto& item : side) {
            std::string part;
            if (item.icon) part += item.icon->name;
            if (item.badge) part += (part.empty() ? "" : " ") + *item.badge;
            if (item.text) part += (part.empty() ? "" : " ") + *item.text;
            out += (out.empty() ? "" : ", ") + part;
        }
        return out;
    };
    std::string out = items(content.left);
    const std::string right = items(content.right);
    if (!right.empty()) out += (out.empty() ? "| " : " | ") + right;
    if (content.caption) out += " — " + *content.caption;
    return out;
}

std::string describe(const ListMenuView& view) {
    std::string out = view.header().line() + ":";
    if (view.items().empty()) return out + " " + view.emptyText();
    for (const auto& item : view.items()) out += " " + (item.slot ? *item.slot + " " : std::string()) + item.title + ",";
    out.pop_back();
    return out;
}

std::string describe(const Menu& menu) {
    std::string out;
    for (const MenuItem& item : menu) {
        std::string part = item.isSeparator ? "—" : (item.checked ? "✓ " : "") + item.title;
        if (!item.isSeparator && !item.enabled) part = "(" + part + ")";
        if (!item.submenu.empty()) part += " [" + describe(item.submenu) + "]";
        out += (out.empty() ? "" : " | ") + part;
    }
    return out;
}

}  // namespace tarnlet::scenario
