#include "fat/FatGeometry.h"

#include <algorithm>
#include <bit>

#include "platform/ByteOrder.h"

namespace keldrin {
namespace {

// Boot sector offsets (little-endian).
constexpr size_t kBytesPerSector = 11;
constexpr size_t kSectorsPerCluster = 13;
constexpr size_t kReservedSectors = 14;
constexpr size_t kFatCount = 16;
constexpr size_t kRootEntryCount = 17;
constexpr size_t kTotalSectors16 = 19;
constexpr size_t kFatSize16 = 22;
constexpr size_t kTotalSectors32 = 32;
constexpr size_t kFatSize32 = 36;
constexpr size_t kRootCluster = 44;
constexpr size_t kFat32TypeText = 82;

constexpr uint32_t kDirEntryBytes = 32;
// A fixed root directory with a count of 0 is read as the usual 512 entries.
constexpr uint32_t kDefaultRootEntries = 512;
// The largest cluster number a FAT32 entry (28 bits) can name, minus the reserved values.
constexpr uint32_t kMaxFat32Clusters = 0x0FFFFFF5;

}  // namespace

bool ParseFatGeometry(const uint8_t* boot, size_t size, uint64_t regionStart, FatGeometry* out) {
    if (boot == nullptr || size < 512 || out == nullptr) return false;
    FatGeometry g;
    g.regionStart = regionStart;
    g.bytesPerSector = Le16(boot + kBytesPerSector);
    g.sectorsPerCluster = boot[kSectorsPerCluster];
    if (g.bytesPerSector < 512 || g.bytesPerSector > 4096 || !std::has_single_bit(g.bytesPerSector))
        return false;
    if (g.sectorsPerCluster == 0 || !std::has_single_bit(g.sectorsPerCluster)) return false;
    g.reservedSectors = Le16(boot + kReservedSectors);
    g.fatCount = boot[kFatCount];
    if (g.fatCount == 0) return false;
    uint32_t total32 = Le32(boot + kTotalSectors32);
    g.totalSectors = total32 != 0 ? total32 : Le16(boot + kTotalSectors16);
    uint32_t fatSize16 = Le16(boot + kFatSize16);
    uint32_t fatSize32 = Le32(boot + kFatSize32);
    uint32_t rootEntries = Le16(boot + kRootEntryCount);

    bool fat32 = BytesEqual(boot + kFat32TypeText, "FAT32   ", 8);
    if (fat32) {
        g.fatSectors = fatSize32;
        g.rootDirSectors = 0;
        g.rootCluster = Le32(boot + kRootCluster);
        g.dataStart = uint64_t(g.reservedSectors) + uint64_t(g.fatCount) * fatSize32;
    } else {
        g.fatSectors = fatSize16;
        uint32_t entries = rootEntries != 0 ? rootEntries : kDefaultRootEntries;
        g.rootDirSectors = (entries * kDirEntryBytes + g.bytesPerSector - 1) / g.bytesPerSector;
        g.rootCluster = 0;
        g.dataStart =
            uint64_t(g.reservedSectors) + uint64_t(fatSize16) * g.fatCount + g.rootDirSectors;
    }
    if (g.fatSectors == 0 || g.totalSectors == 0 || g.dataStart >= g.totalSectors) return false;

    uint64_t clusters = (g.totalSectors - g.dataStart) / g.sectorsPerCluster;

    // FAT12 or FAT16 by the cluster count the detection test computes (root directory rounded
    // down, the count as the boot sector gives it).
    if (fat32) {
        g.kind = FatKind::kFat32;
    } else {
        uint32_t fatSize = fatSize16 != 0 ? fatSize16 : fatSize32;
        uint64_t used = uint64_t(rootEntries) * kDirEntryBytes / g.bytesPerSector +
                        uint64_t(g.fatCount) * fatSize + g.reservedSectors;
        uint64_t testClusters =
            g.totalSectors > used ? (g.totalSectors - used) / g.sectorsPerCluster : 0;
        g.kind = testClusters < kFat12ClusterLimit ? FatKind::kFat12 : FatKind::kFat16;
    }

    // No cluster beyond what one FAT can describe (its first two entries are reserved).
    uint32_t entryBits = g.kind == FatKind::kFat32 ? 32 : g.kind == FatKind::kFat16 ? 16 : 12;
    uint64_t describable = uint64_t(g.fatSectors) * g.bytesPerSector * 8 / entryBits;
    describable = describable > 2 ? describable - 2 : 0;
    clusters = std::min({clusters, describable, uint64_t(kMaxFat32Clusters)});
    g.clusterCount = uint32_t(clusters);
    *out = g;
    return true;
}

FatGeometry GeometryFromFields(uint64_t regionStart, uint64_t dataStart, uint32_t clusterBytes,
                               uint32_t bytesPerSector, uint64_t sectorCount) {
    FatGeometry g;
    g.regionStart = regionStart;
    g.dataStart = dataStart;
    g.bytesPerSector = bytesPerSector != 0 ? bytesPerSector : 512;
    g.sectorsPerCluster = std::max<uint32_t>(1, clusterBytes / g.bytesPerSector);
    g.rootDirSectors = uint32_t(std::min<uint64_t>(kDefaultRootDirSectors, dataStart));
    if (sectorCount == 0) {
        g.clusterCount = kMaxFat32Clusters;
    } else {
        uint64_t clusters =
            sectorCount > dataStart ? (sectorCount - dataStart) / g.sectorsPerCluster : 0;
        g.clusterCount = uint32_t(std::min<uint64_t>(clusters, kMaxFat32Clusters));
    }
    return g;
}

}  // namespace keldrin
