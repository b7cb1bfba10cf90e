#include <gtest/gtest.h>

#include <string>

#include "wellbeing/AwakeMenuText.h"

namespace tarnlet {
namespace {

// Wall-clock seconds of a moment in January 2026, UTC.
double january(int day, int hour, int minute = 0) {
    constexpr double kJanuaryFirst = 1767225600;  // 2026-01-01 00:00 UTC
    return kJanuaryFirst + (day - 1) * 86400.0 + hour * 3600.0 + minute * 60.0;
}

// ICU 72 and later separate "PM" from the time with a narrow no-break space; older releases use a
// plain space. Either is the locale's real text, so comparisons read both as a space.
std::string withPlainSpaces(std::string text) {
    const std::string narrow = "\u202F";
    for (auto at = text.find(narrow); at != std::string::npos; at = text.find(narrow, at)) text.replace(at, narrow.size(), " ");
    return text;
}

const std::string kDrive = "an external drive is mounted";

TEST(AwakeMenuText, WithoutAnEndThereIsNoTimeLimit) {
    EXPECT_EQ(AwakeMenuText::detail(std::nullopt, std::nullopt, january(1, 9), "en_US", "UTC"), "no time limit");
    EXPECT_EQ(AwakeMenuText::detail(std::nullopt, kDrive, january(1, 9), "en_US", "UTC"),
              "no time limit, because an external drive is mounted");
    EXPECT_EQ(AwakeMenuText::detail(std::nullopt, "Keynote is running", january(1, 9), "de_DE", "Europe/Berlin"),
              "no time limit, because Keynote is running");
    // An empty reason would leave a dangling "because".
    EXPECT_EQ(AwakeMenuText::detail(std::nullopt, "", january(1, 9), "en_US", "UTC"), "no time limit");
}

TEST(AwakeMenuText, EndLaterTodayIsTheLocalesShortTime) {
    const double now = january(1, 9);
    const double end = january(1, 14, 30);
    EXPECT_EQ(AwakeMenuText::detail(end, std::nullopt, now, "en_GB", "UTC"), "until 14:30");
    EXPECT_EQ(AwakeMenuText::detail(end, std::nullopt, now, "de_DE", "UTC"), "until 14:30");
    EXPECT_EQ(withPlainSpaces(AwakeMenuText::detail(end, std::nullopt, now, "en_US", "UTC")), "until 2:30 PM");
    EXPECT_EQ(AwakeMenuText::detail(end, kDrive, now, "en_GB", "UTC"), "until 14:30, because an external drive is mounted");
    // The time is the zone's: 14:30 UTC is 15:30 in Berlin in winter.
    EXPECT_EQ(AwakeMenuText::detail(end, std::nullopt, now, "de_DE", "Europe/Berlin"), "until 15:30");
}

TEST(AwakeMenuText, EndOnTheNextCalendarDayIsTomorrow) {
    EXPECT_EQ(AwakeMenuText::detail(january(2, 14, 30), kDrive, january(1, 22), "en_GB", "Europe/London"),
              "until 14:30 tomorrow, because an external drive is mounted");
    // One second past midnight is already the next day, however short the session.
    EXPECT_EQ(AwakeMenuText::detail(january(2, 0, 0), std::nullopt, january(1, 23, 59), "en_GB", "UTC"),
              "until 00:00 tomorrow");
    EXPECT_EQ(AwakeMenuText::detail(january(1, 23, 59), std::nullopt, january(1, 23, 0), "en_GB", "UTC"), "until 23:59");
}

TEST(AwakeMenuText, TheCalendarDayIsTheTimeZonesNotUTCs) {
    // 20:00 to 02:00 UTC crosses midnight in UTC but is 15:00 to 21:00 of one day in New York.
    const double evening = january(1, 20);
    const double night = january(2, 2);
    EXPECT_EQ(AwakeMenuText::detail(night, std::nullopt, evening, "en_GB", "UTC"), "until 02:00 tomorrow");
    EXPECT_EQ(AwakeMenuText::detail(night, std::nullopt, evening, "en_GB", "America/New_York"), "until 21:00");
    // 10:00 to 16:00 UTC is one UTC day but ends at 01:00 the next day in Tokyo.
    EXPECT_EQ(AwakeMenuText::detail(january(1, 16), std::nullopt, january(1, 10), "en_GB", "UTC"), "until 16:00");
    EXPECT_EQ(AwakeMenuText::detail(january(1, 16), std::nullopt, january(1, 10), "en_GB", "Asia/Tokyo"),
              "until 01:00 tomorrow");
}

TEST(AwakeMenuText, EndsFurtherAwayNameTheirDate) {
    // A session of several days must not claim to end tomorrow.
    EXPECT_EQ(AwakeMenuText::detail(january(4, 14, 30), std::nullopt, january(1, 9), "en_GB", "UTC"),
              "until 14:30 on 4 Jan");
    EXPECT_EQ(withPlainSpaces(AwakeMenuText::detail(january(4, 14, 30), kDrive, january(1, 9), "en_US", "UTC")),
              "until 2:30 PM on Jan 4, because an external drive is mounted");
    // Into the next year the year is named too.
    constexpr double kNewYearsEve = 1798718400;  // 2026-12-31 12:00 UTC
    constexpr double kFifthOfJanuary = 1799159400;  // 2027-01-05 14:30 UTC
    EXPECT_EQ(AwakeMenuText::detail(kFifthOfJanuary, std::nullopt, kNewYearsEve, "en_GB", "UTC"),
              "until 14:30 on 5 Jan 2027");
    // An end already in the past (a stale reading) is not "tomorrow" either.
    EXPECT_EQ(AwakeMenuText::detail(january(1, 9), std::nullopt, january(3, 9), "en_GB", "UTC"), "until 09:00 on 1 Jan");
}

TEST(AwakeMenuText, DaysAreCalendarDaysAcrossDaylightSavingChanges) {
    // Berlin moves its clocks forward in the night to 29 March 2026, a day of 23 hours. From 23:30
    // on the 28th, 24 hours later is 00:30 on the 30th: two calendar days on, not tomorrow.
    constexpr double kBeforeChange = 1774737000;  // 2026-03-28 22:30 UTC, 23:30 in Berlin
    EXPECT_EQ(AwakeMenuText::detail(kBeforeChange + 24 * 3600.0, std::nullopt, kBeforeChange, "en_GB", "Europe/Berlin"),
              "until 00:30 on 30 Mar");
    EXPECT_EQ(AwakeMenuText::detail(kBeforeChange + 23 * 3600.0, std::nullopt, kBeforeChange, "en_GB", "Europe/Berlin"),
              "until 23:30 tomorrow");
}

TEST(AwakeMenuText, BadZoneOrLocaleNamesStillGiveText) {
    // An unknown zone reads as UTC rather than failing.
    EXPECT_EQ(AwakeMenuText::detail(january(1, 14, 30), std::nullopt, january(1, 9), "en_GB", "Mars/Olympus"),
              "until 14:30");
    const std::string text = AwakeMenuText::detail(january(1, 14, 30), kDrive, january(1, 9), "", "");
    EXPECT_EQ(text.rfind("until ", 0), 0u);
    EXPECT_NE(text.find("because an external drive is mounted"), std::string::npos);
}

}  // namespace
}  // namespace tarnlet
