#pragma once
// The general pasteboard on X11: the CLIPBOARD selection, through Qt's clipboard.
//
// Type names: the core's plain-text type is the selection's text (text/plain and X's text targets).
// Linux password managers mark what they copy with the target x-kde-passwordManagerHint saying
// "secret"; that reads as the concealed marker. Every other target keeps its name, so the core's
// marker types (org.nspasteboard.…) travel as MIME targets both ways, and writing the concealed
// marker also sets the hint for the desktop's own clipboard managers. X's protocol and encoding
// targets (TARGETS, TIMESTAMP, UTF8_STRING…, the names in capitals) are no types.
//
// The change count grows whenever Qt reports new contents (another client took the selection, or
// this process wrote it); reading it asks nobody, so it may be polled.
//
// Reading another client's selection asks that client and waits for its answer without running
// the event loop, up to Qt's own limit (five seconds per request in Qt 6's X11 platform). So that an
// owner that does not answer stalls at most one read, a read that takes kUnresponsiveSeconds or
// more leaves the current contents unreadable, and empty to every later question, until the next
// change. The types of one change are read once and kept. This process's own contents are read
// without asking the server.
//
// Writing: clearContents() makes this process the owner with no types; setString() and setData()
// add to what it owns. A write while another client owns the selection starts afresh, as
// clearContents() would, and a write the server refused (the selection never became ours) reports
// false.
//
// Main thread only; a QGuiApplication must exist.

#include <QByteArray>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "platform/Pasteboard.h"

class QClipboard;
class QMimeData;

namespace tarnlet::linux_desktop {

class QtPasteboard : public Pasteboard {
public:
    QtPasteboard();
    ~QtPasteboard() override;
    QtPasteboard(const QtPasteboard&) = delete;
    QtPasteboard& operator=(const QtPasteboard&) = delete;

    std::vector<std::string> types() const override;
    std::optional<std::string> string(const std::string& type = PasteboardType::plainText) const override;
    std::optional<std::vector<std::uint8_t>> data(const std::string& type) const override;
    int changeCount() const override { return m_changeCount; }
    void clearContents() override;
    bool setString(const std::string& text, const std::string& type = PasteboardType::plainText) override;
    bool setData(const std::vector<std::uint8_t>& bytes, const std::string& type) override;

    // The target Linux password managers set, and the value that marks a secret.
    static constexpr const char* kPasswordManagerHint = "x-kde-passwordManagerHint";
    static constexpr const char* kSecret = "secret";
    // A read of another client's selection that takes this long leaves its contents unreadable.
    static constexpr double kUnresponsiveSeconds = 2.0;

private:
    // The contents to read; none without a clipboard or while the owner is taken as unresponsive.
    const QMimeData* contents() const;
    // Runs a read of the contents, and marks them unreadable when it took too long.
    template <class Read>
    auto timed(Read read) const;
    // The value of a type in the core's naming, as bytes; none when it is absent.
    std::optional<QByteArray> bytes(const std::string& type) const;
    bool hasSecretHint(const QMimeData& mime) const;
    // What this process owns and may still add to; null once another client took the selection.
    QMimeData* ownContents() const;
    bool put(const std::string& type, const QByteArray& value);
    void changed();

    QClipboard* m_clipboard = nullptr;
    QMetaObject::Connection m_changes;
    int m_changeCount = 0;
    QPointer<QMimeData> m_written;
    // The types of the current contents, once read.
    mutable std::optional<std::vector<std::string>> m_types;
    mutable bool m_unresponsive = false;
};

}  // namespace tarnlet::linux_desktop
