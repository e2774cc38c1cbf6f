// The signature scan engine: owns the results of signature recovery. It does not walk the medium
// itself; the deep-scan engine offers it every unclaimed sector through ProcessSector, which
// identifies the file starting there, estimates its length from the file's own structure and
// records it as "<sector>.<ext>" in the engine's scan store, then tells the caller how far to
// step. Afterwards the engine lists, searches, recovers and previews those entries. Every entry
// sits in the store's root; a found file is taken to run contiguously from its entry sector.
//
// One thread at a time (the scan worker while scanning; the recovery or preview worker later).
// The size rules use the process-wide SignatureContext, whose scratch buffer this engine never
// frees.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/IFileRecoveryParse.h"
#include "engine/ScanStore.h"
#include "platform/Errors.h"
#include "storage/SectorDevice.h"

namespace keldrin {

class CFileTypeRecovery : public IFileRecoveryParse {
public:
    CFileTypeRecovery() = default;
    ~CFileTypeRecovery() override;
    CFileTypeRecovery(const CFileTypeRecovery&) = delete;
    CFileTypeRecovery& operator=(const CFileTypeRecovery&) = delete;

    int32_t OpenImage(const std::filesystem::path& image, uint16_t sourceId) override;
    int32_t OpenDisk(uint32_t diskNumber, uint64_t startSector, uint64_t sectorCount,
                     uint16_t sourceId) override;
    int32_t SetProgressCallback(ProgressCallback progress, CopyProgressCallback copy,
                                void* context, int32_t scale) override;
    // The signature scan runs through ProcessSector under the deep-scan engine: nothing to do.
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

    // A resumed deep scan: the device reopened and the store replaced by the earlier log of that
    // name. Return the device's open result.
    int32_t ReopenDisk(int32_t sectorSize, uint32_t diskNumber, const std::string& logName,
                       uint16_t sourceId);
    int32_t ReopenImage(int32_t sectorSize, const std::string& logName, uint16_t sourceId,
                        const std::filesystem::path& image);

    // Identifies the file starting at the absolute sector (block = its bytes, length = sector
    // size) and estimates its length. name receives "<sector>.<ext>" (capacity 260 bytes).
    // 0 when a kind with a size rule was found and sized; 87 when nothing was recognised or the
    // kind has no size rule; the progress callback's non-zero answer (kCancelCode) when the
    // estimate was stopped.
    int32_t IdentifyAndSize(int32_t sectorSize, SectorDevice* device, const uint8_t* block,
                            int32_t length, uint64_t sector, uint64_t sectorsScanned,
                            uint64_t sectorsTotal, int32_t secondsLeft, uint64_t filesFound,
                            char* name, int32_t* typeId, uint64_t* size);
    // IdentifyAndSize, then one entry recorded in the store; *step receives how many sectors the
    // caller moves on (>= 1) and *filesFound grows by one. Any non-zero result leaves *step as
    // the caller set it and records nothing; without a store the store's error is returned.
    int32_t ProcessSector(int32_t sectorSize, const uint8_t* block, int32_t length,
                          uint64_t sector, uint64_t sectorsScanned, uint64_t sectorsTotal,
                          int32_t secondsLeft, SectorDevice* device, uint64_t* step,
                          uint64_t* filesFound);

    int32_t SectorSize() const { return sectorSize_; }
    SectorDevice& Device() { return device_; }
    ScanStore* Store() { return store_.get(); }

private:
    // Replaces the store by one opened under name; remembers the error when that fails.
    void ReplaceStore(const std::string& name);
    void DestroyStore();
    // Copies the entry's bytes into fd (>= 0) or memory; progress goes to report(percent).
    template <typename Report>
    int32_t CopyEntryData(const ScanEntry& entry, uint64_t bytes, int fd, uint8_t* memory,
                          uint64_t* copied, Report&& report);

    uint16_t sourceId_ = 0;
    uint64_t startSector_ = 0;
    uint64_t sectorCount_ = 0;
    int32_t sectorSize_ = 512;
    SectorDevice device_;
    std::unique_ptr<ScanStore> store_;
    int32_t storeError_ = kErrorInvalidParameter;  // why there is no store
    int32_t scale_ = 100;
    ProgressCallback progress_ = nullptr;
    CopyProgressCallback copyProgress_ = nullptr;
    StoreCallback storeCallback_ = nullptr;
    void* storeContext_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace keldrin
