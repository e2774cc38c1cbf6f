// The first FAT of a volume seen through a cached window of at most 16 MiB, and the rules for
// following a cluster chain, including the chains of deleted files whose entries were cleared.
// Owned by its engine; reads go through the engine's SectorDevice. One thread at a time.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "fat/FatGeometry.h"
#include "storage/SectorDevice.h"

namespace keldrin {

inline constexpr uint32_t kFatWindowBytes = 16 * 1024 * 1024;

class FatTable {
public:
    // Binds the table to a device and volume and reads the first window. deviceSectors is the
    // device's length in the volume's sectors. Returns 0 or the device's error (the table stays
    // bound: ReadFatEntry tries the window again and answers 30 while it cannot be read).
    int32_t Open(SectorDevice* device, uint64_t deviceSectors, const FatGeometry& geometry);
    bool IsOpen() const { return device_ != nullptr; }

    // The FAT entry of a cluster: 12, 16 or 28 bits by the volume's kind. Without an opened
    // table the entry is cluster + 1 (a contiguous chain). Returns 0, kErrorReadFault (the
    // window could not be read or the entry lies beyond the first FAT) or the device's error.
    int32_t ReadFatEntry(uint32_t cluster, uint32_t* entry);

    bool IsEndOfChain(uint32_t entry) const;
    // The next cluster of a chain, or 0 when it ends. A free entry (a deleted file or folder
    // whose chain was cleared) continues into cluster + 1 when that one is free too. Anything
    // outside the data clusters ends the chain.
    uint32_t NextCluster(uint32_t cluster);
    // The first free cluster after cluster (its FAT entry 0), or 0 when there is none.
    uint32_t NextFreeCluster(uint32_t cluster);

private:
    int32_t FillWindow(uint64_t fatRelativeSector);

    SectorDevice* device_ = nullptr;
    uint64_t deviceSectors_ = 0;
    FatGeometry geometry_;
    std::vector<uint8_t> window_;
    uint64_t windowStartSector_ = 0;  // FAT-relative sector of window_[0]
    uint64_t windowBytes_ = 0;        // bytes of window_ that hold FAT data
};

// The clusters one walk over a chain has met, so that a loop on the medium (A -> B -> A) ends
// the walk. Small walks use a hash set; a long one switches to one bit per cluster.
class VisitedClusters {
public:
    explicit VisitedClusters(uint32_t lastCluster) : lastCluster_(lastCluster) {}
    // True the first time a cluster is offered, false for a cluster met before.
    bool Insert(uint32_t cluster);

private:
    static constexpr size_t kSetLimit = 4096;
    uint32_t lastCluster_;
    std::unordered_set<uint32_t> set_;
    std::vector<bool> bits_;
};

}  // namespace keldrin
