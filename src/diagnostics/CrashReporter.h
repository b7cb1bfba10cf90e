#pragma once
// The crash recorder. install() runs first thing at launch, logging on or off: from then on a fatal
// signal or an uncaught exception appends a report to the diagnostic log, naming the last
// breadcrumb. The signal path allocates nothing and takes no lock: it writes through a descriptor
// opened at install, from a fixed buffer, on an alternate stack (so a stack overflow is reported
// too), then re-raises the signal so the process dies of it as it would have.
//
// breadcrumb() is called on the main thread; the handlers run on whichever thread crashed.
// Alternate signal stacks belong to one thread each, and only the thread that called install() gets
// one: a stack overflow on another thread kills the process without a report, while every other
// crash on any thread is still reported.

#include <cstddef>
#include <string_view>

namespace tarnlet {

class CrashReporter {
public:
    static constexpr std::size_t kBreadcrumbCapacity = 256;  // 255 bytes and the terminating NUL
    static constexpr std::size_t kAlternateStackSize = 0x20000;

    static void install();
    static bool isInstalled();

    // Notes the risky operation about to start. Longer texts are cut at 255 bytes, never in the
    // middle of a UTF-8 character.
    static void breadcrumb(std::string_view text);
    static std::string_view currentBreadcrumb();
};

}  // namespace tarnlet
