#include "main/ScenarioRunner.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iomanip>
#include <map>
#include <set>
#include <ostream>
#include <sstream>

#include "app/AppDelegate.h"
#include "app/tools/SnippetsTool.h"
#include "app/tools/SnapTool.h"
#include "app/tools/BreaksTool.h"
#include "clipboard/ListMenuView.h"
#include "diagnostics/Log.h"
#include "keys/FeatureChords.h"
#include "notch/NotchBarView.h"
#include "platform/host/CairoRenderer.h"
#include "platform/Pasteboard.h"
#include "clipboard/Snippet.h"
#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"
#include "ui/StatusMenuController.h"
#include "wellbeing/BreakOverlay.h"
#include "wellbeing/BreaksFeature.h"
#include "settings/SettingsKeys.h"
#include "windows/FootprintWindow.h"
#include "windows/SnapDialView.h"

namespace tarnlet {

namespace {

using Words = std::vector<std::string>;

struct Line {
    int number = 0;
    Words words;
};

// Splits a line into words; double quotes group words and \" or \\ escape inside them. A '#'
// outside quotes starts a comment.
std::optional<Words> splitWords(const std::string& text, std::string& error) {
    Words words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) word += text[++i];
            else if (c == '"') quoted = false;
            else word += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(std::exchange(word, {}));
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        error = "unterminated quote";
        return std::nullopt;
    }
    if (inWord) words.push_back(word);
    return words;
}

std::optional<bool> onOff(const std::string& word) {
    if (word == "on") return true;
    if (word == "off") return false;
    return std::nullopt;
}

// Any finite decimal number, negative ones included.
std::optional<double> decimal(const std::string& word) {
    if (word.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> seconds(const std::string& word) {
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !(value >= 0) || value > 1e9) return std::nullopt;
    return value;
}

// "1512x982", "1512x982+notch".
std::optional<std::pair<std::pair<double, double>, bool>> screenSpec(const std::string& word) {
    std::string size = word;
    bool notch = false;
    if (const auto plus = word.find('+'); plus != std::string::npos) {
        if (word.substr(plus) != "+notch") return std::nullopt;
        size = word.substr(0, plus);
        notch = true;
    }
    const auto x = size.find('x');
    if (x == std::string::npos) return std::nullopt;
    const auto w = seconds(size.substr(0, x));
    const auto h = seconds(size.substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1) return std::nullopt;
    return std::make_pair(std::make_pair(*w, *h), notch);
}

// Whole numbers without decimals, others with up to three.
std::string number(double v) {
    if (v == std::floor(v) && std::abs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    std::ostringstream out;
    out << std::setprecision(3) << std::fixed << v;
    std::string text = out.str();
    while (text.back() == '0') text.pop_back();
    return text;
}

std::string describe(const Rect& r) {
    return number(r.minX()) + " " + number(r.minY()) + " " + number(r.width()) + " " + number(r.height());
}

// Equal as the transcript writes them: to the third decimal.
bool sameAsWritten(const Rect& a, const Rect& b) {
    const auto near = [](double x, double y) { return std::abs(x - y) < 0.0005 + 1e-9; };
    return near(a.minX(), b.minX()) && near(a.minY(), b.minY()) && near(a.width(), b.width()) &&
           near(a.height(), b.height());
}

// A rectangle from four words starting at `first`: X Y WIDTH HEIGHT, the size not negative.
std::optional<Rect> rectAt(const std::vector<std::string>& w, std::size_t first) {
    if (w.size() < first + 4) return std::nullopt;
    double v[4];
    for (std::size_t i = 0; i < 4; ++i) {
        auto parsed = decimal(w[first + i]);
        if (!parsed) return std::nullopt;
        v[i] = *parsed;
    }
    if (v[2] < 0 || v[3] < 0) return std::nullopt;
    return Rect(v[0], v[1], v[2], v[3]);
}

std::string describe(const Value& value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

// A bar as the transcript shows it: "icon text, … | icon badge, … — caption".
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

// A list menu as the transcript writes it: its header, then each row's slot and title.
std::string describe(const ListMenuView& view) {
    std::string out = view.header().line() + ":";
    if (view.items().empty()) return out + " " + view.emptyText();
    for (const auto& item : view.items()) out += " " + (item.slot ? *item.slot + " " : std::string()) + item.title + ",";
    out.pop_back();
    return out;
}

// A menu as the transcript writes it: its items joined with " | ", a check mark before checked
// ones, disabled ones in parentheses, a submenu in brackets after its item, separators as "—".
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

bool menuHas(const Menu& menu, const std::string& text) {
    for (const MenuItem& item : menu)
        if ((!item.isSeparator && item.title.find(text) != std::string::npos) || menuHas(item.submenu, text)) return true;
    return false;
}

// The panels of the break screen: the only ones at the status level covering whole displays.
bool isBreakPanel(const sim::SimPanels::Record& record) { return record.options.level == BreakOverlay::kPanelLevel; }

std::vector<std::shared_ptr<const NotchBarView>> barsOnScreen(const sim::SimPanels& panels) {
    std::vector<std::shared_ptr<const NotchBarView>> bars;
    for (const auto& record : panels.onScreen())
        if (auto bar = std::dynamic_pointer_cast<const NotchBarView>(record->content)) bars.push_back(bar);
    return bars;
}

class Session {
public:
    Session(std::ostream& out, const std::filesystem::path& home, std::vector<std::string> launchArguments)
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
            if (isBreakPanel(record)) m_breakPanelShown = true;
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
    }

    ~Session() {
        // What the application releases as it goes is not part of the transcript.
        m_desktop.powerAssertions().onChange = nullptr;
        // The application unhooks the process-wide log from this desktop as it goes; the switch
        // is left off, as a fresh process has it.
        m_app.reset();
        Log::setDebugEnabled(false);
    }

    // Null when the line is well formed, else what is wrong with it.
    static std::optional<std::string> check(const Words& w);
    // Null when the line ran as expected, else the failed expectation.
    std::optional<std::string> execute(const Words& w);

    void launch(const Words& extra) {
        if (m_launched) return;
        m_launched = true;
        Words arguments = m_launchArguments;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        m_app->applicationDidFinishLaunching(arguments);
        m_desktop.runUntilIdle();
    }
    bool launched() const { return m_launched; }

private:
    void reportWindowMoves();
    std::optional<Rect> footprint();
    std::shared_ptr<const ListMenuView> listMenu();
    std::optional<std::string> clickBreakPill(bool skip);
    void reportBreakScreen();

    // Every notch bar and picker on screen as a PNG at twice its size, named by its order and
    // caption.
    std::optional<std::string> snapshot(const std::filesystem::path& folder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        int index = 0;
        for (const auto& record : m_desktop.panels().onScreen()) {
            std::string caption;
            if (auto bar = std::dynamic_pointer_cast<const NotchBarView>(record->content))
                caption = bar->content().caption.value_or("bar");
            else if (std::dynamic_pointer_cast<const ListMenuView>(record->content))
                caption = "picker";
            else if (isBreakPanel(*record))
                caption = "break-screen";
            else
                continue;
            std::string name = std::to_string(++m_snapshots) + "-" + caption;
            for (char& ch : name)
                if (ch == '/' || ch == ' ' || ch == ':') ch = '_';
            const auto file = folder / (name + ".png");
            auto status = host::CairoRenderer::renderPNG(record->content->drawing(), 2, file);
            if (!status.ok()) return "cannot write the snapshot " + file.string() + ": " + status.error();
            print("snapshot " + file.string());
            ++index;
        }
        if (index == 0) print("snapshot: no bar, picker or break screen on screen");
        return std::nullopt;
    }

    void print(const std::string& text) {
        m_out << '[' << std::fixed << std::setprecision(3) << std::setw(9) << m_desktop.queue().now() << "] " << text
              << '\n';
    }

    std::ostream& m_out;
    sim::SimDesktop m_desktop;
    std::vector<std::string> m_launchArguments;
    std::unique_ptr<AppDelegate> m_app;
    bool m_launched = false;
    std::size_t m_receivedCursor = 0;
    int m_snapshots = 0;
    struct KnownWindow {
        AXElement element;
        std::string bundle;
        std::string title;
        Rect frame;  // as last reported
    };
    Subscription m_applicationEvents;
    std::size_t m_pastedCursor = 0;
    std::size_t m_pastesReported = 0;
    std::map<std::string, int> m_apps;  // bundle identifier → process
    bool m_breakPanelShown = false;
    std::string m_backupStatus;
    bool m_breakScreenReported = false;
    static constexpr int kVideoPlayerPID = 777;
    std::vector<KnownWindow> m_windows;
};

std::optional<std::string> Session::check(const Words& w) {
    const std::string& c = w[0];
    const auto n = w.size();
    if (c == "launch") return std::nullopt;
    if (c == "quit" || c == "wake" || c == "reopen") {
        if (n != 1) return "'" + c + "' takes no arguments";
        return std::nullopt;
    }
    if (c == "advance") {
        if (n != 2 || !seconds(w[1])) return "usage: advance SECONDS (a number of seconds, 0 or more)";
        return std::nullopt;
    }
    if (c == "settings") {
        if (n == 4 && w[1] == "set") {
            const SettingKey* key = SettingsKeys::find(w[2]);
            if (!key) return "unknown setting key '" + w[2] + "'";
            if (!SettingsKeys::parse(key->type, w[3]))
                return "'" + w[3] + "' is not a " + SettingsKeys::typeName(key->type) + " (the type of " + w[2] + ")";
            return std::nullopt;
        }
        if (n == 3 && w[1] == "profile" && (w[2] == "1" || w[2] == "2")) return std::nullopt;
        return "usage: settings set KEY VALUE | settings profile 1|2";
    }
    if (c == "permission") {
        if (n == 3 && (w[1] == "accessibility" || w[1] == "screen-recording") && onOff(w[2])) return std::nullopt;
        return "usage: permission accessibility|screen-recording on|off";
    }
    if (c == "notifications") {
        if (n == 2 && (w[1] == "allow" || w[1] == "deny")) return std::nullopt;
        return "usage: notifications allow|deny";
    }
    if (c == "spaces") {
        if (n == 2 && (w[1] == "available" || w[1] == "unavailable")) return std::nullopt;
        return "usage: spaces available|unavailable";
    }
    if (c == "screens") {
        if (n == 2 && w[1] == "none") return std::nullopt;
        if (n < 2) return "usage: screens WIDTHxHEIGHT[+notch] ... | screens none";
        for (std::size_t i = 1; i < n; ++i)
            if (!screenSpec(w[i])) return "'" + w[i] + "' is not a screen (write it as 1512x982 or 1512x982+notch)";
        return std::nullopt;
    }
    if (c == "key") {
        if (n == 3 && (w[1] == "down" || w[1] == "up") && sim::SimKeyboard::keyCode(w[2])) return std::nullopt;
        if (n == 3 && (w[1] == "down" || w[1] == "up")) return "unknown key '" + w[2] + "'";
        return "usage: key down|up KEY";
    }
    if (c == "press") {
        if (n < 2) return "usage: press KEY [KEY …]";
        for (std::size_t i = 1; i < n; ++i)
            if (!sim::SimKeyboard::keyCode(w[i])) return "unknown key '" + w[i] + "'";
        return std::nullopt;
    }
    if (c == "battery") {
        if (n == 2 && (w[1] == "none" || w[1] == "plug" || w[1] == "unplug")) return std::nullopt;
        if (n == 2 && seconds(w[1]) && *seconds(w[1]) <= 100) return std::nullopt;
        return "usage: battery PERCENT | battery plug|unplug|none";
    }
    if (c == "snapshot") {
        if (n == 2) return std::nullopt;
        return "usage: snapshot FOLDER";
    }
    if (c == "front") {
        if (n == 2) return std::nullopt;
        return "usage: front BUNDLE-ID";
    }
    if (c == "app") {
        if (n >= 2 && n <= 4 && (n < 4 || w[3] == "enhanced")) return std::nullopt;
        return "usage: app BUNDLE-ID [NAME] [enhanced]";
    }
    if (c == "window") {
        const char* usage = "usage: window BUNDLE-ID TITLE X Y WIDTH HEIGHT [min WIDTH HEIGHT] [fixed] [desktop N]";
        if (n < 7 || !rectAt(w, 3)) return usage;
        std::size_t i = 7;
        if (i < n && w[i] == "min") {
            if (i + 2 >= n) return usage;
            if (!decimal(w[i + 1]) || !decimal(w[i + 2]) || *decimal(w[i + 1]) < 0 || *decimal(w[i + 2]) < 0) return usage;
            i += 3;
        }
        if (i < n && w[i] == "fixed") ++i;
        if (i + 1 < n && w[i] == "desktop" && seconds(w[i + 1]) && *seconds(w[i + 1]) >= 1) i += 2;
        if (i != n) return usage;
        return std::nullopt;
    }
    if (c == "copy") {
        const char* usage = "usage: copy TEXT [concealed] [transient] [auto-generated] [source BUNDLE-ID]";
        if (n < 2) return usage;
        for (std::size_t i = 2; i < n; ++i) {
            if (w[i] == "source") {
                if (++i >= n) return usage;
            } else if (w[i] != "concealed" && w[i] != "transient" && w[i] != "auto-generated") {
                return usage;
            }
        }
        return std::nullopt;
    }
    if (c == "desktop") {
        if (n == 2 && w[1] == "add") return std::nullopt;
        if (n == 3 && w[1] == "show" && seconds(w[2]) && *seconds(w[2]) >= 1) return std::nullopt;
        return "usage: desktop add | desktop show N";
    }
    if (c == "hide" || c == "unhide") {
        if (n == 2) return std::nullopt;
        return "usage: " + c + " BUNDLE-ID";
    }
    if (c == "close") {
        if (n == 3) return std::nullopt;
        return "usage: close BUNDLE-ID TITLE";
    }
    if (c == "secure-input") {
        if (n == 2 && onOff(w[1])) return std::nullopt;
        return "usage: secure-input on|off";
    }
    if (c == "mouse") {
        if (n == 2 && (w[1] == "down" || w[1] == "up")) return std::nullopt;
        if ((n == 4 || n == 5) && w[1] == "move" && decimal(w[2]) && decimal(w[3]) &&
            (n == 4 || (seconds(w[4]) && *seconds(w[4]) >= 1 && *seconds(w[4]) <= 1000 && *seconds(w[4]) == std::floor(*seconds(w[4])))))
            return std::nullopt;
        return "usage: mouse move X Y [STEPS] | mouse down | mouse up";
    }
    if (c == "user") {
        if (n == 2 && (w[1] == "typing" || w[1] == "moving" || w[1] == "still")) return std::nullopt;
        return "usage: user typing|moving|still";
    }
    if (c == "idle" || c == "sleep") {
        if (n == 2 && seconds(w[1])) return std::nullopt;
        return "usage: " + c + " SECONDS";
    }
    if (c == "scroll") {
        if (n == 1) return std::nullopt;
        return "'scroll' takes no arguments";
    }
    if (c == "video") {
        if (n == 2 && (w[1] == "play" || w[1] == "stop")) return std::nullopt;
        return "usage: video play|stop";
    }
    if (c == "session") {
        if (n == 2 && w[1] == "active") return std::nullopt;
        return "usage: session active";
    }
    if (c == "drive") {
        if (n >= 3 && w[1] == "mount") {
            for (std::size_t i = 3; i < n; ++i)
                if (w[i] != "internal" && w[i] != "hidden") return "usage: drive mount NAME [internal] [hidden] | drive unmount NAME";
            return std::nullopt;
        }
        if (n == 3 && w[1] == "unmount") return std::nullopt;
        return "usage: drive mount NAME [internal] [hidden] | drive unmount NAME";
    }
    if (c == "display") {
        if (n == 3 && w[1] == "plug" && screenSpec(w[2])) return std::nullopt;
        if (n == 2 && w[1] == "unplug") return std::nullopt;
        return "usage: display plug WIDTHxHEIGHT | display unplug";
    }
    if (c == "status-item") {
        if (n == 2 && (w[1] == "click" || w[1] == "right-click")) return std::nullopt;
        return "usage: status-item click|right-click";
    }
    if (c == "menu") {
        if (n >= 3 && w[1] == "choose") return std::nullopt;
        if (n == 2 && w[1] == "close") return std::nullopt;
        return "usage: menu choose TITLE [TITLE …] | menu close";
    }
    if (c == "prompt") {
        if ((n == 3 || (n == 4 && w[3] == "hours")) && w[1] == "answer") return std::nullopt;
        if (n == 2 && w[1] == "cancel") return std::nullopt;
        return "usage: prompt answer TEXT [hours] | prompt cancel";
    }
    if (c == "break") {
        if (n == 3 && w[1] == "click" && (w[2] == "skip" || w[2] == "snooze")) return std::nullopt;
        return "usage: break click skip|snooze";
    }
    if (c == "snippet") {
        if (n == 4 && w[1] == "add" && !w[2].empty()) return std::nullopt;
        return "usage: snippet add TRIGGER BODY";
    }
    if (c == "color") {
        if (n == 2 && w[1] == "cancel") return std::nullopt;
        if (n == 5 && w[1] == "pick" && decimal(w[2]) && decimal(w[3]) && decimal(w[4])) return std::nullopt;
        return "usage: color pick RED GREEN BLUE | color cancel";
    }
    if (c == "backup") {
        if (n == 2 && w[1] == "export") return std::nullopt;
        if ((n == 2 || n == 3) && w[1] == "import") return std::nullopt;
        return "usage: backup export | backup import [FILE]";
    }
    if (c == "feature-key") {
        if (n == 2 && FeatureChords::fromRawValue(w[1])) return std::nullopt;
        return "usage: feature-key awake|focus|shelf|breaks|ocr|clipboard|settings|profile1|profile2";
    }
    if (c == "expect") {
        const bool negated = n >= 2 && w[1] == "no";
        const std::size_t k = negated ? 2 : 1;
        if (n == k + 2 && (w[k] == "log" || w[k] == "notice")) return std::nullopt;
        if ((n == k + 2 || (n == k + 3 && (w[k + 2] == "down" || w[k + 2] == "up"))) && w[k] == "received") {
            if (!sim::SimKeyboard::keyCode(w[k + 1])) return "unknown key '" + w[k + 1] + "'";
            return std::nullopt;
        }
        if (!negated && n == 3 && w[1] == "hints") return std::nullopt;
        if (n == k + 2 && w[k] == "bar") return std::nullopt;
        if (!negated && n == 4 && w[1] == "setting") {
            const SettingKey* key = SettingsKeys::find(w[2]);
            if (!key) return "unknown setting key '" + w[2] + "'";
            if (!SettingsKeys::parse(key->type, w[3]))
                return "'" + w[3] + "' is not a " + SettingsKeys::typeName(key->type) + " (the type of " + w[2] + ")";
            return std::nullopt;
        }
        if (!negated && n == 3 && w[1] == "profile" && (w[2] == "1" || w[2] == "2")) return std::nullopt;
        if (!negated && n == 3 && w[1] == "settings-window" && seconds(w[2])) return std::nullopt;
        if (!negated && w[1] == "frame" && ((n == 7 && rectAt(w, 3)) || (n == 8 && rectAt(w, 4)))) return std::nullopt;
        if (w[k] == "footprint" && (negated ? n == 3 : n == 6 && rectAt(w, 2))) return std::nullopt;
        if (w[k] == "dial" && n == k + 1) return std::nullopt;
        if (w[k] == "pasted" && n == 3) return std::nullopt;
        if (w[k] == "running" && n == k + 2) return std::nullopt;
        if (w[k] == "picker" && (negated ? n == 3 : n == 2 || n == 3)) return std::nullopt;
        if ((w[k] == "break-screen" || w[k] == "menu") && (negated ? n == 3 : n == 2 || n == 3)) return std::nullopt;
        if (w[k] == "assertion" && n == k + 2) return std::nullopt;
        if (!negated && n == 3 && w[1] == "icon" && (w[2] == "awake" || w[2] == "plain")) return std::nullopt;
        if (!negated && n == 3 && (w[1] == "clipboard" || w[1] == "backup")) return std::nullopt;
        return "usage: expect [no] log \"TEXT\" | expect [no] notice ID | expect setting KEY VALUE | "
               "expect profile 1|2 | expect settings-window COUNT | expect [no] received KEY [down|up] | "
               "expect hints CAPTION|none | expect [no] bar \"TEXT\" | expect frame BUNDLE-ID [TITLE] X Y WIDTH HEIGHT | "
               "expect footprint X Y WIDTH HEIGHT | expect no footprint | expect [no] dial | expect pasted \"TEXT\" | "
               "expect no pasted | expect picker [\"TEXT\"] | expect no picker | expect [no] running BUNDLE-ID | "
               "expect break-screen [\"TEXT\"] | expect no break-screen | expect menu [\"TEXT\"] | expect no menu | "
               "expect [no] assertion TYPE | expect icon awake|plain | expect clipboard \"TEXT\" | "
               "expect backup \"STATUS\"";
    }
    return "unknown command '" + c + "'";
}

std::optional<std::string> Session::execute(const Words& w) {
    auto& d = m_desktop;
    const std::string& c = w[0];
    if (c == "launch") {
        if (m_launched) return "the application is already running";
        launch(Words(w.begin() + 1, w.end()));
        return std::nullopt;
    }
    if (c == "quit") m_app->applicationWillTerminate();
    else if (c == "wake") d.workspace().wake();
    else if (c == "reopen") m_app->applicationShouldHandleReopen(false);
    else if (c == "advance") d.advanceBy(*seconds(w[1]));
    else if (c == "settings" && w[1] == "set")
        m_app->settings().set(w[2], *SettingsKeys::parse(SettingsKeys::find(w[2])->type, w[3]));
    else if (c == "settings") m_app->settings().setProfile(w[2] == "1" ? Settings::Profile::one : Settings::Profile::two);
    else if (c == "permission" && w[1] == "accessibility") {
        // Before launch this is the state the application starts with; afterwards the user flips
        // the switch and the system broadcasts the change.
        if (m_launched) d.permissions().changeAccessibility(*onOff(w[2]));
        else d.permissions().setAccessibilityTrusted(*onOff(w[2]));
    } else if (c == "permission") d.permissions().setScreenCapture(*onOff(w[2]));
    else if (c == "notifications") d.notices().setUserAllows(w[1] == "allow");
    else if (c == "spaces") d.windowServer().setSpaceInterfaceAvailable(w[1] == "available");
    else if (c == "screens") {
        std::vector<Screen> screens;
        double x = 0;
        for (std::size_t i = 1; i < w.size() && w[1] != "none"; ++i) {
            const auto spec = *screenSpec(w[i]);
            const auto id = static_cast<std::uint32_t>(i);
            screens.push_back(i == 1 ? sim::SimScreens::laptopPanel(spec.first.first, spec.first.second, spec.second, id)
                                     : sim::SimScreens::externalDisplay(spec.first.first, spec.first.second, x, id));
            if (i > 1 && spec.second) screens.back().safeAreaTopInset = 32;
            x += spec.first.first;
        }
        d.screens().setScreens(std::move(screens));
    } else if (c == "key") {
        const auto code = *sim::SimKeyboard::keyCode(w[2]);
        if (w[1] == "down") d.keyboard().keyDown(code);
        else d.keyboard().keyUp(code);
    } else if (c == "press") {
        for (std::size_t i = 1; i < w.size(); ++i) {
            d.keyboard().press(*sim::SimKeyboard::keyCode(w[i]));
            d.runUntilIdle();
        }
    } else if (c == "front") {
        d.keyboard().setFrontApplication(w[1]);
        if (const auto app = m_apps.find(w[1]); app != m_apps.end()) d.workspace().activateApplication(app->second);
    } else if (c == "app") {
        if (m_apps.count(w[1])) return "the application " + w[1] + " already runs";
        const std::string name = w.size() > 2 ? w[2] : w[1].substr(w[1].rfind('.') + 1);
        const int pid = d.applications().launch(w[1], name, w.size() > 3);
        m_apps[w[1]] = pid;
        // A launched application comes to the front.
        d.workspace().activateApplication(pid);
        d.keyboard().setFrontApplication(w[1]);
    } else if (c == "window") {
        const auto app = m_apps.find(w[1]);
        if (app == m_apps.end()) return "no application " + w[1] + " runs (start it with an app line)";
        sim::SimApplications::WindowSpec spec;
        spec.title = w[2];
        spec.frame = *rectAt(w, 3);
        for (std::size_t i = 7; i < w.size(); ++i) {
            if (w[i] == "min") {
                spec.minimumSize = {*decimal(w[i + 1]), *decimal(w[i + 2])};
                i += 2;
            } else if (w[i] == "fixed") {
                spec.sizeSettable = false;
            } else if (w[i] == "desktop") {
                const auto spaces = d.windowServer().spaces();
                const auto index = static_cast<std::size_t>(*seconds(w[++i]));
                if (index > spaces.size()) return "there is no desktop " + w[i] + " (add one with `desktop add`)";
                spec.spaces = std::vector<std::uint64_t>{spaces[index - 1]};
            }
        }
        const AXElement element = d.applications().addWindow(app->second, spec);
        m_windows.push_back({element, w[1], w[2], spec.frame});
    } else if (c == "copy") {
        // The front application's selection, copied with ⌘C as the user would.
        std::vector<std::pair<std::string, std::string>> items{{PasteboardType::plainText, w[1]}};
        for (std::size_t i = 2; i < w.size(); ++i) {
            if (w[i] == "concealed") items.push_back({PasteboardType::concealed, ""});
            else if (w[i] == "transient") items.push_back({PasteboardType::transient, ""});
            else if (w[i] == "auto-generated") items.push_back({PasteboardType::autoGenerated, ""});
            else if (w[i] == "source") items.push_back({PasteboardType::source, w[++i]});
        }
        d.keyboard().setSelection(std::move(items));
        const auto cmd = *sim::SimKeyboard::keyCode("cmd");
        const bool held = d.keyboard().isDown(cmd);
        if (!held) d.keyboard().keyDown(cmd);
        d.runUntilIdle();
        d.keyboard().press(*sim::SimKeyboard::keyCode("c"));
        d.runUntilIdle();
        if (!held) d.keyboard().keyUp(cmd);
        d.keyboard().setSelection({});
        // A person copies at a person's pace: the history has read the pasteboard before the next line.
        d.advanceBy(0.2);
    } else if (c == "desktop") {
        if (w[1] == "add") {
            d.windowServer().addSpace();
        } else {
            const auto spaces = d.windowServer().spaces();
            const auto index = static_cast<std::size_t>(*seconds(w[2]));
            if (index > spaces.size()) return "there is no desktop " + w[2] + " (add one with `desktop add`)";
            d.windowServer().activateSpace(spaces[index - 1]);
        }
    } else if (c == "hide" || c == "unhide") {
        const auto app = m_apps.find(w[1]);
        if (app == m_apps.end()) return "no application " + w[1] + " runs";
        if (c == "hide") d.workspace().hide(app->second);
        else d.workspace().unhide(app->second);
    } else if (c == "close") {
        const auto known = std::find_if(m_windows.begin(), m_windows.end(),
                                        [&](const KnownWindow& k) { return k.bundle == w[1] && k.title == w[2]; });
        if (known == m_windows.end()) return "no window \"" + w[2] + "\" of " + w[1] + " is open";
        d.applications().closeWindow(known->element);
        m_windows.erase(known);
    } else if (c == "secure-input") {
        d.keyboard().setSecureEventInput(*onOff(w[1]));
    } else if (c == "mouse") {
        if (w[1] == "down") d.mouse().leftDown();
        else if (w[1] == "up") d.mouse().leftUp();
        else {
            // The pointer travels in equal steps, and what falls due on the way runs between them.
            const Point from = d.mouse().location(), to{*decimal(w[2]), *decimal(w[3])};
            const int steps = w.size() > 4 ? static_cast<int>(*seconds(w[4])) : 1;
            for (int i = 1; i <= steps; ++i) {
                d.mouse().moveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
                d.runUntilIdle();
            }
        }
    } else if (c == "battery") {
        if (w[1] == "none") d.powerSources().removeBattery();
        else if (w[1] == "plug") d.powerSources().plugIn();
        else if (w[1] == "unplug") d.powerSources().unplug();
        else d.powerSources().setPercent(static_cast<int>(*seconds(w[1])));
    } else if (c == "snapshot") {
        if (auto failure = snapshot(w[1])) return failure;
    } else if (c == "user") {
        // Typing and moving the mouse go on until the user is told otherwise.
        d.inputIdle().setContinuous(EventType::keyDown, w[1] == "typing");
        d.inputIdle().setContinuous(EventType::mouseMoved, w[1] == "moving");
    } else if (c == "idle") {
        d.inputIdle().setIdleFor(0);
        d.advanceBy(*seconds(w[1]));
    } else if (c == "sleep") {
        d.sleepFor(*seconds(w[1]));
    } else if (c == "scroll") {
        d.keyboard().scroll();
    } else if (c == "video") {
        // A video player keeps the display awake while it plays.
        if (w[1] == "play") d.powerAssertions().holdFor(kVideoPlayerPID, "NoDisplaySleepAssertion", "Playing video");
        else d.powerAssertions().releaseAllOf(kVideoPlayerPID);
    } else if (c == "session") {
        d.workspace().sessionBecameActive();
    } else if (c == "drive") {
        if (w[1] == "mount")
            d.volumes().mount(w[2], std::find(w.begin() + 3, w.end(), "internal") != w.end(),
                              std::find(w.begin() + 3, w.end(), "hidden") != w.end());
        else d.volumes().unmount(w[2]);
    } else if (c == "display") {
        auto screens = d.screens().screens();
        if (w[1] == "plug") {
            const auto spec = *screenSpec(w[2]);
            double x = 0;
            std::uint32_t id = 0;
            for (const auto& screen : screens) {
                x = std::max(x, screen.frame.maxX());
                id = std::max(id, screen.displayID);
            }
            screens.push_back(sim::SimScreens::externalDisplay(spec.first.first, spec.first.second, x, id + 1));
        } else {
            const auto last = std::find_if(screens.rbegin(), screens.rend(), [](const Screen& s) { return !s.isBuiltin; });
            if (last == screens.rend()) return std::string("no external display is plugged in");
            screens.erase(std::next(last).base());
        }
        d.screens().setScreens(std::move(screens));
    } else if (c == "status-item") {
        d.statusBar().click(w[1] == "click" ? StatusClick::left : StatusClick::right);
    } else if (c == "menu") {
        if (w[1] == "close") d.statusBar().dismissMenu();
        else if (!d.statusBar().isMenuOpen()) return std::string("no menu is open (open it with `status-item click`)");
        else if (!d.statusBar().choose(Words(w.begin() + 2, w.end()))) return "the open menu has no enabled item " + [&] {
                std::string path;
                for (std::size_t i = 2; i < w.size(); ++i) path += (i > 2 ? " › " : "") + ("\"" + w[i] + "\"");
                return path;
            }();
    } else if (c == "prompt") {
        if (w[1] == "cancel") d.alerts().answerNext({1, "", 0});
        else d.alerts().answerNext({0, w[2], w.size() > 3 ? 1 : 0});
    } else if (c == "break") {
        if (auto failure = clickBreakPill(w[2] == "skip")) return failure;
    } else if (c == "snippet") {
        // As the settings window saves one.
        m_app->tool<SnippetsTool>().snippets().store().save(Snippet::make(w[2], w[3]));
    } else if (c == "color") {
        const bool answered = w[1] == "cancel" ? d.colorSampler().cancel()
                                               : d.colorSampler().pick({*decimal(w[2]), *decimal(w[3]), *decimal(w[4]), 1, true});
        if (!answered) return std::string("no colour loupe is open");
    } else if (c == "backup") {
        if (w[1] == "export") {
            m_backupStatus = m_app->tool<SnippetsTool>().backup().exportSettings();
        } else {
            const std::filesystem::path file = w.size() > 2 ? std::filesystem::path(w[2])
                                                            : d.folders().desktop() / BackupOperations::kFileName;
            std::ifstream in(file, std::ios::binary);
            if (!in) return "cannot read the backup " + file.string();
            std::ostringstream text;
            text << in.rdbuf();
            m_backupStatus = m_app->tool<SnippetsTool>().backup().importSettings(text.str());
        }
        print("backup: " + m_backupStatus);
    } else if (c == "feature-key") m_app->runFeatureKey(*FeatureChords::fromRawValue(w[1]));
    else if (c == "expect") {
        const bool negated = w[1] == "no";
        const std::string& what = w[negated ? 2 : 1];
        const std::string& arg = w.size() > (negated ? 3u : 2u) ? w[negated ? 3 : 2] : std::string();
        if (what == "log") {
            if (d.systemLog().contains(arg) == negated)
                return negated ? "expected no log line containing \"" + arg + "\", but one was written"
                               : "expected a log line containing \"" + arg + "\"; " +
                                     (d.systemLog().lines().empty()
                                          ? std::string("nothing was logged (is diagnostics.logging on?)")
                                          : "the last was \"" + d.systemLog().lines().back().text + "\"");
        } else if (what == "notice") {
            if (d.notices().isDelivered(arg) == negated)
                return negated ? "expected no notice " + arg + ", but it is shown"
                               : "expected the notice " + arg + " to be shown; " +
                                     std::to_string(d.notices().delivered().size()) + " notice(s) are shown";
        } else if (what == "setting") {
            const Value expected = *SettingsKeys::parse(SettingsKeys::find(arg)->type, w[3]);
            const auto actual = m_app->settings().object(arg);
            if (!actual || !valuesEqual(*actual, expected))
                return "expected " + arg + " = " + describe(expected) + ", found " +
                       (actual ? describe(*actual) : std::string("no value"));
        } else if (what == "profile") {
            const int actual = static_cast<int>(m_app->settings().profile());
            if (std::to_string(actual) != arg) return "expected profile " + arg + ", found profile " + std::to_string(actual);
        } else if (what == "received") {
            // Each such expectation looks at what the front application received since the last.
            const auto code = *sim::SimKeyboard::keyCode(arg);
            const bool up = w.back() == "up";
            const auto& delivered = d.keyboard().delivered();
            bool seen = false;
            for (std::size_t i = m_receivedCursor; i < delivered.size(); ++i)
                seen = seen || (delivered[i].event.keyCode == code &&
                                delivered[i].event.type == (up ? EventType::keyUp : EventType::keyDown));
            m_receivedCursor = delivered.size();
            if (seen == negated)
                return std::string(negated ? "expected the front application not to receive " : "expected the front application to receive ") +
                       "the key-" + (up ? "up" : "down") + " of " + arg;
        } else if (what == "bar") {
            bool seen = false;
            for (const auto& bar : barsOnScreen(d.panels())) seen = seen || describe(bar->content()).find(arg) != std::string::npos;
            if (seen == negated)
                return negated ? "expected no notch bar showing \"" + arg + "\", but one is on screen"
                               : "expected a notch bar showing \"" + arg + "\"; on screen: " + [&] {
                                     std::string all;
                                     for (const auto& bar : barsOnScreen(d.panels()))
                                         all += (all.empty() ? "" : "; ") + describe(bar->content());
                                     return all.empty() ? std::string("nothing") : all;
                                 }();
        } else if (what == "hints") {
            const auto& caption = m_app->leaderHintCaption();
            const std::string shown = caption ? *caption : "none";
            if (shown != arg) return "expected the hint strip " + arg + ", found " + shown;
        } else if (what == "frame") {
            const bool titled = w.size() == 8;
            const auto app = m_apps.find(w[2]);
            if (app == m_apps.end()) return "no application " + w[2] + " runs";
            std::optional<AXElement> element;
            if (titled) {
                for (const auto& known : m_windows)
                    if (known.bundle == w[2] && known.title == w[3]) element = known.element;
            } else {
                element = d.applications().focusedWindow(app->second);
            }
            const Rect expected = *rectAt(w, titled ? 4 : 3);
            const auto actual = element ? d.applications().windowFrame(*element) : std::nullopt;
            if (!actual) return "expected a window of " + w[2] + " at " + describe(expected) + ", but there is none";
            if (!sameAsWritten(*actual, expected)) return "expected the window at " + describe(expected) + ", found " + describe(*actual);
        } else if (what == "footprint") {
            const auto shown = footprint();
            if (negated && shown) return "expected no footprint, but one is shown at " + describe(*shown);
            if (!negated) {
                const Rect expected = *rectAt(w, 2);
                if (!shown) return "expected a footprint at " + describe(expected) + ", but none is shown";
                if (!sameAsWritten(*shown, expected)) return "expected a footprint at " + describe(expected) + ", found " + describe(*shown);
            }
        } else if (what == "pasted") {
            // Each such expectation looks at what was pasted since the last.
            const auto& pasted = d.keyboard().pasted();
            std::vector<std::string> seen;
            for (std::size_t i = m_pastedCursor; i < pasted.size(); ++i) seen.push_back(pasted[i].text);
            m_pastedCursor = pasted.size();
            if (negated && !seen.empty()) return "expected nothing pasted, but \"" + seen.back() + "\" was";
            if (!negated && std::find(seen.begin(), seen.end(), arg) == seen.end())
                return "expected \"" + arg + "\" to be pasted; " +
                       (seen.empty() ? std::string("nothing was") : "\"" + seen.back() + "\" was");
        } else if (what == "running") {
            const auto app = m_apps.find(arg);
            const bool running = app != m_apps.end() && d.workspace().runningApplication(app->second).has_value();
            if (running == negated)
                return negated ? "expected " + arg + " to have quit, but it still runs" : "expected " + arg + " to be running";
        } else if (what == "picker") {
            const auto view = listMenu();
            if (negated && view) return "expected no picker, but one is shown";
            if (!negated && !view) return "expected a picker to be shown";
            if (!negated && !arg.empty()) {
                bool found = false;
                for (const auto& item : view->items()) found = found || item.title.find(arg) != std::string::npos;
                if (!found) return "expected the picker to show \"" + arg + "\"; it shows " + describe(*view);
            }
        } else if (what == "break-screen") {
            const BreakOverlay& overlay = m_app->tool<BreaksTool>().breaks().overlay();
            if (negated && overlay.isShowing()) return std::string("expected no break screen, but it is up");
            if (!negated && !overlay.isShowing()) return std::string("expected the break screen to be up");
            if (!negated && !arg.empty()) {
                std::string seen;
                bool found = false;
                for (const auto& card : overlay.cards()) {
                    for (const std::string& text : {card->title(), card->body(), card->countdown(),
                                                    card->skipButton().title, card->snoozeButton().title}) {
                        found = found || text.find(arg) != std::string::npos;
                        seen += (seen.empty() ? "" : ", ") + text;
                    }
                }
                if (!found) return "expected the break screen to show \"" + arg + "\"; it shows " + seen;
            }
        } else if (what == "menu") {
            const bool open = d.statusBar().isMenuOpen();
            if (negated && open) return "expected no open menu, but it shows " + describe(d.statusBar().openMenu());
            if (!negated && !open) return std::string("expected the menu to be open");
            if (!negated && !arg.empty() && !menuHas(d.statusBar().openMenu(), arg))
                return "expected the menu to show \"" + arg + "\"; it shows " + describe(d.statusBar().openMenu());
        } else if (what == "assertion") {
            bool held = false;
            for (const auto& own : d.powerAssertions().ownAssertions()) held = held || own.type == arg;
            if (held == negated)
                return negated ? "expected no power assertion " + arg + ", but one is held"
                               : "expected a power assertion " + arg + "; held: " + [&] {
                                     std::string all;
                                     for (const auto& own : d.powerAssertions().ownAssertions()) all += (all.empty() ? "" : ", ") + own.type;
                                     return all.empty() ? std::string("none") : all;
                                 }();
        } else if (what == "clipboard") {
            const auto text = d.pasteboard().string();
            if (text != arg) return "expected the clipboard to hold \"" + arg + "\", found " + (text ? "\"" + *text + "\"" : std::string("no text"));
        } else if (what == "backup") {
            if (m_backupStatus != arg) return "expected the backup status \"" + arg + "\", found \"" + m_backupStatus + "\"";
        } else if (what == "icon") {
            const auto image = d.statusBar().image();
            const bool awake = image && image->name.find("awake") != std::string::npos;
            if (awake != (arg == "awake"))
                return "expected the menu-bar icon " + arg + ", found " + (image ? image->name : std::string("none"));
        } else if (what == "dial") {
            if (m_app->tool<SnapTool>().snap().mouseSnap().isRunning() == negated)
                return negated ? "expected no snap dial, but it is shown" : "expected the snap dial to be shown";
        } else if (what == "settings-window") {
            const int actual = m_app->settingsWindowShowCount();
            if (std::to_string(actual) != arg)
                return "expected the settings window shown " + arg + " time(s), found " + std::to_string(actual);
        }
    }
    d.runUntilIdle();
    reportWindowMoves();
    reportBreakScreen();
    return std::nullopt;
}

void Session::reportBreakScreen() {
    const BreakOverlay& overlay = m_app->tool<BreaksTool>().breaks().overlay();
    if (overlay.isShowing() && (m_breakPanelShown || !m_breakScreenReported)) {
        m_breakPanelShown = false;
        m_breakScreenReported = true;
        const auto texts = overlay.countdownTexts();
        print("break screen on " + std::to_string(overlay.panelCount()) + " display(s): \"" +
              overlay.cards().front()->title() + "\" " + (texts.empty() ? std::string() : texts.front()));
    } else if (!overlay.isShowing() && m_breakScreenReported) {
        m_breakScreenReported = false;
        print("break screen down");
    }
}

std::optional<std::string> Session::clickBreakPill(bool skip) {
    const BreakOverlay& overlay = m_app->tool<BreaksTool>().breaks().overlay();
    const auto frames = skip ? overlay.skipButtonFramesOnDesktop() : overlay.snoozeButtonFramesOnDesktop();
    if (frames.empty()) return std::string("no break screen is up");
    auto& mouse = m_desktop.mouse();
    mouse.moveTo({frames.front().midX(), frames.front().midY()});
    mouse.leftDown();
    m_desktop.runUntilIdle();
    mouse.leftUp();
    return std::nullopt;
}

void Session::reportWindowMoves() {
    for (auto& known : m_windows) {
        const auto frame = m_desktop.applications().windowFrame(known.element);
        if (!frame || *frame == known.frame) continue;
        known.frame = *frame;
        print("window \"" + known.title + "\" of " + known.bundle + " now at " + describe(*frame));
    }
}

std::shared_ptr<const ListMenuView> Session::listMenu() {
    for (const auto& record : m_desktop.panels().onScreen())
        if (auto view = std::dynamic_pointer_cast<const ListMenuView>(record->content)) return view;
    return nullptr;
}

std::optional<Rect> Session::footprint() {
    // The preview is the one window of its level that is neither a notch bar nor the dial.
    for (const auto& record : m_desktop.panels().onScreen()) {
        if (record->options.level != FootprintWindow::kLevel) continue;
        if (std::dynamic_pointer_cast<const SnapDialView>(record->content)) continue;
        if (m_desktop.panels().alphaOf(*record) < 0.01) continue;
        return m_desktop.panels().frameOf(*record);
    }
    return std::nullopt;
}

}  // namespace

int ScenarioRunner::run(const Options& options) {
    std::ifstream in(options.file);
    if (!in) {
        m_err << "tarnlet: cannot read the scenario " << options.file.string() << '\n';
        return kBadScenario;
    }
    const std::string name = options.file.string();
    std::vector<Line> lines;
    bool hasLaunch = false;
    std::set<std::string> apps;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        std::string error;
        auto words = splitWords(text, error);
        if (!words) {
            m_err << name << ':' << number << ": " << error << '\n';
            return kBadScenario;
        }
        if (words->empty()) continue;
        if (auto problem = Session::check(*words)) {
            m_err << name << ':' << number << ": " << *problem << '\n';
            return kBadScenario;
        }
        // Windows belong to an application the scenario started on an earlier line.
        const Words& w = *words;
        if (w[0] == "app") apps.insert(w[1]);
        const std::string* named = w[0] == "window" ? &w[1] : (w[0] == "expect" && w[1] == "frame") ? &w[2] : nullptr;
        if (w[0] == "hide" || w[0] == "unhide" || w[0] == "close") named = &w[1];
        if (w[0] == "expect" && w.back() != w[1] && (w[1] == "running" || (w[1] == "no" && w[2] == "running")))
            named = &w.back();
        if (named && !apps.count(*named)) {
            m_err << name << ':' << number << ": no application " << *named << " was started on an earlier app line\n";
            return kBadScenario;
        }
        if ((*words)[0] == "launch") {
            if (hasLaunch) {
                m_err << name << ':' << number << ": the application is launched only once\n";
                return kBadScenario;
            }
            hasLaunch = true;
        }
        lines.push_back({number, std::move(*words)});
    }

    TemporaryFolder temporary("tarnlet-sim");
    const std::filesystem::path home = options.home.value_or(temporary.path());
    if (home.empty()) {
        m_err << "tarnlet: cannot create a sandbox home folder\n";
        return kBadScenario;
    }
    std::error_code ignored;
    std::filesystem::create_directories(home, ignored);

    Session session(m_out, home, options.launchArguments);
    if (!hasLaunch) session.launch({});
    for (const Line& line : lines) {
        m_out << "» " << [&] {
            std::string joined;
            for (const auto& word : line.words) {
                const bool quote = word.empty() || word.find_first_of(" \t#\"") != std::string::npos;
                joined += (joined.empty() ? "" : " ") + (quote ? "\"" + word + "\"" : word);
            }
            return joined;
        }() << '\n';
        if (auto failure = session.execute(line.words)) {
            m_out.flush();
            m_err << name << ':' << line.number << ": " << *failure << '\n';
            return kExpectationFailed;
        }
    }
    m_out << "scenario passed: " << lines.size() << " line(s)\n";
    return kPassed;
}

}  // namespace tarnlet
