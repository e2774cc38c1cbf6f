#include "storage/SectorDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>

#include "platform/BlockDevice.h"
#include "platform/DiskRegistry.h"
#include "platform/Errors.h"
#include "platform/Sysfs.h"
#include "storage/SectorDeviceTesting.h"

namespace keldrin {
namespace {

constexpr size_t kPieceBytes = 65536;
constexpr uint32_t kImageSectorBytes = 512;

ReadCallObserver gReadObserver = nullptr;
void* gReadObserverContext = nullptr;

void NoteReadCall(size_t bytes) {
    if (gReadObserver) gReadObserver(gReadObserverContext, bytes);
}

int OpenReadOnly(const std::filesystem::path& path) {
    int fd;
    do {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::optional<DiskInfo> FindDisk(uint32_t diskNumber) {
    DiskRegistry& registry = DiskRegistry::Instance();
    if (auto disk = registry.Find(diskNumber)) return disk;
    // A disk not yet seen by any enumeration in this process.
    registry.Refresh();
    return registry.Find(diskNumber);
}

// Opens a registered disk; an unknown number answers as a missing device would.
int32_t OpenDisk(uint32_t diskNumber, int* fd, DiskInfo* info) {
    auto disk = FindDisk(diskNumber);
    if (!disk) return kErrorFileNotFound;
    *fd = OpenReadOnly(disk->deviceNode);
    if (*fd < 0) return LastError();
    *info = *disk;
    return kErrorSuccess;
}

// Closes a descriptor the queries opened, keeping errno of the failure they report.
void CloseQuietly(int fd) {
    int saved = errno;
    close(fd);
    errno = saved;
}

}  // namespace

void SetReadCallObserverForTesting(ReadCallObserver observer, void* context) {
    gReadObserver = observer;
    gReadObserverContext = context;
}

int32_t OpenPhysicalDisk(SectorDevice& device, uint32_t diskNumber) {
    CloseDevice(device);
    device.sectorCount = 0;
    int fd = kInvalidHandle;
    DiskInfo disk;
    if (int32_t err = OpenDisk(diskNumber, &fd, &disk)) return err;
    device.handle = fd;
    DiskGeometry geometry;
    // On failure the handle stays in the device; CloseDevice releases it.
    if (int32_t err = QueryDiskGeometry(fd, disk.sysfsPath, &geometry)) return err;
    uint64_t length = 0;
    if (QueryDiskLength(fd, &length) == kErrorSuccess) {
        device.sectorCount = length / geometry.bytesPerSector;
    }
    if (device.sectorCount == 0) {
        device.sectorCount =
            geometry.cylinders * (uint64_t(geometry.tracksPerCylinder) * geometry.sectorsPerTrack);
    }
    return kErrorSuccess;
}

int32_t OpenImageFile(SectorDevice& device, const std::filesystem::path& image) {
    CloseDevice(device);
    device.sectorCount = 0;
    int fd = OpenReadOnly(image);
    if (fd < 0) return LastError();
    uint64_t size = 0;
    if (int32_t err = QueryDiskLength(fd, &size)) {
        CloseQuietly(fd);
        return err;
    }
    device.handle = fd;
    device.sectorCount = size / kImageSectorBytes;
    return kErrorSuccess;
}

int32_t ReadSectors(SectorDevice& device, void* buffer, uint64_t firstSector, int32_t count,
                    uint32_t bytesPerSector, uint32_t* sectorsRead) {
    // A negative count or a range whose end wraps past 2^64 would pass a plain sum test.
    if (count < 0 || bytesPerSector == 0) return kErrorInvalidParameter;
    uint64_t end = 0;
    if (__builtin_add_overflow(firstSector, uint64_t(count), &end) || end > device.sectorCount) {
        return kErrorInvalidParameter;
    }
    if (device.handle == kInvalidHandle) return kErrorInvalidHandle;
    uint64_t offset = 0;
    if (__builtin_mul_overflow(firstSector, uint64_t(bytesPerSector), &offset) ||
        offset > uint64_t(std::numeric_limits<off_t>::max())) {
        return kErrorInvalidParameter;  // what a seek past the largest offset answers
    }
    const uint64_t total = uint64_t(count) * bytesPerSector;
    if (count > 0 && !buffer) return kErrorInvalidParameter;
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t done = 0;
    int32_t result = kErrorSuccess;
    while (done < total) {
        const size_t piece = size_t(std::min<uint64_t>(kPieceBytes, total - done));
        uint64_t at = offset + done;
        if (at > uint64_t(std::numeric_limits<off_t>::max())) {
            result = kErrorReadFault;
            break;
        }
        NoteReadCall(piece);
        ssize_t got = pread(device.handle, out + done, piece, off_t(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            result = kErrorReadFault;
            break;
        }
        done += uint64_t(got);
    }
    if (sectorsRead) *sectorsRead = uint32_t(done / bytesPerSector);
    return result;
}

void CloseDevice(SectorDevice& device) {
    if (device.handle != kInvalidHandle) {
        close(device.handle);
        device.handle = kInvalidHandle;
    }
}

int32_t QueryFileSize(const std::filesystem::path& path, uint64_t* size) {
    int fd = OpenReadOnly(path);
    if (fd < 0) return LastError();
    uint64_t bytes = 0;
    int32_t err = QueryDiskLength(fd, &bytes);
    CloseQuietly(fd);
    if (err) return err;
    if (size) *size = bytes;
    return kErrorSuccess;
}

int32_t ReadFileFully(int fd, uint32_t byteCount, void* buffer, uint32_t* bytesRead) {
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    int32_t result = kErrorSuccess;
    while (done < byteCount) {
        const size_t piece = std::min<size_t>(kPieceBytes, byteCount - done);
        NoteReadCall(piece);
        ssize_t got = read(fd, out + done, piece);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            result = kErrorReadFault;
            break;
        }
        done += uint32_t(got);
    }
    if (bytesRead) *bytesRead = done;
    return result;
}

bool IsRemovableDisk(uint32_t diskNumber) {
    int fd = kInvalidHandle;
    DiskInfo disk;
    if (OpenDisk(diskNumber, &fd, &disk) != kErrorSuccess) return false;
    CloseQuietly(fd);
    // An image entered as a disk stands for the card it was taken from.
    if (disk.isImage) return true;
    return SysfsRemovable(disk.sysfsPath) || SysfsDiskBus(disk.sysfsPath) != DiskBus::kOther;
}

int32_t DiskLength(uint32_t diskNumber, uint64_t* length) {
    int fd = kInvalidHandle;
    DiskInfo disk;
    if (int32_t err = OpenDisk(diskNumber, &fd, &disk)) return err;
    uint64_t bytes = 0;
    int32_t err = QueryDiskLength(fd, &bytes);
    CloseQuietly(fd);
    if (err == kErrorSuccess && length) *length = bytes;
    return err;
}

int32_t DiskSectorSize(uint32_t diskNumber, uint32_t* bytesPerSector) {
    int fd = kInvalidHandle;
    DiskInfo disk;
    if (int32_t err = OpenDisk(diskNumber, &fd, &disk)) return err;
    DiskGeometry geometry;
    int32_t err = QueryDiskGeometry(fd, disk.sysfsPath, &geometry);
    CloseQuietly(fd);
    if (err == kErrorSuccess && bytesPerSector) *bytesPerSector = geometry.bytesPerSector;
    return err;
}

}  // namespace keldrin
