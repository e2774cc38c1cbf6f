// The catalogue of earlier scans: the numbered scan-log folders under the per-user ScanLog
// folder, the 64-bit scan counter that hands them out, and the file "config" that remembers which
// deep scans of which disk regions and image files are on disk, so that a later deep scan of the
// same region can reuse them.
//
// One catalogue per process, made on first use. While it lives the process holds an exclusive
// lock on the ScanLog folder (the file "keldrin.lock" in it), so that two programs never hand out
// or delete each other's numbered folders. The catalogue itself takes no locks: it is used by the
// scan worker and the engines on that worker, one scan at a time. Paths are UTF-8; the record's
// wide fields are UTF-16LE of fixed width.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldrin {

// How far a deep scan got; the deep-scan engine writes these and reads them back.
struct ScanProgress {
    uint64_t regionPosition;  // sectors, relative to the region's start sector
    uint64_t regionLength;    // sectors; 0 once the scan ran to its end
    uint64_t regionOffset;    // sectors within the current region
    uint64_t sectorsScanned;
    uint64_t filesFound;
};
static_assert(sizeof(ScanProgress) == 40);

inline constexpr size_t kRecordPathUnits = 260;    // UTF-16 units of a record's path fields
inline constexpr uint32_t kImageDiskNumber = 128;  // the disk number deep scans give an image

#pragma pack(push, 1)
struct ScanLogRecord {
    uint32_t diskNumber;    // disk of a scanned volume (kImageDiskNumber for an image)
    uint32_t volumeSerial;  // serial number from the volume's boot sector; 0 for an image
    uint64_t startSector;   // start of the scanned region, in the disk's own sectors
    uint64_t sectorCount;   // length of the scanned region
    ScanProgress progress;
    uint64_t freeBytes;  // free space of the volume when written; 0 for an image or unknown
    uint64_t imageTime;  // last-write FILETIME of the image file; 0 for a volume
    char16_t imagePath[kRecordPathUnits];  // zero-terminated; empty for a volume
    char16_t logFolder[kRecordPathUnits];  // zero-terminated: the folder holding the scan's stores

    std::string ImagePath() const;
    std::string LogFolder() const;
};
#pragma pack(pop)
static_assert(sizeof(ScanLogRecord) == 1120);
static_assert(offsetof(ScanLogRecord, volumeSerial) == 4);
static_assert(offsetof(ScanLogRecord, startSector) == 8);
static_assert(offsetof(ScanLogRecord, sectorCount) == 16);
static_assert(offsetof(ScanLogRecord, progress) == 24);
static_assert(offsetof(ScanLogRecord, freeBytes) == 64);
static_assert(offsetof(ScanLogRecord, imageTime) == 72);
static_assert(offsetof(ScanLogRecord, imagePath) == 80);
static_assert(offsetof(ScanLogRecord, logFolder) == 600);

class ScanLogCatalogue {
public:
    // The process-wide catalogue, loaded from "config" on first use. Null when the ScanLog
    // folder cannot be made or another process holds its lock after a short wait; *error then
    // receives the code and FailureMessage() a sentence for the user.
    static ScanLogCatalogue* GetCatalogue(int32_t* error = nullptr);
    static std::string FailureMessage();

    // Testing hooks: drop the catalogue and its lock, so the next GetCatalogue loads "config"
    // again as a new run of the program would; and shorten the wait for a held lock.
    static void ResetForTesting();
    static void SetLockWaitForTesting(std::chrono::milliseconds wait);

    ~ScanLogCatalogue();
    ScanLogCatalogue(const ScanLogCatalogue&) = delete;
    ScanLogCatalogue& operator=(const ScanLogCatalogue&) = delete;

    // The matched record's folder while a lookup matched (or UseLogFolder chose one), otherwise
    // ScanLog/<counter>/. Always ends in "/".
    std::filesystem::path CurrentLogFolder() const;
    // Advances the counter, clears the match and empties the folder of the new number (an
    // earlier run that never saved "config" may have left files there).
    void BeginNewLogFolder();
    // Steps the counter back by one after BeginNewLogFolder when the new folder is not kept.
    void StepCounterBack();
    // Makes a folder below ScanLog the current log folder, as a matched lookup does (to reopen
    // the stores of a given folder). 87 for a folder not strictly below ScanLog.
    int32_t UseLogFolder(const std::filesystem::path& folder);

    // The record of an earlier deep scan of this region, when the volume is still the same: the
    // same free bytes (of the volume whose letter is given; 0 when unknown) and serial number. A
    // record of the same region that no longer matches is dropped and its folder deleted.
    // Sets or clears the match.
    std::optional<ScanLogRecord> FindVolumeRecord(uint32_t diskNumber, uint64_t startSector,
                                                  uint64_t sectorCount, uint16_t driveLetter,
                                                  uint32_t volumeSerial);
    // The same for an image file, identified by its path (exactly) and last-write time.
    std::optional<ScanLogRecord> FindImageRecord(const std::filesystem::path& imagePath);
    // Updates the progress of the matching record or adds a new one (image when imagePath is not
    // empty), then rewrites "config" atomically. Returns the save's error; 206 when a path does
    // not fit its 260-unit field, 1113 when it cannot be held as UTF-16.
    int32_t SaveScanRecord(uint16_t driveLetter, uint32_t diskNumber, uint64_t startSector,
                           uint64_t sectorCount, uint32_t volumeSerial,
                           const ScanProgress& progress, const std::filesystem::path& logFolder,
                           const std::filesystem::path& imagePath);
    // Drops the record of that folder and deletes the folder with everything in it. Only a folder
    // strictly below ScanLog is deleted (87 otherwise, and for a path holding ".." or reached
    // through a symbolic link); symbolic links inside are removed, not followed. 0 when the
    // folder does not exist.
    int32_t DeleteLogFolder(const std::filesystem::path& folder);

    const std::filesystem::path& Folder() const { return folder_; }  // ScanLog
    uint64_t Counter() const { return counter_; }
    bool Matched() const { return matched_; }
    const std::vector<ScanLogRecord>& Records() const { return records_; }

private:
    ScanLogCatalogue() = default;
    void Load();
    int32_t Save();
    // The index of the record of that region or image when it still matches (and the match is
    // set); a stale record of it is dropped and its folder deleted unless that folder is
    // keepFolder (the folder a save is about to record).
    std::optional<size_t> Lookup(bool image, uint32_t diskNumber, uint64_t startSector,
                                 uint64_t sectorCount, uint32_t volumeSerial, uint64_t freeBytes,
                                 const std::u16string& imagePath, uint64_t imageTime,
                                 const std::filesystem::path& keepFolder);
    void ClearMatch();
    bool IsStrictlyBelowFolder(const std::filesystem::path& path) const;

    std::filesystem::path folder_;
    std::filesystem::path configPath_;
    std::filesystem::path tempPath_;
    int lockFd_ = -1;
    uint64_t counter_ = 0;
    std::vector<ScanLogRecord> records_;
    bool matched_ = false;
    std::filesystem::path matchedFolder_;
};

// Finds in folder the first file name, in sorted order and skipping names that begin with ".",
// that contains part (how the "Fast_", "File_Type_", "Pro_Fat_" and "Pro_Ntfs_" stores of an
// earlier scan are found). Returns 0 (name empty when nothing matched) or the listing's error.
int32_t FindLogFile(const std::string& part, std::string* name,
                    const std::filesystem::path& folder);

// The volume serial number of a boot sector (NTFS: the low half of its 64-bit serial; FAT32 and
// FAT12/16: the serial of the extended boot record), 0 when it has none. size: bytes available.
uint32_t VolumeSerialOf(const uint8_t* bootSector, size_t size);

// The last-write time of a file as a FILETIME (100 ns units since 1601).
int32_t FileWriteTime(const std::filesystem::path& path, uint64_t* fileTime);

}  // namespace keldrin
