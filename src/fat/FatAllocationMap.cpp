// The map of clusters in use and the search for the next run no live file owns, by which the
// deep scan reads only free space.
#include <algorithm>

#include "fat/CFastFatRecovery.h"
#include "platform/Errors.h"

namespace keldrin {
namespace {

bool BitSet(const std::vector<uint8_t>& map, uint64_t index) {
    return (map[size_t(index >> 3)] >> (index & 7)) & 1;
}

}  // namespace

int32_t CFastFatRecovery::BuildAllocationMap() {
    clusterMap_.clear();
    mapClusters_ = 0;
    if (!haveGeometry_) return kErrorSuccess;
    const uint64_t total = geometry_.totalSectors;
    const uint32_t spc = geometry_.sectorsPerCluster;
    if (total <= geometry_.dataStart) return kErrorSuccess;
    // A trailing part of a cluster counts as one more cluster.
    uint64_t n = (total - geometry_.dataStart) / spc + (total % spc != 0 ? 1 : 0);
    n = std::min<uint64_t>(n, uint64_t(geometry_.clusterCount) + 1);
    clusterMap_.assign(size_t((n + 7) / 8), 0);
    mapClusters_ = n;
    auto mark = [&](uint64_t cluster) {
        if (cluster >= 2 && cluster - 2 < n) {
            uint64_t bit = cluster - 2;
            clusterMap_[size_t(bit >> 3)] |= uint8_t(1u << (bit & 7));
        }
    };
    for (uint64_t c = 2; c < n + 2; ++c) {
        uint32_t entry = 0;
        if (fat_.ReadFatEntry(uint32_t(c), &entry) != kErrorSuccess) continue;
        if (entry == 0) continue;
        mark(c);
        if (!fat_.IsEndOfChain(entry)) mark(entry);
    }
    return kErrorSuccess;
}

int32_t CFastFatRecovery::NextFreeRegion(uint64_t* position, uint64_t* length) {
    *length = 0;
    if (*position > regionSectors_) {
        *position = regionSectors_;
        return 1;
    }
    const uint64_t dataStart = geometry_.dataStart;
    const uint64_t spc = geometry_.sectorsPerCluster;
    uint64_t p = *position;
    if (p != 0) {
        if (p < dataStart) return 1;  // the reserved and FAT area is outside the map
        p -= dataStart;
    }
    uint64_t c = p / spc;
    if (c < mapClusters_ && BitSet(clusterMap_, c)) {
        uint64_t k = c + 1;
        while (k < mapClusters_ && BitSet(clusterMap_, k)) ++k;
        if (k < mapClusters_) {
            p += (k - c) * spc;
            c = k;
        }
    }
    uint64_t count = 0;
    for (uint64_t k = c; k < mapClusters_ && !BitSet(clusterMap_, k); ++k) ++count;
    uint64_t n = count * spc;
    if (dataStart + p + n > regionSectors_)
        n = regionSectors_ > dataStart + p ? regionSectors_ - (dataStart + p) : 0;
    *position = p + dataStart;
    *length = n;
    return 1;
}

}  // namespace keldrin
