// The 346-byte record of one found file or folder: the same in memory, in every entry vector the
// engines exchange, and in the scan log's main file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace keldrin {

static_assert(std::endian::native == std::endian::little,
              "ScanEntry and the scan-log files are little-endian on disk and in memory");

// Origin codes: which engine wrote an entry, so it can be routed back to it.
enum EntryOrigin : uint32_t {
    kOriginFastNtfs = 0,
    kOriginFastFat = 1,
    kOriginDeepNtfs = 2,
    kOriginDeepFat = 3,
    kOriginSignature = 4,
};

#pragma pack(push, 1)
struct ScanEntry {
    uint16_t sourceId;      // drive letter of the volume or number of the image
    uint32_t origin;        // EntryOrigin
    uint32_t isFolder;      // non-zero for a folder
    uint32_t deleted;       // folder deleted or inside a deleted folder
    uint32_t contentOk;     // 1 = data looks like its extension (or untested); 0 = overwritten
    uint32_t id;            // 1-based record number in the main file
    uint32_t firstCluster;  // first cluster (FAT) or the low half of a folder's key
    uint32_t clusterSize;   // bytes per cluster
    uint64_t created;       // FILETIME, local time as stored on the volume
    uint64_t accessed;
    uint64_t modified;
    uint64_t size;          // bytes; 0 for folders
    uint64_t dataStart;     // first sector of the data area, relative to the region start
    uint64_t entrySector;   // absolute sector of the directory entry or record
    uint64_t regionStart;   // absolute start sector of the scanned region
    char name[260];         // UTF-8, zero-terminated, cut at a character boundary
};
#pragma pack(pop)

static_assert(sizeof(ScanEntry) == 346);
static_assert(offsetof(ScanEntry, origin) == 2);
static_assert(offsetof(ScanEntry, isFolder) == 6);
static_assert(offsetof(ScanEntry, deleted) == 10);
static_assert(offsetof(ScanEntry, contentOk) == 14);
static_assert(offsetof(ScanEntry, id) == 18);
static_assert(offsetof(ScanEntry, firstCluster) == 22);
static_assert(offsetof(ScanEntry, clusterSize) == 26);
static_assert(offsetof(ScanEntry, created) == 30);
static_assert(offsetof(ScanEntry, accessed) == 38);
static_assert(offsetof(ScanEntry, modified) == 46);
static_assert(offsetof(ScanEntry, size) == 54);
static_assert(offsetof(ScanEntry, dataStart) == 62);
static_assert(offsetof(ScanEntry, entrySector) == 70);
static_assert(offsetof(ScanEntry, regionStart) == 78);
static_assert(offsetof(ScanEntry, name) == 86);

}  // namespace keldrin
