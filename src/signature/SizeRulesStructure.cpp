#include "signature/SizeRulesStructure.h"

#include <cstring>

#include "platform/ByteOrder.h"

namespace keldrin {

namespace {

constexpr uint8_t kAttrReadOnly = 0x01;
constexpr uint8_t kAttrVolumeLabel = 0x08;
constexpr uint8_t kAttrLongName = 0x0F;
constexpr uint8_t kAttrFolder = 0x10;
constexpr uint8_t kAttrArchive = 0x20;
constexpr uint8_t kDeletedMark = 0xE5;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// A FAT date and time as the calendar conversion accepts it (seconds 0-59, milliseconds 0-999);
// tenths are the 10 ms units of the creation time (0 elsewhere). Gives a sortable value
// (yyyymmddhhmmss) or -1 when it does not convert.
int64_t FatStamp(uint16_t date, uint16_t time, uint8_t tenths) {
    const int day = date & 0x1F;
    const int month = (date >> 5) & 0x0F;
    const int year = 1980 + (date >> 9);
    int seconds = 2 * (time & 0x1F);
    const int minutes = (time >> 5) & 0x3F;
    const int hours = time >> 11;
    seconds += tenths / 100;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return -1;
    if (hours > 23 || minutes > 59 || seconds > 59) return -1;
    return ((((int64_t(year) * 100 + month) * 100 + day) * 100 + hours) * 100 + minutes) * 100 +
           seconds;
}

bool InPlausibleYears(int64_t stamp) {
    constexpr int64_t kFirst = 19900101000000;
    constexpr int64_t kLast = 20500101000000;
    return stamp >= kFirst && stamp <= kLast;
}

uint32_t SizeOf(const uint8_t* e) { return Le32(e + 28); }
uint16_t ClusterHigh(const uint8_t* e) { return Le16(e + 20); }
uint16_t ClusterLow(const uint8_t* e) { return Le16(e + 26); }

bool NameByteIsBad(uint8_t b) {
    if (b < 0x20) return true;
    if (b >= 'a' && b <= 'z') return true;
    return std::strchr("\"*.:<>?\\|", b) != nullptr && b != 0;
}

// Within one space-padded field, once a space occurs only spaces may follow.
bool SpacesOnlyAtEnd(const uint8_t* p, int n) {
    bool space = false;
    for (int i = 0; i < n; ++i) {
        if (p[i] == ' ') {
            space = true;
        } else if (space) {
            return false;
        }
    }
    return true;
}

bool ShortEntryIsSound(const uint8_t* e) {
    if (e[11] != kAttrVolumeLabel && FatStamp(Le16(e + 16), Le16(e + 14), e[13]) < 0) return false;
    for (int i = 0; i < 11; ++i) {
        if (i == 0 && e[0] == kDeletedMark) continue;
        if (e[i] < 0x20 || e[i] == '.') return false;
    }
    if (!SpacesOnlyAtEnd(e, 8) || !SpacesOnlyAtEnd(e + 8, 3)) return false;
    // Double-byte characters come in whole pairs.
    for (int i = e[0] == kDeletedMark ? 1 : 0; i < 10; ++i) {
        if (e[i] >= 0x80) {
            if (e[i + 1] < 0x80) return false;
            ++i;
        }
    }
    return true;
}

}  // namespace

uint8_t ShortNameChecksum(const uint8_t* name11) {
    uint8_t sum = 0;
    for (int i = 0; i < 11; ++i) sum = uint8_t(((sum & 1) << 7) + (sum >> 1) + name11[i]);
    return sum;
}

bool IsPlausibleFatEntry(const uint8_t* e, const uint8_t* next) {
    const uint8_t attr = e[11];
    const bool folder = (attr & kAttrFolder) != 0;
    if (e[0] == '.' && folder && SizeOf(e) == 0 && next != nullptr && next[0] == '.' &&
        next[1] == '.' && (next[11] & kAttrFolder) != 0 && SizeOf(next) == 0) {
        return true;
    }
    if (!folder && SizeOf(e) == 0 && (ClusterHigh(e) != 0 || ClusterLow(e) != 0)) return false;
    const bool longName = attr == kAttrLongName;
    if (attr == kAttrVolumeLabel) {
        if (SizeOf(e) != 0 || ClusterHigh(e) != 0 || ClusterLow(e) != 0) return false;
    } else if (!longName && (attr & kAttrVolumeLabel) != 0) {
        return false;
    }
    if (folder && (attr & kAttrReadOnly) != 0) return false;
    if ((attr & 0xC0) != 0) return false;
    const bool deleted = e[0] == kDeletedMark;
    if (longName) {
        if (!deleted && (e[0] & ~0x40) > 18) return false;
    } else {
        if (!deleted && !folder) {
            const int64_t created = FatStamp(Le16(e + 16), Le16(e + 14), e[13]);
            const int64_t accessed = FatStamp(Le16(e + 18), 0, 0);
            const int64_t written = FatStamp(Le16(e + 24), Le16(e + 22), 0);
            if (!InPlausibleYears(created) || !InPlausibleYears(accessed) ||
                !InPlausibleYears(written)) {
                return false;
            }
        }
        if (attr != kAttrVolumeLabel) {
            for (int i = 0; i < 11; ++i) {
                if (i == 0 && deleted) continue;
                if (NameByteIsBad(e[i])) return false;
            }
        }
    }
    if (!deleted && folder && SizeOf(e) != 0) return false;
    if (longName && ClusterLow(e) != 0) return false;
    return attr == kAttrVolumeLabel || longName || folder || (attr & kAttrArchive) != 0;
}

bool IsFatDirectorySector(const uint8_t* p, int32_t length) {
    if (p == nullptr || length < 32) return true;
    const int32_t n = length / 32;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* e = p + 32 * i;
        if (e[0] == 0) {
            if (i == 0) return false;
            for (int32_t j = 32 * i; j < length; ++j) {
                if (p[j] != 0) return false;
            }
            return true;
        }
        const uint8_t* next = i + 1 < n ? e + 32 : nullptr;
        if (!IsPlausibleFatEntry(e, next)) return false;
        if (std::memcmp(e + 1, e + 17, 14) == 0) return false;
        if (e[11] == kAttrLongName) {
            const uint8_t checksum = e[13];
            for (int32_t k = 1; k <= 18 && i + k < n; ++k) {
                const uint8_t* f = e + 32 * k;
                const uint8_t* afterF = i + k + 1 < n ? f + 32 : nullptr;
                if (!IsPlausibleFatEntry(f, afterF)) return false;
                if (f[11] == kAttrLongName) {
                    if (f[13] != checksum) return false;
                    continue;
                }
                if (f[0] != kDeletedMark && ShortNameChecksum(f) != checksum) return false;
                break;
            }
        } else if (!ShortEntryIsSound(e)) {
            return false;
        }
    }
    return true;
}

bool IsStructureSector(const uint8_t* s, int32_t length) {
    if (s == nullptr || length < 32) return false;
    if (BytesEqual(s, "FILE", 4) || BytesEqual(s, "INDX", 4)) return true;
    if (BytesEqual(s, "RSTR", 4)) {
        static constexpr uint8_t kNtfsWide[8] = {'N', 0, 'T', 0, 'F', 0, 'S', 0};
        for (int32_t i = 0; i + 8 <= length; ++i) {
            if (std::memcmp(s + i, kNtfsWide, 8) == 0) return true;
        }
    }
    static constexpr uint8_t kAttrDefStart[8] = {'$', 0, 'S', 0, 'T', 0, 'A', 0};
    if (std::memcmp(s, kAttrDefStart, 8) == 0) return true;
    if (s[0] == 0xEB && s[2] == 0x90) {
        static constexpr const char* kOemNames[] = {"MSDOS5.0", "MSWIN4.0", "MSWIN4.1",
                                                    "NTFS    ", "EXFAT   "};
        for (const char* oem : kOemNames) {
            if (BytesEqual(s + 3, oem, 8)) return true;
        }
    }
    return IsFatDirectorySector(s, length);
}

}  // namespace keldrin
