// A small program that installs the crash recorder and then dies in the way its first argument
// names, logging into the folder given as its second argument. The crash tests run it as a child
// process and read the report it leaves behind.

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "diagnostics/CrashReporter.h"
#include "diagnostics/FileLog.h"

using namespace tarnlet;

namespace {

volatile bool g_keepRecursing = true;

// The sanitizers would stop the process on the null store themselves; the point here is the real
// fault reaching the crash recorder.
__attribute__((noinline, no_sanitize("address", "undefined"))) void writeThroughNull() {
    volatile int* volatile target = nullptr;
    *target = 1;
}

// Each frame holds a buffer it reads back after the call, so neither inlining nor tail calls can
// flatten the recursion into a loop.
__attribute__((noinline)) int recurse(int depth) {
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    if (!g_keepRecursing) return 0;
    return recurse(depth + 1) + frame[(depth * 7) % sizeof frame];
}

[[noreturn]] void throwUncaught() { throw std::runtime_error("boom"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: crash_probe MODE LOG-FOLDER\n");
        return 2;
    }
    const std::string mode = argv[1];
    FileLog::setDirectory(argv[2]);
    CrashReporter::install();
    CrashReporter::install();  // a second install changes nothing

    if (mode == "segv") {
        CrashReporter::breadcrumb("Shelf: converting photo.heic");
        writeThroughNull();
    } else if (mode == "overflow") {
        CrashReporter::breadcrumb("Shelf: expanding");
        return recurse(0);
    } else if (mode == "abort") {
        CrashReporter::breadcrumb("Shelf: adding files");
        std::abort();
    } else if (mode == "exception") {
        CrashReporter::breadcrumb("Shelf: drop");
        throwUncaught();
    } else if (mode == "breadcrumb-long") {
        CrashReporter::breadcrumb(std::string(300, 'b'));
        writeThroughNull();
    } else if (mode == "nobreadcrumb") {
        writeThroughNull();
    } else if (mode == "cleared") {
        CrashReporter::breadcrumb("after clearing");
        FileLog::clear();
        writeThroughNull();
    }
    std::fprintf(stderr, "crash_probe: unknown mode %s\n", mode.c_str());
    return 2;
}
