#include "platform/linux/QtStatusBar.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QKeySequence>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>
#include <utility>

#include "base/WeakToken.h"
#include "platform/MainQueue.h"
#include "platform/SystemLog.h"
#include "platform/linux/QtImages.h"

namespace tarnlet::linux_desktop {

namespace {

// Indentation levels become leading spaces: Qt's menus have no indentation of their own.
constexpr int kSpacesPerIndentation = 4;

QColor templateTint() { return QApplication::palette().color(QPalette::WindowText); }

// An item's title as Qt's menus take it. Qt's own menus read every ampersand as a mnemonic mark,
// so each one is doubled. The exported menu goes to the host as a dbusmenu label, where an
// underscore is the mark ("__" a plain one), and Qt turns only the first ampersand into an
// underscore on the way: there the underscores are doubled and only the first ampersand is, which
// Qt sends as "_&" and the host shows as "&".
QString menuTitle(const MenuItem& item, bool exported) {
    QString title = QString::fromStdString(item.title);
    if (!exported) {
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    } else {
        title.replace(QLatin1Char('_'), QStringLiteral("__"));
        const qsizetype ampersand = title.indexOf(QLatin1Char('&'));
        if (ampersand >= 0) title.insert(ampersand, QLatin1Char('&'));
    }
    if (item.indentation > 0) title.prepend(QString(item.indentation * kSpacesPerIndentation, QChar(0x2002)));
    return title;
}

// The core's key equivalents go with Command; on this desktop the shortcut modifier is Control.
QKeySequence shortcutFor(const std::string& keyEquivalent) {
    if (keyEquivalent.empty()) return {};
    QString key = QString::fromStdString(keyEquivalent);
    QString modifiers = QStringLiteral("Ctrl+");
    if (key.size() == 1 && key.at(0).isUpper()) modifiers += QStringLiteral("Shift+");
    return QKeySequence::fromString(modifiers + key.toUpper(), QKeySequence::PortableText);
}

// How long the tray waits for the session bus to say whether a StatusNotifierItem host runs.
constexpr int kBusTimeoutMilliseconds = 2000;

// Whether Qt shows tray icons as StatusNotifierItems in this process. Qt decides once, when its
// first tray icon is made, from the watcher's presence and its IsStatusNotifierHostRegistered
// property; the same question is asked here at the same moment and its answer kept as long.
bool trayIsStatusNotifierItem() {
    static const bool answer = [] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
        if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher).value())
            return false;
        QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
        const QDBusMessage reply = bus.call(get, QDBus::Block, kBusTimeoutMilliseconds);
        return reply.type() == QDBusMessage::ReplyMessage &&
               reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
    }();
    return answer;
}

class QtStatusItem final : public StatusItem {
public:
    QtStatusItem(MainQueue& queue, SystemLog& log)
        : m_queue(queue), m_log(log), m_exportsMenu(trayIsStatusNotifierItem()) {
        m_tray = std::make_unique<QSystemTrayIcon>();
        QObject::connect(m_tray.get(), &QSystemTrayIcon::activated, m_tray.get(),
                         [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
    }

    ~QtStatusItem() override {
        if (m_popup) {
            QObject::disconnect(m_popup, nullptr, nullptr, nullptr);
            delete m_popup.data();
        }
        if (m_exported) QObject::disconnect(m_exported.get(), nullptr, nullptr, nullptr);
        m_tray.reset();
    }

    void setImage(const Image& image) override {
        m_tray->setIcon(QtImages::templateIcon(image, templateTint()));
        m_tray->setToolTip(QString::fromStdString(image.accessibilityDescription.empty() ? image.name
                                                                                            : image.accessibilityDescription));
        if (!m_shown) {
            m_shown = true;
            m_tray->show();
            if (!QSystemTrayIcon::isSystemTrayAvailable())
                m_log.info("No system tray is running: the status item is not shown until one starts");
            if (m_exportsMenu) exportMenu();
        }
        // The core sets the image after each change of state: the exported menu follows it.
        scheduleExportRefresh();
    }

    void setOnClick(std::function<void(StatusClick)> onClick) override {
        m_onClick = std::move(onClick);
        scheduleExportRefresh();
    }

    void popUpMenu(Menu menu, std::function<void()> onClose) override {
        auto session = std::make_shared<Session>();
        session->onClose = std::move(onClose);
        if (m_filling && m_exported) {
            fillExported(menu, session);
            return;
        }
        closePopup();
        m_popup = new QMenu();
        m_popup->setAttribute(Qt::WA_DeleteOnClose, false);
        fill(*m_popup, menu, session, false);
        m_popupSession = session;
        QObject::connect(m_popup, &QMenu::aboutToHide, m_popup, guarded([this, session] { finish(session); }));
        m_popup->popup(QCursor::pos());
    }

private:
    // One opening of a menu: its onClose runs once, before any of its actions.
    struct Session {
        std::function<void()> onClose;
        bool closed = false;
    };

    void activated(QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
            case QSystemTrayIcon::Trigger:
                click(StatusClick::left);
                break;
            case QSystemTrayIcon::Context:
            case QSystemTrayIcon::MiddleClick:
                click(StatusClick::right);
                break;
            default:
                // A double click arrives after the Trigger of its first click, which opened the menu.
                break;
        }
    }

    // A slot for Qt's signals that does nothing once the item is gone.
    template <class F>
    std::function<void()> guarded(F fn) {
        return [token = m_weak.token(), fn = std::move(fn)]() mutable {
            if (token.isAlive()) fn();
        };
    }

    void click(StatusClick button) {
        if (m_onClick) m_onClick(button);
    }

    void finish(const std::shared_ptr<Session>& session) {
        if (session->closed) return;
        session->closed = true;
        if (session->onClose) session->onClose();
    }

    void chosen(const std::shared_ptr<Session>& session, const std::function<void()>& action) {
        finish(session);
        if (action) m_queue.post(m_weak.bind(action));
    }

    void closePopup() {
        if (!m_popup) return;
        QMenu* old = m_popup.data();
        m_popup.clear();
        QObject::disconnect(old, &QMenu::aboutToHide, nullptr, nullptr);
        old->hide();
        old->deleteLater();
        // The menu the new one replaces is closed first, as the core expects of its menu.
        if (m_popupSession) finish(m_popupSession);
        m_popupSession.reset();
    }

    void fill(QMenu& menu, const Menu& items, const std::shared_ptr<Session>& session, bool exported) {
        for (const MenuItem& item : items) {
            if (item.isSeparator) {
                menu.addSeparator();
                continue;
            }
            QAction* action = nullptr;
            if (!item.submenu.empty()) {
                QMenu* submenu = menu.addMenu(menuTitle(item, exported));
                fill(*submenu, item.submenu, session, exported);
                action = submenu->menuAction();
            } else {
                action = menu.addAction(menuTitle(item, exported));
                action->setShortcut(shortcutFor(item.keyEquivalent));
                QObject::connect(action, &QAction::triggered, &menu,
                                 guarded([this, session, run = item.action] { chosen(session, run); }));
            }
            action->setEnabled(item.enabled);
            if (item.checked) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            if (item.image) action->setIcon(QtImages::templateIconAtNaturalSize(*item.image, templateTint()));
        }
    }

    // Hosts that show the exported menu themselves get the core's menu in it.
    void exportMenu() {
        m_exported = std::make_unique<QMenu>();
        QObject::connect(m_exported.get(), &QMenu::aboutToShow, m_exported.get(), guarded([this] {
                             // A showing the host never reported closed is over now.
                             if (m_exportedSession) finish(m_exportedSession);
                             m_exportedOpen = true;
                             askCoreForMenu();
                         }));
        QObject::connect(m_exported.get(), &QMenu::aboutToHide, m_exported.get(), guarded([this] {
                             m_exportedOpen = false;
                             if (m_exportedSession) finish(m_exportedSession);
                         }));
        m_tray->setContextMenu(m_exported.get());
    }

    void scheduleExportRefresh() {
        if (!m_exported || m_refresh.isPending()) return;
        // Posted, so that the core never hears of a click while it is still setting the item up.
        m_refresh = m_queue.postAfter(0, [this] {
            if (!m_exportedOpen) askCoreForMenu();
        });
    }

    // Plays a left click to the core: the menu it opens in answer fills the exported menu.
    void askCoreForMenu() {
        m_filling = true;
        click(StatusClick::left);
        m_filling = false;
    }

    void fillExported(const Menu& menu, const std::shared_ptr<Session>& session) {
        m_exported->clear();
        for (QMenu* submenu : m_exported->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete submenu;
        fill(*m_exported, menu, session, true);
        m_exportedSession = session;
        // Refreshed while no host shows it: this opening of the core's menu closes at once, on a later
        // turn so that the core is not told from inside its own call.
        if (!m_exportedOpen)
            m_queue.post(m_weak.bind([this, session] { finish(session); }));
    }

    MainQueue& m_queue;
    SystemLog& m_log;
    // Declared before the tray, which refers to it as its context menu, so it outlives the tray.
    std::unique_ptr<QMenu> m_exported;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QPointer<QMenu> m_popup;
    std::shared_ptr<Session> m_popupSession;
    std::shared_ptr<Session> m_exportedSession;
    std::function<void(StatusClick)> m_onClick;
    const bool m_exportsMenu;
    bool m_shown = false;
    bool m_filling = false;
    bool m_exportedOpen = false;
    WorkItem m_refresh;
    WeakFactory m_weak;
};

}  // namespace

QtStatusBar::QtStatusBar(MainQueue& queue, SystemLog& log) : m_queue(queue), m_log(log) {}

QtStatusBar::~QtStatusBar() = default;

std::unique_ptr<StatusItem> QtStatusBar::addItem() { return std::make_unique<QtStatusItem>(m_queue, m_log); }

}  // namespace tarnlet::linux_desktop
