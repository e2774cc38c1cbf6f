// The volume's cluster bitmap ($Bitmap, record 6) and the search for clusters no live file owns,
// which the deep scan sweeps. Bit b of byte i describes cluster 8 i + b; a set bit is in use.
#include <algorithm>

#include "ntfs/CFastNtfsRecovery.h"
#include "platform/Errors.h"

namespace keldrin {

namespace {

// Consecutive bits equal to `set` from bit `first` on, stepping over whole bytes of 0xFF or 0x00.
// found = false when the bitmap ends before a differing bit.
uint64_t CountBits(const uint8_t* bitmap, uint64_t length, uint64_t first, bool set,
                   bool* found) {
    const uint8_t whole = set ? 0xFF : 0x00;
    uint64_t bit = first;
    *found = false;
    while (bit / 8 < length) {
        const uint8_t byte = bitmap[bit / 8];
        if (bit % 8 == 0 && byte == whole) {
            bit += 8;
            continue;
        }
        if (bool((byte >> (bit % 8)) & 1) != set) {
            *found = true;
            break;
        }
        ++bit;
    }
    return bit - first;
}

}  // namespace

int32_t CFastNtfsRecovery::BuildAllocationMap() {
    const uint64_t sector = RecordSector(ntfs::kBitmapRecord);
    RunList runs;
    int32_t result = ReadRecordRuns(sector, ntfs::kTypeData, runs);
    if (result != kErrorSuccess) return result;
    uint64_t realSize = 0;
    result = ReadDataSize(sector, &realSize);
    if (result != kErrorSuccess) return result;

    // One bit per cluster of the volume, whatever the runs claim.
    const uint64_t clusters = ClusterCount();
    const uint64_t clusterBytes = uint64_t(sectorsPerCluster_) * bytesPerSector_;
    const uint64_t needed = (clusters + 7) / 8;
    const uint64_t allocation =
        std::min(ntfs::RunListClusters(runs), clusters) * clusterBytes;
    const uint64_t capacity =
        std::min(allocation, (needed + clusterBytes - 1) / clusterBytes * clusterBytes);
    bitmap_.assign(capacity, 0);
    bitmapLength_ = std::min({realSize, capacity, needed});

    uint64_t filled = 0;
    uint64_t cluster = 0;
    for (const DataRun& run : runs) {
        if (filled >= capacity) break;
        if (!run.sparse) cluster += uint64_t(run.delta);
        const uint64_t runBytes = std::min(std::min(run.length, clusters) * clusterBytes,
                                           capacity - filled);
        if (!run.sparse && cluster < clusters && run.length <= clusters - cluster) {
            // Read errors leave zeros: space that could not be read counts as free, so the deep
            // scan looks at it rather than skipping it.
            uint32_t got = 0;
            ReadSectors(device_, bitmap_.data() + filled,
                        startSector_ + cluster * uint64_t(sectorsPerCluster_),
                        int32_t(runBytes / bytesPerSector_), bytesPerSector_, &got);
        }
        filled += runBytes;
    }
    return kErrorSuccess;
}

int32_t CFastNtfsRecovery::NextFreeRegion(uint64_t* position, uint64_t* length) {
    *length = 0;
    if (*position > totalSectors_) {
        *position = totalSectors_;
        return 1;
    }
    const uint64_t spc = uint64_t(sectorsPerCluster_);
    uint64_t cluster = *position / spc;
    if (cluster / 8 < bitmapLength_) {
        bool found = false;
        const uint64_t used = CountBits(bitmap_.data(), bitmapLength_, cluster, true, &found);
        if (found) *position += used * spc;
        cluster = *position / spc;
        if (found) *length = CountBits(bitmap_.data(), bitmapLength_, cluster, false, &found) * spc;
    }
    if (*position + *length > totalSectors_) {
        *length = *position < totalSectors_ ? totalSectors_ - *position : 0;
    }
    return 1;
}

}  // namespace keldrin
