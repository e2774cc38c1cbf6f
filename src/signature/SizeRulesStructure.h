// Tests whether a sector holds a file-system structure, so that a size estimate never runs over
// a FAT directory, a boot sector or an NTFS record that lies behind a carved file. Pure functions
// of the bytes given; the signature layer sits below the FAT layer, so the FAT directory-entry
// plausibility test it needs lives here.
#pragma once

#include <cstdint>

namespace keldrin {

// True for an NTFS file, index or log restart record, the start of the NTFS attribute-definition
// table, a FAT/NTFS/exFAT boot sector, or a FAT directory sector. False when length < 32.
bool IsStructureSector(const uint8_t* sector, int32_t length);

// True when every 32-byte entry of the sector is a plausible FAT directory entry (long-name runs
// checked against their short entry's checksum), or when the sector holds no whole entry.
bool IsFatDirectorySector(const uint8_t* sector, int32_t length);

// Whether 32 bytes can be a FAT directory entry at all. next is the following entry, or null
// when e is the last of its buffer (then e cannot be a "." entry with its ".." after it).
bool IsPlausibleFatEntry(const uint8_t* e, const uint8_t* next);

// The short-name checksum of the 11 name bytes that a long-name entry carries.
uint8_t ShortNameChecksum(const uint8_t* name11);

}  // namespace keldrin
