// Geometry and length of an open disk: a block device node, or a regular file standing for one
// (an image entered as a disk, or a "device node" of a test's fake tree).
#pragma once

#include <cstdint>
#include <filesystem>

namespace keldrin {

struct DiskGeometry {
    uint64_t cylinders = 0;
    uint32_t tracksPerCylinder = 0;  // heads
    uint32_t sectorsPerTrack = 0;
    uint32_t bytesPerSector = 0;
};

// Block devices: BLKSSZGET and BLKGETSIZE64, heads and sectors per track from HDIO_GETGEO where
// the driver answers it (255 and 63 where it does not); cylinders always follow from the length,
// since HDIO_GETGEO's 16-bit count is truncated on any disk above ~500 GB. Regular files: 512-byte
// sectors unless diskDir (the disk's sysfs folder, may be empty) names another logical block
// size, 255 heads, 63 sectors per track. Returns 0 or an error code.
int32_t QueryDiskGeometry(int fd, const std::filesystem::path& diskDir, DiskGeometry* geometry);
// The length in bytes (BLKGETSIZE64, or the file size). Returns 0 or an error code.
int32_t QueryDiskLength(int fd, uint64_t* length);

}  // namespace keldrin
