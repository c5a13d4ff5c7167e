#include "playback/stream/dash/xs_time.h"

namespace telvia::stream {

namespace {

constexpr std::int64_t msPerSecond = 1000;
constexpr std::int64_t msPerDay = 86'400 * msPerSecond;
constexpr std::int64_t longestDurationMs = 100 * 365 * msPerDay;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Leading digits as a number of at most 12 digits (more is beyond any duration here).
std::optional<std::int64_t> takeDigits(std::string_view& text)
{
    std::size_t count = 0;
    std::int64_t value = 0;
    while (count < text.size() && isDigit(text[count])) {
        if (count == 12) {
            return std::nullopt;
        }
        value = value * 10 + (text[count] - '0');
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    text.remove_prefix(count);
    return value;
}

// ".5", ".123456": the fraction of a second in whole milliseconds, further digits cut.
std::optional<std::int64_t> takeFractionMs(std::string_view& text)
{
    if (text.empty() || text.front() != '.') {
        return 0;
    }
    text.remove_prefix(1);
    std::int64_t ms = 0;
    std::int64_t scale = 100;
    std::size_t count = 0;
    while (count < text.size() && isDigit(text[count])) {
        ms += (text[count] - '0') * scale;
        scale /= 10;
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    text.remove_prefix(count);
    return ms;
}

// Exactly `count` digits.
std::optional<int> takeFixed(std::string_view& text, std::size_t count)
{
    if (text.size() < count) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!isDigit(text[i])) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    text.remove_prefix(count);
    return value;
}

bool take(std::string_view& text, char c)
{
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

std::optional<std::int64_t> parseXsDuration(std::string_view text)
{
    if (!take(text, 'P') || text.empty()) {
        return std::nullopt;
    }
    // Designators in their order; each may be left out but not repeated.
    struct Unit {
        char designator;
        std::int64_t ms;
    };
    static constexpr Unit dateUnits[] = {{'Y', 365 * msPerDay}, {'M', 30 * msPerDay}, {'D', msPerDay}};
    static constexpr Unit timeUnits[] = {{'H', 3600 * msPerSecond}, {'M', 60 * msPerSecond}, {'S', msPerSecond}};
    std::int64_t total = 0;
    const auto add = [&total](std::int64_t value, std::int64_t unit) {
        if (value > longestDurationMs / unit) {
            return false;
        }
        total += value * unit;
        return total <= longestDurationMs;
    };
    std::size_t next = 0;
    while (!text.empty() && text.front() != 'T') {
        const auto value = takeDigits(text);
        if (!value || text.empty()) {
            return std::nullopt;
        }
        while (next < std::size(dateUnits) && dateUnits[next].designator != text.front()) {
            ++next;
        }
        if (next == std::size(dateUnits) || !add(*value, dateUnits[next].ms)) {
            return std::nullopt;
        }
        ++next;
        text.remove_prefix(1);
    }
    if (take(text, 'T')) {
        if (text.empty()) {
            return std::nullopt;  // "PT" names no time
        }
        next = 0;
        while (!text.empty()) {
            const auto value = takeDigits(text);
            if (!value) {
                return std::nullopt;
            }
            const auto fraction = takeFractionMs(text);
            if (!fraction || text.empty()) {
                return std::nullopt;
            }
            while (next < std::size(timeUnits) && timeUnits[next].designator != text.front()) {
                ++next;
            }
            if (next == std::size(timeUnits) || (*fraction != 0 && timeUnits[next].designator != 'S') ||
                !add(*value, timeUnits[next].ms) || !add(*fraction, 1)) {
                return std::nullopt;
            }
            ++next;
            text.remove_prefix(1);
        }
    }
    return total;
}

std::optional<std::int64_t> parseXsDateTime(std::string_view text)
{
    const auto year = takeFixed(text, 4);
    if (!year || !take(text, '-')) return std::nullopt;
    const auto month = takeFixed(text, 2);
    if (!month || !take(text, '-')) return std::nullopt;
    const auto day = takeFixed(text, 2);
    if (!day || !take(text, 'T')) return std::nullopt;
    const auto hour = takeFixed(text, 2);
    if (!hour || !take(text, ':')) return std::nullopt;
    const auto minute = takeFixed(text, 2);
    if (!minute || !take(text, ':')) return std::nullopt;
    const auto second = takeFixed(text, 2);
    if (!second) return std::nullopt;
    const auto fraction = takeFractionMs(text);
    if (!fraction) return std::nullopt;
    if (*year < 1000 || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month) ||
        *hour > 24 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    // 24:00:00 is the end of the day, and nothing past it.
    if (*hour == 24 && (*minute != 0 || *second != 0 || *fraction != 0)) {
        return std::nullopt;
    }
    std::int64_t offsetMinutes = 0;
    if (take(text, 'Z')) {
        // UTC
    } else if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        const int sign = text.front() == '-' ? -1 : 1;
        text.remove_prefix(1);
        const auto offsetHours = takeFixed(text, 2);
        if (!offsetHours || !take(text, ':')) return std::nullopt;
        const auto offsetMins = takeFixed(text, 2);
        if (!offsetMins || *offsetHours > 14 || *offsetMins > 59) return std::nullopt;
        offsetMinutes = sign * (*offsetHours * 60 + *offsetMins);
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    const std::int64_t days = daysFromCivil(*year, *month, *day);
    const std::int64_t seconds = days * 86'400 + *hour * 3600 + *minute * 60 + *second - offsetMinutes * 60;
    return seconds * msPerSecond + *fraction;
}

}  // namespace telvia::stream
