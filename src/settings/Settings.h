#pragma once
// The single store of user preferences: a typed layer over the defaults store of the active
// profile. Every value is read at the moment of use; nothing is cached. set() is the one write path
// that tells observers, and only on a real change; switching profile swaps the store under every
// reader at once and tells observers as well.
//
// Main thread only. Observers run synchronously inside set() and the profile switch.

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Uuid.h"
#include "base/Value.h"
#include "platform/UserDefaults.h"

namespace tarnlet {

class Settings {
public:
    enum class Profile { one = 1, two = 2 };
    // Where the desktop number is shown after a desktop switch.
    enum class SpaceFeedback { notch = 0, onScreen = 1, none = 2 };

    static constexpr const char* kActiveProfileKey = "settings.activeProfile";
    static constexpr const char* kProfileTwoSuffix = ".profile2";

    // A raw profile number other than 1 or 2 maps to no profile.
    static std::optional<Profile> profileFromRaw(long long raw);

    // root is the application's standard store (profile one's store, holding the profile
    // selector); suites opens profile two's store by name.
    Settings(UserDefaults& root, DefaultsSuites& suites, std::string suiteName);
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    UserDefaults& defaults() const { return *m_defaults; }
    UserDefaults& root() const { return m_root; }
    const std::string& suiteName() const { return m_suiteName; }

    Profile profile() const;
    void setProfile(Profile profile);

    // Stores value under key in the active store; observers hear of it unless the key already held
    // an equal value (a registered default counts).
    void set(const std::string& key, const Value& value);
    Uuid addObserver(std::function<void()> handler);
    void removeObserver(const Uuid& id);
    // Calls every observer once, in registration order.
    void notifyObservers();
    // Follows the stores after another process changed them underneath (they were re-read): the
    // active profile may have changed with them. Tells observers once.
    void storesReloaded();

    // Typed readers of the active store.
    std::optional<Value> object(const std::string& key) const;
    bool boolean(const std::string& key) const { return m_defaults->boolean(key); }
    long long integer(const std::string& key) const { return m_defaults->integer(key); }
    double number(const std::string& key) const { return m_defaults->number(key); }
    std::string string(const std::string& key) const { return m_defaults->string(key); }
    std::set<std::string> stringSet(const std::string& key) const;
    void setStringSet(const std::string& key, const std::set<std::string>& values);

    // Derived readers.
    long long autoQuitMinutes() const;   // at least 1
    long long notchMaxHintItems() const; // 2 to 20
    double quitDelay() const { return number("sweep.delay"); }
    SpaceFeedback spaceFeedback() const;
    void setSpaceFeedback(SpaceFeedback feedback);

    // Sweep's list: kept under "sweep.onlyListedApps" in the "onlyListed" mode, else under
    // "sweep.listedApps".
    std::set<std::string> listedApps() const { return stringSet(listedAppsKey()); }
    void setListedApps(const std::set<std::string>& apps) { setStringSet(listedAppsKey(), apps); }
    // Auto-Quit's list: "autoQuit.excludedApps" in the "excludeListed" mode, else "autoQuit.apps".
    std::set<std::string> autoQuitApps() const { return stringSet(autoQuitAppsKey()); }
    void setAutoQuitApps(const std::set<std::string>& apps) { setStringSet(autoQuitAppsKey(), apps); }

    std::set<std::string> awakeTriggerApps() const { return stringSet("awake.triggerApps"); }
    void setAwakeTriggerApps(const std::set<std::string>& apps) { setStringSet("awake.triggerApps", apps); }
    std::set<std::string> breaksExcludedApps() const { return stringSet("breaks.excludedApps"); }
    void setBreaksExcludedApps(const std::set<std::string>& apps) { setStringSet("breaks.excludedApps", apps); }
    std::set<std::string> clipboardExcludedApps() const { return stringSet("clipboard.excludedApps"); }
    void setClipboardExcludedApps(const std::set<std::string>& apps) { setStringSet("clipboard.excludedApps", apps); }
    void toggleTriggerApp(const std::string& bundleID) { toggle("awake.triggerApps", bundleID); }
    void toggleBreaksExcludedApp(const std::string& bundleID) { toggle("breaks.excludedApps", bundleID); }
    void toggleClipboardExcludedApp(const std::string& bundleID) { toggle("clipboard.excludedApps", bundleID); }

    // Jump's pinned letters: keys are read as their first character; empty keys and non-text
    // values are dropped.
    std::map<std::string, std::string> jumpForced() const;
    std::set<std::string> jumpIgnored() const { return stringSet("jump.ignored"); }
    void setJumpIgnored(const std::set<std::string>& apps) { setStringSet("jump.ignored", apps); }
    // One letter per application and one application per letter: drops every entry of the
    // application and of the letter, then pins the pair when a letter is given.
    void setJumpForced(const std::optional<std::string>& letter, const std::string& bundleID);

private:
    struct Observer {
        Uuid id;
        std::function<void()> handler;
    };

    UserDefaults& storeFor(Profile profile);
    static void registerDefaults(UserDefaults& store);
    std::string listedAppsKey() const;
    std::string autoQuitAppsKey() const;
    void toggle(const std::string& key, const std::string& bundleID);

    UserDefaults& m_root;
    DefaultsSuites& m_suites;
    std::string m_suiteName;
    UserDefaults* m_defaults;
    std::vector<Observer> m_observers;
};

}  // namespace tarnlet
