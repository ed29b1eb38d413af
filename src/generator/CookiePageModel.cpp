#include "generator/CookiePageModel.h"

#include "generator/CriteriaGrid.h"

namespace quillet {

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

std::string StoreCookies(const std::vector<CookieRow>& rows)
{
    std::string code;
    for (const CookieRow& row : rows) {
        std::string name = TrimCell(row.name);
        if (name.empty())
            continue;
        code += name + "=" + TrimCell(row.value) + "," + (row.secure ? "secure=1;" : "secure=0;");
    }
    return code;
}

std::vector<CookieRow> LoadCookies(std::string_view code)
{
    std::vector<CookieRow> rows;
    for (std::string_view cookie : Split(code, ';')) {
        if (TrimCell(cookie).empty())
            continue;
        std::vector<std::string_view> parts = Split(cookie, ',');
        CookieRow row;
        size_t equals = parts[0].find('=');
        row.name = std::string(parts[0].substr(0, equals));
        if (equals != std::string_view::npos)
            row.value = std::string(parts[0].substr(equals + 1));
        if (parts.size() > 1) {
            size_t flag = parts[1].find('=');
            row.secure = flag != std::string_view::npos && TrimCell(parts[1].substr(flag + 1)) == "1";
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string NewCookieName(int rowNumber)
{
    return "Cookie" + std::to_string(rowNumber);
}

// Howard Hinnant's days_from_civil.
long DaysSinceEpoch(const CalendarDate& date)
{
    long year = date.year - (date.month <= 2 ? 1 : 0);
    long era = (year >= 0 ? year : year - 399) / 400;
    long yearOfEra = year - era * 400;
    long dayOfYear = (153L * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CalendarDate DateFromDays(long days)
{
    days += 719468;
    long era = (days >= 0 ? days : days - 146096) / 146097;
    long dayOfEra = days - era * 146097;
    long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long shifted = (5 * dayOfYear + 2) / 153;
    int day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

} // namespace quillet
