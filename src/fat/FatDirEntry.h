// 32-byte FAT directory entries: field offsets, the plausibility test the directory walks use to
// skip what cannot be an entry, short names, long-name parts and the entry times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace keldrin {

inline constexpr size_t kDirEntrySize = 32;
inline constexpr uint8_t kDeletedMark = 0xE5;

inline constexpr uint8_t kAttrReadOnly = 0x01;
inline constexpr uint8_t kAttrVolumeLabel = 0x08;
inline constexpr uint8_t kAttrLongName = 0x0F;
inline constexpr uint8_t kAttrFolder = 0x10;
inline constexpr uint8_t kAttrArchive = 0x20;

// Field offsets within an entry.
namespace dirent {
inline constexpr size_t kName = 0;
inline constexpr size_t kExtension = 8;
inline constexpr size_t kAttributes = 11;
inline constexpr size_t kCreationTenths = 13;
inline constexpr size_t kCreationTime = 14;
inline constexpr size_t kCreationDate = 16;
inline constexpr size_t kAccessDate = 18;
inline constexpr size_t kClusterHigh = 20;
inline constexpr size_t kWriteTime = 22;
inline constexpr size_t kWriteDate = 24;
inline constexpr size_t kClusterLow = 26;
inline constexpr size_t kSize = 28;
}  // namespace dirent

// A long name holds at most 20 parts of 13 UTF-16 units: 260 units.
inline constexpr size_t kLongNameUnits = 260;
inline constexpr size_t kLongNamePartUnits = 13;

inline uint8_t Attributes(const uint8_t* e) {
    return e[dirent::kAttributes];
}
inline bool IsDeleted(const uint8_t* e) {
    return e[0] == kDeletedMark;
}
inline bool IsFolderEntry(const uint8_t* e) {
    return (e[dirent::kAttributes] & kAttrFolder) != 0;
}
uint16_t ClusterLow(const uint8_t* e);
uint16_t ClusterHigh(const uint8_t* e);
uint32_t EntrySize(const uint8_t* e);

// Whether 32 bytes can be a directory entry at all. next is the entry after it, or null when e
// is the last of its buffer.
bool IsPlausibleDirEntry(const uint8_t* e, const uint8_t* next);

// The 8.3 name, trailing spaces dropped, A-Z lowered, converted from code page 437 to UTF-8. A
// folder's name is its 8-byte part alone. A deleted entry's first byte (0xE5) becomes '!'.
std::string DecodeShortName(const uint8_t* e, bool folder);

struct EntryTimes {
    uint64_t created = 0;  // FILETIME (100 ns units since 1601), local time as stored
    uint64_t accessed = 0;
    uint64_t modified = 0;
};
// The three times of an entry. A date or time that names no real moment (month 13, day 0,
// 62 seconds, 25 hours) gives 0.
EntryTimes DecodeEntryTimes(const uint8_t* e);

// The FILETIME of a calendar moment, or 0 when it is not a valid one.
uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second,
                            int millisecond);

// Copies the 13 UTF-16 units of a long-name part (little-endian) to units[0..12].
void CopyLongNamePart(const uint8_t* e, char16_t* units);
// The name held by units (stopping at a 0 unit), as UTF-8; unpaired surrogates become U+FFFD.
std::string LongNameToUtf8(const char16_t* units, size_t count);

}  // namespace keldrin
