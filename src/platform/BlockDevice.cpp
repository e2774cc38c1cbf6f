#include "platform/BlockDevice.h"

#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/Errors.h"
#include "platform/Sysfs.h"

namespace keldrin {
namespace {

constexpr uint32_t kDefaultHeads = 255;
constexpr uint32_t kDefaultSectorsPerTrack = 63;
constexpr uint32_t kImageSectorSize = 512;

int32_t StatOf(int fd, struct stat* st) {
    if (fstat(fd, st) != 0) return LastError();
    if (!S_ISBLK(st->st_mode) && !S_ISREG(st->st_mode)) return kErrorAccessDenied;
    return kErrorSuccess;
}

}  // namespace

int32_t QueryDiskLength(int fd, uint64_t* length) {
    struct stat st;
    if (int32_t err = StatOf(fd, &st)) return err;
    if (S_ISREG(st.st_mode)) {
        *length = uint64_t(st.st_size);
        return kErrorSuccess;
    }
    uint64_t bytes = 0;
    if (ioctl(fd, BLKGETSIZE64, &bytes) != 0) return LastError();
    *length = bytes;
    return kErrorSuccess;
}

int32_t QueryDiskGeometry(int fd, const std::filesystem::path& diskDir, DiskGeometry* geometry) {
    struct stat st;
    if (int32_t err = StatOf(fd, &st)) return err;
    DiskGeometry g;
    g.tracksPerCylinder = kDefaultHeads;
    g.sectorsPerTrack = kDefaultSectorsPerTrack;
    if (S_ISREG(st.st_mode)) {
        g.bytesPerSector = diskDir.empty()
                               ? kImageSectorSize
                               : SysfsLogicalBlockSize(diskDir).value_or(kImageSectorSize);
    } else {
        int sectorSize = 0;
        if (ioctl(fd, BLKSSZGET, &sectorSize) != 0) return LastError();
        if (sectorSize <= 0) return kErrorInvalidParameter;
        g.bytesPerSector = uint32_t(sectorSize);
        hd_geometry hd{};
        if (ioctl(fd, HDIO_GETGEO, &hd) == 0 && hd.heads != 0 && hd.sectors != 0) {
            g.tracksPerCylinder = hd.heads;
            g.sectorsPerTrack = hd.sectors;
        }
    }
    uint64_t length = 0;
    if (int32_t err = QueryDiskLength(fd, &length)) return err;
    g.cylinders = length / (uint64_t(g.tracksPerCylinder) * g.sectorsPerTrack * g.bytesPerSector);
    *geometry = g;
    return kErrorSuccess;
}

}  // namespace keldrin
