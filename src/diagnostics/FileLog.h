#pragma once
// The diagnostic log file "debug.log" with its previous copy "debug-previous.log". Every record is
// one open, seek, write and close; past 5 MiB the file rolls back to its last 24 hours. A roll
// rewrites the file in place (after copying it to the previous file) rather than replacing it, so a
// descriptor held open on the log keeps writing to the live file. Every file error is swallowed:
// logging never disturbs the application. Main thread only, except openForCrashWriting's
// descriptor, which the crash recorder writes from its signal handler.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnlet {

class FileLog {
public:
    static constexpr std::uint64_t kRollThreshold = 0x500000;  // 5 MiB
    static constexpr double kRetainedSeconds = 86400;
    static constexpr const char* kSessionMarker = "═══";
    static constexpr const char* kCarriedSuffix = "   (carried over by a log roll)";

    // The folder that holds the log; set once at start from the platform's folders.
    static void setDirectory(std::filesystem::path directory);
    static std::filesystem::path directory();
    static std::filesystem::path fileURL();
    static std::filesystem::path previousURL();

    // The wall clock the stamps come from (seconds since 1970); the system clock unless replaced.
    static void setClock(std::function<double()> wallNow);
    static double now();

    // "2026-12-04T00:46:24.123Z": UTC with milliseconds.
    static std::string timestamp(double secondsSince1970);
    // The time a stamp stands for, or none when the text is not a stamp.
    static std::optional<double> parseTimestamp(std::string_view text);

    static void append(std::string_view text);
    static void appendSession(std::string_view text);
    static void appendRaw(std::string_view text);

    // Creates the folder and an empty log when missing and opens it for appending; negative on
    // failure. The crash recorder keeps this descriptor for the life of the process.
    static int openForCrashWriting();

    // The size of "debug.log" in file-count style ("Zero KB", "532 bytes", "12 KB", "5.2 MB"), or
    // none when there is no log.
    static std::optional<std::string> sizeDescription();
    static std::string byteCountDescription(std::uint64_t bytes);
    // Creates an empty log when missing, then shows it in the file manager.
    static void reveal(const std::function<void(const std::filesystem::path&)>& showInFileManager);
    static void clear();

    // The roll's pieces, public for tests.
    static std::size_t cutIndex(const std::vector<std::string>& lines, double now, double retaining);
    static std::optional<std::string> sessionLine(std::size_t index, const std::vector<std::string>& lines);
    static void rotate();
};

}  // namespace tarnlet
