// The tray item on a session bus with a StatusNotifierWatcher: it registers, exports the core's own
// menu over com.canonical.dbusmenu, and maps the host's calls to the core's clicks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMenu>
#include <QMutex>
#include <QThread>
#include <string>
#include <vector>

#include "DesktopProbe.h"
#include "RecordingLog.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtStatusBar.h"

namespace tarnlet::linux_tests {
namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// A StatusNotifierWatcher with a host, as a desktop's panel provides. It runs on a thread and a bus
// connection of its own, so the item's blocking calls to it are answered while the test's thread
// waits for them.
class FakeWatcher : public QDBusVirtualObject {
public:
    QString introspect(const QString& path) const override {
        if (path != kWatcherPath) return {};
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierWatcher\">"
            "<method name=\"RegisterStatusNotifierItem\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<method name=\"RegisterStatusNotifierHost\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
            "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
            "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
            "<signal name=\"StatusNotifierItemRegistered\"><arg type=\"s\"/></signal>"
            "<signal name=\"StatusNotifierItemUnregistered\"><arg type=\"s\"/></signal>"
            "<signal name=\"StatusNotifierHostRegistered\"/>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        if (message.interface() == kWatcherService && member == "RegisterStatusNotifierItem") {
            QString service = message.arguments().value(0).toString();
            if (service.startsWith('/')) service = message.service() + service;
            {
                QMutexLocker lock(&m_mutex);
                m_items << service;
            }
            connection.send(message.createReply());
            QDBusMessage signal = QDBusMessage::createSignal(kWatcherPath, kWatcherService, "StatusNotifierItemRegistered");
            signal << service;
            connection.send(signal);
            return true;
        }
        if (message.interface() == kWatcherService && member == "RegisterStatusNotifierHost") {
            connection.send(message.createReply());
            return true;
        }
        if (message.interface() == "org.freedesktop.DBus.Properties" && member == "Get") {
            const QVariant value = property(message.arguments().value(1).toString());
            if (!value.isValid()) return false;
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
            return true;
        }
        if (message.interface() == "org.freedesktop.DBus.Properties" && member == "GetAll") {
            QVariantMap all;
            for (const char* name : {"RegisteredStatusNotifierItems", "IsStatusNotifierHostRegistered", "ProtocolVersion"})
                all.insert(name, property(name));
            connection.send(message.createReply(all));
            return true;
        }
        return false;
    }

    QStringList items() const {
        QMutexLocker lock(&m_mutex);
        return m_items;
    }

private:
    QVariant property(const QString& name) const {
        if (name == "IsStatusNotifierHostRegistered") return true;
        if (name == "ProtocolVersion") return 0;
        if (name == "RegisteredStatusNotifierItems") return items();
        return {};
    }

    mutable QMutex m_mutex;
    QStringList m_items;
};

// One node of a dbusmenu layout.
struct MenuNode {
    int id = 0;
    QVariantMap properties;
    std::vector<MenuNode> children;

    QString label() const { return properties.value("label").toString(); }
    const MenuNode* find(const QString& wanted) const {
        if (label() == wanted) return this;
        for (const MenuNode& child : children)
            if (const MenuNode* found = child.find(wanted)) return found;
        return nullptr;
    }
};

MenuNode readLayout(const QDBusArgument& argument) {
    MenuNode node;
    argument.beginStructure();
    argument >> node.id >> node.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        node.children.push_back(readLayout(child.variant().value<QDBusArgument>()));
    }
    argument.endArray();
    argument.endStructure();
    return node;
}

class StatusBarTest : public testing::Test {
protected:
    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
        // The watcher must be on the bus before the first tray icon: Qt decides once per process.
        m_watcherBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-watcher")));
        ASSERT_TRUE(m_watcherBus->isConnected());
        m_watcherThread.start();
        m_watcher.moveToThread(&m_watcherThread);
        ASSERT_TRUE(m_watcherBus->registerVirtualObject(kWatcherPath, &m_watcher));
        ASSERT_TRUE(m_watcherBus->registerService(kWatcherService));
        m_queue = std::make_unique<linux_desktop::QtMainQueue>();
        m_bar = std::make_unique<linux_desktop::QtStatusBar>(*m_queue, m_log);
    }

    void TearDown() override {
        m_item.reset();
        m_bar.reset();
        if (m_watcherBus) {
            m_watcherBus->unregisterService(kWatcherService);
            m_watcherBus->unregisterObject(kWatcherPath);
            QDBusConnection::disconnectFromBus(QStringLiteral("fake-watcher"));
        }
        m_watcherThread.quit();
        m_watcherThread.wait();
    }

    // A call to the item, answered while the event loop runs (the item lives on this thread).
    QDBusMessage call(const QString& path, const QString& interface, const QString& method, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(m_service, path, interface, method);
        message.setArguments(args);
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(message, 10000);
        DesktopProbe::waitUntil([&] { return pending.isFinished(); }, 15);
        return pending.reply();
    }

    // The menu the core builds, as the status menu controller does in miniature.
    Menu coreMenu() {
        MenuItem awake;
        awake.title = "Keep Awake";
        awake.checked = true;
        MenuItem indefinite;
        indefinite.title = "No time limit";
        indefinite.checked = true;
        indefinite.action = [this] { m_events.push_back("action: No time limit"); };
        awake.submenu.push_back(indefinite);
        MenuItem detail;
        detail.title = "Until 10:30 & later, on Desk_2 & Desk_3";
        detail.enabled = false;
        detail.indentation = 1;
        MenuItem settings;
        settings.title = "Settings…";
        settings.keyEquivalent = ",";
        settings.action = [this] { m_events.push_back("action: Settings…"); };
        return {awake, detail, MenuItem::separator(), settings};
    }

    void attachItem() {
        m_item = m_bar->addItem();
        m_item->setOnClick([this](StatusClick button) {
            m_events.push_back(button == StatusClick::left ? "left" : "right");
            if (button != StatusClick::left) return;
            m_item->popUpMenu(coreMenu(), [this] { m_events.push_back("close"); });
        });
        m_item->setImage(Image::symbol("eye.fill", "Tarnlet"));
    }

    std::unique_ptr<QDBusConnection> m_watcherBus;
    QThread m_watcherThread;
    FakeWatcher m_watcher;
    std::unique_ptr<linux_desktop::QtMainQueue> m_queue;
    RecordingLog m_log;
    std::unique_ptr<linux_desktop::QtStatusBar> m_bar;
    std::unique_ptr<StatusItem> m_item;
    std::vector<std::string> m_events;
    QString m_service;
};

TEST_F(StatusBarTest, RegistersWithTheWatcherAndExportsTheCoresMenu) {
    attachItem();
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return !m_watcher.items().isEmpty(); }))
        << "the item never registered with the StatusNotifierWatcher";
    m_service = m_watcher.items().first();

    const QDBusMessage menuPath = call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                                       {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu")});
    ASSERT_EQ(menuPath.type(), QDBusMessage::ReplyMessage) << menuPath.errorMessage().toStdString();
    const QString path = menuPath.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    ASSERT_FALSE(path.isEmpty());
    ASSERT_NE(path, "/NO_DBUSMENU") << "the item exports no menu";

    // A host about to show the menu: the core is asked for it, the host reads it.
    m_events.clear();
    call(path, "com.canonical.dbusmenu", "AboutToShow", {0});
    call(path, "com.canonical.dbusmenu", "Event", {0, QStringLiteral("opened"), QVariant::fromValue(QDBusVariant(0)), 0u});
    const QDBusMessage layout =
        call(path, "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(layout.type(), QDBusMessage::ReplyMessage) << layout.errorMessage().toStdString();
    const MenuNode root = readLayout(layout.arguments().value(1).value<QDBusArgument>());
    ASSERT_EQ(root.children.size(), 4u);
    const MenuNode* awake = root.find("Keep Awake");
    ASSERT_NE(awake, nullptr);
    EXPECT_EQ(awake->properties.value("toggle-state").toInt(), 1);
    EXPECT_EQ(awake->properties.value("children-display").toString(), "submenu");
    ASSERT_NE(root.find("No time limit"), nullptr);
    const MenuNode* detail = nullptr;
    for (const MenuNode& child : root.children)
        if (child.label().contains("Until 10:30")) detail = &child;
    ASSERT_NE(detail, nullptr);
    // In dbusmenu's spelling, which a host shows as the title: "__" is an underscore, and the
    // mnemonic mark Qt puts before the first ampersand keeps it visible.
    EXPECT_EQ(detail->label(), QString(4, QChar(0x2002)) + "Until 10:30 _& later, on Desk__2 & Desk__3");
    EXPECT_FALSE(detail->properties.value("enabled", true).toBool());
    EXPECT_EQ(root.children[2].properties.value("type").toString(), "separator");
    const MenuNode* settings = root.find("Settings…");
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->properties.contains("shortcut"));

    // Choosing an item: the menu closes for the core, then the action runs on the main queue.
    call(path, "com.canonical.dbusmenu", "Event",
         {settings->id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    call(path, "com.canonical.dbusmenu", "Event", {0, QStringLiteral("closed"), QVariant::fromValue(QDBusVariant(0)), 0u});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] {
        return std::find(m_events.begin(), m_events.end(), "action: Settings…") != m_events.end();
    }));
    const std::vector<std::string> expected{"left", "close", "action: Settings…"};
    EXPECT_EQ(m_events, expected);

    // The host's clicks: Activate is the left click, which opens the menu at the pointer; the
    // middle click and ContextMenu toggle as the right click does.
    m_events.clear();
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "SecondaryActivate", {0, 0});
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "ContextMenu", {0, 0});
    EXPECT_EQ(m_events, (std::vector<std::string>{"right", "right"}));
    m_events.clear();
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {0, 0});
    ASSERT_TRUE(DesktopProbe::waitUntil([&] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }))
        << "Activate opened no menu";
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_EQ(popup->actions().size(), 4);
    EXPECT_EQ(popup->actions()[0]->text(), "Keep Awake");
    popup->close();
    EXPECT_EQ(m_events, (std::vector<std::string>{"left", "close"}));
}

}  // namespace
}  // namespace tarnlet::linux_tests
