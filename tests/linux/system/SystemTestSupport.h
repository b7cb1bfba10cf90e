#pragma once
// Shared by the Linux system tests: one Qt application object for the whole binary, waiting on
// Qt's event loop for a condition, running the tarnlet program as a real process, and a private
// set of XDG folders for it.

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <string>

#include "support/TestEnvironment.h"

namespace tarnlet::test {

// Creates the application object on first use; the tests that need none never build it.
void ensureQtApplication();

// Runs the event loop until condition() holds or timeoutSeconds passed; returns condition().
bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds = 20);

// HOME and the XDG folders inside one temporary folder, for tarnlet processes.
class PrivateHome {
public:
    const std::filesystem::path& path() const { return m_dir.path(); }
    std::filesystem::path settingsFolder() const { return path() / "config" / "Tarnlet"; }
    std::filesystem::path logFile() const { return path() / "state" / "Tarnlet" / "debug.log"; }
    QProcessEnvironment environment() const;

private:
    TempDir m_dir;
};

// Runs a desktop program (xdotool, xclip) to its end, with input on its standard input; what it
// printed, blanks at the ends removed.
QString runProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {});
// Puts text on the CLIPBOARD selection, as a copy in another client does (xclip goes on serving it).
void putOnClipboard(const std::string& text);
// What the CLIPBOARD selection holds now, as another client reads it.
std::string clipboardText();

// Starts tarnlet with these arguments in the private home; the caller waits for it.
void startTarnlet(QProcess& process, const PrivateHome& home, const QStringList& arguments);
// Runs tarnlet to its end and returns its exit status (-1 when it crashed or hung).
int runTarnlet(const PrivateHome& home, const QStringList& arguments, std::string* errorText = nullptr);

}  // namespace tarnlet::test
