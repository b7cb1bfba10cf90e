// The number prompt as a user meets it: typing goes straight into the number field and Return
// chooses the first button; Escape dismisses it without one.

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include "DesktopProbe.h"
#include "platform/linux/QtAlerts.h"

namespace tarnlet::linux_tests {
namespace {

NumberPrompt durationPrompt() {
    NumberPrompt prompt;
    prompt.message = "Custom Keep-Awake Duration";
    prompt.informativeText = "How long should this computer stay awake?";
    prompt.placeholder = "45";
    prompt.units = {"minutes", "hours"};
    prompt.buttons = {"Start", "Cancel"};
    return prompt;
}

// How long a prompt may wait for the typing before the test gives up on it.
constexpr int kPatienceMilliseconds = 20000;

// Types `keys` with xdotool into whatever has the focus, once the prompt is the active window. A
// prompt still open long after is closed, so that a fault fails the test instead of hanging it.
void typeIntoPrompt(const QStringList& keys) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, keys] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isActiveWindow()) return;
        poll->stop();
        poll->deleteLater();
        QProcess::startDetached("xdotool", keys);
    });
    poll->start(50);
    QTimer::singleShot(kPatienceMilliseconds, qApp, [poll] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "the prompt was still open; active window: " << modal->isActiveWindow();
            modal->close();
        }
    });
}

class AlertsTest : public testing::Test {
protected:
    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
    }
    linux_desktop::QtAlerts m_alerts;
};

TEST_F(AlertsTest, TypedNumberAndReturnAnswerWithTheFirstButton) {
    typeIntoPrompt({"key", "--delay", "30", "1", "2", "Return"});
    const NumberPromptAnswer answer = m_alerts.runNumberPrompt(durationPrompt());
    EXPECT_EQ(answer.button, 0);
    EXPECT_EQ(answer.text, "12");
    EXPECT_EQ(answer.unitIndex, 0);
}

TEST_F(AlertsTest, EscapeDismissesWithoutAButton) {
    typeIntoPrompt({"key", "--delay", "30", "7", "Escape"});
    const NumberPromptAnswer answer = m_alerts.runNumberPrompt(durationPrompt());
    EXPECT_EQ(answer.button, -1);
}

}  // namespace
}  // namespace tarnlet::linux_tests
