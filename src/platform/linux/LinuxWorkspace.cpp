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

namespace tarnlet::linux_desktop {

bool LinuxWorkspace::openURL(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    return address.isValid() && QDesktopServices::openUrl(address);
}

LinuxWorkspace::LinuxWorkspace(MainQueue& queue) : m_queue(queue), m_replies(std::make_unique<QObject>()) {}

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

}  // namespace tarnlet::linux_desktop
