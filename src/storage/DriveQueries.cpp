// Free space and file-system name of the mounted file system that holds a path, or of a volume's
// letter tied to its mount point.
#include <sys/statvfs.h>

#include <cerrno>
#include <optional>
#include <system_error>

#include "platform/DiskRegistry.h"
#include "platform/Errors.h"
#include "platform/MountTable.h"
#include "storage/SectorDevice.h"

namespace keldrin {
namespace {

// The letter's mount point while a file system is still mounted there. A folder left behind by
// an unmounted volume lies on its parent's file system, whose figures must not stand for it.
std::optional<std::filesystem::path> MountedAt(uint16_t driveLetter) {
    auto mountPoint = DriveMount(driveLetter);
    if (!mountPoint) return std::nullopt;
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::canonical(*mountPoint, ec);
    if (ec) return std::nullopt;
    auto mount = MountHolding(canonical);
    if (!mount || mount->mountPoint != canonical) return std::nullopt;
    return canonical;
}

}  // namespace

int32_t DriveFreeBytes(const std::filesystem::path& path, uint64_t* freeBytes) {
    struct statvfs fs;
    int rc;
    do {
        rc = statvfs(path.c_str(), &fs);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return LastError();
    // What an unprivileged writer may still use, in 64-bit arithmetic.
    if (freeBytes) *freeBytes = uint64_t(fs.f_bavail) * uint64_t(fs.f_frsize);
    return kErrorSuccess;
}

int32_t DriveFileSystem(const std::filesystem::path& path, std::string* name) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return ec ? ErrorFromErrno(ec.value()) : kErrorPathNotFound;
    }
    auto mount = MountHolding(path);
    if (!mount) return kErrorNotReady;
    if (name) *name = MountedFileSystemName(*mount);
    return kErrorSuccess;
}

int32_t DriveFreeBytes(uint16_t driveLetter, uint64_t* freeBytes) {
    auto mountPoint = MountedAt(driveLetter);
    if (!mountPoint) return kErrorNotReady;
    return DriveFreeBytes(*mountPoint, freeBytes);
}

int32_t DriveFileSystem(uint16_t driveLetter, std::string* name) {
    auto mountPoint = MountedAt(driveLetter);
    if (!mountPoint) return kErrorNotReady;
    return DriveFileSystem(*mountPoint, name);
}

}  // namespace keldrin
