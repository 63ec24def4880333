// A captured local date and time, rendered through a pattern of letter tokens
// ("dd_mm_yyyy__hh_mm_ss", "c", ...).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class DateTime {
public:
    // Captures now, unless empty is true, which leaves every field 0.
    explicit DateTime(bool empty = false);

    // The current local time.
    static DateTime now() { return DateTime(false); }
    // Every field 0.
    static DateTime zero() { return DateTime(true); }

    // The local time of a moment given in seconds since 1 January 1970.
    static DateTime fromTime(std::int64_t timeValue);
    // The given local wall-clock time; month is 1-12, year the full year.
    static DateTime fromLocal(int year, int month, int day, int hour, int minute, int second);

    // The moment written through pattern; the record is not changed.
    std::string format(std::string_view pattern) const;

    std::int64_t timeValue = 0; // seconds since 1 January 1970
    int second = 0;             // 0-59
    int minute = 0;             // 0-59
    int hour = 0;               // 0-23
    int dayOfMonth = 0;         // 1-31
    int month = 0;              // 0-11, January = 0
    int year = 0;               // years since 1900
    int weekday = 0;            // 0-6, Sunday = 0
    int dayOfYear = 0;          // 0-365, 1 January = 0
    int daylightSaving = 0;     // as localtime gives it
};
