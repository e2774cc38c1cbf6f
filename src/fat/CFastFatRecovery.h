// The fast FAT engine: finds deleted files and folders on a FAT12/16/32 volume from its own
// directory entries and FAT, writes them into a "Fast_" scan log, and copies found files out.
//
// It owns its SectorDevice (opened read-only on the disk or image), the FAT window, the cluster
// map and its ScanStore; all are released by the destructor. One thread at a time uses an engine
// (the scan worker, later the search, recovery and preview workers one after another); callbacks
// run on that thread. Sector numbers are absolute unless named "relative"; every sector counts
// the volume's own bytes per sector.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/IFileRecoveryParse.h"
#include "engine/ScanEntry.h"
#include "engine/ScanStore.h"
#include "fat/FatGeometry.h"
#include "fat/FatTable.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"

namespace keldrin {

class CFastFatRecovery final : public IFileRecoveryParse {
public:
    CFastFatRecovery();
    ~CFastFatRecovery() override;
    CFastFatRecovery(const CFastFatRecovery&) = delete;
    CFastFatRecovery& operator=(const CFastFatRecovery&) = delete;

    int32_t OpenImage(const std::filesystem::path& image, uint16_t sourceId) override;
    int32_t OpenDisk(uint32_t diskNumber, uint64_t startSector, uint64_t sectorCount,
                     uint16_t sourceId) override;
    int32_t SetProgressCallback(ProgressCallback progress, CopyProgressCallback copy, void* context,
                                int32_t scale) override;
    int32_t Scan(const char* logName) override;
    int32_t ListChildren(const ScanEntry* folder, uint32_t keyHigh,
                         std::vector<ScanEntry>& out) override;
    int32_t ListSubtree(const ScanEntry* folder, uint32_t keyHigh, uint32_t* count) override;
    uint64_t GetResultCount() override;
    int32_t GetEntryPath(const ScanEntry* entry, std::string& out, uint32_t capacity) override;
    int32_t RecoverEntry(const ScanEntry* entry, const std::filesystem::path& destination,
                         uint32_t baseSeparators) override;
    int32_t NextFreeRegion(uint64_t* position, uint64_t* length) override;
    int32_t SetStoreCallback(StoreCallback callback, void* context) override;
    int32_t SearchEntries(const std::string& filter, std::vector<ScanEntry>& out) override;
    int32_t BuildAllocationMap() override;
    int32_t ExtractPreview(const ScanEntry* entry, std::string* path, uint8_t* memory,
                           uint32_t* capacity, PreviewCallback callback, void* context) override;

    // The volume model, also used by the deep-scan engine and by tests.
    bool IsOpen() const { return haveGeometry_; }
    const FatGeometry& Geometry() const { return geometry_; }
    uint64_t RegionSectors() const { return regionSectors_; }
    int32_t ReadFatEntry(uint32_t cluster, uint32_t* entry) {
        return fat_.ReadFatEntry(cluster, entry);
    }
    uint32_t NextCluster(uint32_t cluster) { return fat_.NextCluster(cluster); }
    // The lost high half of a deleted FAT32 entry's first cluster: the first h <= 256 whose
    // cluster starts a subfolder ("." and ".."), or whose first sector begins like a file of the
    // name's extension. *high stays 0 when none does. 0 or the read error that ended the search.
    int32_t GuessFolderClusterHigh(uint16_t low, uint16_t* high);
    int32_t GuessFileClusterHigh(const std::string& name, uint16_t low, uint16_t* high);
    // 1 when the record's first cluster begins like a file of its extension (or cannot be
    // tested), 0 when it does not: the data has been overwritten.
    int32_t CheckContent(const ScanEntry& record, uint32_t sectorsPerCluster);
    // One entry to one path: a folder is created and queued for RecoverEntry's walk, a file is
    // written (replacing what was at the path). 0 or the error code.
    int32_t RecoverOne(const ScanEntry* entry, const std::filesystem::path& path);

private:
    // Opening (FatVolume.cpp).
    int32_t LoadVolume(uint32_t bytesPerSector);
    // Reads count sectors of the volume's size; 0, 30 when nothing arrived, or the device's
    // error. *got receives the sectors read.
    int32_t ReadVolume(uint64_t sector, uint32_t count, uint8_t* buffer, uint32_t* got);
    // Where an entry's clusters lie: this volume's geometry when the entry comes from it.
    FatGeometry GeometryForEntry(const ScanEntry& entry) const;
    uint64_t RegionEnd() const { return regionStart_ + regionSectors_; }

    // The scan walk (FatScan.cpp).
    void WalkFolder(uint32_t cluster);
    void RecordFolder(const uint8_t* e, const std::string& name);
    void RecordFile(const uint8_t* e, const std::string& name, uint64_t entrySector);
    uint32_t FolderDepth(uint32_t cluster);
    uint32_t FolderDepthUncached(uint32_t cluster);
    void MarkWayUp(uint32_t folder);
    void WriteFolders();
    uint64_t FolderKey(uint32_t cluster) {
        return (uint64_t(FolderDepth(cluster)) << 32) | cluster;
    }
    void FillCommonFields(ScanEntry& record, const uint8_t* e, const std::string& name) const;
    bool IsRootCluster(uint32_t cluster) const { return cluster == geometry_.rootCluster; }

    // Extraction (FatExtract.cpp).
    struct CopySink;
    int32_t CopyEntryData(const ScanEntry& entry, uint64_t total, CopySink& sink);
    int32_t FlushStoreForListing();

    // Source and volume.
    SectorDevice device_;
    bool opened_ = false;
    int32_t openError_ = kErrorInvalidHandle;
    std::vector<uint8_t> bootSector_;
    uint64_t regionStart_ = 0;
    uint64_t regionSectors_ = 0;
    uint64_t deviceSectors_ = 0;  // the device's length in the volume's sectors
    uint16_t sourceId_ = 0;
    uint32_t bytesPerSector_ = 512;
    bool haveGeometry_ = false;
    FatGeometry geometry_;
    FatTable fat_;

    // Cluster map: bit c - 2 set = cluster c in use.
    std::vector<uint8_t> clusterMap_;
    uint64_t mapClusters_ = 0;

    // Callbacks.
    ProgressCallback progress_ = nullptr;
    CopyProgressCallback copyProgress_ = nullptr;
    void* context_ = nullptr;
    int32_t scale_ = 100;
    StoreCallback storeCallback_ = nullptr;
    void* storeContext_ = nullptr;

    std::unique_ptr<ScanStore> store_;

    // Scan state, cleared by every scan.
    std::deque<uint32_t> folderQueue_;
    std::map<uint32_t, ScanEntry> folderMap_;  // first cluster -> folder record (id = parent)
    std::vector<uint32_t> writeList_;          // folders with a recorded file below them
    std::unordered_set<uint32_t> writeSet_;
    std::unordered_map<uint32_t, uint32_t> depthCache_;
    // Per walked folder.
    uint32_t parentCluster_ = 0;
    bool parentDeleted_ = false;

    // Folder recovery queue: a folder entry and the path it was recovered to.
    struct RecoveryItem {
        ScanEntry entry;
        std::filesystem::path path;
        uint32_t depth;
    };
    std::deque<RecoveryItem> recoveryQueue_;
    uint32_t currentDepth_ = 0;
};

}  // namespace keldrin
