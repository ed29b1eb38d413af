#pragma once

#include "project/Action.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr int kMaxCookies = 20;

struct CookieRow {
    std::string name;
    std::string value;
    bool secure = false;

    bool operator==(const CookieRow&) const = default;
};

struct CalendarDate {
    int year = 1970;
    int month = 1;
    int day = 1;

    bool operator==(const CalendarDate&) const = default;
};

// "name=value,secure=1;" per named row, one after the other.
std::string StoreCookies(const std::vector<CookieRow>& rows);
std::vector<CookieRow> LoadCookies(std::string_view code);

// "Cookie%d" for the row that Add appends.
std::string NewCookieName(int rowNumber);

// Whole days since 1970-01-01 for the calendar date the user picked. The day
// count is taken from the date itself, not from local midnight, so the stored
// value does not move by a day with the desktop's time zone and shows the same
// date when the page is opened again.
long DaysSinceEpoch(const CalendarDate& date);
CalendarDate DateFromDays(long days);

} // namespace quillet
