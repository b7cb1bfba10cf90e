#include "platform/linux/LinuxWorkspace.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QObject>
#include <QProcess>
#include <QUrl>

#include "platform/MainQueue.h"
#include "platform/linux/DBusCall.h"
#include "platform/linux/X11Applications.h"

namespace tarnlet::linux_desktop {

bool LinuxWorkspace::openURL(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    return address.isValid() && QDesktopServices::openUrl(address);
}

LinuxWorkspace::LinuxWorkspace(MainQueue& queue, X11Applications* applications)
    : m_queue(queue), m_running(applications), m_replies(std::make_unique<QObject>()) {}

LinuxWorkspace::~LinuxWorkspace() = default;

void LinuxWorkspace::revealInFileManager(const std::filesystem::path& file) {
    const QString uri = QUrl::fromLocalFile(QString::fromStdString(file.string())).toString(QUrl::FullyEncoded);
    const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string()));
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{uri} << QString();
    // Without a file manager that selects files on request, the file's folder is opened instead.
    DBusCall::async(QDBusConnection::sessionBus(), call, m_replies.get(), [folder](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage) QDesktopServices::openUrl(folder);
    });
}

void LinuxWorkspace::launchNewInstanceOfSelf(std::function<void(bool launched)> completion) {
    const bool launched = QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
    m_queue.post([completion = std::move(completion), launched] {
        if (completion) completion(launched);
    });
}

void LinuxWorkspace::terminateSelf() { QCoreApplication::quit(); }

std::optional<int> LinuxWorkspace::frontmostApplicationPID() const {
    return m_running ? m_running->frontmostApplicationPID() : std::nullopt;
}

std::optional<std::string> LinuxWorkspace::frontmostApplicationBundleID() const {
    return m_running ? m_running->frontmostApplicationBundleID() : std::nullopt;
}

bool LinuxWorkspace::activateApplication(int pid) { return m_running && m_running->activateApplication(pid); }

std::vector<RunningApplication> LinuxWorkspace::runningApplications() const {
    return m_running ? m_running->runningApplications() : std::vector<RunningApplication>{};
}

std::optional<RunningApplication> LinuxWorkspace::runningApplication(int pid) const {
    return m_running ? m_running->runningApplication(pid) : std::nullopt;
}

bool LinuxWorkspace::terminate(int pid) { return m_running && m_running->terminate(pid); }

Subscription LinuxWorkspace::observeApplications(std::function<void(WorkspaceEvent, const RunningApplication&)> onEvent) {
    return m_running ? m_running->observe(std::move(onEvent)) : Subscription();
}

}  // namespace tarnlet::linux_desktop
