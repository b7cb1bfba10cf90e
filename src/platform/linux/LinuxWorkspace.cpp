#include "platform/linux/LinuxWorkspace.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include "platform/MainQueue.h"

namespace tarnlet::linux_desktop {

bool LinuxWorkspace::openURL(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    return address.isValid() && QDesktopServices::openUrl(address);
}

void LinuxWorkspace::revealInFileManager(const std::filesystem::path& file) {
    // Without a file manager that selects files on request, its folder is opened.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string())));
}

void LinuxWorkspace::launchNewInstanceOfSelf(std::function<void(bool launched)> completion) {
    const bool launched = QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
    m_queue.post([completion = std::move(completion), launched] {
        if (completion) completion(launched);
    });
}

void LinuxWorkspace::terminateSelf() { QCoreApplication::quit(); }

}  // namespace tarnlet::linux_desktop
