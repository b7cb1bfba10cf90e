#include "diagnostics/CrashReporter.h"

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <typeinfo>

#include "diagnostics/FileLog.h"
#include "diagnostics/Log.h"

namespace tarnlet {

namespace {

constexpr int kSignals[] = {SIGILL, SIGTRAP, SIGABRT, SIGSEGV, SIGBUS, SIGFPE};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
constexpr int kMaxFrames = 64;

// Everything the signal handler reads is prepared at install and lives in fixed static storage:
// the handler may neither allocate nor lock.
struct SignalDescription {
    int signal = 0;
    char text[96] = {};
    std::size_t length = 0;
};

bool s_installed = false;
int s_descriptor = -1;
char s_breadcrumb[CrashReporter::kBreadcrumbCapacity] = {};
volatile sig_atomic_t s_breadcrumbLength = 0;
SignalDescription s_descriptions[kSignalCount];
char s_logPath[PATH_MAX] = {};
char s_logDirectory[PATH_MAX] = {};
volatile sig_atomic_t s_reporting = 0;

void writeBytes(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
}

template <std::size_t N>
void writeLiteral(int fd, const char (&text)[N]) {
    writeBytes(fd, text, N - 1);
}

void copyPath(char (&into)[PATH_MAX], const std::string& path) {
    if (path.size() >= sizeof into) {
        into[0] = '\0';
        return;
    }
    std::memcpy(into, path.c_str(), path.size() + 1);
}

// The descriptor opened at install still names the log unless the log was deleted since (the user
// cleared it, say); then the report goes to a fresh "debug.log" at the same place, where the user
// will look for it, instead of into a file nobody can open any more. Only calls that are safe in a
// signal handler are used.
int reportDescriptor() {
    int fd = s_descriptor;
    struct stat info {};
    if (s_logPath[0] == '\0' || ::fstat(fd, &info) != 0 || info.st_nlink > 0) return fd;
    int fresh = ::open(s_logPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fresh < 0 && s_logDirectory[0] != '\0') {
        ::mkdir(s_logDirectory, 0755);
        fresh = ::open(s_logPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }
    return fresh >= 0 ? fresh : fd;
}

void writeSignalReport(int signal) {
    int fd = reportDescriptor();

    writeLiteral(fd, "\n=== CRASH signal ");
    char number[12];
    std::size_t at = sizeof number;
    unsigned value = static_cast<unsigned>(signal < 0 ? -signal : signal);
    do {
        number[--at] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && at > 1);
    if (signal < 0) number[--at] = '-';
    writeBytes(fd, number + at, sizeof number - at);
    writeLiteral(fd, " (");
    for (const auto& description : s_descriptions)
        if (description.signal == signal) writeBytes(fd, description.text, description.length);
    writeLiteral(fd, ") ===\n");

    std::size_t length = static_cast<std::size_t>(s_breadcrumbLength);
    if (length > 0) {
        writeLiteral(fd, "last: ");
        writeBytes(fd, s_breadcrumb, length);
        writeLiteral(fd, "\n");
    }

    void* frames[kMaxFrames];
    int count = ::backtrace(frames, kMaxFrames);
    ::backtrace_symbols_fd(frames, count, fd);

    writeLiteral(fd, "=== end crash ===\n");
    ::fsync(fd);
}

void handleSignal(int signal, siginfo_t*, void*) {
    // A second fault while reporting (or a second thread crashing at once) must not write a report
    // into the middle of the first one.
    if (s_descriptor >= 0 && s_reporting == 0) {
        s_reporting = 1;
        writeSignalReport(signal);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::string demangle(const char* name) {
    int status = 0;
    char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    std::string result = status == 0 && readable ? readable : name;
    std::free(readable);
    return result;
}

std::string callStackSymbols() {
    void* frames[kMaxFrames];
    int count = ::backtrace(frames, kMaxFrames);
    std::string joined;
    if (char** symbols = ::backtrace_symbols(frames, count)) {
        for (int i = 0; i < count; ++i) {
            if (i > 0) joined += '\n';
            joined += symbols[i];
        }
        std::free(symbols);
    }
    return joined;
}

[[noreturn]] void handleTermination() {
    try {
        // The runtime terminates without unwinding when nothing catches an exception, so the
        // stack walked here still shows where it was thrown.
        if (std::exception_ptr current = std::current_exception()) {
            const std::type_info* type = abi::__cxa_current_exception_type();
            std::string name = type ? demangle(type->name()) : "unknown";
            std::optional<std::string> reason;
            try {
                std::rethrow_exception(current);
            } catch (const std::exception& error) {
                reason = error.what();
            } catch (...) {
            }

            std::string report = "\n=== CRASH exception " + name + " ===\n";
            if (auto crumb = CrashReporter::currentBreadcrumb(); !crumb.empty()) {
                report += "last: ";
                report += crumb;
                report += '\n';
            }
            report += "reason: " + reason.value_or("(none)") + "\n";
            report += callStackSymbols();
            report += "\n=== end crash ===\n";
            FileLog::appendRaw(report);
            Log::error("Uncaught exception: " + name + " — " + reason.value_or(""));
        }
    } catch (...) {
        // Out of memory while reporting: the abort below is still the right end.
    }
    std::abort();
}

void prepareSignalDescriptions() {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        auto& description = s_descriptions[i];
        description.signal = kSignals[i];
        const char* text = ::strsignal(kSignals[i]);
        if (!text) text = "";
        description.length = std::min(std::strlen(text), sizeof description.text - 1);
        std::memcpy(description.text, text, description.length);
        description.text[description.length] = '\0';
    }
}

// The alternate stack gets an inaccessible page below it, so a handler that overran it would fault
// cleanly instead of writing over whatever lies next to it.
void installAlternateStack() {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    void* memory = ::mmap(nullptr, CrashReporter::kAlternateStackSize + page, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return;
    ::mprotect(memory, page, PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(memory) + page;
    stack.ss_size = CrashReporter::kAlternateStackSize;
    stack.ss_flags = 0;
    ::sigaltstack(&stack, nullptr);
}

}  // namespace

void CrashReporter::install() {
    if (s_installed) return;
    s_installed = true;

    s_breadcrumbLength = 0;
    s_breadcrumb[0] = '\0';
    s_descriptor = FileLog::openForCrashWriting();
    copyPath(s_logPath, FileLog::fileURL().string());
    copyPath(s_logDirectory, FileLog::directory().string());
    prepareSignalDescriptions();
    // The first backtrace loads the unwinder library; doing it now keeps the loader, and its
    // allocations and locks, out of the signal handler.
    void* frame[1];
    ::backtrace(frame, 1);

    std::set_terminate(handleTermination);

    installAlternateStack();
    struct sigaction action {};
    action.sa_sigaction = handleSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

bool CrashReporter::isInstalled() { return s_installed; }

void CrashReporter::breadcrumb(std::string_view text) {
    std::size_t length = std::min(text.size(), kBreadcrumbCapacity - 1);
    // A cut inside a multi-byte character moves back to the character's first byte.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;

    // The length drops to zero while the bytes change, so a crash in between reports a shorter
    // note, never bytes beyond what was copied.
    s_breadcrumbLength = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (length > 0) std::memcpy(s_breadcrumb, text.data(), length);
    s_breadcrumb[length] = '\0';
    std::atomic_signal_fence(std::memory_order_seq_cst);
    s_breadcrumbLength = static_cast<sig_atomic_t>(length);

    Log::debug([&] { return "· " + std::string(text); });
}

std::string_view CrashReporter::currentBreadcrumb() {
    return {s_breadcrumb, static_cast<std::size_t>(s_breadcrumbLength)};
}

}  // namespace tarnlet
