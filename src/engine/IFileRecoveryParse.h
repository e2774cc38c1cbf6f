// The engine contract. Every scanner opens one source (a region of a disk or an image file),
// scans it into its own ScanStore, then answers questions about the results and copies found
// files out. The application talks to engines only through these fifteen operations, in this
// slot order. An engine is used by one thread at a time and takes no locks; callbacks run on the
// calling thread. Results are error codes of platform/Errors.h unless said otherwise.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ScanEntry.h"

namespace keldrin {

// Progress of a scan: the receiver shows units * scale / 100 percent. secondsLeft -1 = no
// estimate; sectorsTotal 0 = sectors and files are not reported. A non-zero answer stops the
// engine, which returns it (kCancelCode once the user confirmed Cancel).
using ProgressCallback = int32_t (*)(void* context, int32_t units, int32_t scale,
                                     int32_t secondsLeft, uint64_t sectorsDone,
                                     uint64_t sectorsTotal, uint64_t filesFound, int32_t reserved);
// Called by RecoverEntry for every piece of a file written, and once more with 100 at its end.
using CopyProgressCallback = int32_t (*)(void* context, int32_t percent, int32_t hundred,
                                         int32_t error, const char* destinationPath);
// Called by SearchEntries after each block of records read.
using StoreCallback = int32_t (*)(void* context, int32_t percent);
// Called by ExtractPreview while it copies.
using PreviewCallback = int32_t (*)(void* context, int32_t percent, int32_t error);

class IFileRecoveryParse {
public:
    // Slot 0: the image file as the source, region = the whole file.
    virtual int32_t OpenImage(const std::filesystem::path& image, uint16_t sourceId) = 0;
    // Slot 1: disk N of the disk registry, region = the given sectors (in the disk's own sectors).
    virtual int32_t OpenDisk(uint32_t diskNumber, uint64_t startSector, uint64_t sectorCount,
                             uint16_t sourceId) = 0;
    // Slot 2.
    virtual int32_t SetProgressCallback(ProgressCallback progress, CopyProgressCallback copy,
                                        void* context, int32_t scale) = 0;
    // Slot 3: null = scan now into a new store; otherwise reopen the stored log of that name in
    // the current scan-log folder without scanning.
    virtual int32_t Scan(const char* logName) = 0;
    // Slot 4: a folder's direct children, sorted; null folder with keyHigh 0 = the root, null
    // with keyHigh != 0 = 87. Appends to out.
    virtual int32_t ListChildren(const ScanEntry* folder, uint32_t keyHigh,
                                 std::vector<ScanEntry>& out) = 0;
    // Slot 5: the number of file entries in the folder's whole subtree.
    virtual int32_t ListSubtree(const ScanEntry* folder, uint32_t keyHigh, uint32_t* count) = 0;
    // Slot 6: entries written through this engine's store since it was created or opened.
    virtual uint64_t GetResultCount() = 0;
    // Slot 7: the folder path of the entry, root excluded, each folder followed by "/"
    // ("DCIM/100MEDIA/"); at most capacity - 1 bytes; empty for a root entry or null.
    virtual int32_t GetEntryPath(const ScanEntry* entry, std::string& out, uint32_t capacity) = 0;
    // Slot 8: a file entry is written to destination (its folder created if missing); a folder
    // entry's subtree is recovered below destination. baseSeparators = CountPathSeparators of
    // the folder the user chose.
    virtual int32_t RecoverEntry(const ScanEntry* entry, const std::filesystem::path& destination,
                                 uint32_t baseSeparators) = 0;
    // Slot 9: after BuildAllocationMap, moves position (sectors relative to the region start) to
    // the next run no live file owns and sets its length; 1 when the engine supports it, else 0.
    virtual int32_t NextFreeRegion(uint64_t* position, uint64_t* length) = 0;
    // Slot 10: must be called after Scan created or opened the store.
    virtual int32_t SetStoreCallback(StoreCallback callback, void* context) = 0;
    // Slot 11: every file entry the type filter selects, sorted; 1 when the record file was
    // read, 0 when it could not be opened.
    virtual int32_t SearchEntries(const std::string& filter, std::vector<ScanEntry>& out) = 0;
    // Slot 12: the map of clusters in use.
    virtual int32_t BuildAllocationMap() = 0;
    // Slot 13: the entry's data into a temporary preview file (its path is written to *path) or,
    // in memory mode, into memory (at most *capacity bytes; *capacity receives the bytes stored).
    virtual int32_t ExtractPreview(const ScanEntry* entry, std::string* path, uint8_t* memory,
                                   uint32_t* capacity, PreviewCallback callback,
                                   void* context) = 0;
    // Slot 14: closes every handle and frees the store, flushing it first.
    virtual ~IFileRecoveryParse() = default;
};

// The number of "\" and "/" in a path, its last character excluded.
uint32_t CountPathSeparators(const std::string& path);

}  // namespace keldrin
