#include "util/date_time.h"

#include <array>
#include <ctime>

namespace {

constexpr std::array<const char*, 7> shortWeekdayNames{"Sun",  "Mon", "Tues", "Wed",
                                                       "Thur", "Fri", "Sat"};
constexpr std::array<const char*, 7> fullWeekdayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> fullMonthNames{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// Out-of-range fields (an empty record, a hand-made one) must not index past a table.
const char* nameAt(const auto& table, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= table.size())
        return "";
    return table[static_cast<std::size_t>(index)];
}

DateTime fromTm(const std::tm& fields, std::int64_t timeValue)
{
    DateTime moment(true);
    moment.timeValue = timeValue;
    moment.second = fields.tm_sec;
    moment.minute = fields.tm_min;
    moment.hour = fields.tm_hour;
    moment.dayOfMonth = fields.tm_mday;
    moment.month = fields.tm_mon;
    moment.year = fields.tm_year;
    moment.weekday = fields.tm_wday;
    moment.dayOfYear = fields.tm_yday;
    moment.daylightSaving = fields.tm_isdst;
    return moment;
}

// Days from 1 January 1970 to the given date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Weekday (Sunday = 0) of 31 December of the year before. Worked out on the calendar alone:
// asking mktime with the record's clock time and daylight flag moves the day in zones with
// daylight saving for times near midnight.
int weekdayBeforeNewYear(int yearsSince1900)
{
    const std::int64_t days = daysFromCivil(yearsSince1900 + 1900, 1, 1) - 1;
    // 1 January 1970 was a Thursday.
    return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

void appendNumber(std::string& out, long long value, bool padded)
{
    if (padded && value >= 0 && value <= 9)
        out += '0';
    out += std::to_string(value);
}

int twelveHour(int hour)
{
    if (hour == 0)
        return 12;
    return hour > 12 ? hour - 12 : hour;
}

std::size_t runLength(std::string_view pattern, std::size_t at, std::size_t limit)
{
    std::size_t n = 1;
    while (n < limit && at + n < pattern.size() && pattern[at + n] == pattern[at])
        ++n;
    return n;
}

bool markerFollows(std::string_view pattern, std::size_t from)
{
    for (const char* marker : {"AMPM", "AM/PM", "ampm", "am/pm", "A/P", "a/p"}) {
        if (pattern.find(marker, from) != std::string_view::npos)
            return true;
    }
    return false;
}

} // namespace

DateTime::DateTime(bool empty)
{
    if (!empty)
        *this = fromTime(static_cast<std::int64_t>(std::time(nullptr)));
}

DateTime DateTime::fromTime(std::int64_t timeValue)
{
    const std::time_t value = static_cast<std::time_t>(timeValue);
    std::tm fields{};
    if (!localtime_r(&value, &fields))
        return zero();
    return fromTm(fields, timeValue);
}

DateTime DateTime::fromLocal(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    const std::time_t value = std::mktime(&fields);
    return fromTm(fields, static_cast<std::int64_t>(value));
}

std::string DateTime::format(std::string_view pattern) const
{
    std::string out;
    out.reserve(pattern.size());
    const bool pm = hour > 11;
    bool minutesMode = false;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const std::string_view rest = pattern.substr(i);
        switch (c) {
        case 'd': {
            const std::size_t n = runLength(pattern, i, 4);
            if (n == 4)
                out += nameAt(fullWeekdayNames, weekday);
            else if (n == 3)
                out += nameAt(shortWeekdayNames, weekday);
            else
                appendNumber(out, dayOfMonth, n == 2);
            i += n;
            break;
        }
        case 'm': {
            // After the first hour token an m means the minute, and never a month name.
            const std::size_t n = runLength(pattern, i, minutesMode ? 2 : 4);
            if (minutesMode)
                appendNumber(out, minute, n == 2);
            else if (n == 4)
                out += nameAt(fullMonthNames, month);
            else if (n == 3)
                out += nameAt(shortMonthNames, month);
            else
                appendNumber(out, month + 1, n == 2);
            i += n;
            break;
        }
        case 'n':
        case 's': {
            const std::size_t n = runLength(pattern, i, 2);
            appendNumber(out, c == 'n' ? minute : second, n == 2);
            i += n;
            break;
        }
        case 'h': {
            const std::size_t n = runLength(pattern, i, 2);
            appendNumber(out, markerFollows(pattern, i) ? twelveHour(hour) : hour, n == 2);
            minutesMode = true;
            i += n;
            break;
        }
        case 'y': {
            const long long fullYear = static_cast<long long>(year) + 1900;
            if (i + 2 < pattern.size() && pattern[i + 2] == 'y') {
                appendNumber(out, fullYear, false);
                i += 4;
            } else {
                // A lone y at the very end prints the short year, too.
                appendNumber(out, ((fullYear % 100) + 100) % 100, true);
                i += 2;
            }
            break;
        }
        case 'w': {
            const std::size_t n = runLength(pattern, i, 2);
            if (n == 2)
                appendNumber(out, (dayOfYear + weekdayBeforeNewYear(year)) / 7 + 1, false);
            else
                appendNumber(out, weekday + 1, false);
            i += n;
            break;
        }
        case 'q':
            // Blocks of 89 days, not calendar quarters; the last block takes the rest of the year.
            appendNumber(out, dayOfYear >= 267 ? 4 : dayOfYear / 89 + 1, false);
            ++i;
            break;
        case 'c':
            appendNumber(out, month + 1, true);
            out += '/';
            appendNumber(out, dayOfMonth, true);
            out += '/';
            appendNumber(out, static_cast<long long>(year) + 1900, false);
            out += ' ';
            appendNumber(out, twelveHour(hour), true);
            out += ':';
            appendNumber(out, minute, true);
            out += ':';
            appendNumber(out, second, true);
            out += pm ? " PM" : " AM";
            ++i;
            break;
        case 'A':
            if (rest.starts_with("AMPM")) {
                out += pm ? "PM" : "AM";
                i += 4;
            } else if (rest.starts_with("AM/PM")) {
                out += pm ? "PM" : "AM";
                i += 5;
            } else if (rest.starts_with("A/P")) {
                out += pm ? "P" : "A";
                i += 3;
            } else {
                ++i; // an A that begins no marker is dropped
            }
            break;
        case 'a':
            if (rest.starts_with("ampm")) {
                out += pm ? "PM" : "AM";
                i += 4;
            } else if (rest.starts_with("am/pm")) {
                out += pm ? "pm" : "am";
                i += 5;
            } else if (rest.starts_with("a/p")) {
                out += pm ? "p" : "a";
                i += 3;
            } else {
                ++i; // an a that begins no marker is dropped
            }
            break;
        default:
            out += c;
            ++i;
            break;
        }
    }
    return out;
}
