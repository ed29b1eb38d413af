#include "net/FtpListing.h"

#include <array>
#include <cctype>
#include <charconv>
#include <optional>

namespace quillet {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

std::optional<long long> Number(std::string_view text)
{
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// Splits at runs of blanks; the last field keeps the rest of the line, blanks included.
std::vector<std::string_view> Fields(std::string_view line, size_t count)
{
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (fields.size() + 1 < count) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (start == i)
            return {};
        fields.push_back(line.substr(start, i - start));
    }
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (i >= line.size())
        return {};
    fields.push_back(line.substr(i));
    return fields;
}

std::time_t MakeTime(int year, int month, int day, int hour, int minute, int second, bool utc)
{
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60)
        return 0;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    std::time_t time = utc ? timegm(&parts) : mktime(&parts);
    return time < 0 ? 0 : time;
}

int Digits(std::string_view text, size_t at, size_t count)
{
    auto value = at + count <= text.size() ? Number(text.substr(at, count)) : std::nullopt;
    return value ? static_cast<int>(*value) : -1;
}

// "type=file;size=12;modify=20261206164400; name"
std::optional<RemoteItem> ParseMlsd(std::string_view line)
{
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0 || line[blank - 1] != ';')
        return std::nullopt;
    RemoteItem item;
    item.name = std::string(line.substr(blank + 1));
    std::string_view facts = line.substr(0, blank);
    bool typed = false;
    while (!facts.empty()) {
        size_t end = facts.find(';');
        std::string_view fact = facts.substr(0, end);
        facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
        size_t eq = fact.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string key(fact.substr(0, eq));
        for (char& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string_view value = fact.substr(eq + 1);
        if (key == "type") {
            typed = true;
            if (value == "cdir" || value == "pdir")
                return std::nullopt;
            item.kind = value == "dir" ? RemoteItem::Folder : RemoteItem::File;
        } else if (key == "size") {
            item.size = static_cast<uint64_t>(std::max(0LL, Number(value).value_or(0)));
        } else if (key == "modify") {
            item.modified = MakeTime(Digits(value, 0, 4), Digits(value, 4, 2), Digits(value, 6, 2), Digits(value, 8, 2),
                                     Digits(value, 10, 2), Digits(value, 12, 2), true);
        }
    }
    return typed ? std::optional<RemoteItem>(item) : std::nullopt;
}

int MonthNumber(std::string_view name)
{
    for (size_t i = 0; i < kMonths.size(); ++i)
        if (name.size() == 3 && std::tolower(static_cast<unsigned char>(name[0])) == kMonths[i][0] &&
            std::tolower(static_cast<unsigned char>(name[1])) == kMonths[i][1] &&
            std::tolower(static_cast<unsigned char>(name[2])) == kMonths[i][2])
            return static_cast<int>(i) + 1;
    return 0;
}

// "Dec  6 16:44" lies in the last twelve months; "Dec  6  2025" names its year.
std::time_t UnixTime(std::string_view month, std::string_view day, std::string_view yearOrTime)
{
    int m = MonthNumber(month);
    int d = static_cast<int>(Number(day).value_or(0));
    if (yearOrTime.size() == 5 && yearOrTime[2] == ':') {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        int year = local.tm_year + 1900;
        if (m > local.tm_mon + 1)
            --year;
        return MakeTime(year, m, d, Digits(yearOrTime, 0, 2), Digits(yearOrTime, 3, 2), 0, false);
    }
    return MakeTime(static_cast<int>(Number(yearOrTime).value_or(0)), m, d, 0, 0, 0, false);
}

// "drwxr-xr-x 2 user group 4096 Dec  6 16:44 name"
std::optional<RemoteItem> ParseUnix(std::string_view line)
{
    std::vector<std::string_view> f = Fields(line, 9);
    if (f.size() != 9 || f[0].size() < 10 || !Number(f[4]))
        return std::nullopt;
    RemoteItem item;
    item.kind = f[0][0] == 'd' ? RemoteItem::Folder : RemoteItem::File;
    item.size = static_cast<uint64_t>(std::max(0LL, *Number(f[4])));
    item.modified = UnixTime(f[5], f[6], f[7]);
    std::string_view name = f[8];
    if (f[0][0] == 'l')
        name = name.substr(0, name.find(" -> "));
    item.name = std::string(name);
    return item;
}

// "12-06-26  04:44PM       <DIR>          name" or with a size instead of <DIR>.
std::optional<RemoteItem> ParseDos(std::string_view line)
{
    std::vector<std::string_view> f = Fields(line, 4);
    if (f.size() != 4 || f[0].size() != 8 || f[1].size() != 7)
        return std::nullopt;
    int year = Digits(f[0], 6, 2);
    int hour = Digits(f[1], 0, 2);
    bool pm = f[1][5] == 'P' || f[1][5] == 'p';
    if (year < 0 || hour < 1 || hour > 12)
        return std::nullopt;
    RemoteItem item;
    item.modified = MakeTime(year < 70 ? 2000 + year : 1900 + year, Digits(f[0], 0, 2), Digits(f[0], 3, 2),
                             hour % 12 + (pm ? 12 : 0), Digits(f[1], 3, 2), 0, false);
    if (f[2] == "<DIR>") {
        item.kind = RemoteItem::Folder;
    } else if (auto size = Number(f[2])) {
        item.size = static_cast<uint64_t>(std::max(0LL, *size));
    } else {
        return std::nullopt;
    }
    item.name = std::string(f[3]);
    return item;
}

} // namespace

std::vector<RemoteItem> ParseFtpListing(std::string_view listing)
{
    std::vector<RemoteItem> items;
    while (!listing.empty()) {
        size_t end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        listing = end == std::string_view::npos ? std::string_view() : listing.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::optional<RemoteItem> item = ParseMlsd(line);
        if (!item)
            item = ParseUnix(line);
        if (!item)
            item = ParseDos(line);
        if (item && !item->name.empty() && item->name != "." && item->name != "..")
            items.push_back(std::move(*item));
    }
    return items;
}

std::string FormatModified(std::time_t time)
{
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    size_t n = std::strftime(text, sizeof text, "%d/%m/%y %I:%M %p", &local);
    return std::string(text, n);
}

} // namespace quillet
