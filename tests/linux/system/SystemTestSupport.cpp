#include "linux/system/SystemTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace tarnlet::test {

void ensureQtApplication() {
    static int argc = 1;
    static char name[] = "linux_system_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone, and the object with them.
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds) {
    ensureQtApplication();
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutSeconds * 1000) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return true;
}

QProcessEnvironment PrivateHome::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString root = QString::fromStdString(path().string());
    env.insert("HOME", root);
    env.insert("XDG_CONFIG_HOME", root + "/config");
    env.insert("XDG_STATE_HOME", root + "/state");
    env.insert("XDG_DATA_HOME", root + "/data");
    return env;
}

QString runProgram(const QString& program, const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    process.start(program, arguments);
    if (!input.isEmpty()) process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void putOnClipboard(const std::string& text) {
    runProgram("xclip", {"-selection", "clipboard"}, QByteArray::fromStdString(text));
}

std::string clipboardText() { return runProgram("xclip", {"-o", "-selection", "clipboard"}).toStdString(); }

void startTarnlet(QProcess& process, const PrivateHome& home, const QStringList& arguments) {
    process.setProcessEnvironment(home.environment());
    process.start(QStringLiteral(TARNLET_BINARY), arguments);
}

int runTarnlet(const PrivateHome& home, const QStringList& arguments, std::string* errorText) {
    ensureQtApplication();
    QProcess process;
    startTarnlet(process, home, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (errorText) *errorText = process.readAllStandardError().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace tarnlet::test
