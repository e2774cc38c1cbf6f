// The fast engine of ext2/3/4 volumes: it recognises the volume and finds nothing, so a fast scan
// of an ext volume ends at once with no results and no scan log. It holds the disk open from
// OpenDisk to its destruction.
#pragma once

#include <cstdint>

#include "engine/IFileRecoveryParse.h"
#include "storage/SectorDevice.h"

namespace keldrin {

class CFastExtRecovery final : public IFileRecoveryParse {
public:
    CFastExtRecovery() = default;
    ~CFastExtRecovery() override;
    CFastExtRecovery(const CFastExtRecovery&) = delete;
    CFastExtRecovery& operator=(const CFastExtRecovery&) = delete;

    int32_t OpenImage(const std::filesystem::path& image, uint16_t sourceId) override;
    int32_t OpenDisk(uint32_t diskNumber, uint64_t startSector, uint64_t sectorCount,
                     uint16_t sourceId) override;
    int32_t SetProgressCallback(ProgressCallback progress, CopyProgressCallback copy,
                                void* context, int32_t scale) override;
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

    bool IsOpen() const { return device_.handle != kInvalidHandle; }
    uint64_t StartSector() const { return startSector_; }
    uint64_t SectorCount() const { return sectorCount_; }

private:
    SectorDevice device_;
    uint64_t startSector_ = 0;
    uint64_t sectorCount_ = 0;
};

}  // namespace keldrin
