#include "dump/IsoTime.h"

#include <cstdio>
#include <ctime>

namespace dump {

std::string isoTime(double seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    long offset = local.tm_gmtoff;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    char zone[40];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", sign, offset / 3600, offset % 3600 / 60);
    return std::string(text) + zone;
}

namespace {

bool digits(const std::string& s, std::size_t at, std::size_t n, int& value) {
    if (at + n > s.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::optional<double> parseIsoTime(const std::string& text) {
    int year, month, day, hour, minute, second = 0;
    if (!digits(text, 0, 4, year) || text.size() < 16 || text[4] != '-' || !digits(text, 5, 2, month) ||
        text[7] != '-' || !digits(text, 8, 2, day) || (text[10] != 'T' && text[10] != ' ') ||
        !digits(text, 11, 2, hour) || text[13] != ':' || !digits(text, 14, 2, minute))
        return std::nullopt;
    std::size_t at = 16;
    if (at < text.size() && text[at] == ':') {
        if (!digits(text, at + 1, 2, second)) return std::nullopt;
        at += 3;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysIn(year, month) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    if (at == text.size()) {
        fields.tm_isdst = -1;
        return static_cast<double>(std::mktime(&fields));
    }
    long offset = 0;
    if (text[at] == 'Z' && at + 1 == text.size()) {
        offset = 0;
    } else if (text[at] == '+' || text[at] == '-') {
        int oh, om;
        std::size_t m = text[at + 3 < text.size() ? at + 3 : at] == ':' ? at + 4 : at + 3;
        if (!digits(text, at + 1, 2, oh) || !digits(text, m, 2, om) || m + 2 != text.size() || oh > 23 || om > 59)
            return std::nullopt;
        offset = (oh * 3600L + om * 60L) * (text[at] == '-' ? -1 : 1);
    } else {
        return std::nullopt;
    }
    return static_cast<double>(timegm(&fields) - offset);
}

}  // namespace dump
