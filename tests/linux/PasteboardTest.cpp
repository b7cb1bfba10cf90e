// The clipboard on a real X server, against real clients: xclip copies and pastes, and a Qt
// application owns the selection with the targets a password manager sets.

#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <csignal>

#include "DesktopProbe.h"
#include "platform/linux/QtPasteboard.h"

namespace tarnlet::linux_tests {
namespace {

using linux_desktop::QtPasteboard;

bool contains(const std::vector<std::string>& types, const std::string& type) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

class PasteboardTest : public testing::Test {
protected:
    void SetUp() override {
        if (!DesktopProbe::hasDesktop()) GTEST_SKIP() << "no X11 display: run under scripts/desktop-session";
        m_pasteboard = std::make_unique<QtPasteboard>();
    }
    void TearDown() override {
        if (m_owner.state() != QProcess::NotRunning) {
            m_owner.kill();
            m_owner.waitForFinished();
        }
    }

    // xclip takes the selection with this text, and keeps serving it from the background.
    void copyWithXclip(const QString& text) {
        const int before = m_pasteboard->changeCount();
        QProcess xclip;
        xclip.start("xclip", {"-selection", "clipboard"});
        ASSERT_TRUE(xclip.waitForStarted());
        xclip.write(text.toUtf8());
        xclip.closeWriteChannel();
        ASSERT_TRUE(DesktopProbe::waitUntil([&] { return xclip.state() == QProcess::NotRunning; }));
        ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_pasteboard->changeCount() != before; }))
            << "the copy was never noticed";
    }

    // What xclip pastes from the selection, read with the event loop running so that this process
    // can answer it.
    static QString pasteWithXclip(const QStringList& extra = {}) {
        QProcess xclip;
        xclip.start("xclip", QStringList{"-selection", "clipboard", "-o"} + extra);
        EXPECT_TRUE(DesktopProbe::waitUntil([&] { return xclip.state() == QProcess::NotRunning; }));
        return QString::fromUtf8(xclip.readAllStandardOutput());
    }

    // A Qt application owns the selection with this text and these TARGET=VALUE pairs.
    void startOwner(const QString& text, const QStringList& targets) {
        const int before = m_pasteboard->changeCount();
        m_owner.start(CLIPBOARD_OWNER, QStringList{text} + targets);
        ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_owner.canReadLine() || m_owner.state() == QProcess::NotRunning; }));
        ASSERT_EQ(m_owner.readLine().trimmed(), "ready") << m_owner.readAllStandardError().toStdString();
        ASSERT_TRUE(DesktopProbe::waitUntil([&] { return m_pasteboard->changeCount() != before; }));
    }

    std::unique_ptr<QtPasteboard> m_pasteboard;
    QProcess m_owner;
};

TEST_F(PasteboardTest, AnotherClientsCopyIsReadAsText) {
    copyWithXclip(QStringLiteral("first copy · ünïcode"));
    EXPECT_EQ(m_pasteboard->string(), "first copy · ünïcode");
    const auto types = m_pasteboard->types();
    EXPECT_TRUE(contains(types, PasteboardType::plainText));
    EXPECT_FALSE(contains(types, PasteboardType::concealed));
    // X's own targets are no types, and text comes once whatever encodings it is offered in.
    EXPECT_EQ(std::count(types.begin(), types.end(), PasteboardType::plainText), 1);
    EXPECT_FALSE(contains(types, "TARGETS"));
    EXPECT_FALSE(contains(types, "UTF8_STRING"));

    const int count = m_pasteboard->changeCount();
    copyWithXclip(QStringLiteral("second copy"));
    EXPECT_GT(m_pasteboard->changeCount(), count);
    EXPECT_EQ(m_pasteboard->string(), "second copy");
}

TEST_F(PasteboardTest, WhatThisProcessWritesIsPastedElsewhereWithItsMarkers) {
    copyWithXclip(QStringLiteral("someone else's"));
    const int before = m_pasteboard->changeCount();
    m_pasteboard->clearContents();
    EXPECT_GT(m_pasteboard->changeCount(), before);
    EXPECT_TRUE(m_pasteboard->types().empty());
    ASSERT_TRUE(m_pasteboard->setString("Grüße aus Tarnlet"));
    ASSERT_TRUE(m_pasteboard->setString("", PasteboardType::transient));
    EXPECT_EQ(m_pasteboard->types(), (std::vector<std::string>{PasteboardType::plainText, PasteboardType::transient}));

    EXPECT_EQ(pasteWithXclip(), QStringLiteral("Grüße aus Tarnlet"));
    EXPECT_TRUE(pasteWithXclip({"-t", "TARGETS"}).split('\n').contains(PasteboardType::transient));

    // Another client's copy ends this process's ownership; a later write starts afresh.
    copyWithXclip(QStringLiteral("taken over"));
    EXPECT_EQ(m_pasteboard->string(), "taken over");
    ASSERT_TRUE(m_pasteboard->setString("ours again"));
    EXPECT_EQ(pasteWithXclip(), QStringLiteral("ours again"));
}

// A copy marked by a password manager, or with the core's own marker as a target, is concealed;
// the text is still there for whoever pastes it.
TEST_F(PasteboardTest, PasswordManagerCopiesAreConcealed) {
    startOwner("hunter2", {QString(QtPasteboard::kPasswordManagerHint) + "=secret"});
    auto types = m_pasteboard->types();
    EXPECT_TRUE(contains(types, PasteboardType::concealed));
    EXPECT_TRUE(contains(types, PasteboardType::plainText));
    EXPECT_EQ(m_pasteboard->string(), "hunter2");
    m_owner.kill();
    m_owner.waitForFinished();

    startOwner("not a secret", {QString(QtPasteboard::kPasswordManagerHint) + "=accepted"});
    EXPECT_FALSE(contains(m_pasteboard->types(), PasteboardType::concealed));
    m_owner.kill();
    m_owner.waitForFinished();

    startOwner("machine-made", {QString(PasteboardType::concealed) + "=", QString(PasteboardType::source) + "=org.example.vault"});
    types = m_pasteboard->types();
    EXPECT_TRUE(contains(types, PasteboardType::concealed));
    EXPECT_EQ(m_pasteboard->string(PasteboardType::source), "org.example.vault");
}

// An owner that never answers costs one read at most: its contents then read as empty until the
// clipboard changes again.
TEST_F(PasteboardTest, AnOwnerThatDoesNotAnswerReadsAsEmptyUntilTheNextCopy) {
    startOwner("frozen", {});
    ::kill(static_cast<pid_t>(m_owner.processId()), SIGSTOP);
    EXPECT_TRUE(m_pasteboard->types().empty());
    EXPECT_EQ(m_pasteboard->string(), std::nullopt);
    EXPECT_EQ(m_pasteboard->data(PasteboardType::plainText), std::nullopt);
    // Killed while stopped, it can send no late answer that a later read might take for its own.
    m_owner.kill();
    m_owner.waitForFinished();

    copyWithXclip(QStringLiteral("thawed"));
    EXPECT_EQ(m_pasteboard->string(), "thawed");
}

}  // namespace
}  // namespace tarnlet::linux_tests
