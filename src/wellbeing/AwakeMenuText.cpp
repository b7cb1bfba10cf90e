#include "wellbeing/AwakeMenuText.h"

#include <cmath>
#include <memory>
#include <tuple>

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace tarnlet {

namespace {

using Day = std::tuple<int, int, int>;  // the era-free year, the month and the day of the month

UDate toICU(double seconds) { return seconds * 1000.0; }

std::unique_ptr<icu::TimeZone> zoneNamed(const std::string& identifier) {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(identifier)));
    // ICU answers an unknown identifier with "Etc/Unknown", which behaves as UTC; say so plainly.
    if (!zone || *zone == icu::TimeZone::getUnknown()) zone.reset(icu::TimeZone::createTimeZone("UTC"));
    return zone;
}

std::string utf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

// The calendar day a moment falls on in the zone, and the day after the day of `now`. A day is
// added by the calendar rather than as 86 400 seconds, so days of 23 or 25 hours around a
// daylight-saving change are still one day.
struct Days {
    std::optional<Day> end, today, tomorrow;
};

Days daysOf(double endsAt, double now, const icu::TimeZone& zone, const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(zone, locale, status);
    if (U_FAILURE(status)) return {};
    auto dayAt = [&](UDate moment) -> std::optional<Day> {
        UErrorCode s = U_ZERO_ERROR;
        calendar.setTime(moment, s);
        Day day{calendar.get(UCAL_EXTENDED_YEAR, s), calendar.get(UCAL_MONTH, s), calendar.get(UCAL_DATE, s)};
        if (U_FAILURE(s)) return std::nullopt;
        return day;
    };
    Days days;
    days.end = dayAt(toICU(endsAt));
    days.today = dayAt(toICU(now));
    calendar.add(UCAL_DATE, 1, status);
    if (U_SUCCESS(status)) {
        UErrorCode s = U_ZERO_ERROR;
        days.tomorrow = Day{calendar.get(UCAL_EXTENDED_YEAR, s), calendar.get(UCAL_MONTH, s), calendar.get(UCAL_DATE, s)};
        if (U_FAILURE(s)) days.tomorrow.reset();
    }
    return days;
}

// The locale's own way of writing a day and month ("Jan 4", "4 Jan", "4. Jan."), with the year
// when it is not the current one.
std::string dateText(double moment, bool withYear, const icu::TimeZone& zone, const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status)) return {};
    const icu::UnicodeString pattern = generator->getBestPattern(withYear ? "yMMMd" : "MMMd", status);
    icu::SimpleDateFormat format(pattern, locale, status);
    if (U_FAILURE(status)) return {};
    format.setTimeZone(zone);
    icu::UnicodeString out;
    format.format(toICU(moment), out);
    return utf8(out);
}

std::string timeText(double moment, const icu::TimeZone& zone, const icu::Locale& locale) {
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale));
    if (!format) return {};
    format->setTimeZone(zone);
    icu::UnicodeString out;
    format->format(toICU(moment), out);
    return utf8(out);
}

std::string untilText(double endsAt, double now, const std::string& localeName, const std::string& zoneName) {
    const icu::Locale locale(localeName.c_str());
    const std::unique_ptr<icu::TimeZone> zone = zoneNamed(zoneName);
    std::string text = "until " + timeText(endsAt, *zone, locale);
    const Days days = daysOf(endsAt, now, *zone, locale);
    if (!days.end || !days.today || *days.end == *days.today) return text;
    if (days.tomorrow && *days.end == *days.tomorrow) return text + " tomorrow";
    // Any other day — a session of several days, or a stale end already behind us — is named by
    // its date: calling it "tomorrow" would be plainly wrong.
    const bool sameYear = std::get<0>(*days.end) == std::get<0>(*days.today);
    const std::string date = dateText(endsAt, !sameYear, *zone, locale);
    return date.empty() ? text : text + " on " + date;
}

}  // namespace

std::string AwakeMenuText::detail(std::optional<double> endsAt, const std::optional<std::string>& trigger, double now,
                                  const std::string& locale, const std::string& timeZone) {
    // A moment that is not a number cannot be written as a clock time; it is treated as no end.
    std::string text = endsAt && std::isfinite(*endsAt) && std::isfinite(now)
                           ? untilText(*endsAt, now, locale, timeZone)
                           : "no time limit";
    // An empty reason would leave a dangling "because"; it counts as none.
    if (trigger && !trigger->empty()) text += ", because " + *trigger;
    return text;
}

}  // namespace tarnlet
