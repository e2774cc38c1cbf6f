// The layout of a FAT volume as its boot sector gives it: the one place where a cluster number
// becomes a sector. The fast scan, extraction, the deep FAT scan and the merged search all ask a
// FatGeometry, so they agree on where the root directory and every cluster lie.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keldrin {

enum class FatKind { kFat12, kFat16, kFat32 };

// Root directory length where no boot sector says otherwise: 512 entries in 512-byte sectors.
inline constexpr uint32_t kDefaultRootDirSectors = 32;
// Fewer clusters than this make a FAT12 volume (12-bit FAT entries).
inline constexpr uint32_t kFat12ClusterLimit = 4085;

struct FatGeometry {
    FatKind kind = FatKind::kFat16;
    uint32_t bytesPerSector = 512;
    uint32_t sectorsPerCluster = 1;
    uint32_t reservedSectors = 0;
    uint32_t fatCount = 0;
    uint32_t fatSectors = 0;      // sectors of one FAT
    uint32_t rootDirSectors = 0;  // FAT12/16: the fixed root directory; FAT32: 0
    uint32_t rootCluster = 0;     // FAT32: first cluster of the root; otherwise 0
    uint64_t totalSectors = 0;    // of the volume, from the boot sector
    uint64_t dataStart = 0;       // first data sector, relative to the region start
    uint32_t clusterCount = 0;    // data clusters 2 .. clusterCount + 1
    uint64_t regionStart = 0;     // absolute first sector of the volume

    bool IsFat32() const { return kind == FatKind::kFat32; }
    uint32_t BytesPerCluster() const { return sectorsPerCluster * bytesPerSector; }
    uint32_t LastCluster() const { return clusterCount + 1; }
    // A cluster that can hold data: 2 .. LastCluster().
    bool IsDataCluster(uint64_t cluster) const {
        return cluster >= 2 && cluster <= uint64_t(clusterCount) + 1;
    }
    // Absolute sector of the FAT12/16 root directory (data start minus its length).
    uint64_t RootDirSector() const { return regionStart + dataStart - rootDirSectors; }
    // Absolute sector of a cluster: region start + data start + (c - 2) * sectors per cluster,
    // formed in 64 bits. Cluster 0 on a FAT12/16 volume stands for the root directory. The caller
    // checks IsDataCluster first for any other value below 2.
    uint64_t ClusterToSector(uint32_t cluster) const {
        if (cluster < 2) return RootDirSector();
        return regionStart + dataStart + uint64_t(cluster - 2) * sectorsPerCluster;
    }
    // Absolute sector of the first FAT.
    uint64_t FatStart() const { return regionStart + reservedSectors; }
};

// Reads the geometry from a boot sector (at least 512 bytes). False when a field the geometry
// needs is unusable (bytes per sector not 512..4096 and a power of two, sectors per cluster 0 or
// not a power of two, no FAT, data start beyond the volume); out is then left as it was.
bool ParseFatGeometry(const uint8_t* bootSector, size_t size, uint64_t regionStart,
                      FatGeometry* out);

// The geometry of a volume known only from one of its entries (region start, data start and
// cluster size), as the deep FAT scan learns it: the root directory is taken to be 32 sectors
// long. sectorCount bounds the clusters (0: unbounded).
FatGeometry GeometryFromFields(uint64_t regionStart, uint64_t dataStart, uint32_t clusterBytes,
                               uint32_t bytesPerSector, uint64_t sectorCount);

}  // namespace keldrin
