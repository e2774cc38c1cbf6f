#include "fat/FatDirEntry.h"

#include <vector>

#include "platform/ByteOrder.h"
#include "platform/Text.h"

namespace keldrin {
namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kTicksPerMillisecond = 10000;

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1601 to the given date (proleptic Gregorian).
int64_t DaysSince1601(int year, int month, int day) {
    // Days from 1970-01-01 by the civil-from-days inverse, shifted to 1601.
    int y = year - (month <= 2 ? 1 : 0);
    int era = (y >= 0 ? y : y - 399) / 400;
    int yoe = y - era * 400;
    int mp = (month + 9) % 12;
    int doy = (153 * mp + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t since1970 = int64_t(era) * 146097 + doe - 719468;
    return since1970 + 134774;  // 1601-01-01 .. 1970-01-01
}

struct DosMoment {
    int year, month, day, hour, minute, second, millisecond;
};

DosMoment FromDos(uint16_t date, uint16_t time) {
    DosMoment m{};
    m.day = date & 0x1F;
    m.month = (date >> 5) & 0x0F;
    m.year = 1980 + (date >> 9);
    m.second = 2 * (time & 0x1F);
    m.minute = (time >> 5) & 0x3F;
    m.hour = time >> 11;
    return m;
}

uint64_t ToFileTime(const DosMoment& m) {
    return CalendarToFileTime(m.year, m.month, m.day, m.hour, m.minute, m.second, m.millisecond);
}

// 1 January 1990 and 1 January 2050, 00:00:00: the window a live file's times must lie in.
const uint64_t kPlausibleFrom = CalendarToFileTime(1990, 1, 1, 0, 0, 0, 0);
const uint64_t kPlausibleTo = CalendarToFileTime(2050, 1, 1, 0, 0, 0, 0);

bool InPlausibleWindow(uint64_t t) {
    return t != 0 && t >= kPlausibleFrom && t <= kPlausibleTo;
}

bool IsForbiddenNameByte(uint8_t b) {
    if (b < 0x20) return true;
    if (b >= 'a' && b <= 'z') return true;
    switch (b) {
        case '"':
        case '*':
        case '.':
        case ':':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            return true;
        default:
            return false;
    }
}

}  // namespace

uint16_t ClusterLow(const uint8_t* e) {
    return Le16(e + dirent::kClusterLow);
}
uint16_t ClusterHigh(const uint8_t* e) {
    return Le16(e + dirent::kClusterHigh);
}
uint32_t EntrySize(const uint8_t* e) {
    return Le32(e + dirent::kSize);
}

uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second,
                            int millisecond) {
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || millisecond < 0 || millisecond > 999)
        return 0;
    uint64_t seconds = uint64_t(DaysSince1601(year, month, day)) * 86400 + uint64_t(hour) * 3600 +
                       uint64_t(minute) * 60 + uint64_t(second);
    return seconds * kTicksPerSecond + uint64_t(millisecond) * kTicksPerMillisecond;
}

EntryTimes DecodeEntryTimes(const uint8_t* e) {
    EntryTimes t;
    DosMoment created = FromDos(Le16(e + dirent::kCreationDate), Le16(e + dirent::kCreationTime));
    uint8_t tenths = e[dirent::kCreationTenths];  // units of 10 ms, 0..199
    created.second += tenths / 100;
    created.millisecond = (tenths % 100) * 10;
    t.created = ToFileTime(created);
    t.accessed = ToFileTime(FromDos(Le16(e + dirent::kAccessDate), 0));
    t.modified = ToFileTime(FromDos(Le16(e + dirent::kWriteDate), Le16(e + dirent::kWriteTime)));
    return t;
}

bool IsPlausibleDirEntry(const uint8_t* e, const uint8_t* next) {
    const uint8_t attr = Attributes(e);
    const bool folder = (attr & kAttrFolder) != 0;
    const uint32_t size = EntrySize(e);
    const uint16_t low = ClusterLow(e);
    const uint16_t high = ClusterHigh(e);

    // The "." entry of a subfolder, followed by its "..".
    if (e[0] == '.' && folder && size == 0 && next != nullptr && next[0] == '.' && next[1] == '.' &&
        (Attributes(next) & kAttrFolder) != 0 && EntrySize(next) == 0)
        return true;
    if (!folder && size == 0 && (low != 0 || high != 0)) return false;
    const bool longName = attr == kAttrLongName;
    if (attr == kAttrVolumeLabel) {
        if (size != 0 || low != 0 || high != 0) return false;
    } else if (!longName && (attr & kAttrVolumeLabel) != 0) {
        return false;
    }
    if (folder && (attr & kAttrReadOnly) != 0) return false;
    if ((attr & 0xC0) != 0) return false;

    if (longName) {
        if (e[0] != kDeletedMark && (e[0] & ~0x40) > 18) return false;
    } else {
        if (!IsDeleted(e) && !folder) {
            EntryTimes t = DecodeEntryTimes(e);
            if (!InPlausibleWindow(t.created) || !InPlausibleWindow(t.accessed) ||
                !InPlausibleWindow(t.modified))
                return false;
        }
        if (attr != kAttrVolumeLabel) {
            for (size_t i = 0; i < 11; ++i) {
                if (IsForbiddenNameByte(e[i])) return false;
            }
        }
    }
    if (!IsDeleted(e) && folder && size != 0) return false;
    if (longName && low != 0) return false;
    return attr == kAttrVolumeLabel || longName || folder || (attr & kAttrArchive) != 0;
}

std::string DecodeShortName(const uint8_t* e, bool folder) {
    std::string raw(reinterpret_cast<const char*>(e + dirent::kName), 8);
    while (!raw.empty() && raw.back() == ' ') raw.pop_back();
    if (!folder && e[dirent::kExtension] != ' ') {
        raw += '.';
        raw.append(reinterpret_cast<const char*>(e + dirent::kExtension), 3);
        while (!raw.empty() && raw.back() == ' ') raw.pop_back();
    }
    for (char& c : raw) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    // The deleted mark replaced the first character; the byte is the mark, not a letter of
    // code page 437, so it becomes '!' before the conversion.
    if (!raw.empty() && static_cast<uint8_t>(raw[0]) == kDeletedMark) raw[0] = '!';
    return Cp437ToUtf8(raw);
}

void CopyLongNamePart(const uint8_t* e, char16_t* units) {
    static constexpr size_t kOffsets[kLongNamePartUnits] = {1,  3,  5,  7,  9,  14, 16,
                                                            18, 20, 22, 24, 28, 30};
    for (size_t i = 0; i < kLongNamePartUnits; ++i) units[i] = char16_t(Le16(e + kOffsets[i]));
}

std::string LongNameToUtf8(const char16_t* units, size_t count) {
    std::vector<uint8_t> bytes;
    bytes.reserve(count * 2);
    for (size_t i = 0; i < count && units[i] != 0; ++i) {
        bytes.push_back(uint8_t(units[i]));
        bytes.push_back(uint8_t(units[i] >> 8));
    }
    return Utf16LeToUtf8(bytes.data(), bytes.size() / 2);
}

}  // namespace keldrin
